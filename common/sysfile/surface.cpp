// read_surface: the optional surface section of the system file, a cell of
// surface atoms repeated sideways and downwards into a slab.
#include <cstdio>
#include <cstdlib>

#include "common/sysfile/reader.h"

namespace tvl::sys {

namespace {

using detail::bad_entry;
using detail::fail;
using detail::FreeLine;
using detail::say;
using detail::starts;

// A converted length as the echo shows it: 15 significant digits, so that
// the rounding tail of the x0.1 conversion (12.0 -> 1.2000000000000002)
// does not show ("1.2").
std::string echo_real(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return text::free_real(std::strtod(buf, nullptr));
}

}  // namespace

void read_surface(int iprint, const std::string& sysfile, const std::vector<std::string>& name_sp, Surface& surf,
                  const Limits& lim) {
  read_surface(iprint, load_system_file(sysfile), name_sp, surf, lim);
}

void read_surface(int iprint, const SystemFile& file, const std::vector<std::string>& name_sp, Surface& surf,
                  const Limits& lim) {
  SystemDescription types;
  types.name_sp = name_sp;
  types.nsp = static_cast<int>(name_sp.size());
  detail::Reader r(iprint, lim, types, file);

  // Find the section; without one nothing changes.
  std::string name;
  do {
    if (!r.next()) return;
  } while (!(rec::begin_key(r.rec, name) && starts(name, "surface")));

  // Read it into a fresh description; the caller's ecell_s and rc_s stand
  // when the section gives none.
  Surface s;
  s.ecell_s = surf.ecell_s;
  s.rc_s = surf.rc_s;
  detail::for_entries(r, name, [&](int n) {
    std::string_view w1 = r.word(1);
    if (starts(w1, "frac")) {
      if (s.nsurf >= lim.nmax)
        detail::section_overflow("Number of <frac> entries in ", "{surface}", lim.nmax, "nmax");
      int type = r.find_type(r.word(2));
      if (type < 0)
        fail({FreeLine().t("Site-type ").name(r.word(2).substr(0, namelen), namelen),
              FreeLine().t("at position").i(n).t(" in the {surface}-section is not a valid site-type."),
              FreeLine().t("Check <system>-file.")});
      double x = 0, y = 0, z = 0;
      int is = 0;
      if (!r.get_real(3, x) || !r.get_real(4, y) || !r.get_real(5, z) || !r.get_int(6, is)) bad_entry("{surface}", n);
      s.nsurf += 1;
      s.typec_s.push_back(type), s.xc_s.push_back(x), s.yc_s.push_back(y), s.zc_s.push_back(z);
      s.isurf.push_back(is);
      say(FreeLine().i(s.nsurf).i(is).r(x).r(y).r(z));
    } else if (starts(w1, "ecell")) {
      double a = 0, b = 0, c = 0;
      if (!r.get_real(2, a) || !r.get_real(3, b) || !r.get_real(4, c) || a < 0 || b < 0 || c < 0)
        bad_entry("{surface}", n);
      s.ecell_s = {a, b, c};
      say(FreeLine().r(a).r(b).r(c));
    } else if (starts(w1, "duplicate")) {
      int a = 0, b = 0, c = 0;
      if (!r.get_int(2, a) || !r.get_int(3, b) || !r.get_int(4, c) || a < 0 || b < 0 || c < 0)
        bad_entry("{surface}", n);
      s.ndup_s = {a, b, c};
      say(FreeLine().i(a).i(b).i(c));
    } else if (starts(w1, "cutoff")) {
      double rc = 0;
      if (!r.get_real(2, rc)) bad_entry("{surface}", n);
      s.rc_s = rc * 0.1;
      say(FreeLine().t(" ").t(echo_real(s.rc_s)));
    }
  });
  if (s.nsurf == 0) {
    surf.nsurf = 0;
    return;
  }

  if (iprint > 0) {
    say(FreeLine().i(s.nsurf));
    for (int k = 0; k < s.nsurf; ++k)
      say(FreeLine().i(k + 1).i(s.typec_s[k] + 1).r(s.xc_s[k]).r(s.yc_s[k]).r(s.zc_s[k]));
  }

  // Slab size first: it must fit the site arrays.
  const int nx = s.ndup_s[0], ny = s.ndup_s[1], nz = s.ndup_s[2];
  __int128 total = static_cast<__int128>(2LL * nx + 1) * (2LL * ny + 1) * (nz + 1LL) * s.nsurf;
  if (total > lim.nmax)
    fail({FreeLine().t("Number of generated surface sites").t(" exceeds maximum of ").i(lim.nmax),
          detail::increase_line("nmax")});

  for (double& e : s.ecell_s) e *= 0.1;
  const double a = s.ecell_s[0], b = s.ecell_s[1], c = s.ecell_s[2];
  s.box_s = {nx * a, ny * b, nz * c};
  for (int k = 0; k < s.nsurf; ++k) {
    s.xc_s[k] *= a;
    s.yc_s[k] *= b;
    s.zc_s[k] *= c;
  }
  const std::size_t ntot = static_cast<std::size_t>(total);
  s.x_s.reserve(ntot), s.y_s.reserve(ntot), s.z_s.reserve(ntot), s.type_s.reserve(ntot);
  for (int ix = -nx; ix <= nx; ++ix)
    for (int iy = -ny; iy <= ny; ++iy)
      for (int iz = 0; iz >= -nz; --iz)
        for (int k = 0; k < s.nsurf; ++k) {
          s.x_s.push_back(ix * a + s.xc_s[k]);
          s.y_s.push_back(iy * b + s.yc_s[k]);
          s.z_s.push_back(iz * c + s.zc_s[k]);
          s.type_s.push_back(s.typec_s[k]);
        }
  s.nsurf_tot = static_cast<int>(s.x_s.size());
  surf = std::move(s);
}

}  // namespace tvl::sys

#include "common/config/configuration.h"

#include <algorithm>

#include "common/outfile.h"
#include "common/text/fortran.h"

namespace tvl::config {

namespace {
template <class... V>
void clear(V&... v) {
  (v.clear(), ...);
}
template <class... V>
void grow(V&... v) {
  (v.push_back({}), ...);
}
}  // namespace

void reset(Configuration& c) {
  c.n = 0;
  c.m = 0;
  clear(c.x, c.y, c.z, c.vx, c.vy, c.vz, c.fx, c.fy, c.fz, c.mas, c.rmas);
  clear(c.sptype, c.mol_of_site, c.index_in_mol, c.moltype_of_site);
  clear(c.mol_type, c.mol_offset, c.mol_nsites, c.mol_mass, c.xcm, c.ycm, c.zcm);
  for (int a = 0; a < 3; ++a) {
    c.box[a] = 0.0;
    c.ecell[a] = 0.0;
    c.ndup[a] = 0;
  }
}

void add_site(Configuration& c) {
  grow(c.x, c.y, c.z, c.vx, c.vy, c.vz, c.fx, c.fy, c.fz, c.mas, c.rmas);
  grow(c.sptype, c.mol_of_site, c.index_in_mol, c.moltype_of_site);
  c.n = static_cast<int>(c.x.size());
}

void add_molecule(Configuration& c) {
  grow(c.mol_type, c.mol_offset, c.mol_nsites, c.mol_mass, c.xcm, c.ycm, c.zcm);
  c.m = static_cast<int>(c.mol_type.size());
}

bool add_site_of(Configuration& c, const sys::SystemDescription& s, int mol, int index) {
  const int t = c.mol_type[mol];
  const std::vector<int>& types = s.mol[t].sptype_mol;
  const int p = index < static_cast<int>(types.size()) ? types[index] : -1;
  if (p < 0 || p >= static_cast<int>(s.mas_sp.size())) return false;
  add_site(c);
  const int i = c.n - 1;
  c.mol_of_site[i] = mol;
  c.index_in_mol[i] = index;
  c.moltype_of_site[i] = t;
  c.sptype[i] = p;
  c.mas[i] = s.mas_sp[p];
  c.mol_mass[mol] += c.mas[i];
  return true;
}

void set_relative_masses(Configuration& c) {
  for (int s = 0; s < c.n; ++s) {
    const double mm = c.mol_mass[c.mol_of_site[s]];
    c.rmas[s] = mm != 0.0 ? c.mas[s] / mm : 0.0;
  }
}

void centres_of_mass(Configuration& c) {
  for (int j = 0; j < c.m; ++j) {
    c.xcm[j] = 0.0;
    c.ycm[j] = 0.0;
    c.zcm[j] = 0.0;
  }
  for (int s = 0; s < c.n; ++s) {
    const int j = c.mol_of_site[s];
    c.xcm[j] += c.rmas[s] * c.x[s];
    c.ycm[j] += c.rmas[s] * c.y[s];
    c.zcm[j] += c.rmas[s] * c.z[s];
  }
}

void set_box(Configuration& c, double bx, double by, double bz) {
  c.box[0] = c.ecell[0] = bx;
  c.box[1] = c.ecell[1] = by;
  c.box[2] = c.ecell[2] = bz;
  c.ndup[0] = c.ndup[1] = c.ndup[2] = 1;
}

void check_cutoff(const Configuration& c, Cutoff& cut) {
  using tvl::text::FreeLine;
  const double h = 0.5 * std::min({c.box[0], c.box[1], c.box[2]});
  auto box_line = [&] {
    tvl::out_line(FreeLine().t("BOX (x,y,z): ").r(c.box[0]).r(c.box[1]).r(c.box[2]).str());
  };
  if (cut.nl == 1) {
    if (cut.rc_nl > h) {
      tvl::out_line(FreeLine().t("SUBROUTINE DEFSYS: cutoff-radius corrected").str());
      tvl::out_line(FreeLine().t("      -- neighbor list use ----").str());
      box_line();
      tvl::out_line(FreeLine().t("RC    (old)   ").r(cut.rc).str());
      tvl::out_line(FreeLine().t("RC_NL (old)   ").r(cut.rc_nl).str());
      cut.rc_nl = h;
      cut.rc = 0.9 * h;
      tvl::out_line(FreeLine().t("RC    (new)   ").r(cut.rc).str());
      tvl::out_line(FreeLine().t("RC_NL (new)   ").r(cut.rc_nl).str());
    }
  } else if (cut.rc > h) {
    tvl::out_line(FreeLine().t("SUBROUTINE DEFSYS: cutoff-radius corrected").str());
    tvl::out_line(FreeLine().t("        -- no neighbor list --").str());
    box_line();
    tvl::out_line(FreeLine().t("RC   (old)   ").r(cut.rc).str());
    cut.rc = h;
    cut.rc_nl = h;
    tvl::out_line(FreeLine().t("RC   (new)   ").r(cut.rc).str());
  }
}

}  // namespace tvl::config

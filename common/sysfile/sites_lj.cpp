// Site types and the Lennard-Jones sections (plain pairs, Lorentz-Berthelot
// and OPLS combination of per-type values).
#include <cmath>

#include "common/sysfile/reader.h"

namespace tvl::sys::detail {

void read_sites(Reader& r, const std::string& name) {
  r.progress("...reading sites");
  SystemDescription& sd = r.sd;
  auto s1 = [](int n) {
    fail({FreeLine().t("Check definition of site-types in line").i(n).t(" of the {site}-section.")});
  };
  for_entries(r, name, [&](int n) {
    if (r.nw < 3) s1(n);
    if (sd.nsp >= r.lim.nspmax)
      section_overflow("Number of defined interaction site-types in ", "{sites}", r.lim.nspmax, "nspmax");
    double q = 0, m = 0;
    if (!r.get_real(2, q) || !r.get_real(3, m) || m < 0.0) s1(n);
    sd.nsp += 1;
    sd.name_sp.emplace_back(r.word(1).substr(0, namelen));
    sd.q_sp.push_back(q);
    sd.mas_sp.push_back(m);
  });
  // Names must be unique: the first equal pair found is reported.
  for (int i = 0; i < sd.nsp; ++i)
    for (int j = i + 1; j < sd.nsp; ++j)
      if (sd.name_sp[i] == sd.name_sp[j])
        fail({FreeLine().t("Two definitions for site-type"), FreeLine().name(sd.name_sp[i], namelen),
              FreeLine().t("were found in the {site}-section"), FreeLine().t("Check <system>-file.")},
             true);
}

void read_lj(Reader& r, const std::string& name) {
  r.progress("...reading plain LJ definition");
  auto l1 = [](int n) {
    fail({FreeLine().t("Check definition of Lennard-Jones interaction in line").i(n).t(" of the {lj}-section.")});
  };
  for_entries(r, name, [&](int n) {
    if (r.nw < 4) l1(n);
    int i = r.find_type(r.word(1));
    int j = r.find_type(r.word(2));
    if (i < 0 || j < 0)
      fail({FreeLine().t("The pair of site-types "),
            FreeLine().name(r.word(1).substr(0, namelen), namelen).name(r.word(2).substr(0, namelen), namelen),
            FreeLine().t("at position").i(n).t(" in the {lj}-section ").t("does not refer to existing site-types."),
            FreeLine().t("Check <system>-file.")});
    double sig = 0, eps = 0;
    if (!r.get_real(3, sig) || !r.get_real(4, eps) || !lj_ok(sig, eps)) l1(n);
    double s6 = sig6_of(sig), e4 = eps4_of(eps);
    r.sig6.set(i, j, s6);
    r.sig6.set(j, i, s6);
    r.eps4.set(i, j, e4);
    r.eps4.set(j, i, e4);
  });
}

void read_combination(Reader& r, const std::string& name, bool opls) {
  r.progress(opls ? "...reading OPLS LJ definitions" : "...reading Lorentz-Berthelot LJ definitions");
  const char* sec = opls ? "{opls_lj}" : "{lorentz_lj}";
  auto l4 = [&](int n) {
    fail({FreeLine()
              .t("Check definition of Lennard-Jones parameters")
              .t(" at position ")
              .i(n)
              .t(" in the ")
              .t(sec)
              .t("-section.")});
  };
  SystemDescription& sd = r.sd;
  for_entries(r, name, [&](int n) {
    if (r.nw < 3) l4(n);
    int i = r.find_type(r.word(1));
    if (i < 0)
      fail({FreeLine().t("Lennard-Jones type ").name(r.word(1).substr(0, namelen), namelen),
            FreeLine().t("at position ").i(n).t(" in the ").t(sec).t("-section ").t("is not a valid site-type."),
            FreeLine().t("Check <system>-file.")});
    double sig = 0, eps = 0;
    if (!r.get_real(2, sig) || !r.get_real(3, eps) || !lj_ok(sig, eps)) l4(n);
    if (static_cast<int>(r.raw_sig.size()) <= i) {
      r.raw_sig.resize(i + 1, 0.0);
      r.raw_eps.resize(i + 1, 0.0);
    }
    r.raw_sig[i] = sig;
    r.raw_eps[i] = eps;
  });
  // Every pair is combined from the raw per-type values (types never given
  // in a combination section count as 0), then converted.
  auto raw = [](const std::vector<double>& v, int i) { return i < static_cast<int>(v.size()) ? v[i] : 0.0; };
  auto geo = [](double a, double b) { return a * b > 0 ? std::sqrt(a * b) : 0.0; };
  for (int i = 0; i < sd.nsp; ++i)
    for (int j = 0; j < sd.nsp; ++j) {
      double si = raw(r.raw_sig, i), sj = raw(r.raw_sig, j);
      double ei = raw(r.raw_eps, i), ej = raw(r.raw_eps, j);
      double sig = opls ? geo(sj, si) : (sj + si) * 0.5;
      double eps = geo(ej, ei);
      r.sig6.set(j, i, sig6_of(sig));
      r.eps4.set(j, i, eps4_of(eps));
    }
}

}  // namespace tvl::sys::detail

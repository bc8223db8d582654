// The steps after the last line of the system file: totals and their
// limits, degrees of freedom, unit conversions, centring of the reference
// geometry, constraint distances and the intramolecular pair lists.
#include <climits>
#include <cmath>

#include "common/outfile.h"
#include "common/sysfile/reader.h"

namespace tvl::sys::detail {

namespace {

std::string to_text(__int128 v) {
  if (v == 0) return "0";
  std::string s;
  bool neg = v < 0;
  if (neg) v = -v;
  while (v > 0) {
    s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  }
  return neg ? "-" + s : s;
}

void totals(Reader& r) {
  SystemDescription& sd = r.sd;
  // Computed in 128-bit integers (counts are below 2^31 each, so nothing
  // can overflow): large duplication counts must not wrap round to a small
  // total that passes the limits.
  __int128 cells = static_cast<__int128>(sd.ndup[0]) * sd.ndup[1] * sd.ndup[2];
  __int128 sites_per_cell = 0;
  for (int k = 0; k < sd.nfrac; ++k) sites_per_cell += sd.mol[sd.type_frac[k]].nsimol;
  __int128 nmol = cells * sd.nfrac;
  __int128 nsite = cells * sites_per_cell;
  if (nsite > r.lim.nmax)
    tvl::stop({FreeLine().t("SUBROUTINE READPA:"), FreeLine().t("Maximum total number of interaction sites"),
               FreeLine().t("exceeded (nmax): ").i(r.lim.nmax), FreeLine().t(" " + to_text(nsite))});
  if (nmol > r.lim.nalmolmax)
    tvl::stop({FreeLine().t("SUBROUTINE READPA:"), FreeLine().t("Maximum total number of allowed molecules"),
               FreeLine().t("exceeded (nalmolmax): ").i(r.lim.nalmolmax), FreeLine().t(" " + to_text(nmol))});
  sd.nsite_tot = static_cast<int>(nsite);
  sd.nmol_tot = static_cast<int>(nmol);
}

void convert(MolType& m) {
  for (int k = 0; k < m.nsimol; ++k) {
    m.xmol[k] *= 0.1;
    m.ymol[k] *= 0.1;
    m.zmol[k] *= 0.1;
  }
  for (int k = 0; k < m.nhabd; ++k) {
    m.k_habd[k] *= 100.0;
    m.r_habd[k] *= 0.1;
  }
  for (int k = 0; k < m.nmobd; ++k) {
    m.k_mobd[k] *= 100.0;
    m.r_mobd[k] *= 0.1;
    m.al_mobd[k] *= 0.1;
  }
  for (int k = 0; k < m.nang; ++k) m.te_ang[k] *= deg_to_rad;
  for (int k = 0; k < m.nidhed; ++k) m.ph_idhed[k] *= deg_to_rad;
  for (int k = 0; k < m.ndhed; ++k)
    for (double& d : m.del_dhed[k]) d *= deg_to_rad;
}

void centre(MolType& m, const std::vector<double>& mas_sp) {
  double mt = 0, cx = 0, cy = 0, cz = 0;
  for (int k = 0; k < m.nsimol; ++k) {
    double w = mas_sp[m.sptype_mol[k]];
    mt += w;
    cx += w * m.xmol[k];
    cy += w * m.ymol[k];
    cz += w * m.zmol[k];
  }
  // mt != 0: checked at the end of the molecule section.
  cx /= mt, cy /= mt, cz /= mt;
  for (int k = 0; k < m.nsimol; ++k) {
    m.xmol[k] -= cx;
    m.ymol[k] -= cy;
    m.zmol[k] -= cz;
  }
}

void constraints(MolType& m, double tol) {
  m.d2_con.assign(m.ncon, 0.0);
  m.t_con.assign(m.ncon, 0.0);
  for (int k = 0; k < m.ncon; ++k) {
    double& d = m.d_con[k];
    if (d != 0) {
      d *= 0.1;
    } else {
      int a = m.con_a[k], b = m.con_b[k];
      double dx = m.xmol[a] - m.xmol[b], dy = m.ymol[a] - m.ymol[b], dz = m.zmol[a] - m.zmol[b];
      d = std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    m.d2_con[k] = d * d;
    m.t_con[k] = tol * tol * m.d2_con[k];
  }
}

void intra_pairs(MolType& m, int t) {
  const std::size_t n = static_cast<std::size_t>(m.nsimol);
  // The pairs are counted in int.
  if (n * (n - (n > 0 ? 1 : 0)) / 2 > static_cast<std::size_t>(INT_MAX))
    fail({FreeLine().t("Molecule-type").i(t + 1).t(" has more intramolecular pairs than can be held !"),
          FreeLine().t("Check <system>-file.")});
  std::vector<char> excluded(n * n, 0);
  for (int k = 0; k < m.nexcl; ++k) {
    std::size_t a = static_cast<std::size_t>(m.excl_a[k]), b = static_cast<std::size_t>(m.excl_b[k]);
    excluded[a * n + b] = 1;
    excluded[b * n + a] = 1;
  }
  m.a_intra.clear();
  m.b_intra.clear();
  std::size_t keep = n * (n - (n > 0 ? 1 : 0)) / 2;
  m.a_intra.reserve(keep);
  m.b_intra.reserve(keep);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      if (!excluded[i * n + j]) {
        m.a_intra.push_back(static_cast<int>(i));
        m.b_intra.push_back(static_cast<int>(j));
      }
  m.nintra = static_cast<int>(m.a_intra.size());
}

}  // namespace

void final_steps(Reader& r, double tol_con) {
  SystemDescription& sd = r.sd;
  totals(r);
  for (MolType& m : sd.mol)
    if (m.nfree == 0) m.nfree = 3 * m.nsimol - m.ncon;
  for (double& e : sd.ecell) e *= 0.1;
  for (MolType& m : sd.mol) convert(m);
  for (int k = 0; k < sd.numb; ++k) {
    sd.umb_k[k] *= 100.0;
    sd.umb_r[k] *= 0.1;
  }
  for (MolType& m : sd.mol) centre(m, sd.mas_sp);
  for (MolType& m : sd.mol) constraints(m, tol_con);
  for (std::size_t t = 0; t < sd.mol.size(); ++t) intra_pairs(sd.mol[t], static_cast<int>(t));
  r.progress("SIM PARAMETERS INTIALISED");
}

}  // namespace tvl::sys::detail

// Subsections of the intramolecular potential terms: bonds (harmonic and
// Morse), angles (plain and linear), dihedrals (improper and proper),
// modified non-bonded pairs and virtual sites. Values are stored in file
// units here; final_steps converts them after the last line.
#include "common/sysfile/reader.h"

namespace tvl::sys::detail {

void read_bonds(Reader& r, const std::string& name, int t) {
  r.progress("...reading bonds");
  MolType& m = r.sd.mol[t];
  m.a_habd.clear(), m.b_habd.clear(), m.k_habd.clear(), m.r_habd.clear();
  m.a_mobd.clear(), m.b_mobd.clear(), m.k_mobd.clear(), m.r_mobd.clear(), m.al_mobd.clear();
  int n = 0;
  for_entries(r, name, [&](int) {
    if (starts(r.word(1), "harmonic")) {
      ++n;
      if (static_cast<int>(m.a_habd.size()) >= r.lim.nbdmax)
        type_overflow("Number of harmonic bonds for ", t, r.lim.nbdmax, "nbdmax");
      int a = 0, b = 0;
      double k = 0, len = 0;
      if (!r.get_site(2, a) || !r.get_site(3, b) || !r.get_real(4, k, 100.0) || !r.get_real(5, len))
        type_entry_error("Check harmonic bond at position.", n, "{bonds}", t);
      m.a_habd.push_back(a), m.b_habd.push_back(b), m.k_habd.push_back(k), m.r_habd.push_back(len);
    } else if (starts(r.word(1), "morse")) {
      ++n;
      if (static_cast<int>(m.a_mobd.size()) >= r.lim.nbdmax)
        type_overflow("Number of Morse-type bonds for ", t, r.lim.nbdmax, "nbdmax");
      int a = 0, b = 0;
      double k = 0, len = 0, al = 0;
      if (!r.get_site(2, a) || !r.get_site(3, b) || !r.get_real(4, k, 100.0) || !r.get_real(5, len) ||
          !r.get_real(6, al))
        type_entry_error("Check Morse-type bond at position.", n, "{bonds}", t);
      m.a_mobd.push_back(a), m.b_mobd.push_back(b), m.k_mobd.push_back(k), m.r_mobd.push_back(len);
      m.al_mobd.push_back(al);
    }
    // Other lines are no bonds of this reader and do not count.
  });
  m.nhabd = static_cast<int>(m.a_habd.size());
  m.nmobd = static_cast<int>(m.a_mobd.size());
}

void read_angles(Reader& r, const std::string& name, int t) {
  r.progress("...reading angles");
  MolType& m = r.sd.mol[t];
  m.a_ang.clear(), m.b_ang.clear(), m.c_ang.clear(), m.k_ang.clear(), m.te_ang.clear();
  m.a_piang.clear(), m.b_piang.clear(), m.c_piang.clear(), m.k_piang.clear();
  for_entries(r, name, [&](int n) {
    int a = 0, b = 0, c = 0;
    double k = 0;
    if (starts(r.word(1), "linear")) {
      if (static_cast<int>(m.a_piang.size()) >= r.lim.nangmax)
        type_overflow("Number of linear bond-bending angles for ", t, r.lim.nangmax, "nangmax");
      if (!r.get_site(2, a) || !r.get_site(3, b) || !r.get_site(4, c) || !r.get_real(5, k))
        type_entry_error("Check linear bond-angle at position.", n, "{angle}", t);
      m.a_piang.push_back(a), m.b_piang.push_back(b), m.c_piang.push_back(c), m.k_piang.push_back(k);
    } else {
      if (static_cast<int>(m.a_ang.size()) >= r.lim.nangmax)
        type_overflow("Number of bond-bending angles for ", t, r.lim.nangmax, "nangmax");
      double te = 0;
      if (!r.get_site(1, a) || !r.get_site(2, b) || !r.get_site(3, c) || !r.get_real(4, k) || !r.get_real(5, te))
        type_entry_error("Check bond-angle at position.", n, "{angle}", t);
      m.a_ang.push_back(a), m.b_ang.push_back(b), m.c_ang.push_back(c), m.k_ang.push_back(k);
      m.te_ang.push_back(te);
    }
  });
  m.nang = static_cast<int>(m.a_ang.size());
  m.npiang = static_cast<int>(m.a_piang.size());
}

void read_dihedrals(Reader& r, const std::string& name, int t) {
  r.progress("...reading dihedrals");
  MolType& m = r.sd.mol[t];
  m.a_idhed.clear(), m.b_idhed.clear(), m.c_idhed.clear(), m.d_idhed.clear();
  m.k_idhed.clear(), m.ph_idhed.clear();
  m.nn_dhed.clear(), m.a_dhed.clear(), m.b_dhed.clear(), m.c_dhed.clear(), m.d_dhed.clear();
  m.k_dhed.clear(), m.mt_dhed.clear(), m.del_dhed.clear();
  int n = 0;
  for_entries(r, name, [&](int) {
    int a = 0, b = 0, c = 0, d = 0;
    if (starts(r.word(1), "improper")) {
      ++n;
      if (static_cast<int>(m.a_idhed.size()) >= r.lim.ndhmax)
        type_overflow("Number of improper dihedral interactions for ", t, r.lim.ndhmax, "ndhmax");
      double k = 0, ph = 0;
      if (!r.get_site(2, a) || !r.get_site(3, b) || !r.get_site(4, c) || !r.get_site(5, d) || !r.get_real(6, k) ||
          !r.get_real(7, ph))
        type_entry_error("Check improper dihedral interaction at position", n, "{dihedrals}", t);
      m.a_idhed.push_back(a), m.b_idhed.push_back(b), m.c_idhed.push_back(c), m.d_idhed.push_back(d);
      m.k_idhed.push_back(k), m.ph_idhed.push_back(ph);
    } else if (starts(r.word(1), "proper")) {
      ++n;
      if (static_cast<int>(m.a_dhed.size()) >= r.lim.ndhmax)
        type_overflow("Number of proper dihedral interactionsfor ", t, r.lim.ndhmax, "ndhmax");
      auto d5 = [&] { type_entry_error("Check proper dihedral interaction at position", n, "{dihedrals}", t); };
      if (!r.get_site(2, a) || !r.get_site(3, b) || !r.get_site(4, c) || !r.get_site(5, d)) d5();
      int nterms = r.nw > 5 ? (r.nw - 5) / 3 : 0;
      std::vector<double> ks, mts, dels;
      for (int term = 1; term <= nterms; ++term) {
        if (term > r.lim.nndhmax)
          type_overflow("Number of entries per proper dihedral interactionfor ", t, r.lim.nndhmax, "nndhmax");
        double k = 0, mt = 0, del = 0;
        if (!r.get_real(3 * term + 3, k) || !r.get_real(3 * term + 4, mt) || !r.get_real(3 * term + 5, del)) d5();
        ks.push_back(k), mts.push_back(mt), dels.push_back(del);
      }
      m.a_dhed.push_back(a), m.b_dhed.push_back(b), m.c_dhed.push_back(c), m.d_dhed.push_back(d);
      m.nn_dhed.push_back(static_cast<int>(ks.size()));
      m.k_dhed.push_back(std::move(ks)), m.mt_dhed.push_back(std::move(mts)), m.del_dhed.push_back(std::move(dels));
    }
    // Other lines are ignored and do not count.
  });
  m.nidhed = static_cast<int>(m.a_idhed.size());
  m.ndhed = static_cast<int>(m.a_dhed.size());
}

void read_nonbonded(Reader& r, const std::string& name, int t) {
  r.progress("...reading nonbonded (1-x)-terms");
  MolType& m = r.sd.mol[t];
  m.a_14int.clear(), m.b_14int.clear(), m.sig6_14int.clear(), m.eps4_14int.clear(), m.fac_14int.clear();
  for_entries(r, name, [&](int n) {
    if (n > r.lim.ndhmax)
      type_overflow("Number of modified intramolecular interactions for ", t, r.lim.ndhmax, "ndhmax");
    int a = 0, b = 0;
    double sig = 0, eps = 0, fac = 0;
    bool ok = r.get_site(1, a) && r.get_site(2, b) && r.get_real(3, sig) && r.get_real(4, eps) && lj_ok(sig, eps);
    if (ok && r.nw >= 5) ok = r.get_real(5, fac);
    if (!ok) type_entry_error("Check modified intramolecular interaction at position", n, "{nonbonded}", t);
    m.a_14int.push_back(a), m.b_14int.push_back(b);
    m.sig6_14int.push_back(sig6_of(sig)), m.eps4_14int.push_back(eps4_of(eps)), m.fac_14int.push_back(fac);
  });
  m.n14int = static_cast<int>(m.a_14int.size());
}

void read_virtual(Reader& r, const std::string& name, int t) {
  r.progress("...reading virtual sites");
  MolType& m = r.sd.mol[t];
  m.virt_site.clear(), m.virt_nref.clear(), m.virt_ref.clear(), m.virt_c.clear();
  for_entries(r, name, [&](int n) {
    // The table holds nsimolmax virtual sites per type; more are refused,
    // and so is a word that is no number (it would leave a stale value).
    if (n > r.lim.nsimolmax) type_overflow("Number of virtual sites for ", t, r.lim.nsimolmax, "nsimolmax");
    auto bad = [&] { bad_entry("{virtual}", n); };
    int site = 0;
    if (!r.get_site(1, site)) bad();
    int nref = (r.nw - 1) / 2;
    std::vector<int> refs;
    std::vector<double> cs;
    for (int k = 1; k <= nref; ++k) {
      int s = 0;
      double c = 0;
      if (!r.get_site(2 * k, s) || !r.get_real(2 * k + 1, c)) bad();
      refs.push_back(s), cs.push_back(c);
    }
    m.virt_site.push_back(site);
    m.virt_nref.push_back(nref);
    m.virt_ref.push_back(std::move(refs));
    m.virt_c.push_back(std::move(cs));
  });
  m.nvirt = static_cast<int>(m.virt_site.size());
}

}  // namespace tvl::sys::detail

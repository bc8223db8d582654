// The molecule section: label, degrees of freedom, and the structural
// subsections (configuration, constraints, exclude); the subsections of the
// intramolecular terms are dispatched to intra_terms.cpp.
#include "common/sysfile/reader.h"

namespace tvl::sys::detail {

namespace {

// A constraint or excluded pair, entry n of its subsection (`what` names
// it), that names a site the molecule type does not have; `pair` shows the
// entry's sites.
[[noreturn]] void bad_pair(std::string_view what, int t, int n, const FreeLine& pair) {
  fail({FreeLine().t(what).i(n).t(" of molecule-type").i(t + 1).t(" refers to an undefined pair of atom-sites :"),
        pair, FreeLine().t("Check <system>-file.")});
}
constexpr std::string_view constraint_no = "Distance contstraint No. ";
constexpr std::string_view exclusion_no = "Exluded interaction-pair No. ";

// Two 0-based sites as the messages show them, numbered from 1.
FreeLine sites(int a, int b) { return FreeLine().i(a + 1LL).i(b + 1LL); }

void read_configuration(Reader& r, const std::string& name, int t) {
  r.progress("...reading configuration");
  MolType& m = r.sd.mol[t];
  m.sptype_mol.clear();
  m.xmol.clear();
  m.ymol.clear();
  m.zmol.clear();
  for_entries(r, name, [&](int n) {
    if (n > r.lim.nsimolmax) type_overflow("Number of interaction sites of ", t, r.lim.nsimolmax, "nsimolmax");
    int type = r.find_type(r.word(1));
    if (type < 0)
      fail({FreeLine().t("Molecule-type").i(t + 1).t(":"),
            FreeLine().t("Atom-definition in ").t("{configuration}-section"),
            FreeLine().name(r.word(1).substr(0, namelen), namelen),
            FreeLine().t("does not refer to a known ").t("site-type."), FreeLine().t("Check <system>-file.")});
    double x = 0, y = 0, z = 0;
    bool ok = r.nw == 1 || (r.nw == 4 && r.get_real(2, x) && r.get_real(3, y) && r.get_real(4, z));
    if (!ok) type_entry_error("Check definition of atoms at position ", n, "{configuration}", t);
    m.sptype_mol.push_back(type);
    m.xmol.push_back(x);
    m.ymol.push_back(y);
    m.zmol.push_back(z);
  });
  m.nsimol = static_cast<int>(m.sptype_mol.size());
}

void read_constraints(Reader& r, const std::string& name, int t) {
  r.progress("...reading constraints");
  MolType& m = r.sd.mol[t];
  m.con_a.clear();
  m.con_b.clear();
  m.d_con.clear();
  for_entries(r, name, [&](int n) {
    if (n > r.lim.nconmax) type_overflow("Number of distance constraints of ", t, r.lim.nconmax, "nconmax");
    auto k3 = [&] { type_entry_error("Check constraint at position.", n, "{constraints}", t); };
    int a = 0, b = 0;
    if (!r.get_site(1, a) || !r.get_site(2, b)) k3();
    if (!m.site_ok(a) || !m.site_ok(b)) bad_pair(constraint_no, t, n, sites(a, b));
    double d = 0;
    if (r.nw >= 3 && !r.get_real(3, d)) k3();
    m.con_a.push_back(a);
    m.con_b.push_back(b);
    m.d_con.push_back(d);
  });
  m.ncon = static_cast<int>(m.con_a.size());
}

// Returns after the end line, or at once after an "all" entry: the rest of
// that subsection is then read at molecule level (and so ignored).
void read_exclude(Reader& r, const std::string& name, int t) {
  r.progress("...reading excluded pairs");
  MolType& m = r.sd.mol[t];
  m.excl_a.clear();
  m.excl_b.clear();
  auto e1 = [&] { type_overflow("Number of excluded interaction pairs for ", t, r.lim.nexclmax, "nexclmax"); };
  int n = 0;
  for (;;) {
    r.next_in(name);
    if (rec::end_key(r.rec, name)) break;
    r.split();
    ++n;
    if (r.word(1) == "all") {
      // Every pair of the sites known so far; without any site the entry
      // would silently exclude nothing, so it is refused.
      if (m.nsimol == 0) bad_pair(exclusion_no, t, n, FreeLine().t("all"));
      long long ns = m.nsimol;
      if (ns * (ns - 1) / 2 > r.lim.nexclmax) e1();
      m.excl_a.clear();
      m.excl_b.clear();
      for (int i = 0; i < m.nsimol; ++i)
        for (int j = i + 1; j < m.nsimol; ++j) {
          m.excl_a.push_back(i);
          m.excl_b.push_back(j);
        }
      m.nexcl = static_cast<int>(m.excl_a.size());
      return;
    }
    if (n > r.lim.nexclmax) e1();
    int a = 0, b = 0;
    if (!r.get_site(1, a) || !r.get_site(2, b))
      type_entry_error("Check excluded interaction pair at position.", n, "{exclude}", t);
    if (!m.site_ok(a) || !m.site_ok(b)) bad_pair(exclusion_no, t, n, sites(a, b));
    m.excl_a.push_back(a);
    m.excl_b.push_back(b);
  }
  m.nexcl = static_cast<int>(m.excl_a.size());
}

}  // namespace

void read_molecule(Reader& r, const std::string& name) {
  SystemDescription& sd = r.sd;
  if (sd.ntymol >= r.lim.ntymolmax)
    fail({FreeLine().t("Number of molecule-types").t(" exceeds maximum of ").i(r.lim.ntymolmax),
          increase_line("ntymolmax")});
  const int t = sd.ntymol;
  sd.ntymol += 1;
  sd.mol.emplace_back();
  if (r.iprint > 0) say(FreeLine().t("...defining molecule ").i(t + 1));

  for (;;) {
    r.next_in(name);
    if (rec::end_key(r.rec, name)) break;
    std::string sub;
    if (rec::begin_key(r.rec, sub)) {
      if (starts(sub, "configuration")) read_configuration(r, sub, t);
      else if (starts(sub, "constraints")) read_constraints(r, sub, t);
      else if (starts(sub, "exclude")) read_exclude(r, sub, t);
      else if (starts(sub, "bond")) read_bonds(r, sub, t);
      else if (starts(sub, "angle")) read_angles(r, sub, t);
      else if (starts(sub, "virtual")) read_virtual(r, sub, t);
      else if (starts(sub, "nonbonded")) read_nonbonded(r, sub, t);
      else if (starts(sub, "dihedral")) read_dihedrals(r, sub, t);
      // An unknown subsection (such as a z-matrix) is not entered: its lines
      // are read as molecule-level lines.
      continue;
    }
    r.split();
    MolType& m = sd.mol[t];
    if (starts(r.word(1), "label")) {
      if (r.nw < 2)
        fail({FreeLine().t("Reading the label ").t("for molecule-type").i(t + 1),
              FreeLine().t("Check <system>-file")});
      m.label_mol = std::string(r.word(2).substr(0, namelen));
    } else if (starts(r.word(1), "freedom")) {
      if (!r.get_int(2, m.nfree))
        fail({FreeLine().t("Reading the degrees of freedom ").t("for molecule-type").i(t + 1),
              FreeLine().t("Check <system>-file")});
    }
  }

  const MolType& m = sd.mol[t];
  if (m.label_mol.empty())
    fail({FreeLine().t("Molecule-type").i(t + 1).t(" has no label !"), FreeLine().t("Check <system>-file.")});
  if (m.nsimol == 0)
    fail({FreeLine().t("Molecule-type").i(t + 1).t(" contains no atoms !"),
          FreeLine().t("A valid molecule-type has to contain ").t("at least one atom in the {configuration}").t(
              "-section."),
          FreeLine().t("Check <system>-file.")});
  // A configuration repeated after the constraints or exclusions may have
  // fewer sites than they name; the final steps index the geometry with them.
  for (int k = 0; k < m.ncon; ++k)
    if (!m.site_ok(m.con_a[k]) || !m.site_ok(m.con_b[k]))
      bad_pair(constraint_no, t, k + 1, sites(m.con_a[k], m.con_b[k]));
  for (int k = 0; k < m.nexcl; ++k)
    if (!m.site_ok(m.excl_a[k]) || !m.site_ok(m.excl_b[k]))
      bad_pair(exclusion_no, t, k + 1, sites(m.excl_a[k], m.excl_b[k]));
  // The reference geometry is centred on the centre of mass: the site
  // masses must not sum to zero.
  double mass = 0;
  for (int s : m.sptype_mol) mass += sd.mas_sp[s];
  if (!(mass != 0.0))
    fail({FreeLine().t("Molecule-type").i(t + 1).t(" has a total mass of zero !"),
          FreeLine().t("Its centre of mass is undefined."), FreeLine().t("Check <system>-file.")});
}

}  // namespace tvl::sys::detail

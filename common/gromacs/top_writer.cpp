#include "common/gromacs/top_writer.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

namespace tvl::gmx {

std::string top_number(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.10g", v == 0.0 ? 0.0 : v);  // no "-0"
  return b;
}

namespace {

// Appends `s` left-aligned in at least `w` columns and one blank.
void col(std::string& out, std::string_view s, std::size_t w) {
  out += s;
  out.append(s.size() < w ? w - s.size() : 0, ' ');
  out += ' ';
}

void header(std::string& out, std::string_view directive, std::string_view comment) {
  out += "[ ";
  out += directive;
  out += " ]\n; ";
  out += comment;
  out += '\n';
}

void numbers(std::string& out, const std::vector<double>& v) {
  for (double x : v) col(out, top_number(x), 10);
}

void end_line(std::string& out) {
  while (!out.empty() && out.back() == ' ') out.pop_back();
  out += '\n';
}

void type_params(std::string& out, std::string_view directive, const std::vector<TypeParams>& list) {
  if (list.empty()) return;
  header(out, directive, "types  func  parameters");
  for (const TypeParams& t : list) {
    for (const std::string& n : t.types) col(out, n, 8);
    col(out, std::to_string(t.func), 4);
    numbers(out, t.params);
    end_line(out);
  }
  out += '\n';
}

void atom_numbers(std::string& out, const std::vector<int>& atoms) {
  for (int a : atoms) col(out, std::to_string(a + 1), 5);
}

// One term per line: its atoms (1-based), the function type, the parameters.
void terms(std::string& out, std::string_view directive, std::string_view comment, const std::vector<Term>& list) {
  if (list.empty()) return;
  header(out, directive, comment);
  for (const Term& t : list) {
    atom_numbers(out, t.atoms);
    col(out, std::to_string(t.func), 4);
    numbers(out, t.params);
    end_line(out);
  }
  out += '\n';
}

void atoms(std::string& out, const MoleculeType& m) {
  header(out, "atoms", "nr  type  resnr  residue  atom  cgnr  charge  mass");
  std::size_t wt = 4, wr = 5, wa = 4;
  for (const Atom& a : m.atoms) {
    wt = std::max(wt, a.type.size());
    wr = std::max(wr, a.residue.size());
    wa = std::max(wa, a.name.size());
  }
  for (std::size_t i = 0; i < m.atoms.size(); ++i) {
    const Atom& a = m.atoms[i];
    col(out, std::to_string(i + 1), 5);
    col(out, a.type, wt);
    col(out, std::to_string(a.resnr), 5);
    col(out, a.residue, wr);
    col(out, a.name, wa);
    col(out, std::to_string(a.cgnr), 5);
    if (a.charge_given || a.mass_given) col(out, top_number(a.charge), 10);
    if (a.mass_given) col(out, top_number(a.mass), 10);
    end_line(out);
  }
  out += '\n';
}

// [ exclusions ] and [ virtual_sitesn ] lines: the first atom, then the
// others (for virtual_sitesn the function type stands after the site, and
// type 3 pairs every reference with its weight).
void exclusions(std::string& out, const std::vector<Term>& list) {
  if (list.empty()) return;
  header(out, "exclusions", "atom  excluded atoms");
  for (const Term& t : list) {
    atom_numbers(out, t.atoms);
    end_line(out);
  }
  out += '\n';
}

void vsitesn(std::string& out, const std::vector<Term>& list) {
  if (list.empty()) return;
  header(out, "virtual_sitesn", "site  func  from (type 3: atom weight pairs)");
  for (const Term& t : list) {
    if (t.atoms.empty()) continue;
    col(out, std::to_string(t.atoms[0] + 1), 5);
    col(out, std::to_string(t.func), 4);
    for (std::size_t k = 1; k < t.atoms.size(); ++k) {
      col(out, std::to_string(t.atoms[k] + 1), 5);
      if (t.func == 3 && k - 1 < t.params.size()) col(out, top_number(t.params[k - 1]), 10);
    }
    end_line(out);
  }
  out += '\n';
}

void molecule_type(std::string& out, const MoleculeType& m) {
  header(out, "moleculetype", "name  nrexcl");
  col(out, m.name, 10);
  out += std::to_string(m.nrexcl);
  out += "\n\n";
  atoms(out, m);
  terms(out, "bonds", "ai  aj  func  parameters", m.bonds);
  terms(out, "pairs", "ai  aj  func  parameters", m.pairs);
  terms(out, "angles", "ai  aj  ak  func  parameters", m.angles);
  terms(out, "dihedrals", "ai  aj  ak  al  func  parameters", m.dihedrals);
  terms(out, "constraints", "ai  aj  func  distance", m.constraints);
  terms(out, "settles", "OW  func  doh  dhh", m.settles);
  exclusions(out, m.exclusions);
  terms(out, "virtual_sites2", "site  ai  aj  func  a", m.vsites2);
  terms(out, "virtual_sites3", "site  ai  aj  ak  func  a  b", m.vsites3);
  vsitesn(out, m.vsitesn);
}

}  // namespace

std::string top_text(const Topology& top) {
  std::string out;
  const Defaults& d = top.defaults;
  header(out, "defaults", "nbfunc  comb-rule  gen-pairs  fudgeLJ  fudgeQQ");
  out += std::to_string(d.nbfunc) + "  " + std::to_string(d.comb_rule) + "  " + (d.gen_pairs ? "yes" : "no") +
         "  " + top_number(d.fudge_lj) + "  " + top_number(d.fudge_qq) + "\n\n";

  if (!top.atomtypes.empty()) {
    header(out, "atomtypes", "name  [bonded type]  [at.num]  mass  charge  ptype  V  W");
    std::size_t w = 4;
    for (const AtomType& t : top.atomtypes) w = std::max(w, t.name.size());
    for (const AtomType& t : top.atomtypes) {
      col(out, t.name, w);
      if (!t.bonded_type.empty() && t.bonded_type != t.name) col(out, t.bonded_type, w);
      if (t.atomic_number >= 0) col(out, std::to_string(t.atomic_number), 3);
      numbers(out, {t.mass, t.charge});
      col(out, t.ptype, 1);
      numbers(out, {t.v, t.w});
      end_line(out);
    }
    out += '\n';
  }
  type_params(out, "bondtypes", top.bondtypes);
  type_params(out, "constrainttypes", top.constrainttypes);
  type_params(out, "angletypes", top.angletypes);
  type_params(out, "dihedraltypes", top.dihedraltypes);
  type_params(out, "pairtypes", top.pairtypes);
  type_params(out, "nonbond_params", top.nonbond_params);

  for (const MoleculeType& m : top.moltypes) molecule_type(out, m);

  out += "[ system ]\n" + top.system_name + "\n\n";
  header(out, "molecules", "name  count");
  for (const auto& [name, count] : top.molecules) {
    col(out, name, 10);
    out += std::to_string(count) + "\n";
  }
  return out;
}

}  // namespace tvl::gmx

// The system-file writer: one pass over the finished tables, every line
// through out_line, every number through the shared fixed-field writers.
#include "topgen/writer.h"

#include <cmath>

#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"
#include "topgen/debug_dump.h"
#include "topgen/driver.h"
#include "topgen/input.h"

namespace tvl::topgen {

namespace tx = tvl::text;

namespace {

// A field filled to its first column gets a blank before it, so that it
// stays a word of its own.
std::string lead(const std::string& s) { return s.empty() || s[0] == ' ' ? s : tx::free_text(s); }

const std::string rule = "#" + std::string(79, '-');

// "  " and the first 6 characters of a derived type name, for the 1-4 comments.
std::string short_name(const std::string& name) { return "  " + tx::pad(name, 6); }

void header(const Options& o) {
  for (const std::string& l :
       {rule, std::string("#  "), std::string("#  TOPGEN generated"), std::string("#  "),
        std::string("#           TARVELO SYSTEM-File"), std::string("#  "),
        "#  forcefield file    : " + one_line(o.ff_file)}) out_line(l);
  for (const std::string& m : o.frcmods) out_line("#  frcmod file        : " + one_line(m));
  for (const std::string& l : {"#  topology data file : " + one_line(o.mol_file), std::string("#  "), rule, std::string()})
    out_line(l);
}

void types(const Options& o, const Typing& ty) {
  out_line("begin{sites}    #  charge (e)   mass (g/mol)");
  for (const DerivedType& t : ty.types)
    out_line("   " + tx::fmt_a(t.name, 10) + num_field(t.charge, 12, 6) + num_field(t.mass, 12, 6));
  out_line("end{sites}");
  out_line("");
  const std::string lj = o.opls ? "opls_lj" : "lorentz_lj";
  out_line("begin{" + lj + "}  #  sigma (A)  epsilon (K)");
  for (const DerivedType& t : ty.types)
    out_line("   " + tx::fmt_a(t.name, 10) + num_field(t.sigma, 12, 4) + num_field(t.epsilon, 12, 4));
  out_line("end{" + lj + "}");
  out_line("");
}

void configuration(const Molecule& mol, const Typing& ty) {
  out_line("begin{configuration}");
  for (int i = 1; i <= mol.n(); ++i) {
    const Atom& a = mol.atoms[static_cast<std::size_t>(i - 1)];
    out_line("  " + tx::fmt_a(ty.amodlabel(i), 10) + num_field(a.x, 12, 4) + num_field(a.y, 12, 4) +
             num_field(a.z, 12, 4) + "  # " + int_field(i));
  }
  out_line("end{configuration}");
  out_line("");
}

void zmatrix(const Options& o, const std::vector<ZRow>& rows) {
  out_line("begin{z-matrix}");
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const ZRow& r = rows[k];
    std::string l = int_field(r.a) + "  ";
    if (k >= 1) l += int_field(r.b) + num_field(r.r0, 12, 4);
    if (k >= 2) l += int_field(r.c) + num_field(r.ang, 12, 4);
    if (k >= 3) l += int_field(r.d) + num_field(r.dh, 12, 4);
    out_line(l);
  }
  if (o.freeze)
    for (std::size_t k = 2; k <= rows.size(); ++k) out_line("zfreeze " + int_field(static_cast<long long>(k)) + int_field(2));
  out_line("end{z-matrix}");
  out_line("");
}

// Constraints and harmonic bonds: the same bonds twice, one of the two
// sections commented out (-fix chooses which).
void bonds(const Options& o, const ForceField& ff, const Molecule& mol, const Labels& lab) {
  std::vector<int> m;
  for (const bool constraints : {true, false}) {
    const bool active = constraints == o.fix;
    const std::string mark = active ? "" : "#";
    const char* name = constraints ? "constraints" : "bonds";
    const std::string lead = constraints ? "   " : "   harmonic ";
    out_line(mark + "begin{" + name + "}");
    for (const Bond& b : mol.bonds) {
      const std::string atoms = int_field(b.con_a) + int_field(b.con_b);
      match_bond(lab, b.con_a, b.con_b, m);
      if (m.empty()) out_line(lead + atoms + "  # <- NOT DEFINED !!");
      for (int k : m) {
        const BondType& t = ff.bonds[static_cast<std::size_t>(k)];
        out_line(mark + lead + atoms + (constraints ? "" : num_field(t.bond_k, 12, 4)) + num_field(t.bond_r0, 12, 4));
      }
    }
    out_line(mark + "end{" + name + "}");
    out_line("");
  }
}

void angles(const ForceField& ff, const Topology& top, const Labels& lab) {
  std::vector<int> m;
  out_line("begin{angle}");
  for (const Angle& a : top.angles) {
    const std::string atoms = "   " + int_field(a.a) + int_field(a.b) + int_field(a.c);
    match_angle(lab, a, m);
    if (m.empty()) out_line(atoms + "  #  <- NOT DEFINED !!");
    for (int k : m) {
      const AngleType& t = ff.angles[static_cast<std::size_t>(k)];
      out_line(atoms + num_field(t.ang_k, 12, 4) + num_field(t.ang_t0, 12, 4));
    }
  }
  out_line("end{angle}");
  out_line("");
}

std::string quad(const std::array<int, 4>& q) {
  return int_field(q[0]) + int_field(q[1]) + int_field(q[2]) + int_field(q[3]);
}
std::string torsion_terms(double k, double m, double p) { return num_field(k, 12, 4) + num_field(m, 12, 4) + num_field(p, 12, 4); }

// With -amber (AMBER's precedence) a torsion takes the terms of its most
// specific entry only, and an improper stands only on a centre of exactly
// three neighbours and only when an entry matches: AMBER has no other.
void dihedrals(const ForceField& ff, const Molecule& mol, const Topology& top, const Labels& lab, bool amber) {
  std::vector<int> m;
  std::vector<ImproperMatch> im;
  std::vector<int> degree(mol.atoms.size());
  for (const Bond& b : mol.bonds) ++degree[b.con_a - 1], ++degree[b.con_b - 1];
  out_line("begin{dihedrals}");
  out_line("#...proper torsions");
  for (const Quad& q : top.torsions) {
    const std::string atoms = quad({q.a, q.b, q.c, q.d});
    if (amber)
      match_torsion_amber(lab, q, m);
    else
      match_torsion(lab, q, m);
    if (m.empty()) out_line("#   proper" + atoms + "  <- not defined");
    for (int k : m) {
      const DihedType& t = ff.dihedrals[static_cast<std::size_t>(k)];
      out_line("    proper" + atoms + torsion_terms(t.dihed_k, t.dihed_m, t.dihed_p0));
    }
  }
  out_line("#...improper torsions");
  for (const Quad& q : top.impropers) {
    if (amber) {
      ImproperMatch one;
      if (degree[q.c - 1] != 3 || !match_improper_amber(lab, q, one)) continue;
      im.assign(1, one);
    } else {
      match_improper(lab, q, im);
    }
    if (im.empty()) out_line("#   proper" + quad({q.c, q.b, q.a, q.d}) + "  <- not defined");
    for (const ImproperMatch& x : im) {
      const ImdhType& t = ff.impropers[static_cast<std::size_t>(x.type)];
      out_line("    proper" + quad(x.atoms) + torsion_terms(t.imdh_k, t.imdh_m, t.imdh_p0));
    }
  }
  out_line("end{dihedrals}");
  out_line("");
}

void nonbonded(const Options& o, const ForceField& ff, const Topology& top, const Labels& lab, const Typing& ty) {
  std::vector<int> m;
  std::vector<std::array<int, 2>> sp;
  out_line("begin{nonbonded}");
  for (const Pair& p : top.pairs14) {
    const std::string atoms = int_field(p.a) + int_field(p.b);
    const std::string names = short_name(ty.amodlabel(p.a)) + short_name(ty.amodlabel(p.b));
    match_int14(lab, p.a, p.b, m);
    for (int k : m) {
      const Int14Type& t = ff.int14[static_cast<std::size_t>(k)];
      if (t.int14_off)
        out_line("#   " + atoms + std::string(21, ' ') + names + " <-- 1-4 interaction switched off ");
      else
        out_line(std::string(1, ' ') + atoms + num_field(t.int14_sig, 12, 4) + num_field(t.int14_eps, 12, 4) +
                 num_field(t.int14_fac, 8, 4) + "    # " + names + " <-- modified 14 interaction");
    }
    if (!m.empty()) continue;
    site_pairs(lab, p.a, p.b, sp);
    for (const auto& s : sp) {
      const SiteType& a = ff.sites[static_cast<std::size_t>(s[0])];
      const SiteType& b = ff.sites[static_cast<std::size_t>(s[1])];
      const double sigma = o.opls ? std::sqrt(a.lj_sigma * b.lj_sigma) : (a.lj_sigma + b.lj_sigma) * 0.5;
      const double eps = std::sqrt(a.lj_epsilon * b.lj_epsilon) * ff.scale_lj14;
      out_line(std::string(1, ' ') + atoms + num_field(sigma, 12, 4) + num_field(eps, 12, 4) + num_field(ff.scale_coulomb14, 8, 4) +
               "    # " + names);
    }
    if (sp.empty()) out_line("#   " + atoms + "  # <- NOT DEFINED !!");
  }
  out_line("end{nonbonded}");
  out_line("");
}

}  // namespace

std::string num_field(double v, int w, int d, std::string_view where) {
  return lead(tx::checked_f(v, w, d, "", where));
}

std::string int_field(long long v, int w) { return lead(tx::checked_i(v, w, "", "the system file")); }

void write_system(const Options& o, const ForceField& ff, const Molecule& mol, const Derived& d) {
  const Labels lab = intern_labels(ff, mol);
  header(o);
  types(o, d.typing);
  for (const std::string& l : {rule, std::string(), std::string("begin{molecule}"), std::string(),
                               "label " + std::string(tx::trim_right(o.label)), std::string()})
    out_line(l);
  configuration(mol, d.typing);
  if (o.zmat) zmatrix(o, d.zmatrix);
  bonds(o, ff, mol, lab);
  angles(ff, d.top, lab);
  dihedrals(ff, mol, d.top, lab, o.ff == FfKind::amber);
  nonbonded(o, ff, d.top, lab, d.typing);
  out_line("begin{exclude}");
  for (const Pair& p : d.top.exclusions) out_line(std::string(1, ' ') + int_field(p.a) + int_field(p.b));
  out_line("end{exclude}");
  out_line("");
  out_line("end{molecule}");
  if (o.build)
    for (const std::string& l : {rule, std::string(), std::string("begin{build}"),
                                 std::string("    ecell      100.0  100.0  100.0"), std::string("    duplicate  1  1  1"),
                                 "    frac     " + std::string(tx::trim_right(o.label)) + "   0.5  0.5  0.5 ",
                                 std::string("end{build}"), std::string()})
      out_line(l);
}

void derive_and_write(const Options& o, const ForceField& ff, Molecule& mol) {
  const AtomCoords xyz(mol);
  // Radii are looked up for the bond search only; without -auto the dump shows 0.
  std::vector<double> blim;
  std::vector<Pair> bonds;  // the bonds as the derivation takes them
  if (o.auto_bonds) {
    std::vector<std::string> site_labels, atom_labels;
    std::vector<double> rlim;
    for (const SiteType& s : ff.sites) site_labels.push_back(s.label), rlim.push_back(s.rlim);
    for (const Atom& a : mol.atoms) atom_labels.push_back(a.alabel);
    blim = bond_radii(atom_labels, site_labels, rlim);
    bonds = define_bonds(xyz.view(), blim);
    mol.bonds.clear();
    for (const Pair& p : bonds) mol.bonds.push_back({p.a, p.b});
    warn_unbonded_atoms(mol);
  } else {
    bonds.reserve(mol.bonds.size());
    for (const Bond& b : mol.bonds) bonds.push_back({b.con_a, b.con_b});
  }
  if (bonds.empty())
    stop({tx::free_text("ERROR: No connectivity has been detected !"),
          tx::free_text("       To generate a connectivity graph automatically use the"),
          tx::free_text("       -auto option")});
  Derived d;
  d.top = define_topology(mol.n(), bonds);
  if (o.zmat) d.zmatrix = gen_zmatrix(xyz.view(), bonds, d.top.angles, d.top.torsions);
  if (o.debug) {
    dump_forcefield(ff);
    dump_molecule(mol, xyz.view(), blim);
    dump_topology(xyz.view(), d.top);
    return;
  }
  d.typing = identify_types(ff, mol);
  write_system(o, ff, mol, d);
}

}  // namespace tvl::topgen

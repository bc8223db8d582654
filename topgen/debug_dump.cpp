#include "topgen/debug_dump.h"

#include <string>

#include "common/outfile.h"
#include "common/text/fortran.h"
#include "topgen/writer.h"
#include "topgen/zmatrix.h"

namespace tvl::topgen {

namespace tx = tvl::text;

namespace {

void title(std::string_view t, std::size_t count) { out_line(tx::FreeLine().t(t).i(static_cast<long long>(count)).str()); }

// Numbers in their fields; one that does not fit, or is not finite, stops the
// dump as it stops the system file.
std::string real(double v, int w, int d) { return num_field(v, w, d, "the status dump"); }
std::string f12(double v) { return real(v, 12, 4); }

// Index and the labels as 2-character pieces joined by "-".
template <std::size_t N>
std::string head(std::size_t i, const std::array<std::string, N>& l) {
  std::string s = tx::fmt_i(static_cast<long long>(i + 1), 5) + " : ";
  for (std::size_t k = 0; k < N; ++k) {
    if (k) s += '-';
    s += tx::fmt_a(l[k], 2);
  }
  return s;
}

template <class T>
void torsion_types(std::string_view t, const std::vector<T>& types, double T::*k, double T::*m,
                   double T::*p) {
  title(t, types.size());
  for (std::size_t i = 0; i < types.size(); ++i)
    out_line(head(i, types[i].label) + f12(types[i].*k) + f12(types[i].*m) + f12(types[i].*p));
}

}  // namespace

void dump_forcefield(const ForceField& ff) {
  out_line(tx::free_text("###FORCEFIELD"));
  title("#NSITES: ", ff.sites.size());
  for (std::size_t i = 0; i < ff.sites.size(); ++i) {
    const SiteType& s = ff.sites[i];
    std::string l = tx::fmt_i(static_cast<long long>(i + 1), 5) + " : " + tx::fmt_a(s.label, 2) + f12(s.mass);
    if (s.lj_def) l += f12(s.lj_sigma) + f12(s.lj_epsilon);
    out_line(l);
  }
  title("#BONDS: ", ff.bonds.size());
  for (std::size_t i = 0; i < ff.bonds.size(); ++i)
    out_line(head(i, ff.bonds[i].label) + f12(ff.bonds[i].bond_k) + f12(ff.bonds[i].bond_r0));
  title("#ANGLES: ", ff.angles.size());
  for (std::size_t i = 0; i < ff.angles.size(); ++i)
    out_line(head(i, ff.angles[i].label) + f12(ff.angles[i].ang_k) + f12(ff.angles[i].ang_t0));
  torsion_types("#DIHEDRALS: ", ff.dihedrals, &DihedType::dihed_k, &DihedType::dihed_m, &DihedType::dihed_p0);
  torsion_types("#IMPROPER DIHEDRALS: ", ff.impropers, &ImdhType::imdh_k, &ImdhType::imdh_m,
                &ImdhType::imdh_p0);
  title("#14 INTERACTIONS: ", ff.int14.size());
  for (std::size_t i = 0; i < ff.int14.size(); ++i) {
    const Int14Type& t = ff.int14[i];
    std::string l = tx::fmt_i(static_cast<long long>(i + 1), 5) + " : " + tx::fmt_a(t.label[0], 10) + "-" +
                    tx::fmt_a(t.label[1], 10);
    if (!t.int14_off) l += f12(t.int14_sig) + f12(t.int14_eps);
    out_line(l);
  }
}

void dump_molecule(const Molecule& m, const Coords& xyz, const std::vector<double>& blim) {
  out_line(tx::free_text("###MOLECULE"));
  title("#ATOMS: ", m.atoms.size());
  for (std::size_t i = 0; i < m.atoms.size(); ++i) {
    const Atom& a = m.atoms[i];
    out_line(tx::fmt_i(static_cast<long long>(i + 1), 5) + " : " + tx::fmt_a(a.alabel, 2) +
             f12(i < blim.size() ? blim[i] : 0.0) + f12(a.x) + f12(a.y) + f12(a.z));
  }
  title("#BONDS", m.bonds.size());
  for (std::size_t i = 0; i < m.bonds.size(); ++i) {
    const double d = distance(xyz, m.bonds[i].con_a, m.bonds[i].con_b);
    out_line(tx::fmt_i(static_cast<long long>(i + 1), 5) + " :" + tx::fmt_i(m.bonds[i].con_a, 5) +
             tx::fmt_i(m.bonds[i].con_b, 5) + real(d, 10, 5));
  }
}

void dump_topology(const Coords& xyz, const Topology& t) {
  auto index = [](std::size_t i) { return tx::fmt_i(static_cast<long long>(i + 1), 5) + " :"; };
  title("#ANGLES", t.angles.size());
  for (std::size_t i = 0; i < t.angles.size(); ++i) {
    const Angle& a = t.angles[i];
    out_line(index(i) + tx::fmt_i(a.a, 5) + tx::fmt_i(a.b, 5) + tx::fmt_i(a.c, 5) +
             real(bond_angle(xyz, a.a, a.b, a.c), 12, 5));
  }
  title("#DIHEDRALS", t.torsions.size());
  for (std::size_t i = 0; i < t.torsions.size(); ++i) {
    const Quad& q = t.torsions[i];
    out_line(index(i) + tx::fmt_i(q.a, 5) + tx::fmt_i(q.b, 5) + tx::fmt_i(q.c, 5) + tx::fmt_i(q.d, 5) +
             real(torsion_angle(xyz, q.a, q.b, q.c, q.d), 12, 5));
  }
  title("#14INTERACTIONS", t.pairs14.size());
  for (std::size_t i = 0; i < t.pairs14.size(); ++i)
    out_line(index(i) + tx::fmt_i(t.pairs14[i].a, 5) + tx::fmt_i(t.pairs14[i].b, 5));
  title("#####IMPROPER DIHEDRALS ", t.impropers.size());
  for (std::size_t i = 0; i < t.impropers.size(); ++i) {
    const Quad& q = t.impropers[i];
    out_line(tx::FreeLine().i(static_cast<long long>(i) + 1).t(" : ").i(q.a).i(q.b).i(q.c).i(q.d).str());
  }
}

}  // namespace tvl::topgen

#include "common/esp/potfile.h"

#include <algorithm>

#include "common/error.h"
#include "common/outfile.h"

namespace tvl::esp {

namespace tx = tvl::text;

void read_pot_head(NumberInput& in, const PotLimits& lim, bool third, PotFile& pf,
                   long long& n_atoms, long long& n_points) {
  const char* what = third ? "numbers of atoms and points and a third integer"
                           : "numbers of atoms and points";
  in.record(third ? 3 : 2, what);
  n_atoms = in.integer(0);
  n_points = in.integer(1);
  if (third) pf.third = in.integer(2);
  if (n_atoms < 0 || n_points < 0) in.fail("negative number of atoms or points");
  if (lim.atoms) check_limit(in.label(), n_atoms, "atoms", lim.atoms, lim.atoms_name);
  if (lim.points) check_limit(in.label(), n_points, "points", lim.points, lim.points_name);
  if (lim.centres)
    check_limit(in.label(), n_atoms + n_points, "centres (atoms and points)", lim.centres,
                lim.centres_name);
}

void read_pot_atoms(NumberInput& in, long long n_atoms, PotFile& pf) {
  pf.atoms.clear();
  pf.atoms.reserve(static_cast<std::size_t>(n_atoms));
  for (long long i = 0; i < n_atoms; ++i) {
    in.record(3, "x, y, z of atom " + std::to_string(i + 1));
    pf.atoms.push_back({in.real(0), in.real(1), in.real(2)});
  }
}

void read_pot_points(NumberInput& in, long long n_points, PotFile& pf) {
  pf.points.clear();
  pf.points.reserve(static_cast<std::size_t>(n_points));
  for (long long j = 0; j < n_points; ++j) {
    in.record(4, "potential and x, y, z of point " + std::to_string(j + 1));
    pf.points.push_back({in.real(0), in.real(1), in.real(2), in.real(3)});
  }
}

PotFile read_potfile(NumberInput& in, const PotLimits& lim, bool third) {
  PotFile pf;
  long long n = 0, m = 0;
  read_pot_head(in, lim, third, pf, n, m);
  read_pot_atoms(in, n, pf);
  read_pot_points(in, m, pf);
  return pf;
}

void to_angstrom(PotFile& pf) {
  for (auto& a : pf.atoms)
    for (double& c : a) c *= bohr_to_a;
  for (PotPoint& p : pf.points) {
    p.x *= bohr_to_a;
    p.y *= bohr_to_a;
    p.z *= bohr_to_a;
    p.v *= pot_per_bohr;
  }
}

void point_on_atom(const std::string& label, std::size_t j, std::size_t i) {
  stop({" ERROR: " + label + ": point " + std::to_string(j + 1) + " lies on atom " +
        std::to_string(i + 1)});
}

std::string pot_head(long long n_atoms, long long n_points, long long third) {
  auto field = [](long long v, int w) {
    int len = static_cast<int>(std::to_string(v).size());
    return tx::fmt_i(v, std::max(w, len + 1));
  };
  return field(n_atoms, 5) + field(n_points, 4) + field(third, 5);
}

namespace {

constexpr const char* pot_where = "the potential file";

// x, y, z in three E16.7 fields, appended in order (the first value that is
// not finite is the one named).
void add_xyz(std::string& l, double x, double y, double z, const std::string& of) {
  l += tx::checked_e(x, 16, 7, "x" + of, pot_where);
  l += tx::checked_e(y, 16, 7, "y" + of, pot_where);
  l += tx::checked_e(z, 16, 7, "z" + of, pot_where);
}

}  // namespace

std::string pot_atom_line(double x, double y, double z, long long k) {
  std::string l(16, ' ');
  add_xyz(l, x, y, z, " of atom " + std::to_string(k));
  return l;
}

std::string pot_point_line(double v, double x, double y, double z, long long k) {
  const std::string of = " of point " + std::to_string(k);
  std::string l = tx::checked_e(v, 16, 7, "potential" + of, pot_where);
  add_xyz(l, x, y, z, of);
  return l;
}

void write_potfile(const PotFile& pf) {
  out_line(pot_head(static_cast<long long>(pf.atoms.size()),
                    static_cast<long long>(pf.points.size()), pf.third));
  long long k = 0;
  for (const auto& a : pf.atoms) out_line(pot_atom_line(a[0], a[1], a[2], ++k));
  k = 0;
  for (const auto& p : pf.points) out_line(pot_point_line(p.v, p.x, p.y, p.z, ++k));
}

}  // namespace tvl::esp

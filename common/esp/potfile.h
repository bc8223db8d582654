#pragma once
// The molecule-and-potential file: a head line with the number of atoms N,
// the number of points M and a third integer; N records x, y, z of an atom;
// M records potential, x, y, z of a surface point (bohr and atomic units).
// Readers take it free-format; writers use fixed columns.
#include <array>
#include <string>
#include <vector>

#include "common/esp/numin.h"

namespace tvl::esp {

// Coordinates from bohr to Angstrom, potentials from per bohr to per
// Angstrom: the units the charge fit and the viewer compute in.
inline constexpr double bohr_to_a = 0.529177;
inline constexpr double pot_per_bohr = 1.889674;

struct PotPoint {
  double v = 0, x = 0, y = 0, z = 0;
};

struct PotFile {
  long long third = 0;  // kept only by the readers that ask for it
  std::vector<std::array<double, 3>> atoms;
  std::vector<PotPoint> points;
};

// Capacities of a reader; 0 means no bound of that kind. The names are the
// capacities of tvl_const the overflow message names.
struct PotLimits {
  long long atoms = 0, points = 0, centres = 0;
  const char* atoms_name = "";
  const char* points_name = "";
  const char* centres_name = "";
};

// The parts of a read, for programs that report between them: the head
// (counts checked against the limits; `third` when the head holds three
// integers), then the atoms, then the points.
void read_pot_head(NumberInput& in, const PotLimits& lim, bool third, PotFile& pf,
                   long long& n_atoms, long long& n_points);
void read_pot_atoms(NumberInput& in, long long n_atoms, PotFile& pf);
void read_pot_points(NumberInput& in, long long n_points, PotFile& pf);
PotFile read_potfile(NumberInput& in, const PotLimits& lim, bool third);

// Converts every coordinate of pf to Angstrom and every potential to per
// Angstrom.
void to_angstrom(PotFile& pf);

// Stops for a surface point at distance 0 from an atom (its potential would
// be infinite); j and i are 0-based.
[[noreturn]] void point_on_atom(const std::string& label, std::size_t j, std::size_t i);

// Head line "(i5,i4,i5)"; a field is widened just enough that its number keeps
// at least one blank before it, so free-format readers never see two counts
// run together.
std::string pot_head(long long n_atoms, long long n_points, long long third);
// The line of atom or point number `k` (1-based, for the message): a value
// that is not finite stops the program naming it.
std::string pot_atom_line(double x, double y, double z, long long k);            // 16 blanks, 3E16.7
std::string pot_point_line(double v, double x, double y, double z, long long k);  // 4E16.7
// All lines of a file in the fixed layout, written to standard output.
void write_potfile(const PotFile& pf);

}  // namespace tvl::esp

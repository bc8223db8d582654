// bench_topgen: the whole topgen run with -auto (reading, bond detection,
// topology, parameters, system file) on molecules of 2000 and 9000 atoms
// made here: parallel chains of 200 atoms (C99H101, one hydrogen on every
// carbon and one more at each end) in mol2 form. (Alkanes of that size would
// outgrow the 50000 exclusions topgen's tables hold.)
// Goals: 2000 atoms in < 0.2 s, 9000 atoms in < 1 s.
// usage: bench_topgen
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/best_time.h"
#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"

namespace {

namespace tx = tvl::text;

void write_forcefield(const std::string& name) {
  tvl::OutFile f(name);
  f.line("!scale_coulomb_14_interactions 0.8333\n!scale_lj_14_interactions 0.5");
  f.line("!begin_sites\n c.3 12.011 1.9\n h 1.008 1.1\n!end_sites");
  f.line("!begin_nonbonded\n c.3 3.3997 55.052\n h 2.6495 7.9\n!end_nonbonded");
  f.line("!begin_bonds\n c.3 c.3 2536.3 1.535\n c.3 h 2822.5 1.092\n!end_bonds");
  f.line("!begin_angles\n h c.3 h 329.9 108.35\n c.3 c.3 h 388.0 110.05\n c.3 c.3 c.3 528.9 110.63\n!end_angles");
  f.line("!begin_dihedrals\n x c.3 c.3 x 9 5.9 3 0.0\n!end_dihedrals");
  f.close();
}

// Chains along x, 5 A apart on a square grid in y and z. Carbon k of a chain
// zigzags in y with its hydrogen outside the zigzag; one more hydrogen caps
// each end.
void write_molecule(const std::string& name, int chains) {
  constexpr int carbons = 99;
  tvl::OutFile f(name);
  f.line("@<TRIPOS>MOLECULE\nchains\n@<TRIPOS>ATOM");
  int id = 0;
  auto atom = [&](const char* type, double x, double y, double z, double q) {
    f.line(tx::fmt_i(++id, 7) + " X " + tx::fmt_f(x, 10, 4) + tx::fmt_f(y, 10, 4) + tx::fmt_f(z, 10, 4) + " " + type +
           " 1 UNL " + tx::fmt_f(q, 8, 4));
  };
  const int side = static_cast<int>(std::ceil(std::sqrt(chains)));
  for (int c = 0; c < chains; ++c) {
    const double y0 = 5.0 * (c % side), z0 = 5.0 * (c / side);
    for (int k = 0; k < carbons; ++k) {
      const double s = k % 2 ? 1.0 : -1.0, x = 1.26 * k, y = y0 + 0.445 * s;
      atom("C.3", x, y, z0, -0.06);
      atom("H", x, y + 1.09 * s, z0, 0.06);
    }
    atom("H", -1.09, y0 - 0.445, z0, 0.06);
    atom("H", 1.26 * (carbons - 1) + 1.09, y0 + 0.445, z0, 0.06);
  }
  f.line("@<TRIPOS>BOND");
  f.close();
}

int body(int, char**) {
  const std::string bin = tvl::bench::bin_dir();
  const std::string dir = (std::filesystem::temp_directory_path() / ("bench_topgen." + std::to_string(::getpid()))).string();
  std::filesystem::create_directories(dir);
  write_forcefield(dir + "/chain.ff");
  for (int atoms : {2000, 9000}) {
    const std::string mol = dir + "/alkanes" + std::to_string(atoms) + ".mol2";
    write_molecule(mol, atoms / 200);
    const std::string cmd =
        bin + "/topgen -ff " + dir + "/chain.ff -mol2 " + mol + " -auto > " + dir + "/out.sys";
    const double s = tvl::bench::best_seconds(3, [&] {
      if (std::system(cmd.c_str()) != 0) tvl::stop({"bench_topgen: topgen failed: " + cmd});
    });
    std::printf("topgen -auto, %d atoms: %.3f s (goal < %s s)\n", atoms, s, atoms == 2000 ? "0.2" : "1");
  }
  std::filesystem::remove_all(dir);
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }

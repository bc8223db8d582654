// bench_topgen_gaff: the whole topgen run with -amber on the installed
// gaff.dat and -type gaff (reading gaff.dat, OpenBabel's reading and GAFF
// typing, topology, parameters, system file) on straight-chain alkanes made
// here in mol2 form: C66H134 (200 atoms) and C666H1334 (2000 atoms).
// Goals: 200 atoms in < 0.5 s, 2000 atoms in < 3 s.
// usage: bench_topgen_gaff
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/best_time.h"
#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"

namespace {

namespace tx = tvl::text;

// gaff.dat of the installed OpenBabel library (share/openbabel/<version>/).
std::string find_gaff() {
  std::error_code ec;
  for (const auto& d : std::filesystem::directory_iterator("/usr/share/openbabel", ec))
    if (std::filesystem::exists(d.path() / "gaff.dat")) return (d.path() / "gaff.dat").string();
  tvl::stop({"bench_topgen_gaff: no gaff.dat under /usr/share/openbabel (install libopenbabel-dev)"});
}

// A zigzag carbon chain in the xy plane, two hydrogens on every carbon above
// and below the plane, one more on each end carbon along the chain.
void write_alkane(const std::string& name, int carbons) {
  struct A {
    const char* type;
    double x, y, z;
  };
  std::vector<A> atoms;
  std::vector<std::pair<int, int>> bonds;
  for (int k = 0; k < carbons; ++k) {
    const double s = k % 2 ? 1.0 : -1.0, x = 1.26 * k, y = 0.445 * s;
    atoms.push_back({"C.3", x, y, 0});
    const int c = static_cast<int>(atoms.size());
    if (k > 0) bonds.push_back({c - 3 - (k == 1 ? 1 : 0), c});
    for (double z : {0.89, -0.89}) {
      atoms.push_back({"H", x, y + 0.51 * s, z});
      bonds.push_back({c, static_cast<int>(atoms.size())});
    }
    if (k == 0 || k == carbons - 1) {
      atoms.push_back({"H", x + (k == 0 ? -1.03 : 1.03), y + 0.3 * s, 0});
      bonds.push_back({c, static_cast<int>(atoms.size())});
    }
  }
  tvl::OutFile f(name);
  f.line("@<TRIPOS>MOLECULE\nalkane\n" + std::to_string(atoms.size()) + " " + std::to_string(bonds.size()) +
         " 1\nSMALL\nNO_CHARGES\n\n@<TRIPOS>ATOM");
  for (std::size_t i = 0; i < atoms.size(); ++i)
    f.line(tx::fmt_i(static_cast<long long>(i) + 1, 7) + " " + atoms[i].type + tx::fmt_f(atoms[i].x, 10, 4) +
           tx::fmt_f(atoms[i].y, 10, 4) + tx::fmt_f(atoms[i].z, 10, 4) + " " + atoms[i].type + " 1 UNL 0.0000");
  f.line("@<TRIPOS>BOND");
  for (std::size_t i = 0; i < bonds.size(); ++i)
    f.line(tx::fmt_i(static_cast<long long>(i) + 1, 6) + tx::fmt_i(bonds[i].first, 6) + tx::fmt_i(bonds[i].second, 6) +
           " 1");
  f.close();
}

int body(int, char**) {
  const std::string gaff = find_gaff();
  const std::string bin = tvl::bench::bin_dir();
  const std::string dir =
      (std::filesystem::temp_directory_path() / ("bench_topgen_gaff." + std::to_string(::getpid()))).string();
  std::filesystem::create_directories(dir);
  for (int carbons : {66, 666}) {
    const int atoms = 3 * carbons + 2;
    const std::string mol = dir + "/alkane" + std::to_string(atoms) + ".mol2";
    write_alkane(mol, carbons);
    const std::string out = dir + "/out.sys";
    const std::string cmd = bin + "/topgen -amber " + gaff + " -type gaff -mol2 " + mol + " > " + out;
    const double s = tvl::bench::best_seconds(3, [&] {
      if (std::system(cmd.c_str()) != 0) tvl::stop({"bench_topgen_gaff: topgen failed: " + cmd});
    });
    std::printf("topgen -amber gaff.dat -type gaff, %d atoms: %.3f s (goal < %s s)\n", atoms, s,
                atoms == 200 ? "0.5" : "3");
  }
  if (!std::getenv("BENCH_KEEP")) std::filesystem::remove_all(dir);
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }

// bench_readsys: writes a system file with one molecule type of 2000 sites
// carrying 4000 harmonic bonds, 4000 angles and 4000 proper dihedrals, reads
// it with readsys and prints the read time (goal: below 0.5 s).
// usage: bench_readsys [file]   (default: a scratch file in the temporary directory, removed afterwards)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "common/error.h"
#include "common/outfile.h"
#include "common/sysfile/system.h"

namespace {

void write_system(const std::string& name) {
  constexpr int nsites = 2000, nterms = 4000;
  tvl::OutFile f(name);
  f.line("begin{sites}\n  c   0.0  12.011\n  h   0.0   1.008\nend{sites}");
  f.line("begin{lorentz_lj}\n  c   3.5  33.2\n  h   2.5  15.1\nend{lorentz_lj}");
  f.line("begin{molecule}\n  label chain\n  begin{configuration}");
  char buf[160];
  for (int i = 0; i < nsites; ++i) {
    std::snprintf(buf, sizeof buf, "    %s %10.4f %10.4f %10.4f", i % 3 == 0 ? "c" : "h", 1.5 * i, 0.7 * (i % 5),
                  0.3 * (i % 7));
    f.line(buf);
  }
  f.line("  end{configuration}\n  begin{bonds}");
  for (int k = 0; k < nterms; ++k) {
    int a = k % (nsites - 2) + 1;
    std::snprintf(buf, sizeof buf, "    harmonic %d %d %8.1f %7.3f", a, a + 1 + k % 2, 2845.0, 1.09);
    f.line(buf);
  }
  f.line("  end{bonds}\n  begin{angles}");
  for (int k = 0; k < nterms; ++k) {
    int a = k % (nsites - 2) + 1;
    std::snprintf(buf, sizeof buf, "    %d %d %d %7.1f %8.2f", a, a + 1, a + 2, 313.8, 110.7);
    f.line(buf);
  }
  f.line("  end{angles}\n  begin{dihedrals}");
  for (int k = 0; k < nterms; ++k) {
    int a = k % (nsites - 3) + 1;
    std::snprintf(buf, sizeof buf, "    proper %d %d %d %d  0.6276 3 0.0  -0.7448 1 0.0", a, a + 1, a + 2, a + 3);
    f.line(buf);
  }
  f.line("  end{dihedrals}\nend{molecule}");
  f.line("begin{build}\n  ecell 100.0 100.0 100.0\n  duplicate 1 1 1\n  frac chain 0.5 0.5 0.5\nend{build}");
  f.close();
}

int body(int argc, char** argv) {
  const bool scratch = argc <= 1;
  std::string name = scratch ? (std::filesystem::temp_directory_path() / "bench_readsys.sys").string() : argv[1];
  write_system(name);
  auto t0 = std::chrono::steady_clock::now();
  tvl::sys::SystemDescription sd = tvl::sys::readsys(0, name);
  auto t1 = std::chrono::steady_clock::now();
  double s = std::chrono::duration<double>(t1 - t0).count();
  const auto& m = sd.mol.at(0);
  std::printf("readsys: %d sites, %d bonds, %d angles, %d dihedrals, %d intramolecular pairs\n", m.nsimol, m.nhabd,
              m.nang, m.ndhed, m.nintra);
  std::printf("read time: %.3f s (goal < 0.5 s)\n", s);
  if (scratch) std::remove(name.c_str());
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }

// Cost of reading trajectories into the configuration: the 10-frame water
// xtc (4956 sites a frame) decoded alone, then read through the frame loop
// into the configuration (copy to double precision and centres of mass), and
// the crd example through the same loop. Also counts the allocations made by
// the frame loop, which must not grow with the number of frames.
// Usage: bench_traj_read [file.xtc [repeats [file.crd]]]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "common/config/configuration.h"
#include "common/error.h"
#include "common/traj/trajectory.h"
#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"

namespace {
long g_allocations = 0;
}

void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// n sites in molecules of three, masses of water.
tvl::config::Configuration water(int n) {
  tvl::config::Configuration c;
  tvl::config::reset(c);
  for (int s = 0; s < n; ++s) {
    if (s % 3 == 0) {
      tvl::config::add_molecule(c);
      c.mol_offset[c.m - 1] = s;
      c.mol_nsites[c.m - 1] = 3;
    }
    tvl::config::add_site(c);
    c.mol_of_site[s] = c.m - 1;
    c.index_in_mol[s] = s % 3;
    c.mas[s] = s % 3 == 0 ? 15.9994 : 1.008;
    c.mol_mass[c.m - 1] += c.mas[s];
  }
  tvl::config::set_relative_masses(c);
  return c;
}

struct Loop {
  long frames = 0;
  double seconds = 0;
  long allocations = 0;
  double checksum = 0;
};

Loop run_loop(tvl::traj::Kind kind, const std::vector<std::string>& names, int natoms) {
  tvl::config::Configuration c = water(natoms);
  tvl::traj::Buffers b;
  tvl::traj::allocate(b);
  tvl::traj::TrajList list{kind, names, 1};
  tvl::traj::LoopOptions opt;
  opt.echo_names = false;
  opt.counter = false;
  Loop r;
  const long a0 = g_allocations;
  auto t0 = Clock::now();
  r.frames = tvl::traj::frame_loop(list, c, b, [&](long) { r.checksum += c.xcm[0] + c.z[natoms - 1]; }, opt);
  r.seconds = seconds_since(t0);
  r.allocations = g_allocations - a0;
  return r;
}

int body(int argc, char** argv) {
  const std::string xtc = argc > 1 ? argv[1] : "tests/data/xtc/water_p1000.xtc";
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 100;
  const std::string crd = argc > 3 ? argv[3] : "examples/water/water.crd";
  if (repeats < 1) tvl::stop({"repeats must be at least 1"});

  // Decoding alone.
  tvl::xtc::Frame f;
  long frames = 0;
  int natoms = 0;
  auto t0 = Clock::now();
  for (int r = 0; r < repeats; ++r) {
    tvl::XdrFile file(xtc, "r");
    if (!file) tvl::stop({"cannot open " + xtc});
    for (;;) {
      const auto res = tvl::xtc::read_frame(file.id(), f);
      if (res == tvl::xtc::ReadResult::end) break;
      if (res != tvl::xtc::ReadResult::ok) tvl::stop({"bad frame in " + xtc});
      ++frames;
      natoms = f.natoms;
    }
  }
  const double decode = seconds_since(t0);
  if (frames == 0) tvl::stop({"no frame in " + xtc});

  // The same frames through the frame loop into the configuration.
  const Loop x = run_loop(tvl::traj::Kind::xtc, std::vector<std::string>(repeats, xtc), natoms);
  const Loop x1 = run_loop(tvl::traj::Kind::xtc, {xtc}, natoms);

  std::printf("xtc file %s: %d sites, %ld frames in %d passes\n", xtc.c_str(), natoms, frames, repeats);
  std::printf("  decode only:             %8.3f ms per frame\n", 1e3 * decode / frames);
  std::printf("  into the configuration:  %8.3f ms per frame (%.2f x decoding)\n",
              1e3 * x.seconds / x.frames, (x.seconds / x.frames) / (decode / frames));
  std::printf("  allocations in the frame loop: %ld for %ld frames of %d files, %ld for one file of %ld frames\n",
              x.allocations, x.frames, repeats, x1.allocations, x1.frames);

  std::FILE* probe = std::fopen(crd.c_str(), "rb");
  if (probe) {
    std::fclose(probe);
    const Loop c = run_loop(tvl::traj::Kind::crd, std::vector<std::string>(repeats, crd), natoms);
    const Loop c1 = run_loop(tvl::traj::Kind::crd, {crd}, natoms);
    std::printf("crd file %s: %ld frames in %d passes\n", crd.c_str(), c.frames, repeats);
    std::printf("  into the configuration:  %8.3f ms per frame\n", 1e3 * c.seconds / c.frames);
    std::printf("  allocations in the frame loop: %ld for %ld frames of %d files, %ld for one file of %ld frames\n",
                c.allocations, c.frames, repeats, c1.allocations, c1.frames);
  }
  std::printf("  (checksum %.6f)\n", x.checksum);
  return 0;
}

}  // namespace

int main(int c, char** v) { return tvl::run_main(c, v, body); }

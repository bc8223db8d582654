#pragma once
// The water trajectory of the thread benches and their way of timing a
// program: 2000 rigid waters (6000 atoms) moving a little every frame, and
// a program run as a child process, its wall and processor time and peak
// memory the best of a few runs.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"

namespace tvl::bench {

inline constexpr int waters = 2000;
inline constexpr int tries = 3;  // each figure is the best of 3 runs

// One run of a program: wall and processor seconds, peak resident memory.
struct Run {
  double wall = 1e30, cpu = 1e30;
  long peak_kb = 0;
};

// Runs argv with standard output to out_path; the best of `tries` runs.
inline Run run_program(const std::vector<std::string>& argv, const std::string& out_path,
                const std::string& remove_before = "") {
  Run best;
  for (int t = 0; t < tries; ++t) {
    if (!remove_before.empty()) std::remove(remove_before.c_str());
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int fd = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 || ::dup2(fd, 1) < 0) ::_exit(127);
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    int status = 0;
    rusage ru{};
    if (pid < 0 || ::wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "bench: %s failed\n", argv[0].c_str());
      std::exit(1);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                       1e-6 * static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
    best.wall = std::min(best.wall, wall);
    best.cpu = std::min(best.cpu, cpu);
    best.peak_kb = std::max(best.peak_kb, ru.ru_maxrss);
  }
  return best;
}

// The first frame of the water trajectory `source` into f; stops the bench
// (naming `bench`) when it holds no whole waters.
inline void first_water_frame(const char* bench, const std::string& source, tvl::xtc::Frame& f) {
  tvl::XdrFile in(source, "r");
  if (!in || tvl::xtc::read_frame(in.id(), f) != tvl::xtc::ReadResult::ok || f.natoms % 3 != 0 || f.natoms == 0) {
    std::fprintf(stderr, "%s: cannot read a water frame from %s\n", bench, source.c_str());
    std::exit(1);
  }
}

// 2000 waters from the water frame f (its waters, then copies of
// the first ones shifted by a box length), moving as rigid bodies: every
// frame each water steps a little and turns a little about its oxygen.
inline void write_waters(tvl::xtc::Frame f, const std::string& name, int frames) {
  const int have = f.natoms / 3;
  const float box = f.box[0][0] > 0 ? f.box[0][0] : 3.7f;
  std::vector<float> x(9 * static_cast<std::size_t>(waters));
  for (int m = 0; m < waters; ++m)
    for (int k = 0; k < 9; ++k) x[9 * m + k] = f.x[9 * (m % have) + k] + (k % 3 == 0 ? box * static_cast<float>(m / have) : 0.0f);
  f.natoms = 3 * waters;
  f.box[0][0] = box * static_cast<float>((waters + have - 1) / have);
  f.prec = 1000.0f;

  std::mt19937 rng(7);
  std::uniform_real_distribution<float> step(-0.004f, 0.004f), turn(-0.03f, 0.03f);
  tvl::XdrFile out(name, "w");
  for (int k = 0; k < frames; ++k) {
    for (int m = 0; m < waters; ++m) {
      float* o = &x[9 * m];
      const float d[3] = {step(rng), step(rng), step(rng)};
      const float a[3] = {turn(rng), turn(rng), turn(rng)};  // small rotation vector
      for (int h = 1; h <= 2; ++h) {
        float* p = o + 3 * h;
        const float r[3] = {p[0] - o[0], p[1] - o[1], p[2] - o[2]};
        // r + a x r, scaled back to the bond length: a rigid small turn
        float q[3] = {r[0] + a[1] * r[2] - a[2] * r[1], r[1] + a[2] * r[0] - a[0] * r[2],
                      r[2] + a[0] * r[1] - a[1] * r[0]};
        const float s = std::sqrt((r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) / (q[0] * q[0] + q[1] * q[1] + q[2] * q[2]));
        for (int c = 0; c < 3; ++c) p[c] = o[c] + d[c] + s * q[c];
      }
      for (int c = 0; c < 3; ++c) o[c] += d[c];
    }
    f.step = k;
    f.time = 0.002f * static_cast<float>(k);
    f.x = x;
    if (!tvl::xtc::write_frame(out.id(), f)) {
      std::fprintf(stderr, "bench: cannot write %s\n", name.c_str());
      std::exit(1);
    }
  }
  if (!out.close()) std::exit(1);
}

inline void report(const char* what, const Run& r, int frames) {
  std::printf("  %-30s %7.3f s wall %7.3f s cpu  %7.1f us/frame  peak %6.1f MB\n", what, r.wall, r.cpu,
              1e6 * r.wall / frames, static_cast<double>(r.peak_kb) / 1024.0);
}

// The speed-up on n idle cores of a pass whose frames cost `scan` seconds in
// the offset scan before it (one thread, nothing beside it), `par` on the
// workers, and `used` on the calling thread while it uses them in order (it
// prepares frames too): after the scan a frame takes at least `used` (one
// thread) and at least (par + used) / n (all the work shared by the cores).
inline double speedup(double par, double scan, double used, int n) {
  return (par + scan + used) / (scan + std::max(used, (par + used) / n));
}

}  // namespace tvl::bench

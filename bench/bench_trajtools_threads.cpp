// packtraj -r and trajdump on one thread and on two, on a 4000-frame xtc of
// 2000 rigid waters (6000 atoms) written here: wall and processor time per
// run, the speed-up of -nt 2 over -nt 1, the per-frame costs of the parallel
// part (reading and decoding, plus the listing for trajdump) and of the part
// on the writing thread, the speed-up those costs give on 16 cores, and each
// run's peak memory. The crd output goes to /dev/shm and the listing to
// /dev/null, so no disk sets the pace.
//
// usage: bench_trajtools_threads [frames, default 4000] [source xtc, default
//        tests/data/xtc/water_p1000.xtc (its first frame places the waters)]
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
#include <thread>
#include <vector>

#include "bench/best_time.h"
#include "common/traj/crd.h"
#include "common/traj/frame_offsets.h"
#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"

namespace {

constexpr int waters = 2000;
constexpr int tries = 3;  // each figure is the best of 3 runs

// One run of a program: wall and processor seconds, peak resident memory.
struct Run {
  double wall = 1e30, cpu = 1e30;
  long peak_kb = 0;
};

// Runs argv with standard output to out_path; the best of `tries` runs.
Run run_program(const std::vector<std::string>& argv, const std::string& out_path,
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
      std::fprintf(stderr, "bench_trajtools_threads: %s failed\n", argv[0].c_str());
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

// 2000 waters from the first frame of `source` (its waters, then copies of
// the first ones shifted by a box length), moving as rigid bodies: every
// frame each water steps a little and turns a little about its oxygen.
void write_waters(tvl::xtc::Frame f, const std::string& name, int frames) {
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
      std::fprintf(stderr, "bench_trajtools_threads: cannot write %s\n", name.c_str());
      std::exit(1);
    }
  }
  if (!out.close()) std::exit(1);
}

void report(const char* what, const Run& r, int frames) {
  std::printf("  %-30s %7.3f s wall %7.3f s cpu  %7.1f us/frame  peak %6.1f MB\n", what, r.wall, r.cpu,
              1e6 * r.wall / frames, static_cast<double>(r.peak_kb) / 1024.0);
}

// The speed-up on n idle cores of a pipeline whose frames cost `par` seconds
// on the workers and `ser` on the writing thread, which runs beside them on
// the same cores: a frame takes at least `ser` (the writer is one thread) and
// at least (par + ser) / n (all the work shared by the cores).
double speedup(double par, double ser, int n) { return (par + ser) / std::max(ser, (par + ser) / n); }

void summary(const char* what, const Run& one, const Run& two, double ser, int frames) {
  const double per = one.cpu / frames;
  const double par = std::max(0.0, per - ser);
  std::printf("  %s: -nt 2 is %.2f x faster than -nt 1 (goal 1.5 x); from the processor times, on two idle\n"
              "    cores: %.2f x (-nt 1 %.3f s, -nt 2 max(cpu / 2, writing thread) %.3f s)\n",
              what, one.wall / two.wall, one.cpu / std::max(two.cpu / 2, ser * frames), one.cpu,
              std::max(two.cpu / 2, ser * frames));
  std::printf("  %s per frame: %.1f us on the workers, %.1f us on the writing thread;\n", what, 1e6 * par, 1e6 * ser);
  std::printf("  %s estimate from these: %.2f x on 2 cores, %.1f x on 16 cores\n", what, speedup(par, ser, 2),
              speedup(par, ser, 16));
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 4000;
  const std::string source = argc > 2 ? argv[2] : "tests/data/xtc/water_p1000.xtc";
  const std::string bin = tvl::bench::bin_dir();
  tvl::xtc::Frame first;
  {
    tvl::XdrFile in(source, "r");
    if (!in || tvl::xtc::read_frame(in.id(), first) != tvl::xtc::ReadResult::ok || first.natoms % 3 != 0 ||
        first.natoms == 0) {
      std::fprintf(stderr, "bench_trajtools_threads: cannot read a water frame from %s\n", source.c_str());
      return 1;
    }
  }
  char tmpl[] = "/tmp/bench_trajtools_threads.XXXXXX";
  char shm_tmpl[] = "/dev/shm/bench_trajtools_threads.XXXXXX";
  if (frames < 1 || !::mkdtemp(tmpl) || !::mkdtemp(shm_tmpl)) {
    std::perror("bench_trajtools_threads");
    return 1;
  }
  const std::string dir = tmpl, shm = shm_tmpl;
  const std::string xtc = dir + "/waters.xtc", crd = shm + "/waters.crd";
  write_waters(first, xtc, frames);
  {
    const tvl::traj::FrameFile file(xtc);
    double load[1] = {0.0};
    ::getloadavg(load, 1);
    std::printf("%d frames of %d atoms, %.1f MB of xtc; %u cores here, load average %.1f\n", frames, 3 * waters,
                static_cast<double>(file.size()) / 1e6, std::max(1u, std::thread::hardware_concurrency()), load[0]);
  }

  // The parts on the writing thread, measured in this process by their
  // processor time (less disturbed by other work than the wall time): the
  // offset scan, and writing a crd frame record (packtraj; the record is made
  // on the workers) or a listing (trajdump; to /dev/null, next to nothing).
  const double scan = tvl::bench::best_wall_and_cpu(tries, [&] {
    const tvl::traj::FrameFile file(xtc);
    if (tvl::traj::scan_xtc(file, 100000).frames() != static_cast<std::size_t>(frames)) std::exit(1);
  }).cpu / frames;
  tvl::crd::Frame c;
  c.x.assign(3 * waters, 1.0f);
  c.y = c.x;
  c.z = c.x;
  std::vector<char> rec;
  tvl::crd::encode_record(c, 3 * waters, rec);
  const double crd_write = tvl::bench::best_wall_and_cpu(tries, [&] {
    tvl::crd::Writer w;
    w.open(crd, 3 * waters);
    for (int k = 0; k < frames; ++k) w.write_record(rec);
    w.close();
    std::remove(crd.c_str());
  }).cpu / frames;
  const double decode = tvl::bench::best_wall_and_cpu(tries, [&] {
    tvl::XdrFile in(xtc, "r");
    tvl::xtc::Frame f;
    while (tvl::xtc::read_frame(in.id(), f) == tvl::xtc::ReadResult::ok) {
    }
  }).cpu / frames;
  std::printf("  processor time per frame: decoding alone (read_frame) %.1f us, offset scan %.2f us,\n"
              "    crd frame record written to /dev/shm %.1f us\n",
              1e6 * decode, 1e6 * scan, 1e6 * crd_write);

  std::printf("packtraj -r (crd on /dev/shm)\n");
  const Run p1 = run_program({bin + "/packtraj", "-r", "-nt", "1", "-x", xtc, "-c", crd}, "/dev/null", crd);
  report("-nt 1", p1, frames);
  const Run p2 = run_program({bin + "/packtraj", "-r", "-nt", "2", "-x", xtc, "-c", crd}, "/dev/null", crd);
  report("-nt 2", p2, frames);
  std::remove(crd.c_str());
  summary("packtraj -r", p1, p2, scan + crd_write, frames);

  std::printf("trajdump (listing to /dev/null)\n");
  const Run d1 = run_program({bin + "/trajdump", "-nt", "1", xtc}, "/dev/null");
  report("-nt 1", d1, frames);
  const Run d2 = run_program({bin + "/trajdump", "-nt", "2", xtc}, "/dev/null");
  report("-nt 2", d2, frames);
  // writing a listing to /dev/null costs next to nothing: the scan is the part
  summary("trajdump", d1, d2, scan, frames);

  std::system(("rm -rf " + dir + " " + shm).c_str());
  return 0;
}

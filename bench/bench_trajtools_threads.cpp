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
#include "bench/waters.h"
#include "common/traj/crd.h"
#include "common/traj/frame_offsets.h"
#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"

namespace {

using namespace tvl::bench;

void summary(const char* what, const Run& one, const Run& two, double scan, double used, int frames) {
  const double ser = scan + used;
  const double per = one.cpu / frames;
  const double par = std::max(0.0, per - ser);
  std::printf("  %s: -nt 2 is %.2f x faster than -nt 1 (goal 1.5 x); from the processor times, on two idle\n"
              "    cores: %.2f x (-nt 1 %.3f s, -nt 2 max(cpu / 2, writing thread) %.3f s)\n",
              what, one.wall / two.wall, one.cpu / std::max(two.cpu / 2, ser * frames), one.cpu,
              std::max(two.cpu / 2, ser * frames));
  std::printf("  %s per frame: %.1f us on the workers, %.1f us on the writing thread;\n", what, 1e6 * par, 1e6 * ser);
  std::printf("  %s estimate from these: %.2f x on 2 cores, %.1f x on 16 cores\n", what, speedup(par, scan, used, 2),
              speedup(par, scan, used, 16));
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 4000;
  const std::string source = argc > 2 ? argv[2] : "tests/data/xtc/water_p1000.xtc";
  const std::string bin = tvl::bench::bin_dir();
  tvl::xtc::Frame first;
  first_water_frame("bench_trajtools_threads", source, first);
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
  summary("packtraj -r", p1, p2, scan, crd_write, frames);

  std::printf("trajdump (listing to /dev/null)\n");
  const Run d1 = run_program({bin + "/trajdump", "-nt", "1", xtc}, "/dev/null");
  report("-nt 1", d1, frames);
  const Run d2 = run_program({bin + "/trajdump", "-nt", "2", xtc}, "/dev/null");
  report("-nt 2", d2, frames);
  // writing a listing to /dev/null costs next to nothing: the scan is the part
  summary("trajdump", d1, d2, scan, 0.0, frames);

  std::system(("rm -rf " + dir + " " + shm).c_str());
  return 0;
}

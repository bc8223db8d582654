// Throughput of the trajectory tools on files made here: endianflip against
// cp, packtraj in both directions and trajdump, each next to the xtc codec
// alone (frame read and write in this process), in MB/s of the file named.
//
// usage: bench_trajtools [MB for endianflip, default 256] [frames, default 400]
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/best_time.h"
#include "common/traj/crd.h"
#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"

namespace {

double file_mb(const std::string& name) {
  struct stat st;
  return ::stat(name.c_str(), &st) == 0 ? static_cast<double>(st.st_size) / 1e6 : 0.0;
}

constexpr int tries = 3;  // each figure is the best of 3 runs

// Runs a command line and returns its wall time in seconds.
double timed(const std::string& cmd) {
  return tvl::bench::best_seconds(tries, [&] {
    if (std::system(cmd.c_str()) != 0) {
      std::fprintf(stderr, "bench_trajtools: command failed: %s\n", cmd.c_str());
      std::exit(1);
    }
  });
}

template <class F>
double timed_fn(F f) {
  return tvl::bench::best_seconds(tries, f);
}

void report(const char* what, double mb, double s) {
  std::printf("%-44s %9.1f MB in %7.3f s  %9.1f MB/s\n", what, mb, s, mb / s);
}

// A water-like crd trajectory: 1652 molecules of three sites in a 3.7 nm box,
// moving a little from frame to frame.
void make_crd(const std::string& name, int nmol, int frames) {
  const int n = 3 * nmol;
  std::mt19937 rng(42);
  std::uniform_real_distribution<float> box(0.0f, 3.7f), jit(-0.01f, 0.01f), dir(-0.1f, 0.1f);
  tvl::crd::Frame f;
  f.box[0] = f.box[1] = f.box[2] = 3.7f;
  f.x.resize(n);
  f.y.resize(n);
  f.z.resize(n);
  for (int m = 0; m < nmol; ++m) {
    float ox = box(rng), oy = box(rng), oz = box(rng);
    for (int s = 0; s < 3; ++s) {
      f.x[3 * m + s] = ox + (s ? dir(rng) : 0.0f);
      f.y[3 * m + s] = oy + (s ? dir(rng) : 0.0f);
      f.z[3 * m + s] = oz + (s ? dir(rng) : 0.0f);
    }
  }
  tvl::crd::Writer w;
  w.open(name, n);
  for (int k = 0; k < frames; ++k) {
    for (int i = 0; i < n; ++i) {
      f.x[i] += jit(rng);
      f.y[i] += jit(rng);
      f.z[i] += jit(rng);
    }
    w.write(f);
  }
  w.close();
}

}  // namespace

int main(int argc, char** argv) {
  const long flip_mb = argc > 1 ? std::atol(argv[1]) : 256;
  const int frames = argc > 2 ? std::atoi(argv[2]) : 400;
  const std::string bin = tvl::bench::bin_dir();
  char tmpl[] = "/tmp/bench_trajtools.XXXXXX";
  if (!::mkdtemp(tmpl)) {
    std::perror("bench_trajtools: mkdtemp");
    return 1;
  }
  const std::string dir = tmpl;
  const std::string big = dir + "/big.bin", crd = dir + "/w.crd", xtc = dir + "/w.xtc";

  // ---- endianflip against cp
  {
    std::FILE* f = std::fopen(big.c_str(), "wb");
    std::vector<unsigned char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    for (long k = 0; k < flip_mb; ++k) std::fwrite(block.data(), 1, block.size(), f);
    std::fclose(f);
    const double mb = file_mb(big);
    report("cp (reference)", mb, timed("cp " + big + " " + dir + "/copy.bin"));
    report("endianflip", mb, timed(bin + "/endianflip " + big + " " + dir + "/flip.bin > /dev/null"));
    std::remove(big.c_str());
    std::remove((dir + "/copy.bin").c_str());
    std::remove((dir + "/flip.bin").c_str());
  }

  // ---- packtraj and trajdump next to the codec alone
  make_crd(crd, 1652, frames);
  const double crd_mb = file_mb(crd);
  report("packtraj crd -> xtc (crd MB)", crd_mb,
         timed(bin + "/packtraj -c " + crd + " -x " + xtc + " > /dev/null"));
  const double xtc_mb = file_mb(xtc);

  tvl::crd::Reader r;
  r.open(crd, 1 << 20);
  std::vector<tvl::xtc::Frame> mem;
  tvl::crd::Frame cf;
  while (r.next(cf) == tvl::crd::ReadResult::ok) {
    tvl::xtc::Frame xf;
    xf.natoms = r.natoms();
    xf.x.resize(3 * static_cast<std::size_t>(xf.natoms));
    for (int i = 0; i < xf.natoms; ++i) {
      xf.x[3 * i] = cf.x[i];
      xf.x[3 * i + 1] = cf.y[i];
      xf.x[3 * i + 2] = cf.z[i];
    }
    mem.push_back(std::move(xf));
  }
  r.close();
  report("  codec alone: write_frame (crd MB)", crd_mb, timed_fn([&] {
           tvl::XdrFile out(dir + "/codec.xtc", "w");
           for (const auto& xf : mem) tvl::xtc::write_frame(out.id(), xf);
           out.close();
         }));

  const std::string back = dir + "/back.crd";
  report("packtraj -r xtc -> crd (crd MB)", crd_mb, timed("rm -f " + back + "; " + bin + "/packtraj -r -x " + xtc + " -c " + back + " > /dev/null"));
  report("  codec alone: read_frame (crd MB)", crd_mb, timed_fn([&] {
           tvl::XdrFile in(xtc, "r");
           tvl::xtc::Frame xf;
           while (tvl::xtc::read_frame(in.id(), xf) == tvl::xtc::ReadResult::ok) {
           }
           in.close();
         }));
  report("trajdump (xtc MB)", xtc_mb, timed(bin + "/trajdump " + xtc + " > " + dir + "/dump.txt"));
  std::printf("%-44s %9.1f MB of text from %.1f MB of xtc\n", "  trajdump listing", file_mb(dir + "/dump.txt"), xtc_mb);

  std::system(("rm -rf " + dir).c_str());
  return 0;
}

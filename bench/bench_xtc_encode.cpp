// Encoding speed of xtc frames: the frames of the 10-frame water trajectory
// (4956 atoms a frame) packed again and again, once by the codec alone (scale
// and pack into memory) and once written as whole frames to a file.
// Usage: bench_xtc_encode [file.xtc [repeats [output file]]]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/best_time.h"
#include "common/error.h"
#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"
#include "common/xdr/xtc_codec.h"

namespace {

int body(int argc, char** argv) {
  std::string name = argc > 1 ? argv[1] : "tests/data/xtc/water_p1000.xtc";
  int repeats = argc > 2 ? std::atoi(argv[2]) : 60;
  // A memory file system where there is one: the figure is then the writer's,
  // not the disk's.
  std::FILE* shm = std::fopen("/dev/shm/bench_xtc_encode.xtc", "w");
  if (shm) std::fclose(shm);
  std::string out = argc > 3 ? argv[3]
                    : shm    ? "/dev/shm/bench_xtc_encode.xtc"
                             : "/tmp/bench_xtc_encode.xtc";

  std::vector<tvl::xtc::Frame> frames;
  {
    tvl::XdrFile file(name, "r");
    if (!file) tvl::stop({"cannot open " + name});
    tvl::xtc::Frame f;
    while (tvl::xtc::read_frame(file.id(), f) == tvl::xtc::ReadResult::ok) frames.push_back(f);
  }
  if (frames.empty()) tvl::stop({"no frame in " + name});

  // The codec alone.
  constexpr int rounds = 5;
  long atoms = 0;
  const double tc = tvl::bench::best_seconds(rounds, [&] {
    atoms = 0;
    for (int r = 0; r < repeats; ++r)
      for (const auto& f : frames) {
        if (!tvl::xtc::codec::prepare_block(f.x.data(), f.natoms, f.prec)) tvl::stop({"refused"});
        atoms += f.natoms;
      }
  });

  // Whole frames into a file.
  long bytes = 0;
  const double tw = tvl::bench::best_seconds(rounds, [&] {
    bytes = 0;
    for (int r = 0; r < repeats; ++r) {
      tvl::XdrFile file(out, "w");
      if (!file) tvl::stop({"cannot create " + out});
      for (const auto& f : frames)
        if (!tvl::xtc::write_frame(file.id(), f)) tvl::stop({"write failed: " + out});
      std::FILE* fp = tvl::xdr_file(file.id());
      std::fflush(fp);
      bytes += std::ftell(fp);
      if (!file.close()) tvl::stop({"close failed: " + out});
    }
  });
  std::remove(out.c_str());

  double nframes = static_cast<double>(frames.size()) * repeats;
  std::printf("file %s: %zu frames of %d atoms, best of %d rounds of %d passes\n", name.c_str(),
              frames.size(), frames[0].natoms, rounds, repeats);
  std::printf("codec alone (memory): %.1f million atoms/s, %.4f ms per frame\n",
              static_cast<double>(atoms) / tc / 1e6, tc / nframes * 1e3);
  std::printf("frame writer (%s): %.1f million atoms/s, %.1f MB/s written, %.4f ms per frame\n",
              out.c_str(), static_cast<double>(atoms) / tw / 1e6,
              static_cast<double>(bytes) / tw / 1e6, tw / nframes * 1e3);
  std::printf("goal: at least half the fastest peer reader's 45 million atoms/s\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }

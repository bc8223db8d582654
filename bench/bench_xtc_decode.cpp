// Decoding speed of xtc frames: the 10-frame water trajectory (4956 atoms a
// frame) read again and again, once through the frame reader from the file
// and once as packed blocks already in memory (the codec alone).
// Usage: bench_xtc_decode [file.xtc [repeats]]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/best_time.h"
#include "common/error.h"
#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"
#include "common/xdr/xtc_codec.h"

namespace {

long file_size(const std::string& name) {
  std::FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) return -1;
  std::fseek(f, 0, SEEK_END);
  long n = std::ftell(f);
  std::fclose(f);
  return n;
}

struct Packed {
  tvl::xtc::codec::Block block;
  int natoms = 0;
  std::vector<std::uint8_t> bytes;
};

int body(int argc, char** argv) {
  std::string name = argc > 1 ? argv[1] : "tests/data/xtc/water_p1000.xtc";
  int repeats = argc > 2 ? std::atoi(argv[2]) : 100;
  long size = file_size(name);
  if (size <= 0) tvl::stop({"cannot read " + name});

  // Whole frames through the file table and the frame reader.
  constexpr int rounds = 5;
  tvl::xtc::Frame f;
  long frames = 0, atoms = 0;
  std::vector<Packed> packed;
  const double tf = tvl::bench::best_seconds(rounds, [&] {
    frames = atoms = 0;
    for (int r = 0; r < repeats; ++r) {
      tvl::XdrFile file(name, "r");
      if (!file) tvl::stop({"cannot open " + name});
      for (;;) {
        auto res = tvl::xtc::read_frame(file.id(), f);
        if (res == tvl::xtc::ReadResult::end) break;
        if (res != tvl::xtc::ReadResult::ok) tvl::stop({"bad frame in " + name});
        ++frames;
        atoms += f.natoms;
      }
    }
  });

  // The packed blocks of one pass, for the codec alone.
  {
    tvl::XdrFile file(name, "r");
    std::FILE* fp = tvl::xdr_file(file.id());
    for (;;) {
      unsigned char head[13 * 4 + 40];
      if (std::fread(head, 1, sizeof head, fp) != sizeof head) break;
      auto be = [&](int at) {
        return static_cast<int>((unsigned{head[at]} << 24) | (unsigned{head[at + 1]} << 16) |
                                (unsigned{head[at + 2]} << 8) | head[at + 3]);
      };
      Packed p;
      p.natoms = be(4);
      unsigned pu = static_cast<unsigned>(be(56));
      std::memcpy(&p.block.precision, &pu, 4);
      for (int a = 0; a < 3; ++a) p.block.minint[a] = be(60 + 4 * a);
      for (int a = 0; a < 3; ++a) p.block.maxint[a] = be(72 + 4 * a);
      p.block.smallidx = be(84);
      p.block.nbytes = be(88);
      std::size_t padded = (static_cast<std::size_t>(p.block.nbytes) + 3) & ~std::size_t{3};
      p.bytes.assign(padded + tvl::xtc::codec::decode_pad, 0);
      if (std::fread(p.bytes.data(), 1, padded, fp) != padded) break;
      std::memset(p.bytes.data() + p.block.nbytes, 0, padded - p.block.nbytes);
      packed.push_back(std::move(p));
    }
  }
  std::vector<float> x;
  long catoms = 0;
  long cbytes = 0;
  const double tc = tvl::bench::best_seconds(rounds, [&] {
    catoms = cbytes = 0;
    for (int r = 0; r < repeats; ++r) {
      for (const auto& p : packed) {
        x.resize(static_cast<std::size_t>(p.natoms) * 3);
        if (!tvl::xtc::codec::decode(p.block, p.natoms, p.bytes.data(), x.data()))
          tvl::stop({"bad block"});
        catoms += p.natoms;
        cbytes += p.block.nbytes;
      }
    }
  });

  double per_frame = frames ? tf / static_cast<double>(frames) * 1e3 : 0.0;
  std::printf("file %s: %ld frames, %ld bytes, best of %d rounds of %d passes\n", name.c_str(),
              frames / repeats, size, rounds, repeats);
  std::printf("frame reader (file): %.1f million atoms/s, %.1f MB/s, %.4f ms per frame\n",
              static_cast<double>(atoms) / tf / 1e6, static_cast<double>(size) * repeats / tf / 1e6,
              per_frame);
  std::printf(
      "codec alone (memory): %.1f million atoms/s, %.1f MB/s of packed bytes, %.4f ms per frame\n",
      static_cast<double>(catoms) / tc / 1e6, static_cast<double>(cbytes) / tc / 1e6,
      tc / static_cast<double>(packed.size() * repeats) * 1e3);
  std::printf("goal: the fastest peer reader, 45 million atoms/s (0.11 ms per 4956-atom frame)\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }

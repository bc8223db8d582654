// Trajectories written by another program: every frame must decode to the
// dumped floats bit for bit, and writing the decoded frames again must give
// the same bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"
#include "common/xdr/xtc_codec.h"
#include "tests/common/xdr/xtc_files.h"
#include "tests/support/reference.h"
#include "tests/support/support.h"

namespace {

const std::string data_dir = std::string(TVL_TEST_DATA) + "/xtc/";

using DumpFrame = tvl::test::ReferenceFrame;

std::vector<DumpFrame> read_dump(const std::string& name) {
  return tvl::test::read_reference_dump(data_dir + name);
}

std::vector<tvl::xtc::Frame> read_xtc(const std::string& path) {
  std::vector<tvl::xtc::Frame> frames;
  EXPECT_EQ(tvl::test::read_frames(tvl::test::read_file(path), &frames), tvl::xtc::ReadResult::end)
      << path << " frame " << frames.size() + 1;
  return frames;
}

std::uint32_t bits(float v) {
  std::uint32_t u;
  std::memcpy(&u, &v, 4);
  return u;
}

class Fixture : public ::testing::TestWithParam<const char*> {};

TEST_P(Fixture, DecodesEveryFrameToTheDumpedFloatsBitForBit) {
  std::string name = GetParam();
  auto dump = read_dump(name + ".txt");
  auto frames = read_xtc(data_dir + name + ".xtc");
  ASSERT_EQ(frames.size(), dump.size());
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const auto& f = frames[k];
    const auto& d = dump[k];
    ASSERT_EQ(f.natoms, d.natoms);
    EXPECT_EQ(f.step, d.step);
    EXPECT_EQ(bits(f.time), bits(d.time));
    for (int b = 0; b < 9; ++b) EXPECT_EQ(bits(f.box[b / 3][b % 3]), bits(d.box[b])) << k;
    if (f.natoms >= 10) {
      EXPECT_EQ(bits(f.prec), bits(d.prec)) << k;
    }
    int wrong = 0;
    for (std::size_t i = 0; i < d.x.size(); ++i) {
      if (bits(f.x[i]) != bits(d.x[i]) && ++wrong < 5) {
        ADD_FAILURE() << name << " frame " << k << " value " << i << ": " << f.x[i]
                      << " != " << d.x[i];
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_P(Fixture, WritingTheDecodedFramesGivesTheSameBytes) {
  std::string name = GetParam();
  auto frames = read_xtc(data_dir + name + ".xtc");
  std::string out = name + "_again.xtc";
  auto got = tvl::test::write_frames(frames, out);
  auto want = tvl::test::read_file(data_dir + name + ".xtc");
  ASSERT_EQ(got.size(), want.size());
  std::size_t first = 0;
  while (first < got.size() && got[first] == want[first]) ++first;
  EXPECT_EQ(first, got.size()) << "first differing byte";
  std::remove(out.c_str());
}

INSTANTIATE_TEST_SUITE_P(Xtc, Fixture,
                         ::testing::Values("water3", "water4", "water_p100", "water_p1000",
                                           "wild"));

TEST(FixtureP1e7, DecodesBitForBit) {
  auto dump = read_dump("water_p1e7.txt");
  auto frames = read_xtc(data_dir + "water_p1e7.xtc");
  ASSERT_EQ(frames.size(), dump.size());
  for (std::size_t k = 0; k < frames.size(); ++k) {
    ASSERT_EQ(frames[k].x.size(), dump[k].x.size());
    EXPECT_EQ(std::memcmp(frames[k].x.data(), dump[k].x.data(), dump[k].x.size() * 4), 0) << k;
  }
}

// At precision 1e7 the floats cannot carry the integers back, but the stored
// integers packed again must give the stored bytes: this exercises the
// large-range layout and the wrapping squared-distance test at high indices.
TEST(FixtureP1e7, RepackingTheStoredIntegersGivesTheStoredBytes) {
  namespace c = tvl::xtc::codec;
  auto bytes = tvl::test::read_file(data_dir + "water_p1e7.xtc");
  std::size_t pos = 0;
  auto be32 = [&](std::size_t at) { return static_cast<int>(tvl::test::be32(bytes, at)); };
  int frames = 0;
  while (pos < bytes.size()) {
    int n = be32(pos + 4);
    std::size_t blk = pos + 13 * 4;  // magic natoms step time box[9]
    ASSERT_EQ(be32(blk), n);
    c::Block b;
    std::uint32_t pu = static_cast<std::uint32_t>(be32(blk + 4));
    std::memcpy(&b.precision, &pu, 4);
    for (int a = 0; a < 3; ++a) b.minint[a] = be32(blk + 8 + 4 * a);
    for (int a = 0; a < 3; ++a) b.maxint[a] = be32(blk + 20 + 4 * a);
    b.smallidx = be32(blk + 32);
    b.nbytes = be32(blk + 36);
    ASSERT_TRUE(c::block_ok(b, n));
    std::vector<std::uint8_t> packed(bytes.begin() + static_cast<long>(blk + 40),
                                     bytes.begin() + static_cast<long>(blk + 40) + b.nbytes);
    packed.resize(packed.size() + c::decode_pad, 0);
    std::vector<int> ip(static_cast<std::size_t>(n) * 3);
    ASSERT_TRUE(c::decode_ints(b, n, packed.data(), ip.data()));

    c::Block again = b;
    std::vector<std::uint8_t> out(c::encode_room(n));
    c::encode(ip.data(), n, again, out.data());
    EXPECT_EQ(again.smallidx, b.smallidx);
    ASSERT_EQ(again.nbytes, b.nbytes) << "frame " << frames;
    EXPECT_EQ(std::memcmp(out.data(), packed.data(), static_cast<std::size_t>(b.nbytes)), 0)
        << "frame " << frames;
    pos = blk + 40 + ((static_cast<std::size_t>(b.nbytes) + 3) & ~std::size_t{3});
    ++frames;
  }
  EXPECT_EQ(frames, 10);
}

}  // namespace

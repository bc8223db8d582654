// The xtc coordinate codec: bit operations, round trips of made-up frames,
// refusal of frames that cannot be written, rejection of corrupt frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"
#include "common/xdr/xtc_codec.h"
#include "tests/common/xdr/xtc_files.h"
#include "tests/support/support.h"

namespace {

namespace c = tvl::xtc::codec;
using tvl::xtc::Frame;
using tvl::xtc::ReadResult;

const std::string data_dir = std::string(TVL_TEST_DATA) + "/xtc/";

using tvl::test::read_file;
using tvl::test::read_frames;
using tvl::test::write_frames;

// The value a coordinate written at precision p reads back as.
float rounded(float x, float p) {
  float v = x * p;
  v = x >= 0.0f ? v + 0.5f : v - 0.5f;
  return static_cast<float>(static_cast<int>(v)) * (1.0f / p);
}

Frame make_frame(int n, float prec) {
  Frame f;
  f.natoms = n;
  f.step = 7;
  f.time = 0.5f;
  f.box[0][0] = f.box[1][1] = f.box[2][2] = 3.0f;
  f.prec = prec;
  f.x.assign(static_cast<std::size_t>(n) * 3, 0.0f);
  return f;
}

// Writes the frames, reads them back and checks every coordinate against
// its rounded value.
void expect_round_trip(const std::vector<Frame>& frames, const char* name) {
  std::vector<Frame> back;
  EXPECT_EQ(read_frames(write_frames(frames, name), &back), ReadResult::end) << name;
  ASSERT_EQ(back.size(), frames.size()) << name;
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const Frame& a = frames[k];
    const Frame& b = back[k];
    ASSERT_EQ(b.natoms, a.natoms);
    EXPECT_EQ(b.step, a.step);
    EXPECT_EQ(b.time, a.time);
    int wrong = 0;
    for (std::size_t i = 0; i < a.x.size(); ++i) {
      float want = a.natoms <= 9 ? a.x[i] : rounded(a.x[i], a.prec);
      if (b.x[i] != want && ++wrong < 4) {
        ADD_FAILURE() << name << " frame " << k << " value " << i << ": " << b.x[i]
                      << " != " << want;
      }
    }
    EXPECT_EQ(wrong, 0) << name;
  }
}

TEST(MagicInts, HoldTheCubeRootsOfPowersOfTwoWithThreeSmallerValues) {
  for (int k = 0; k <= 8; ++k) EXPECT_EQ(c::magicints[k], 0);
  for (int k = 9; k <= 72; ++k) {
    long double m = c::magicints[k];
    EXPECT_LE(m * m * m, std::ldexp(1.0L, k)) << k;
    if (k != 37 && k != 57 && k != 69) {
      EXPECT_GT((m + 1) * (m + 1) * (m + 1), std::ldexp(1.0L, k)) << k;
    }
  }
  EXPECT_EQ(c::magicints[37], 5060);
  EXPECT_EQ(c::magicints[57], 524287);
  EXPECT_EQ(c::magicints[69], 8388607);
  EXPECT_EQ(c::magicints[72], 16777216);
}

TEST(BitBuffer, SizesCountTheBitsOfAValueAndOfAProduct) {
  EXPECT_EQ(c::sizeofint(1), 1);
  EXPECT_EQ(c::sizeofint(8), 4);
  EXPECT_EQ(c::sizeofint(0xFFFFFFFFu), 32);
  unsigned s1[3] = {1, 1, 1};
  EXPECT_EQ(c::sizeofints(3, s1), 1);
  unsigned s2[3] = {2, 2, 2};
  EXPECT_EQ(c::sizeofints(3, s2), 4);
  unsigned s3[3] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  EXPECT_EQ(c::sizeofints(3, s3), 72);
  unsigned s4[3] = {3701, 3702, 3703};  // product 50,733,... needs 36 bits
  EXPECT_EQ(c::sizeofints(3, s4), 36);
}

TEST(BitBuffer, BitsAndMixedRadixNumbersComeBackAsSent) {
  std::mt19937 rng(5);
  std::vector<int> buf(4000, 0);
  struct Item {
    int kind;  // 0 bits, 1 ints
    int nbits;
    unsigned sizes[3];
    unsigned v[3];
  };
  std::vector<Item> items;
  for (int k = 0; k < 300; ++k) {
    Item it{};
    it.kind = static_cast<int>(rng() % 2);
    if (it.kind == 0) {
      it.nbits = 1 + static_cast<int>(rng() % 31);
      it.v[0] = rng() & ((1u << it.nbits) - 1u);
      c::sendbits(buf.data(), it.nbits, static_cast<int>(it.v[0]));
    } else {
      for (int a = 0; a < 3; ++a) {
        int w = 1 + static_cast<int>(rng() % 24);
        it.sizes[a] = 1 + (rng() & ((1u << w) - 1u));
        it.v[a] = rng() % it.sizes[a];
      }
      it.nbits = c::sizeofints(3, it.sizes);
      c::sendints(buf.data(), 3, it.nbits, it.sizes, it.v);
    }
    items.push_back(it);
  }
  if (buf[1] != 0) ++buf[0];
  buf[0] = buf[1] = buf[2] = 0;
  for (const auto& it : items) {
    if (it.kind == 0) {
      EXPECT_EQ(static_cast<unsigned>(c::receivebits(buf.data(), it.nbits)), it.v[0]);
    } else {
      int got[3];
      c::receiveints(buf.data(), 3, it.nbits, it.sizes, got);
      for (int a = 0; a < 3; ++a) EXPECT_EQ(static_cast<unsigned>(got[a]), it.v[a]);
    }
  }
}

TEST(BitBuffer, SendintsStopsOnAValueOutsideItsRange) {
  std::vector<int> buf(16, 0);
  unsigned sizes[3] = {10, 10, 10};
  unsigned v[3] = {1, 10, 1};
  try {
    c::sendints(buf.data(), 3, 10, sizes, v);
    FAIL() << "no stop";
  } catch (const tvl::Stop& s) {
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.lines.at(0), "major breakdown in sendints num 10 doesn't match size 10");
  }
}

TEST(RoundTrip, NineAtomsArePlainFloatsAndTenAreCompressed) {
  Frame nine = make_frame(9, 1000.0f);
  Frame ten = make_frame(10, 1000.0f);
  for (int i = 0; i < 27; ++i) nine.x[static_cast<std::size_t>(i)] = 0.1234567f * static_cast<float>(i);
  for (int i = 0; i < 30; ++i) ten.x[static_cast<std::size_t>(i)] = 0.1234567f * static_cast<float>(i);
  auto b9 = write_frames({nine}, "nine.xtc");
  EXPECT_EQ(b9.size(), 4u * (13 + 1 + 27));  // header, n, 27 floats, no precision
  auto b10 = write_frames({ten}, "ten.xtc");
  float p;
  std::uint32_t u = tvl::test::be32(b10, 56);
  std::memcpy(&p, &u, 4);
  EXPECT_EQ(p, 1000.0f);  // the item after n is the precision
  EXPECT_EQ(b10.size() % 4, 0u);
  expect_round_trip({nine, ten}, "nine_ten.xtc");
}

TEST(RoundTrip, RandomMoleculesChainsAndClustersComeBackRounded) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> box(-5.0f, 5.0f), near(-0.08f, 0.08f), tiny(-0.002f, 0.002f);
  std::vector<Frame> frames;
  // 1e6 makes every axis range about 2^23: full-precision atoms of 70 bits.
  for (float prec : {10.0f, 100.0f, 1000.0f, 12345.0f, 1e5f, 1e6f}) {
    Frame f = make_frame(3000, prec);
    std::size_t i = 0;
    while (i < f.x.size()) {
      // A molecule of 1..12 atoms close to each other, sometimes nearly on top.
      int m = 1 + static_cast<int>(rng() % 12);
      float cx = box(rng), cy = box(rng), cz = box(rng);
      for (int k = 0; k < m && i < f.x.size(); ++k, i += 3) {
        auto& d = (rng() % 4 == 0) ? tiny : near;
        f.x[i] = cx + d(rng);
        f.x[i + 1] = cy + d(rng);
        f.x[i + 2] = cz + d(rng);
      }
    }
    frames.push_back(f);
  }
  // Identical atoms, and a frame of one point: zero ranges, runs of 8.
  Frame same = make_frame(50, 1000.0f);
  for (std::size_t i = 0; i < same.x.size(); ++i) same.x[i] = -1.25f;
  frames.push_back(same);
  expect_round_trip(frames, "random.xtc");
}

TEST(RoundTrip, WideRangesUseSeparateFieldsAndKeepTheSmallIndexInTheTable) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> u(-0.3f, 0.3f);
  std::vector<Frame> frames;
  // Ranges above 2^24 at precision 1e7: separate fields per axis.
  Frame walk = make_frame(400, 1e7f);
  for (std::size_t i = 3; i < walk.x.size(); ++i) walk.x[i] = walk.x[i - 3] + u(rng);
  frames.push_back(walk);
  // Steps of 0.7 on every axis: the smallest step exceeds the last table
  // value, the small index is capped at 72 and the runs are 72 bits wide.
  Frame far = make_frame(60, 1e7f);
  for (std::size_t i = 3; i < far.x.size(); ++i) far.x[i] = far.x[i - 3] + 0.7f;
  frames.push_back(far);
  // Alternating far apart: no runs at the capped index.
  Frame alt = make_frame(30, 1e7f);
  for (std::size_t i = 0; i < alt.x.size(); ++i) alt.x[i] = (i / 3) % 2 ? 2.0f : -2.0f;
  frames.push_back(alt);
  expect_round_trip(frames, "wide.xtc");

  std::vector<int> ip(far.x.size());
  c::Block b;
  ASSERT_TRUE(c::scale(far.x.data(), far.natoms, far.prec, ip.data(), b));
  std::vector<std::uint8_t> out(c::encode_room(far.natoms));
  c::encode(ip.data(), far.natoms, b, out.data());
  EXPECT_EQ(b.smallidx, 72);
  EXPECT_TRUE(c::block_ok(b, far.natoms));
}

TEST(RoundTrip, IntegersOfAnySpreadBelowTwoToThe31ComeBackExactly) {
  std::mt19937 rng(23);
  for (int spread_bits = 1; spread_bits <= 31; spread_bits += 3) {
    for (int clustered = 0; clustered < 2; ++clustered) {
      const int n = 500;
      std::vector<int> ip(3 * n);
      std::int64_t spread = (std::int64_t{1} << spread_bits) - 1;
      std::int64_t lo = -spread / 2;
      std::uniform_int_distribution<std::int64_t> any(lo, lo + spread);
      for (int i = 0; i < n; ++i) {
        for (int a = 0; a < 3; ++a) {
          std::int64_t v = any(rng);
          // Clustered: most atoms a small step from the one before.
          if (clustered && i > 0 && rng() % 5 != 0) {
            std::int64_t step = static_cast<std::int64_t>(rng() % 64) - 32;
            v = std::clamp<std::int64_t>(ip[3 * (i - 1) + a] + step, lo, lo + spread);
          }
          ip[3 * i + a] = static_cast<int>(v);
        }
      }
      c::Block b;
      b.precision = 1000.0f;
      for (int a = 0; a < 3; ++a) {
        b.minint[a] = ip[a];
        b.maxint[a] = ip[a];
        for (int i = 1; i < n; ++i) {
          b.minint[a] = std::min(b.minint[a], ip[3 * i + a]);
          b.maxint[a] = std::max(b.maxint[a], ip[3 * i + a]);
        }
      }
      std::vector<int> orig = ip;
      std::vector<std::uint8_t> out(c::encode_room(n) + c::decode_pad, 0);
      c::encode(ip.data(), n, b, out.data());
      ASSERT_TRUE(c::block_ok(b, n)) << spread_bits;
      std::vector<int> back(3 * n);
      ASSERT_TRUE(c::decode_ints(b, n, out.data(), back.data())) << spread_bits;
      EXPECT_EQ(back, orig) << spread_bits << " clustered " << clustered;
    }
  }
}

TEST(RoundTrip, ClosePairsAreSwappedOnTheStreamAndComeBackInOrder) {
  Frame f = make_frame(12, 1000.0f);
  for (int i = 0; i < 12; ++i) {
    // Pairs 0.001 apart, pairs 1.0 apart from each other.
    float base = static_cast<float>(i / 2) * 1.0f + static_cast<float>(i % 2) * 0.001f;
    f.x[3 * static_cast<std::size_t>(i)] = base;
    f.x[3 * static_cast<std::size_t>(i) + 1] = -base;
    f.x[3 * static_cast<std::size_t>(i) + 2] = 0.5f;
  }
  std::vector<int> ip(36);
  c::Block b;
  ASSERT_TRUE(c::scale(f.x.data(), 12, f.prec, ip.data(), b));
  std::vector<int> orig = ip;
  std::vector<std::uint8_t> out(c::encode_room(12) + c::decode_pad, 0);
  c::encode(ip.data(), 12, b, out.data());
  // The encoder exchanged the members of each close pair.
  EXPECT_EQ(ip[0], orig[3]);
  EXPECT_EQ(ip[3], orig[0]);
  std::vector<int> back(36);
  ASSERT_TRUE(c::decode_ints(b, 12, out.data(), back.data()));
  EXPECT_EQ(back, orig);
}

// ---- Frames that cannot be written --------------------------------------

TEST(Writer, RefusesUnwritableFramesWithoutWritingAnyOfThem) {
  Frame good = make_frame(20, 1000.0f);
  for (std::size_t i = 0; i < good.x.size(); ++i) good.x[i] = 0.01f * static_cast<float>(i);
  std::vector<Frame> bad;
  Frame f = good;
  f.x[5] = std::numeric_limits<float>::quiet_NaN();
  bad.push_back(f);
  f = good;
  f.x[7] = std::numeric_limits<float>::infinity();
  bad.push_back(f);
  f = good;
  f.x[0] = 3.0e6f;  // 3e9 at precision 1000: beyond the integer range
  bad.push_back(f);
  f = good;
  f.x[0] = -1.2e6f;  // each value fits, the axis range reaches 2^31
  f.x[3] = 1.2e6f;
  bad.push_back(f);
  f = good;
  f.prec = 0.0f;
  bad.push_back(f);
  f = good;
  f.prec = std::numeric_limits<float>::quiet_NaN();
  bad.push_back(f);
  f = good;
  f.prec = 1e-45f;  // positive, but 1/p overflows
  bad.push_back(f);
  f = make_frame(3, 1000.0f);
  f.x[2] = std::numeric_limits<float>::infinity();
  bad.push_back(f);
  f = good;
  f.x.resize(10);  // fewer values than atoms
  bad.push_back(f);

  for (std::size_t k = 0; k < bad.size(); ++k) {
    EXPECT_FALSE(tvl::xtc::writable(bad[k])) << k;
    tvl::XdrFile out("refused.xtc", "w");
    ASSERT_TRUE(out.is_open());
    ASSERT_TRUE(tvl::xtc::write_frame(out.id(), good));
    EXPECT_FALSE(tvl::xtc::write_frame(out.id(), bad[k])) << k;
    ASSERT_TRUE(tvl::xtc::write_frame(out.id(), good));
    ASSERT_TRUE(out.close());
    std::vector<Frame> back;
    EXPECT_EQ(read_frames(read_file("refused.xtc"), &back), ReadResult::end) << k;
    EXPECT_EQ(back.size(), 2u) << k;
  }
  EXPECT_TRUE(tvl::xtc::writable(good));
  // The widest range that still fits is written.
  f = good;
  f.x[0] = -1.0e6f;
  f.x[3] = 1.0e6f;
  EXPECT_TRUE(tvl::xtc::writable(f));
  expect_round_trip({f}, "widest.xtc");
}

TEST(Writer, RawCoordinateCallsRefuseAndReportCountMismatches) {
  Frame f = make_frame(12, 100.0f);
  for (std::size_t i = 0; i < f.x.size(); ++i) f.x[i] = 0.3f * static_cast<float>(i);
  int id = 0, ret = 0;
  tvl::xdrfopen(id, "raw.xtc", "w", ret);
  int n = 12;
  float p = 100.0f;
  tvl::xdrf3dfcoord(id, f.x.data(), &n, &p, ret);
  EXPECT_EQ(ret, 1);
  f.x[4] = std::numeric_limits<float>::quiet_NaN();
  tvl::xdrf3dfcoord(id, f.x.data(), &n, &p, ret);
  EXPECT_EQ(ret, 0);
  tvl::xdrfclose(id, ret);
  // The refused call wrote nothing: the file is the first block alone (the
  // count, 9 stored values and the packed bytes, padded to a multiple of 4).
  const std::string raw = read_file("raw.xtc");
  ASSERT_GE(raw.size(), 40u);
  const std::uint32_t nbytes = tvl::test::be32(raw, 36);
  EXPECT_EQ(raw.size(), 40u + (nbytes + 3) / 4 * 4);

  std::vector<float> room(30, -1.0f);
  tvl::xdrfopen(id, "raw.xtc", "r", ret);
  int want = 10;
  testing::internal::CaptureStderr();
  tvl::xdrf3dfcoord(id, room.data(), &want, &p, ret);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ret, 0);
  EXPECT_EQ(err, "wrong number of coordinates in xdr3dfcoor; 10 arg vs 12 in file");
  EXPECT_EQ(room[0], -1.0f);  // nothing stored into the smaller array
  tvl::xdrfclose(id, ret);

  tvl::xdrfopen(id, "raw.xtc", "r", ret);
  room.assign(36, 0.0f);
  n = 12;
  p = 0;
  tvl::xdrf3dfcoord(id, room.data(), &n, &p, ret);
  EXPECT_EQ(ret, 1);
  EXPECT_EQ(p, 100.0f);
  EXPECT_EQ(room[3], rounded(0.9f, 100.0f));
  // Past the last block: 0 without a message.
  testing::internal::CaptureStderr();
  tvl::xdrf3dfcoord(id, room.data(), &n, &p, ret);
  EXPECT_EQ(ret, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  tvl::xdrfclose(id, ret);
}

// ---- Frames that cannot be trusted ----------------------------------------

// A frame of n atoms with a hand-made compressed block.
struct Crafted {
  int magic = 1995;
  int natoms = 10;
  int n = 10;
  float prec = 1000.0f;
  int minint[3] = {0, 0, 0};
  int maxint[3] = {0, 0, 0};
  int smallidx = 10;
  int nbytes = -1;  // -1: the size of the bytes
  std::string bytes;
};

std::string frame_file(const Crafted& c) {
  std::string out;
  auto i32 = [&](std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>(v >> s));
  };
  auto f32 = [&](float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    i32(u);
  };
  i32(static_cast<std::uint32_t>(c.magic));
  i32(static_cast<std::uint32_t>(c.natoms));
  i32(0);
  f32(0.0f);
  for (int k = 0; k < 9; ++k) f32(k % 4 == 0 ? 3.0f : 0.0f);
  i32(static_cast<std::uint32_t>(c.n));
  f32(c.prec);
  for (int v : c.minint) i32(static_cast<std::uint32_t>(v));
  for (int v : c.maxint) i32(static_cast<std::uint32_t>(v));
  i32(static_cast<std::uint32_t>(c.smallidx));
  i32(static_cast<std::uint32_t>(c.nbytes == -1 ? static_cast<int>(c.bytes.size()) : c.nbytes));
  out += c.bytes;
  while (out.size() % 4) out.push_back(0);
  return out;
}

// A bit stream written with the word-buffer operations.
struct Bits {
  std::vector<int> buf = std::vector<int>(64, 0);
  void put(int nbits, int v) { c::sendbits(buf.data(), nbits, v); }
  std::string bytes() {
    int n = buf[0] + (buf[1] ? 1 : 0);
    return std::string(reinterpret_cast<const char*>(buf.data() + 3), static_cast<std::size_t>(n));
  }
};

// Ten atoms at the origin: each a 1-bit field (zero ranges) and a 0 flag.
Bits ten_zeros(int upto = 10) {
  Bits b;
  for (int k = 0; k < upto; ++k) {
    b.put(1, 0);
    b.put(1, 0);
  }
  return b;
}

TEST(Reader, AcceptsAHandMadeBlock) {
  Crafted c;
  c.bytes = ten_zeros().bytes();
  std::vector<Frame> frames;
  EXPECT_EQ(read_frames(frame_file(c), &frames), ReadResult::end);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].natoms, 10);
  for (float v : frames[0].x) EXPECT_EQ(v, 0.0f);
}

TEST(Reader, RejectsStoredValuesItCannotTrust) {
  Crafted base;
  base.bytes = ten_zeros().bytes();
  std::vector<std::pair<std::string, Crafted>> cases;
  auto add = [&](const char* what, auto change) {
    Crafted c = base;
    change(c);
    cases.emplace_back(what, c);
  };
  add("byte count beyond the buffer", [](Crafted& c) {
    c.nbytes = static_cast<int>(c::max_bytes(10)) + 4;
    c.bytes.resize(static_cast<std::size_t>(c.nbytes), 0);
  });
  add("byte count far beyond the data", [](Crafted& c) { c.nbytes = 0x7FFFFFF0; });
  add("negative byte count", [](Crafted& c) { c.nbytes = -8; });
  add("too few bytes for the atoms", [](Crafted& c) {
    c.natoms = c.n = 1000;
    c.nbytes = 3;
  });
  add("small index 8", [](Crafted& c) { c.smallidx = 8; });
  add("small index 73", [](Crafted& c) { c.smallidx = 73; });
  add("negative atom count", [](Crafted& c) { c.natoms = c.n = -5; });
  add("header count differs from block count", [](Crafted& c) { c.natoms = 11; });
  add("precision zero", [](Crafted& c) { c.prec = 0.0f; });
  add("precision negative", [](Crafted& c) { c.prec = -1000.0f; });
  add("precision NaN", [](Crafted& c) { c.prec = std::numeric_limits<float>::quiet_NaN(); });
  add("precision infinite", [](Crafted& c) { c.prec = std::numeric_limits<float>::infinity(); });
  add("precision whose reciprocal overflows", [](Crafted& c) { c.prec = 1e-45f; });
  add("coordinates beyond the float range at a tiny precision", [](Crafted& c) {
    c.prec = 1e-38f;  // 1/p is finite, 1000 x 1/p is not
    for (int a = 0; a < 3; ++a) c.minint[a] = c.maxint[a] = 1000;
  });
  add("maximum below minimum", [](Crafted& c) { c.maxint[1] = -1; });
  add("range of 2^32", [](Crafted& c) {
    c.minint[0] = std::numeric_limits<int>::min();
    c.maxint[0] = std::numeric_limits<int>::max();
  });
  add("step above 72", [](Crafted& c) {
    c.smallidx = 72;
    Bits b;
    b.put(1, 0);
    b.put(1, 1);
    b.put(5, 2);  // run 0, step +1
    for (int k = 1; k < 10; ++k) b.put(2, 0);
    c.bytes = b.bytes();
  });
  add("step below 9", [](Crafted& c) {
    c.smallidx = 9;
    Bits b;
    b.put(1, 0);
    b.put(1, 1);
    b.put(5, 0);  // run 0, step -1
    for (int k = 1; k < 10; ++k) b.put(2, 0);
    c.bytes = b.bytes();
  });
  add("run past the atoms", [](Crafted& c) {
    Bits b = ten_zeros(9);
    b.put(1, 0);
    b.put(1, 1);
    b.put(5, 4);  // run of 3 after the last atom
    b.put(10, 0);
    c.bytes = b.bytes();
  });
  add("run longer than 8 atoms", [](Crafted& c) {
    c.natoms = c.n = 20;
    Bits b;
    b.put(1, 0);
    b.put(1, 1);
    b.put(5, 28);  // run 27
    for (int k = 0; k < 20; ++k) b.put(10, 0);
    c.bytes = b.bytes();
  });
  add("bits read past the byte count", [](Crafted& c) { c.bytes.resize(1); });
  add("cut inside the packed bytes", [](Crafted& c) {
    c.nbytes = 12;
    c.bytes.resize(4, 0);
  });

  for (const auto& [what, c] : cases) {
    auto file = frame_file(c);
    EXPECT_EQ(read_frames(file), ReadResult::bad) << what;
  }

  Crafted other = base;
  other.magic = 1996;
  EXPECT_EQ(read_frames(frame_file(other)), ReadResult::not_xtc);
}

TEST(Reader, TruncatedFilesEndCleanlyOnlyAtFrameBoundaries) {
  for (const char* name : {"water4.xtc", "water3.xtc"}) {
    auto whole = read_file(data_dir + name);
    std::vector<Frame> frames;
    ASSERT_EQ(read_frames(whole, &frames), ReadResult::end);
    std::vector<std::size_t> ends;  // byte offsets of the frame ends
    {
      auto again = write_frames(frames, "ends.xtc");
      ASSERT_EQ(again, whole);
      std::size_t pos = 0;
      for (const auto& f : frames) {
        auto one = write_frames({f}, "one.xtc");
        pos += one.size();
        ends.push_back(pos);
      }
    }
    for (std::size_t len = 0; len < whole.size(); ++len) {
      std::vector<Frame> back;
      ReadResult r = read_frames(whole.substr(0, len), &back);
      int complete = 0;
      bool boundary = len == 0;
      for (std::size_t e : ends) {
        if (e <= len) ++complete;
        if (e == len) boundary = true;
      }
      EXPECT_EQ(back.size(), static_cast<std::size_t>(complete)) << name << " cut at " << len;
      EXPECT_EQ(r, boundary ? ReadResult::end : ReadResult::bad) << name << " cut at " << len;
    }
  }
  // Every cut of a large compressed frame.
  std::vector<Frame> frames;
  ASSERT_EQ(read_frames(read_file(data_dir + "wild.xtc"), &frames), ReadResult::end);
  auto first = write_frames({frames[0]}, "first.xtc");
  for (std::size_t len = 1; len < first.size(); len += 1)
    ASSERT_EQ(read_frames(first.substr(0, len)), ReadResult::bad) << len;
}

TEST(Reader, SurvivesCorruptedBytesAnywhere) {
  std::mt19937 rng(17);
  for (const char* name : {"water4.xtc", "wild.xtc", "water_p1e7.xtc"}) {
    auto whole = read_file(data_dir + name);
    whole.resize(std::min<std::size_t>(whole.size(), 60000));
    int rounds = 300;
    for (int k = 0; k < rounds; ++k) {
      auto bad = whole;
      int flips = 1 + static_cast<int>(rng() % 4);
      for (int j = 0; j < flips; ++j) {
        std::size_t at = rng() % std::min<std::size_t>(bad.size(), 200 + rng() % bad.size());
        bad[at] = static_cast<char>(bad[at] ^ (1 << (rng() % 8)));
      }
      std::vector<Frame> frames;
      ReadResult r = read_frames(bad, &frames);
      EXPECT_NE(r, ReadResult::read_error);
      for (const auto& f : frames) EXPECT_EQ(f.x.size() >= static_cast<std::size_t>(f.natoms) * 3, true);
    }
  }
}

TEST(Reader, AReadErrorIsNotAnEndOfFile) {
  // Reading a directory fails with an error, not with an end of file.
  int id = tvl::xdropen(nullptr, ".", "r");
  ASSERT_NE(id, 0);
  Frame f;
  EXPECT_EQ(tvl::xtc::read_frame(id, f), ReadResult::read_error);
  int ret = 0;
  tvl::xdrfclose(id, ret);

  EXPECT_EQ(read_frames(""), ReadResult::end);
}

TEST(Reader, CapsTheAtomCountAndReusesTheFrame) {
  int id = tvl::xdropen_stream(tvl::test::stream_of(read_file(data_dir + "water4.xtc")), 'r');
  Frame fr;
  EXPECT_EQ(tvl::xtc::read_frame(id, fr, 11), ReadResult::bad);
  EXPECT_EQ(fr.natoms, 12);  // the count it could not hold, for the message
  int ret = 0;
  tvl::xdrfclose(id, ret);
}

}  // namespace

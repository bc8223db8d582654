// The trajectory tools run as programs on the shared xtc files and on crd
// files made here: listings against the reference dumps, conversions both
// ways, and the refusals that keep earlier frames intact.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/text/fortran.h"
#include "common/traj/crd.h"
#include "tests/common/xdr/xtc_files.h"
#include "tests/support/reference.h"
#include "tests/support/support.h"

namespace {

using tvl::test::be32;

const std::string bin = TVL_BIN_DIR;
const std::string xtc_dir = std::string(TVL_TEST_DATA) + "/xtc";

// Runs a shell command line; returns the exit status of the program.
int sh(const std::string& cmd) {
  int st = std::system(cmd.c_str());
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::string slurp(const std::string& name) { return tvl::test::read_file(name); }
void spit(const std::string& name, const std::string& bytes) { tvl::test::write_file(name, bytes); }

bool exists(const std::string& name) { return std::ifstream(name).good(); }

// One xtc frame cut into its header items (magic .. box) and its coordinate
// block, as raw bytes.
struct RawFrame {
  std::string header, block;
};

// Splits a whole xtc file into frames by walking the frame layout.
std::vector<RawFrame> split_xtc(const std::string& b) {
  std::vector<RawFrame> frames;
  std::size_t at = 0;
  while (at < b.size()) {
    RawFrame f;
    if (at + 56 > b.size()) throw std::runtime_error("cut header");
    f.header = b.substr(at, 52);
    std::size_t start = at + 52;
    const std::uint32_t n = be32(b, start);
    std::size_t len;
    if (n <= 9) {
      len = 4 + 12 * std::size_t(n);
    } else {
      // n, precision, 3 minima, 3 maxima, small index, byte count, bytes
      const std::size_t count_at = start + 4 * 9;
      const std::uint32_t nbytes = be32(b, count_at);
      len = 4 * 10 + (nbytes + 3) / 4 * 4;
    }
    if (start + len > b.size()) throw std::runtime_error("cut block");
    f.block = b.substr(start, len);
    frames.push_back(f);
    at = start + len;
  }
  return frames;
}

// One frame as the reference dumps and trajdump listings give it.
struct TextFrame {
  long natoms = 0, step = 0;
  float time = 0;
  float box[3] = {};
  std::vector<float> xyz;
};

float to_float(const std::string& w) { return std::strtof(w.c_str(), nullptr); }

// Reference dump of an xtc test file.
std::vector<TextFrame> read_reference(const std::string& name) {
  std::vector<TextFrame> frames;
  for (auto& r : tvl::test::read_reference_dump(name)) {
    TextFrame f;
    f.natoms = r.natoms;
    f.step = r.step;
    f.time = r.time;
    f.box[0] = r.box[0];
    f.box[1] = r.box[4];
    f.box[2] = r.box[8];
    f.xyz = std::move(r.x);
    frames.push_back(std::move(f));
  }
  return frames;
}

// trajdump listing of one file: frames after its title line.
std::vector<TextFrame> read_listing(const std::string& text, std::string* title = nullptr) {
  std::istringstream in(text);
  std::string line;
  std::vector<TextFrame> frames;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::string key;
    ls >> key;
    if (key == "#") {
      if (title) *title = line;
    } else if (key == "STEP") {
      frames.emplace_back();
      std::string t;
      ls >> frames.back().step >> t;
      frames.back().time = to_float(t);
    } else if (key == "NUMATOMS") {
      ls >> frames.back().natoms;
    } else if (key == "BOX") {
      std::string a, b, c;
      ls >> a >> b >> c;
      frames.back().box[0] = to_float(a);
      frames.back().box[1] = to_float(b);
      frames.back().box[2] = to_float(c);
    } else if (key == "XYZ") {
      long i;
      std::string x, y, z;
      ls >> i >> x >> y >> z;
      EXPECT_EQ(std::size_t(i), frames.back().xyz.size() / 3 + 1) << line;
      frames.back().xyz.push_back(to_float(x));
      frames.back().xyz.push_back(to_float(y));
      frames.back().xyz.push_back(to_float(z));
    } else {
      ADD_FAILURE() << "unexpected listing line: " << line;
    }
  }
  return frames;
}

void expect_same_frames(const std::vector<TextFrame>& got, const std::vector<TextFrame>& want,
                        const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t k = 0; k < want.size(); ++k) {
    const auto& g = got[k];
    const auto& w = want[k];
    EXPECT_EQ(g.natoms, w.natoms) << what << " frame " << k + 1;
    EXPECT_EQ(g.step, w.step) << what << " frame " << k + 1;
    EXPECT_EQ(g.time, w.time) << what << " frame " << k + 1;
    for (int a = 0; a < 3; ++a) EXPECT_EQ(g.box[a], w.box[a]) << what << " frame " << k + 1;
    ASSERT_EQ(g.xyz.size(), w.xyz.size()) << what << " frame " << k + 1;
    std::size_t bad = 0;
    for (std::size_t i = 0; i < w.xyz.size(); ++i)
      if (std::memcmp(&g.xyz[i], &w.xyz[i], 4) != 0 && ++bad < 5)
        ADD_FAILURE() << what << " frame " << k + 1 << " value " << i << ": " << g.xyz[i]
                      << " != " << w.xyz[i];
    EXPECT_EQ(bad, 0u) << what << " frame " << k + 1;
  }
}

struct Fixture {
  const char* name;
  const char* prec;  // precision to write it back with
  // Whether the decoded floats carry the stored integers back exactly: not at
  // precision 1e7, where the integers exceed 2^24 and a float cannot hold them.
  bool exact = true;
};
const Fixture fixtures[] = {{"water3", "1000"},    {"water4", "1000"},
                            {"water_p100", "100"}, {"water_p1000", "1000"},
                            {"water_p1e7", "1e7", false}, {"wild", "1000"}};

TEST(Trajdump, ListsEveryReferenceTrajectoryValueByValue) {
  for (const auto& fx : fixtures) {
    const std::string xtc = xtc_dir + "/" + fx.name + ".xtc";
    ASSERT_TRUE(exists(xtc)) << xtc;
    const std::string out = std::string("dump_") + fx.name + ".txt";
    ASSERT_EQ(sh(bin + "/trajdump " + xtc + " > " + out), 0) << fx.name;
    std::string title;
    auto got = read_listing(slurp(out), &title);
    EXPECT_NE(title.find("# FILE  1 "), std::string::npos) << title;
    expect_same_frames(got, read_reference(xtc_dir + "/" + fx.name + ".txt"), fx.name);
  }
}

TEST(Trajdump, ListsTwoFilesOneAfterTheOtherWithTheirNumbers) {
  const std::string a = xtc_dir + "/water3.xtc", b = xtc_dir + "/water4.xtc";
  ASSERT_EQ(sh(bin + "/trajdump " + a + " " + b + " > two.txt"), 0);
  const std::string text = slurp("two.txt");
  const std::size_t second = text.find(" # FILE  2 ");
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(text.find(" # FILE  1 "), 0u);
  expect_same_frames(read_listing(text.substr(0, second)), read_reference(xtc_dir + "/water3.txt"), "first");
  expect_same_frames(read_listing(text.substr(second)), read_reference(xtc_dir + "/water4.txt"), "second");
}

// Every reference trajectory converted to crd and back at its own precision
// gives byte-identical coordinate blocks and the same box (precision 1e7: the
// same values to within one float step).
TEST(Packtraj, ReferenceTrajectoriesSurviveXtcCrdXtc) {
  for (const auto& fx : fixtures) {
    const std::string xtc = xtc_dir + "/" + fx.name + ".xtc";
    const std::string crd = std::string("rt_") + fx.name + ".crd";
    const std::string back = std::string("rt_") + fx.name + ".xtc";
    std::remove(crd.c_str());
    ASSERT_EQ(sh(bin + "/packtraj -r -x " + xtc + " -c " + crd + " > /dev/null"), 0) << fx.name;
    ASSERT_EQ(sh(bin + "/packtraj -c " + crd + " -x " + back + " -p " + fx.prec + " > /dev/null"), 0)
        << fx.name;
    auto want = split_xtc(slurp(xtc));
    auto got = split_xtc(slurp(back));
    ASSERT_EQ(got.size(), want.size()) << fx.name;
    for (std::size_t k = 0; k < want.size(); ++k) {
      if (fx.exact) {
        EXPECT_TRUE(got[k].block == want[k].block)
            << fx.name << " frame " << k + 1 << ": coordinate blocks of " << got[k].block.size()
            << " and " << want[k].block.size() << " bytes differ";
      }
      // magic and atom count, then the box (the step and time are the counter's)
      EXPECT_EQ(got[k].header.substr(0, 8), want[k].header.substr(0, 8)) << fx.name;
      for (int i = 0; i < 9; ++i) {
        const std::size_t at = 16 + 4 * i;
        const bool diagonal = i % 4 == 0;
        if (diagonal)
          EXPECT_EQ(got[k].header.substr(at, 4), want[k].header.substr(at, 4)) << fx.name;
        else
          EXPECT_EQ(be32(got[k].header, at), 0u) << fx.name;
      }
      EXPECT_EQ(be32(got[k].header, 8), k) << "step is the configuration counter";
    }
    if (fx.exact) continue;
    // Re-encoded from floats: every value within one float step of the original.
    ASSERT_EQ(sh(bin + "/trajdump " + back + " > " + back + ".txt"), 0);
    auto again = read_listing(slurp(back + ".txt"));
    auto ref = read_reference(xtc_dir + "/" + fx.name + ".txt");
    ASSERT_EQ(again.size(), ref.size());
    for (std::size_t k = 0; k < ref.size(); ++k) {
      ASSERT_EQ(again[k].xyz.size(), ref[k].xyz.size());
      std::size_t far = 0;
      for (std::size_t i = 0; i < ref[k].xyz.size(); ++i) {
        const float r = ref[k].xyz[i];
        far += std::fabs(again[k].xyz[i] - r) > std::nextafter(std::fabs(r), 1e30f) - std::fabs(r) + 1e-7f;
      }
      EXPECT_EQ(far, 0u) << fx.name << " frame " << k + 1;
    }
  }
}

// ---- crd -> xtc -> crd ----------------------------------------------------

tvl::crd::Frame random_frame(int n, std::mt19937& rng, float lo, float hi) {
  std::uniform_real_distribution<float> d(lo, hi);
  tvl::crd::Frame f;
  f.box[0] = 3.7f;
  f.box[1] = 4.1f;
  f.box[2] = 2.9f;
  for (int i = 0; i < n; ++i) {
    f.x.push_back(d(rng));
    f.y.push_back(d(rng));
    f.z.push_back(d(rng));
  }
  return f;
}

void write_crd(const std::string& name, int n, const std::vector<tvl::crd::Frame>& frames) {
  tvl::crd::Writer w;
  w.open(name, n);
  for (const auto& f : frames) w.write(f);
  w.close();
}

std::vector<tvl::crd::Frame> read_crd(const std::string& name) {
  tvl::crd::Reader r;
  EXPECT_TRUE(r.open(name, 1 << 20));
  std::vector<tvl::crd::Frame> frames;
  tvl::crd::Frame f;
  while (r.next(f) == tvl::crd::ReadResult::ok) frames.push_back(f);
  return frames;
}

void crd_round_trip(int n, const char* prec, double p) {
  const std::string tag = std::to_string(n) + "_" + prec;
  std::mt19937 rng(n * 7 + 1);
  std::vector<tvl::crd::Frame> frames;
  for (int k = 0; k < 4; ++k) frames.push_back(random_frame(n, rng, -2.0f, 6.0f));
  // molecule-like clusters: atoms close to their predecessor, so the coder
  // uses its short runs
  tvl::crd::Frame close = frames[0];
  for (int i = 1; i < n; ++i) {
    close.x[i] = close.x[i - 1] + 0.05f * float(i % 3);
    close.y[i] = close.y[i - 1] - 0.03f;
    close.z[i] = close.z[i - 1] + 0.011f;
  }
  frames.push_back(close);
  const std::string crd = "in_" + tag + ".crd", xtc = "mid_" + tag + ".xtc", back = "out_" + tag + ".crd";
  write_crd(crd, n, frames);
  std::remove(back.c_str());
  ASSERT_EQ(sh(bin + "/packtraj -c " + crd + " -x " + xtc + " -p " + prec + " > /dev/null"), 0) << tag;
  ASSERT_EQ(sh(bin + "/packtraj -r -c " + back + " -x " + xtc + " > /dev/null"), 0) << tag;
  auto got = read_crd(back);
  ASSERT_EQ(got.size(), frames.size()) << tag;
  // Frames of 10 atoms or more come back as the coordinate scaled and rounded
  // in single precision, times 1/precision; smaller frames exactly.
  const float pf = static_cast<float>(p), inv = 1.0f / pf;
  auto expected = [&](float x) {
    if (n <= 9) return x;
    const float v = x >= 0 ? x * pf + 0.5f : x * pf - 0.5f;
    return static_cast<float>(static_cast<int>(v)) * inv;
  };
  for (std::size_t k = 0; k < frames.size(); ++k) {
    for (int a = 0; a < 3; ++a) EXPECT_EQ(got[k].box[a], frames[k].box[a]);
    std::size_t bad = 0;
    for (int i = 0; i < n; ++i) {
      bad += got[k].x[i] != expected(frames[k].x[i]);
      bad += got[k].y[i] != expected(frames[k].y[i]);
      bad += got[k].z[i] != expected(frames[k].z[i]);
      EXPECT_LE(std::fabs(got[k].x[i] - frames[k].x[i]), 0.5 / p + 1e-5) << tag;
    }
    EXPECT_EQ(bad, 0u) << tag << " frame " << k + 1;
  }
}

TEST(Packtraj, CrdXtcCrdKeepsCoordinatesToThePrecision) {
  crd_round_trip(500, "1000", 1000.0);
  crd_round_trip(500, "100", 100.0);
  crd_round_trip(10, "1000", 1000.0);
}

TEST(Packtraj, SmallFramesOfNineAtomsOrFewerComeBackExactly) {
  for (int n : {1, 5, 9}) crd_round_trip(n, "1000", 1000.0);
  crd_round_trip(9, "100", 100.0);
}

// ---- refusals that keep the frames before ---------------------------------

TEST(Packtraj, FrameThatCannotBeEncodedStopsWithTheFramesBeforeIntact) {
  std::mt19937 rng(3);
  std::vector<tvl::crd::Frame> frames{random_frame(20, rng, 0, 3), random_frame(20, rng, 0, 3),
                                      random_frame(20, rng, 0, 3)};
  frames[2].y[7] = 5.0e7f;  // 5e10 at precision 1000: beyond the integer range
  write_crd("huge.crd", 20, frames);
  ASSERT_EQ(sh(bin + "/packtraj -c huge.crd -x huge.xtc > huge.out"), 1);
  EXPECT_NE(slurp("huge.out").find("configuration 2"), std::string::npos) << slurp("huge.out");
  EXPECT_NE(slurp("huge.out").find("too large for precision 1000.0;"), std::string::npos)
      << slurp("huge.out");
  EXPECT_EQ(slurp("huge.out").find("cannot be written"), std::string::npos) << slurp("huge.out");
  ASSERT_EQ(sh(bin + "/trajdump huge.xtc > huge.txt"), 0);
  auto got = read_listing(slurp("huge.txt"));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].step, 1);
}

TEST(Packtraj, StepIsTheCounterAndTimeTheCounterTimesDt) {
  std::mt19937 rng(4);
  write_crd("dt.crd", 12, {random_frame(12, rng, 0, 3), random_frame(12, rng, 0, 3), random_frame(12, rng, 0, 3)});
  ASSERT_EQ(sh(bin + "/packtraj -c dt.crd -x dt.xtc -dt 0.02 > /dev/null"), 0);
  ASSERT_EQ(sh(bin + "/trajdump dt.xtc > dt.txt"), 0);
  auto got = read_listing(slurp("dt.txt"));
  ASSERT_EQ(got.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(got[k].step, k);
    EXPECT_EQ(got[k].time, static_cast<float>(k * 0.02));
  }
  ASSERT_EQ(sh(bin + "/packtraj -c dt.crd -x dt1.xtc > /dev/null"), 0);
  ASSERT_EQ(sh(bin + "/trajdump dt1.xtc > dt1.txt"), 0);
  got = read_listing(slurp("dt1.txt"));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[2].time, 2.0f);
}

TEST(Packtraj, ReverseOfACutFileKeepsTheCompleteFramesAndFails) {
  const std::string whole = slurp(xtc_dir + "/water_p1000.xtc");
  auto frames = split_xtc(whole);
  ASSERT_GE(frames.size(), 3u);
  const std::size_t two = frames[0].header.size() + frames[0].block.size() + frames[1].header.size() +
                          frames[1].block.size();
  spit("cut.xtc", whole.substr(0, two + 52 + frames[2].block.size() / 2));
  std::remove("cut.crd");
  EXPECT_EQ(sh(bin + "/packtraj -r -x cut.xtc -c cut.crd > cut.out"), 1);
  const std::string out = slurp("cut.out");
  EXPECT_NE(out.find("frame 3"), std::string::npos) << out;
  auto got = read_crd("cut.crd");
  ASSERT_EQ(got.size(), 2u);
  auto ref = read_reference(xtc_dir + "/water_p1000.txt");
  for (std::size_t i = 0; i < 30; ++i) EXPECT_EQ(got[1].x[i], ref[1].xyz[3 * i]);
}

TEST(Trajdump, CutFrameWarnsOnStandardErrorAndTheNextFileFollows) {
  const std::string whole = slurp(xtc_dir + "/water4.xtc");
  auto frames = split_xtc(whole);
  const std::size_t len = 2 * (52 + frames[0].block.size());
  spit("cut4.xtc", whole.substr(0, len + 60));
  EXPECT_EQ(sh(bin + "/trajdump cut4.xtc " + xtc_dir + "/water3.xtc > cut4.txt 2> cut4.err"), 1);
  const std::string err = slurp("cut4.err");
  EXPECT_NE(err.find("cut4.xtc"), std::string::npos) << err;
  EXPECT_NE(err.find("frame 3"), std::string::npos) << err;
  const std::string text = slurp("cut4.txt");
  const std::size_t second = text.find(" # FILE  2 ");
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(read_listing(text.substr(0, second)).size(), 2u);
  expect_same_frames(read_listing(text.substr(second)), read_reference(xtc_dir + "/water3.txt"), "next");
}

// A frame header claiming more atoms than a tool holds: nothing is decoded.
std::string oversized_frame(std::uint32_t natoms) {
  std::string b;
  auto put = [&b](std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b += static_cast<char>((v >> s) & 0xFF);
  };
  put(1995);
  put(natoms);
  put(0);
  put(0);
  for (int i = 0; i < 9; ++i) put(0);
  put(natoms);
  put(0x447a0000);  // 1000.0
  for (int i = 0; i < 6; ++i) put(0);
  put(20);
  put(8);
  put(0);
  put(0);
  return b;
}

TEST(Packtraj, ReverseRejectsFramesAboveItsAtomLimitOrWithAnotherAtomCount) {
  spit("big.xtc", slurp(xtc_dir + "/water3.xtc") + oversized_frame(100001));
  std::remove("big.crd");
  EXPECT_EQ(sh(bin + "/packtraj -r -x big.xtc -c big.crd > big.out"), 1);
  EXPECT_NE(slurp("big.out").find("100001"), std::string::npos) << slurp("big.out");
  EXPECT_EQ(read_crd("big.crd").size(), 10u);

  spit("mixed.xtc", slurp(xtc_dir + "/water3.xtc") + slurp(xtc_dir + "/water4.xtc"));
  std::remove("mixed.crd");
  EXPECT_EQ(sh(bin + "/packtraj -r -x mixed.xtc -c mixed.crd > mixed.out"), 1);
  EXPECT_NE(slurp("mixed.out").find("frame 11"), std::string::npos) << slurp("mixed.out");
  EXPECT_EQ(read_crd("mixed.crd").size(), 10u);
}

TEST(Trajdump, FrameAboveTheBufferEndsThatFileWithAMessage) {
  spit("big1.xtc", slurp(xtc_dir + "/water3.xtc") + oversized_frame(1000001));
  EXPECT_EQ(sh(bin + "/trajdump big1.xtc " + xtc_dir + "/water4.xtc > big1.txt 2> big1.err"), 1);
  EXPECT_NE(slurp("big1.err").find("1000001"), std::string::npos) << slurp("big1.err");
  const std::string text = slurp("big1.txt");
  const std::size_t second = text.find(" # FILE  2 ");
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(read_listing(text.substr(0, second)).size(), 10u);
  EXPECT_EQ(read_listing(text.substr(second)).size(), 10u);
}

}  // namespace

namespace {

// Damaged files (bytes changed, files cut) never crash the tools: each run
// ends with status 0 or 1, and -r leaves no crd file behind when no frame
// could be converted.
TEST(Damaged, CorruptXtcFilesEndWithAStatusNeverACrash) {
  const std::string sources[] = {slurp(xtc_dir + "/water4.xtc"), slurp(xtc_dir + "/wild.xtc"),
                                 slurp(xtc_dir + "/water3.xtc")};
  std::mt19937 rng(2024);
  for (int k = 0; k < 40; ++k) {
    std::string b = sources[k % 3];
    const int flips = 1 + static_cast<int>(rng() % 6);
    for (int j = 0; j < flips; ++j) b[rng() % b.size()] = static_cast<char>(rng() & 0xFF);
    if (k % 4 == 3) b.resize(rng() % b.size());
    spit("damaged.xtc", b);
    const int d = sh(bin + "/trajdump damaged.xtc > /dev/null 2>&1");
    EXPECT_TRUE(d == 0 || d == 1) << "trajdump case " << k << " status " << d;
    std::remove("damaged.crd");
    const int p = sh(bin + "/packtraj -r -x damaged.xtc -c damaged.crd > damaged.out 2>&1");
    EXPECT_TRUE(p == 0 || p == 1) << "packtraj case " << k << " status " << p;
    if (p == 1 && slurp("damaged.out").find("complete frames before it") == std::string::npos) {
      EXPECT_FALSE(exists("damaged.crd")) << "case " << k << ": " << slurp("damaged.out");
    }
  }
}

}  // namespace

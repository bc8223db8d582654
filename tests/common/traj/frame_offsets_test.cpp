// The offset scan and the in-order parallel read: on whole, cut and damaged
// files, the frames delivered through them, followed by the sequential
// reader from where they stop, are exactly those of a sequential read, with
// the same ending.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/traj/crd.h"
#include "common/traj/frame_offsets.h"
#include "common/traj/frame_pipeline.h"
#include "common/traj/xtc_in_order.h"
#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"
#include "helpers.h"

using namespace tvl;

namespace {

std::string xtc_data(const std::string& name) { return std::string(TVL_TEST_DATA) + "/xtc/" + name; }

// Frames as the sequential reader would deliver them, and how it ended.
struct XtcRun {
  std::vector<xtc::Frame> frames;
  xtc::ReadResult last = xtc::ReadResult::end;
  int too_many = 0;  // the atom count of a frame refused for it
};

bool same_frame(const xtc::Frame& a, const xtc::Frame& b) {
  return a.natoms == b.natoms && a.step == b.step && std::memcmp(&a.time, &b.time, 4) == 0 &&
         std::memcmp(a.box, b.box, sizeof a.box) == 0 &&
         std::memcmp(a.x.data(), b.x.data(), 12 * static_cast<std::size_t>(a.natoms)) == 0;
}

void expect_same(const XtcRun& want, const XtcRun& got, const std::string& what) {
  ASSERT_EQ(want.frames.size(), got.frames.size()) << what;
  for (std::size_t k = 0; k < want.frames.size(); ++k)
    EXPECT_TRUE(same_frame(want.frames[k], got.frames[k])) << what << ", frame " << k + 1;
  EXPECT_EQ(want.last, got.last) << what;
  EXPECT_EQ(want.too_many, got.too_many) << what;
}

// Reads on sequentially from where the stream stands.
void read_rest(int id, XtcRun& run, int max_atoms) {
  xtc::Frame f;
  while ((run.last = xtc::read_frame(id, f, max_atoms)) == xtc::ReadResult::ok) run.frames.push_back(f);
  if (run.last == xtc::ReadResult::bad && f.natoms > max_atoms) run.too_many = f.natoms;
}

XtcRun sequential(const std::string& name, int max_atoms) {
  XtcRun run;
  XdrFile in(name, "r");
  EXPECT_TRUE(in.is_open());
  read_rest(in.id(), run, max_atoms);
  return run;
}

// Through the scan and the workers, then sequentially from where they stopped.
XtcRun in_order(const std::string& name, unsigned threads, int max_atoms) {
  XtcRun run;
  XdrFile in(name, "r");
  EXPECT_TRUE(in.is_open());
  traj::XtcInOrder opt;
  opt.xdrid = in.id();
  opt.name = name;
  opt.threads = threads;
  opt.max_atoms = max_atoms;
  std::vector<int> prepared(traj::xtc_slots(opt), -1);
  traj::read_xtc_in_order(
      opt, [&](const xtc::Frame& f, std::size_t slot) { prepared[slot] = f.step; },
      [&](const xtc::Frame& f, std::size_t slot) {
        EXPECT_EQ(prepared[slot], f.step);  // the worker's work on this frame is there
        run.frames.push_back(f);
        return true;
      });
  read_rest(in.id(), run, max_atoms);
  return run;
}

void expect_in_order_as_sequential(const std::string& name, const std::string& what, int max_atoms = 1 << 28,
                                   std::initializer_list<unsigned> thread_counts = {1u, 3u}) {
  const XtcRun want = sequential(name, max_atoms);
  for (unsigned threads : thread_counts)
    expect_same(want, in_order(name, threads, max_atoms), what + ", " + std::to_string(threads) + " threads");
}

// The start of every frame, from the sequential reader's positions.
std::vector<long long> frame_starts(const std::string& name) {
  XdrFile in(name, "r");
  std::vector<long long> at{0};
  xtc::Frame f;
  while (xtc::read_frame(in.id(), f) == xtc::ReadResult::ok) at.push_back(ftello(xdr_file(in.id())));
  return at;
}

class WholeXtc : public testing::TestWithParam<const char*> {};

TEST_P(WholeXtc, ScanFindsEveryFrameWhereTheReaderDoesAndDecodesThemAlike) {
  const std::string name = xtc_data(GetParam());
  const traj::FrameFile file(name);
  ASSERT_TRUE(file.is_open());
  const traj::FrameOffsets at = traj::scan_xtc(file, 1 << 28);
  EXPECT_EQ(at.start, frame_starts(name));
  EXPECT_TRUE(at.whole_file);
  const XtcRun want = sequential(name, 1 << 28);
  ASSERT_EQ(at.frames(), want.frames.size());
  std::vector<unsigned char> bytes;
  xtc::Frame f;
  for (std::size_t k = 0; k < at.frames(); ++k) {
    ASSERT_TRUE(file.read(at.offset(k), at.size(k), bytes));
    ASSERT_EQ(xtc::decode_frame(bytes.data(), bytes.size(), f), xtc::ReadResult::ok);
    EXPECT_TRUE(same_frame(want.frames[k], f)) << "frame " << k + 1;
    // one byte short or one too many is not that frame
    EXPECT_NE(xtc::decode_frame(bytes.data(), bytes.size() - 1, f), xtc::ReadResult::ok);
    bytes.push_back(0);
    EXPECT_NE(xtc::decode_frame(bytes.data(), bytes.size(), f), xtc::ReadResult::ok);
  }
  expect_in_order_as_sequential(name, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WholeXtc,
                         testing::Values("water3.xtc", "water4.xtc", "wild.xtc", "water_p1000.xtc"));

TEST(XtcScan, CutAnywhereEndsWhereTheSequentialReadEnds) {
  // every cut of the compressed file, every third of the plain one
  for (const char* file : {"water4.xtc", "water3.xtc"}) {
    const std::string whole = test::read_file(xtc_data(file));
    const std::vector<long long> starts = frame_starts(xtc_data(file));
    const std::size_t step = file[5] == '4' ? 1 : 3;
    for (std::size_t len = 0; len <= whole.size(); len += step) {
      test::write_file("cut.xtc", whole.substr(0, len));
      const traj::FrameFile f("cut.xtc");
      const traj::FrameOffsets at = traj::scan_xtc(f, 1 << 28);
      // the frames found are those wholly before the cut
      std::size_t whole_frames = 0;
      while (whole_frames + 1 < starts.size() && starts[whole_frames + 1] <= static_cast<long long>(len)) ++whole_frames;
      EXPECT_EQ(at.frames(), whole_frames) << file << " cut at " << len;
      EXPECT_EQ(at.whole_file, at.resume_at() == static_cast<long long>(len)) << file << " cut at " << len;
      expect_in_order_as_sequential("cut.xtc", std::string(file) + " cut at " + std::to_string(len), 1 << 28,
                                    {len % 4 ? 1u : 3u});
    }
  }
}

TEST(XtcScan, DamagedByteAnywhereGivesTheSequentialFramesAndEnding) {
  const std::string whole = test::read_file(xtc_data("water4.xtc"));
  for (std::size_t p = 0; p < whole.size(); ++p)
    for (unsigned char v : {0x00, 0xFF, 0x7F}) {
      std::string bytes = whole;
      bytes[p] = static_cast<char>(v);
      test::write_file("damaged.xtc", bytes);
      // mostly on one thread, every fourth case on several
      const unsigned threads = (p + v) % 4 ? 1u : 3u;
      expect_in_order_as_sequential("damaged.xtc", "byte " + std::to_string(p) + " = " + std::to_string(v),
                                    1 << 28, {threads});
    }
}

TEST(XtcScan, AtomLimitEndsTheScanAsItEndsTheRead) {
  // the wild file's frames hold 997 atoms: a limit below ends at frame 1
  const std::string name = xtc_data("wild.xtc");
  const traj::FrameFile file(name);
  EXPECT_EQ(traj::scan_xtc(file, 996).frames(), 0u);
  EXPECT_FALSE(traj::scan_xtc(file, 996).whole_file);
  expect_in_order_as_sequential(name, "limit 996", 996);
}

TEST(XtcScan, FileThatCannotBeOpenedHasNoFrames) {
  const traj::FrameFile file("missing.xtc");
  EXPECT_FALSE(file.is_open());
  const traj::FrameOffsets at = traj::scan_xtc(file, 100);
  EXPECT_EQ(at.frames(), 0u);
  EXPECT_EQ(at.resume_at(), 0);
}

// ---- crd ----------------------------------------------------------------------

struct CrdRun {
  std::vector<crd::Frame> frames;
  std::string ending;  // "end", "bad" or the Stop text
};

void read_rest(crd::Reader& r, CrdRun& run) {
  crd::Frame f;
  try {
    crd::ReadResult x;
    while ((x = r.next(f)) == crd::ReadResult::ok) run.frames.push_back(f);
    run.ending = x == crd::ReadResult::end ? "end" : "bad";
  } catch (const Stop& s) {
    for (const auto& l : s.lines) run.ending += l + "\n";
  }
}

CrdRun crd_sequential(const std::string& name, int n) {
  CrdRun run;
  crd::Reader r;
  EXPECT_TRUE(r.open(name, 1000));
  EXPECT_EQ(r.natoms(), n);
  read_rest(r, run);
  return run;
}

// The scanned records decoded on `threads` threads, then the reader resumed.
CrdRun crd_in_order(const std::string& name, int n, unsigned threads) {
  CrdRun run;
  crd::Reader r;
  EXPECT_TRUE(r.open(name, 1000));
  const traj::FrameFile file(name);
  const traj::FrameOffsets at = traj::scan_crd(file, n);
  traj::InOrder opt;
  opt.count = at.frames();
  opt.threads = threads;
  struct Slot {
    std::vector<unsigned char> bytes;
    crd::Frame f;
    bool ok = false;
  };
  std::vector<Slot> slots(opt.slots());
  const std::size_t used = traj::run_in_order(
      opt,
      [&](std::size_t k, std::size_t s) {
        slots[s].ok = file.read(at.offset(k), at.size(k), slots[s].bytes) &&
                      crd::decode_record(slots[s].bytes.data(), slots[s].bytes.size(), n, slots[s].f);
      },
      [&](std::size_t, std::size_t s) {
        if (!slots[s].ok) return false;
        run.frames.push_back(slots[s].f);
        return true;
      });
  EXPECT_TRUE(r.resume(at.offset(used), static_cast<long>(used)));
  read_rest(r, run);
  return run;
}

void expect_crd_in_order_as_sequential(const std::string& name, int n, const std::string& what) {
  testing::internal::CaptureStderr();
  const CrdRun want = crd_sequential(name, n);
  const std::string want_err = testing::internal::GetCapturedStderr();
  for (unsigned threads : {1u, 2u, 7u}) {
    testing::internal::CaptureStderr();
    const CrdRun got = crd_in_order(name, n, threads);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, want_err) << what;
    ASSERT_EQ(got.frames.size(), want.frames.size()) << what << ", " << threads << " threads";
    for (std::size_t k = 0; k < got.frames.size(); ++k) {
      EXPECT_EQ(std::memcmp(got.frames[k].box, want.frames[k].box, 12), 0) << what;
      EXPECT_EQ(got.frames[k].x, want.frames[k].x) << what;
      EXPECT_EQ(got.frames[k].z, want.frames[k].z) << what;
    }
    EXPECT_EQ(got.ending, want.ending) << what << ", " << threads << " threads";
  }
}

TEST(CrdScan, FindsFixedSizeRecordsAndEndsAtACutLikeTheReader) {
  const int n = 4;
  test::write_crd("w.crd", n, 0, 5);
  const std::string whole = test::read_file("w.crd");
  const long long rec = crd::frame_payload(n) + 8;
  const traj::FrameFile file("w.crd");
  const traj::FrameOffsets at = traj::scan_crd(file, n);
  ASSERT_EQ(at.frames(), 5u);
  EXPECT_TRUE(at.whole_file);
  for (std::size_t k = 0; k <= 5; ++k) EXPECT_EQ(at.start[k], 12 + rec * static_cast<long long>(k));
  for (std::size_t len = 12; len <= whole.size(); len += 3) {
    test::write_file("cut.crd", whole.substr(0, len));
    expect_crd_in_order_as_sequential("cut.crd", n, "cut at " + std::to_string(len));
  }
}

TEST(CrdScan, MarkersThatDoNotFitEndTheScanWithTheReadersMessage) {
  const int n = 2;
  test::write_crd("w.crd", n, 0, 4);
  const std::string whole = test::read_file("w.crd");
  const std::size_t rec = static_cast<std::size_t>(crd::frame_payload(n) + 8);
  // each marker of frame 3 in turn: too small, larger (a longer record, whose
  // extra payload is dropped), byte-swapped, and the trailing one differing
  for (std::size_t at : {12 + 2 * rec, 12 + 3 * rec - 4})
    for (std::int32_t v : {8, 40, 0x24000000, -1}) {
      std::string bytes = whole;
      std::memcpy(&bytes[at], &v, 4);
      test::write_file("bad.crd", bytes);
      expect_crd_in_order_as_sequential("bad.crd", n, "marker at " + std::to_string(at) + " = " + std::to_string(v));
    }
  // a longer record throughout is read whole
  std::string longer = whole.substr(0, 12);
  const std::int32_t len = static_cast<std::int32_t>(crd::frame_payload(n) + 8);
  for (int k = 0; k < 3; ++k) {
    std::string rec_bytes = whole.substr(12 + k * rec, rec);
    std::memcpy(&rec_bytes[0], &len, 4);
    rec_bytes.insert(rec_bytes.size() - 4, std::string(8, 'x'));
    std::memcpy(&rec_bytes[rec_bytes.size() - 4], &len, 4);
    longer += rec_bytes;
  }
  test::write_file("longer.crd", longer);
  EXPECT_EQ(traj::scan_crd(traj::FrameFile("longer.crd"), n).frames(), 3u);
  expect_crd_in_order_as_sequential("longer.crd", n, "longer records");
}

// ---- the in-order pass ----------------------------------------------------------

class InOrderPass : public testing::TestWithParam<unsigned> {};

TEST_P(InOrderPass, UsesEveryFrameInOrderWithItsOwnWork) {
  traj::InOrder opt;
  opt.count = 200;
  opt.threads = GetParam();
  std::vector<std::size_t> slot_of(opt.slots());
  std::atomic<int> busy{0}, most{0};
  std::atomic<std::size_t> done{0};
  std::vector<std::size_t> seen;
  const std::size_t used = traj::run_in_order(
      opt,
      [&](std::size_t k, std::size_t s) {
        EXPECT_LT(k, done.load() + opt.slots());  // never more frames in memory than slots
        const int now = ++busy;
        for (int m = most.load(); now > m && !most.compare_exchange_weak(m, now);) {
        }
        slot_of[s] = k * k;
        --busy;
      },
      [&](std::size_t k, std::size_t s) {
        EXPECT_EQ(slot_of[s], k * k);
        seen.push_back(k);
        done = k + 1;
        return true;
      });
  EXPECT_EQ(used, 200u);
  ASSERT_EQ(seen.size(), 200u);
  for (std::size_t k = 0; k < seen.size(); ++k) EXPECT_EQ(seen[k], k);
  EXPECT_LE(most.load(), static_cast<int>(GetParam()));
}

TEST_P(InOrderPass, StopsWhereUseSaysAndPassesOnWhatWorkThrows) {
  traj::InOrder opt;
  opt.count = 100;
  opt.threads = GetParam();
  std::size_t last = 0;
  EXPECT_EQ(traj::run_in_order(
                opt, [](std::size_t, std::size_t) {},
                [&](std::size_t k, std::size_t) {
                  last = k;
                  return k < 37;
                }),
            37u);
  EXPECT_EQ(last, 37u);

  std::vector<std::size_t> seen;
  EXPECT_THROW(traj::run_in_order(
                   opt,
                   [](std::size_t k, std::size_t) {
                     if (k == 50) throw std::runtime_error("frame 51");
                   },
                   [&](std::size_t k, std::size_t) {
                     seen.push_back(k);
                     return true;
                   }),
               std::runtime_error);
  EXPECT_EQ(seen.size(), 50u);  // every frame before the one that failed

  EXPECT_THROW(traj::run_in_order(
                   opt, [](std::size_t, std::size_t) {},
                   [](std::size_t k, std::size_t) -> bool {
                     if (k == 3) throw std::runtime_error("use");
                     return true;
                   }),
               std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(Threads, InOrderPass, testing::Values(1u, 2u, 3u, 7u));

}  // namespace

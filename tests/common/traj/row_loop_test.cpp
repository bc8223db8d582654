// The frame loop with its per-frame work on worker threads (frame_loop_rows)
// against the plain frame loop, on 1, 2, 3 and 7 threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "alloc_count.h"
#include "common/traj/trajectory.h"
#include "helpers.h"

using namespace tvl;
using tvl::traj::Kind;

namespace {

// Rows of the row loop: the kept frame's number (box x), its centre of mass
// and last site; reduce stops on the frames named in `stop_on` (by box x).
struct RowRun {
  std::vector<std::vector<float>> rows;
  std::string out, err, stop;
};

RowRun row_loop(const std::vector<std::string>& names, int ngap, unsigned threads, std::vector<int> stop_on = {}) {
  const int n = 4;
  config::Configuration c = test::sites(n);
  traj::TrajList list{Kind::crd, names, ngap};
  RowRun r;
  traj::RowLoop rows;
  rows.threads = threads;
  rows.row = 3;
  rows.reduce = [&](const config::Configuration& k, long f, float* row) {
    for (int s : stop_on)
      if (static_cast<int>(k.box[0]) == s) tvl::stop({"stop at " + std::to_string(f)});
    row[0] = static_cast<float>(k.box[0]);
    row[1] = static_cast<float>(k.x[n - 1]);
    row[2] = static_cast<float>(k.z[n - 1]);
  };
  // Odd thread counts reduce into a room of 8 rows (the rest into scratch).
  std::vector<float> room(8 * 3, -1.0f);
  if (threads % 2 == 1)
    rows.room = [&](long, long& held) {
      held = 8;
      return room.data();
    };
  rows.place = [&](long f, bool written) {
    EXPECT_EQ(f, static_cast<long>(r.rows.size()) + 1);
    EXPECT_EQ(written, threads % 2 == 1 && f <= 8);
    r.rows.emplace_back(3, -1.0f);
    if (written) std::copy_n(room.begin() + 3 * (f - 1), 3, r.rows.back().begin());
    return r.rows.back().data();
  };
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  try {
    const long kept = traj::frame_loop_rows(list, c, rows);
    EXPECT_EQ(kept, static_cast<long>(r.rows.size()));
  } catch (const tvl::Stop& s) {
    r.stop = s.lines.at(0);
  }
  std::fflush(stdout);
  r.out = testing::internal::GetCapturedStdout();
  r.err = testing::internal::GetCapturedStderr();
  return r;
}

class RowLoopThreads : public ::testing::TestWithParam<unsigned> {};

}  // namespace

// Groups across files, a file passed over and a cut file give the same rows,
// output and warnings as the plain frame loop on every thread count; a stop
// in the reduction comes only for a kept frame, in its turn.
TEST_P(RowLoopThreads, KeepWhatTheFrameLoopKeeps) {
  test::write_crd("r5.crd", 4, 1, 5);
  test::write_crd("r7.crd", 4, 6, 7);
  const std::string whole = test::read_file("r7.crd");
  test::write_file("rcut.crd", whole.substr(0, whole.size() - 30));  // frames 6 .. 11 and a cut one
  const std::vector<std::string> names = {"r5.crd", "none.crd", "rcut.crd", "r5.crd"};
  for (int gap : {1, 2, 3, 5}) {
    const test::LoopRun plain = test::loop(names, gap);
    const RowRun r = row_loop(names, gap, GetParam());
    ASSERT_EQ(r.rows.size(), plain.kept.size()) << gap;
    for (std::size_t k = 0; k < r.rows.size(); ++k) {
      EXPECT_EQ(r.rows[k][0], static_cast<float>(plain.kept[k]));
      const crd::Frame e = test::frame(4, plain.kept[k]);
      EXPECT_EQ(r.rows[k][1], e.x[3]);
      EXPECT_EQ(r.rows[k][2], e.z[3]);
    }
    EXPECT_EQ(r.out, plain.out) << gap;
    EXPECT_EQ(r.err, plain.err) << gap;
    EXPECT_EQ(r.stop, "");
  }
  // 1 .. 5, 6 .. 11, 1 .. 5 in groups of 3 keep 1, 4, 7, 10, 2 (a group
  // across two files); a stop on a skipped frame or on the first of the last,
  // incomplete group (5) never comes
  EXPECT_EQ(row_loop(names, 3, GetParam(), {3, 2}).stop, "stop at 5");
  EXPECT_EQ(row_loop(names, 3, GetParam(), {6, 9, 5}).stop, "");
  EXPECT_EQ(row_loop(names, 3, GetParam(), {10, 4}).stop, "stop at 2");
}

INSTANTIATE_TEST_SUITE_P(Threads, RowLoopThreads, ::testing::Values(1u, 2u, 3u, 7u));

// Frames are read, decoded, placed and reduced into storage that is reused:
// the allocations of the row loop do not grow with each frame.
TEST_P(RowLoopThreads, AllocatesNothingPerFrame) {
  test::write_crd("a20.crd", 30, 0, 20);
  test::write_crd("a60.crd", 30, 0, 60);
  std::vector<float> room(60 * 3);
  auto count = [&](const std::string& name) {
    config::Configuration c = test::sites(30);
    traj::RowLoop rows;
    rows.threads = GetParam();
    rows.row = 3;
    rows.reduce = [](const config::Configuration& k, long, float* row) { row[0] = static_cast<float>(k.box[0]); };
    rows.room = [&](long, long& held) {
      held = 60;
      return room.data();
    };
    rows.place = [&](long f, bool) { return room.data() + 3 * (f - 1); };
    traj::LoopOptions opt;
    opt.echo_names = false;
    const long before = test::allocations();
    EXPECT_EQ(traj::frame_loop_rows({Kind::crd, {name}, 1}, c, rows, opt), name == "a20.crd" ? 20 : 60);
    return test::allocations() - before;
  };
  // only the file's list of frame offsets grows, by doubling
  EXPECT_LE(count("a60.crd") - count("a20.crd"), 3);
}

// Molecules broken across a triclinic box are joined site after site;
// whole ones, and sites of different molecules, keep every bit.
TEST(MakeWhole, JoinsBrokenMoleculesAndLeavesWholeOnesAsTheyAre) {
  config::Configuration c = test::sites(6);  // molecules of sites 1-3 and 4-6
  const float box[3][3] = {{2.0f, 0, 0}, {0.5f, 3.0f, 0}, {0.25f, 0.5f, 4.0f}};
  const double in[6][3] = {{0.1, 0.1, 0.1}, {1.9, 0.2, 3.9},      {0.3, 2.9, 0.1},
                           {1.5, 1.5, 1.5}, {1.6000001, 1.5, 1.5}, {1.6, 1.6, 1.4}};
  // site 2 is one c back (then one a back), site 3 one b back from site 2
  const double want[6][3] = {{0.1, 0.1, 0.1}, {1.9 - 0.25 - 2.0, 0.2 - 0.5, 3.9 - 4.0},
                             {0.3 - 0.5, 2.9 - 3.0, 0.1}, {1.5, 1.5, 1.5}, {1.6000001, 1.5, 1.5}, {1.6, 1.6, 1.4}};
  for (int s = 0; s < 6; ++s) {
    c.x[s] = in[s][0];
    c.y[s] = in[s][1];
    c.z[s] = in[s][2];
  }
  traj::make_whole(c, box);
  for (int s = 0; s < 6; ++s) {
    EXPECT_DOUBLE_EQ(c.x[s], want[s][0]) << s;
    EXPECT_DOUBLE_EQ(c.y[s], want[s][1]) << s;
    EXPECT_DOUBLE_EQ(c.z[s], want[s][2]) << s;
  }
  EXPECT_EQ(c.x[4], 1.6000001);  // bit for bit
  const float none[3][3] = {};
  c.x[1] = 100.0;
  traj::make_whole(c, none);
  EXPECT_EQ(c.x[1], 100.0);
}

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "common/traj/trajectory.h"
#include "tests/support/reference.h"
#include "alloc_count.h"
#include "helpers.h"

using namespace tvl;
using tvl::traj::Kind;

namespace {

struct LoopRun {
  std::vector<int> kept;  // box[0] of every kept frame = its frame number in the sequence
  std::string out, err;
  long count = 0;
};

LoopRun loop(const std::vector<std::string>& names, int ngap, int n = 4) {
  config::Configuration c = test::sites(n);
  traj::Buffers b;
  traj::allocate(b);
  traj::TrajList list{Kind::crd, names, ngap};
  LoopRun r;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  try {
    r.count = traj::frame_loop(list, c, b, [&](long f) {
      EXPECT_EQ(f, static_cast<long>(r.kept.size()) + 1);
      r.kept.push_back(static_cast<int>(c.box[0]));
      // The configuration holds that frame, centres of mass included.
      const crd::Frame e = test::frame(n, static_cast<int>(c.box[0]));
      for (int s = 0; s < n; ++s) EXPECT_EQ(c.z[s], e.z[s]);
      EXPECT_DOUBLE_EQ(c.xcm[0], (1 * c.x[0] + 2 * c.x[1] + 3 * c.x[2]) / 6.0);
    });
  } catch (...) {
    std::fflush(stdout);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    throw;
  }
  std::fflush(stdout);
  r.out = testing::internal::GetCapturedStdout();
  r.err = testing::internal::GetCapturedStderr();
  return r;
}

// Runs the frame loop over the list with buffers for nmax sites, without
// echoing the names; returns the number of kept frames.
long run(const traj::TrajList& list, config::Configuration& c,
         const std::function<void(long)>& on_frame = [](long) {}, int nmax = tvl::nmax) {
  traj::Buffers b;
  traj::allocate(b, nmax);
  traj::LoopOptions opt;
  opt.nmax = nmax;
  opt.echo_names = false;
  return traj::frame_loop(list, c, b, on_frame, opt);
}

}  // namespace

TEST(FrameLoop, GapKeepsTheFirstOfEveryCompleteGroup) {
  test::write_crd("t5.crd", 4, 1, 5);
  test::write_crd("t6.crd", 4, 1, 6);
  EXPECT_EQ(loop({"t5.crd"}, 2).kept, (std::vector<int>{1, 3}));
  EXPECT_EQ(loop({"t6.crd"}, 2).kept, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(loop({"t6.crd"}, 1).kept, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(loop({"t6.crd"}, 0).kept, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  const LoopRun r = loop({"t6.crd"}, 3);
  EXPECT_EQ(r.kept, (std::vector<int>{1, 4}));
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(r.out, "    t6.crd\n");
  EXPECT_EQ(r.err, "");  // no counter: standard error is not a terminal here
}

TEST(FrameLoop, SeveralFilesGiveTheFramesOfOneFileHoldingThemAll) {
  test::write_crd("all.crd", 4, 1, 11);
  test::write_crd("p1.crd", 4, 1, 4);
  test::write_crd("p2.crd", 4, 5, 3);
  test::write_crd("p3.crd", 4, 8, 4);
  for (int gap = 1; gap <= 6; ++gap) {
    const LoopRun one = loop({"all.crd"}, gap);
    const LoopRun three = loop({"p1.crd", "p2.crd", "p3.crd"}, gap);
    EXPECT_EQ(three.kept, one.kept) << "gap " << gap;
    EXPECT_EQ(three.out, "    p1.crd\n    p2.crd\n    p3.crd\n");
  }
  EXPECT_EQ(loop({"p1.crd", "p2.crd", "p3.crd"}, 3).kept, (std::vector<int>{1, 4, 7}));
}

TEST(FrameLoop, BuffersAreAllocatedOnceNotPerFrameOrFile) {
  // Allocations of a loop over one file and over thirty files of ten frames
  // each: the frame buffers are allocated once, before the loop.
  test::write_crd("a10.crd", 30, 1, 10);
  auto count = [](int files) {
    config::Configuration c = test::sites(30);
    traj::Buffers b;
    traj::allocate(b);
    traj::TrajList list{Kind::crd, std::vector<std::string>(files, "a10.crd"), 3};
    traj::LoopOptions opt;
    opt.echo_names = false;
    opt.counter = false;
    const long before = test::allocations();
    long kept = 0;
    const std::function<void(long)> on_frame = [&](long) { ++kept; };
    const long frames = traj::frame_loop(list, c, b, on_frame, opt);
    EXPECT_EQ(frames, files * 10 / 3);
    return test::allocations() - before;
  };
  const long one = count(1);
  EXPECT_EQ(count(30), one);
}

TEST(FrameLoop, LowLevelReadFollowsTheGroupsOfOneFile) {
  test::write_crd("t7.crd", 4, 1, 5);
  config::Configuration c = test::sites(4);
  traj::Buffers b;
  traj::allocate(b);
  traj::Handle h;
  traj::open_crd_xtc(h, Kind::crd, "t7.crd", c.n);
  std::vector<int> used;
  while (h.status == 1) {
    traj::read_crd_xtc(h, 1, c, b);
    if (h.status == 1) used.push_back(static_cast<int>(c.box[0]));
  }
  traj::close_crd_xtc(h);
  traj::close_crd_xtc(h);  // harmless
  EXPECT_EQ(used, (std::vector<int>{1, 3}));
}

TEST(FrameLoop, LowLevelReadIntoAConfigurationOfOtherSizeStops) {
  // Opened without an expected count, the frame is checked against the
  // configuration it is read into, not copied past the frame's sites.
  test::write_crd("t8.crd", 5, 1, 2);
  config::Configuration c = test::sites(6);
  traj::Buffers b;
  traj::allocate(b);
  traj::Handle h;
  traj::open_crd_xtc(h, Kind::crd, "t8.crd", -1);
  ASSERT_EQ(h.status, 1);
  EXPECT_EQ(test::stop_text([&] { traj::read_crd_xtc(h, 0, c, b); }),
            " ERROR: crd-file \"t8.crd\" holds 5 sites per frame,\n"
            "        the configuration holds 6 sites\n");
}

TEST(FrameLoop, MissingOrHeaderlessCrdIsPassedOverWithAWarning) {
  test::write_crd("q1.crd", 4, 1, 3);
  test::write_crd("q2.crd", 4, 4, 3);
  test::write_file("empty.crd", "");
  const LoopRun r = loop({"q1.crd", "typo.crd", "empty.crd", "q2.crd"}, 2);
  EXPECT_EQ(r.kept, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(r.out,
            "    q1.crd\n    typo.crd\n"
            " WARNING: crd-file \"typo.crd\" is passed over: No such file or directory\n"
            "    empty.crd\n"
            " WARNING: crd-file \"empty.crd\" is passed over: the file is empty\n"
            "    q2.crd\n");
}

TEST(FrameLoop, CutFrameEndsItsFileAndTheNextFollows) {
  test::write_crd("r1.crd", 4, 1, 4);
  const std::string b = test::read_file("r1.crd");
  test::write_file("r1cut.crd", b.substr(0, b.size() - 7));  // frame 4 cut
  test::write_crd("r2.crd", 4, 5, 2);
  const LoopRun r = loop({"r1cut.crd", "r2.crd"}, 1);
  EXPECT_EQ(r.kept, (std::vector<int>{1, 2, 3, 5, 6}));
  EXPECT_EQ(r.err,
            "WARNING: crd-file \"r1cut.crd\": frame 4 is cut short; the frames before it are used\n");
  // Also when the cut frame is one of the skipped frames of a group.
  const LoopRun g = loop({"r1cut.crd", "r2.crd"}, 2);
  EXPECT_EQ(g.kept, (std::vector<int>{1, 3}));  // 1 2 | 3 (cut) 5 | 6 dropped
  EXPECT_NE(g.err.find("frame 4 is cut short"), std::string::npos);
}

TEST(FrameLoop, SiteCountMustMatchTheConfiguration) {
  test::write_crd("s1.crd", 5, 1, 2);
  int status = 0;
  EXPECT_EQ(test::stop_text([&] { loop({"s1.crd"}, 1, 4); }, &status),
            " ERROR: crd-file \"s1.crd\" holds 5 sites per frame,\n"
            "        the configuration holds 4 sites\n");
  EXPECT_EQ(status, 1);
  config::Configuration c = test::sites(5);
  EXPECT_EQ(test::stop_text([&] { run({Kind::crd, {"s1.crd"}, 1}, c, [](long) {}, 4); }),
            " ERROR: crd-file \"s1.crd\" holds 5 sites per frame,\n"
            "        more than nmax = 4 sites\n");
}

// ---- xtc -----------------------------------------------------------------

namespace {

const std::string fixtures = std::string(TVL_TEST_DATA) + "/xtc/";

}  // namespace

TEST(XtcTrajectory, FillsTheConfigurationExactlyAsTheReferenceDecoder) {
  const auto ref = test::read_reference_dump(fixtures + "water_p1000.txt");
  ASSERT_EQ(ref.size(), 10u);
  config::Configuration c = test::sites(4956);
  long seen = 0;
  const long n = run({Kind::xtc, {fixtures + "water_p1000.xtc"}, 1}, c, [&](long f) {
    const test::ReferenceFrame& e = ref[static_cast<std::size_t>(f - 1)];
    seen = f;
    for (int a = 0; a < 3; ++a) ASSERT_EQ(c.box[a], static_cast<double>(e.box[4 * a]));
    for (int s = 0; s < c.n; ++s) {
      ASSERT_EQ(c.x[s], static_cast<double>(e.x[3 * s])) << f << " " << s;
      ASSERT_EQ(c.y[s], static_cast<double>(e.x[3 * s + 1]));
      ASSERT_EQ(c.z[s], static_cast<double>(e.x[3 * s + 2]));
    }
  });
  EXPECT_EQ(n, 10);
  EXPECT_EQ(seen, 10);
}

TEST(XtcTrajectory, GroupsCarryOnAcrossXtcFiles) {
  const auto ref = test::read_reference_dump(fixtures + "water3.txt");
  ASSERT_EQ(ref.size(), 10u);
  config::Configuration c = test::sites(9);
  // water3.xtc holds 10 frames: twice makes 20, and with a gap of 3 the
  // frames 1, 4, ..., 19 are kept (6 + 1 over the boundary).
  std::vector<double> x0;
  EXPECT_EQ(run({Kind::xtc, {fixtures + "water3.xtc", fixtures + "water3.xtc"}, 3}, c,
                [&](long) { x0.push_back(c.x[0]); }),
            6);
  const int seq[] = {0, 3, 6, 9, 2, 5};  // frames 1, 4, 7, 10, 13, 16 of the sequence
  ASSERT_EQ(x0.size(), 6u);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(x0[k], static_cast<double>(ref[seq[k]].x[0])) << k;
}

TEST(XtcTrajectory, SiteCountMustMatchTheConfiguration) {
  ASSERT_FALSE(test::read_file(fixtures + "water4.xtc").empty()) << "test data missing";
  const traj::TrajList list{Kind::xtc, {fixtures + "water4.xtc"}, 1};
  config::Configuration c = test::sites(9);
  const std::string t = test::stop_text([&] { run(list, c); });
  EXPECT_EQ(t, " ERROR: xtc-file \"" + fixtures + "water4.xtc\" holds 12 sites per frame,\n" +
                   "        the configuration holds 9 sites\n");
  config::Configuration c12 = test::sites(12);
  const std::string u = test::stop_text([&] { run(list, c12, [](long) {}, 10); });
  EXPECT_NE(u.find("holds 12 sites per frame,\n        more than nmax = 10 sites"), std::string::npos)
      << u;
}

TEST(XtcTrajectory, CutFrameIsReportedAndNotUsed) {
  const std::string all = test::read_file(fixtures + "water4.xtc");
  ASSERT_FALSE(all.empty()) << "test data missing";
  test::write_file("cut4.xtc", all.substr(0, all.size() - 10));
  config::Configuration c = test::sites(12);
  testing::internal::CaptureStderr();
  const long n = run({Kind::xtc, {"cut4.xtc"}, 1}, c);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(n, 9);
  EXPECT_NE(err.find("WARNING: xtc-file \"cut4.xtc\": frame 10 is cut short or corrupt"),
            std::string::npos)
      << err;
}

TEST(XtcTrajectory, AFileThatIsNotXtcIsNamedAndTheNextFileFollows) {
  ASSERT_FALSE(test::read_file(fixtures + "water4.xtc").empty()) << "test data missing";
  test::write_crd("other.crd", 12, 0, 3);  // a crd file given in an xtc list
  config::Configuration c = test::sites(12);
  testing::internal::CaptureStderr();
  const long n = run({Kind::xtc, {"other.crd", fixtures + "water4.xtc"}, 1}, c);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(n, 10);
  EXPECT_NE(err.find("WARNING: \"other.crd\" is not an xtc file"), std::string::npos) << err;
}

TEST(XtcTrajectory, FileThatCannotBeOpenedEndsTheProgramAtItsClose) {
  config::Configuration c = test::sites(9);
  traj::Buffers b;
  traj::LoopOptions opt;
  opt.echo_names = false;
  traj::TrajList list{Kind::xtc, {"missing.xtc"}, 1};
  testing::internal::CaptureStdout();
  tvl::Stop caught;
  try {
    traj::frame_loop(list, c, b, [](long) {}, opt);
    ADD_FAILURE() << "no Stop";
  } catch (const tvl::Stop& s) {
    caught = s;
  }
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " ERROR: xtc-file \"missing.xtc\" cannot be opened\n");
  EXPECT_EQ(caught.status, 1);
  EXPECT_EQ(caught.stream, tvl::Stream::err);
  ASSERT_FALSE(caught.lines.empty());
  EXPECT_EQ(caught.lines[0], "xdrclose: passed a NULL pointer");
}

TEST(XtcTrajectory, ReadingATrajectoryThatNeverOpenedGivesNoFrameAndNoWarning) {
  config::Configuration c = test::sites(9);
  traj::Buffers b;
  traj::allocate(b);
  for (Kind kind : {Kind::xtc, Kind::crd}) {
    traj::Handle h;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    traj::open_crd_xtc(h, kind, "missing.trj", c.n);
    EXPECT_EQ(h.status, 0);
    traj::read_crd_xtc(h, 2, c, b);
    std::fflush(stdout);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(h.status, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(h.frames, 0);
  }
}

TEST(XtcTrajectory, StoredValueThatIsNotFiniteIsAFrameNotUsed) {
  // water3.xtc: uncompressed frames of 9 sites, 164 bytes each; the third
  // frame's first coordinate at byte 2 x 164 + 56 becomes NaN or infinite.
  const std::string all = test::read_file(fixtures + "water3.xtc");
  ASSERT_EQ(all.size(), 1640u) << "test data missing";
  for (const char* v : {"\x7f\xc0\x00\x00", "\x7f\x80\x00\x00", "\xff\x80\x00\x00"}) {
    std::string odd = all;
    odd.replace(2 * 164 + 56, 4, v, 4);
    test::write_file("odd3.xtc", odd);
    config::Configuration c = test::sites(9);
    testing::internal::CaptureStderr();
    const long n = run({Kind::xtc, {"odd3.xtc"}, 1}, c);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(n, 2);
    EXPECT_NE(err.find("WARNING: xtc-file \"odd3.xtc\": frame 3 is cut short or corrupt"), std::string::npos) << err;
  }
}

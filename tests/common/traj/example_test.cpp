// The water example: its structure file and crd trajectory hold the GROMACS
// water frames (first frame, and all ten frames of the p1000 fixture).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/config/structure.h"
#include "common/sysfile/system.h"
#include "common/traj/trajectory.h"
#include "tests/support/reference.h"
#include "tests/support/support.h"

using namespace tvl;

namespace {
const std::string src = std::string(TVL_TEST_DATA) + "/../../";
const std::string fixture = std::string(TVL_TEST_DATA) + "/xtc/water_p1000.txt";
}  // namespace

TEST(WaterExample, StructureAndCrdHoldTheGromacsFrames) {
  std::string name = src + "examples/water/water.str";
  config::Configuration c;
  config::Cutoff cut;
  bool found = false;
  test::capture_stdout([&] {
    const sys::SystemDescription s = sys::readsys(0, src + "examples/spce.sys");
    found = config::read_str(name, 0, s, c, cut);
  });
  ASSERT_TRUE(found);
  ASSERT_EQ(c.n, 4956);
  ASSERT_EQ(c.m, 1652);
  EXPECT_DOUBLE_EQ(c.box[0], 3.7);
  EXPECT_EQ(c.sptype[0], 0);
  EXPECT_EQ(c.sptype[1], 1);
  const std::vector<double> x0 = c.x, y0 = c.y, z0 = c.z;

  const std::vector<test::ReferenceFrame> ref = test::read_reference_dump(fixture);
  ASSERT_EQ(ref.size(), 10u);
  traj::Buffers b;
  traj::allocate(b);
  traj::TrajList list{traj::Kind::crd, {src + "examples/water/water.crd"}, 1};
  traj::LoopOptions opt;
  opt.echo_names = false;
  const long n = traj::frame_loop(list, c, b, [&](long f) {
    if (f == 1)
      for (int i = 0; i < c.n; ++i) {
        ASSERT_NEAR(c.x[i], x0[i], 1e-6);
        ASSERT_NEAR(c.y[i], y0[i], 1e-6);
        ASSERT_NEAR(c.z[i], z0[i], 1e-6);
      }
    ASSERT_LE(f, 10);
    const test::ReferenceFrame& e = ref[static_cast<std::size_t>(f - 1)];
    EXPECT_EQ(c.box[1], static_cast<double>(e.box[4]));
    for (int i = 0; i < e.natoms; ++i) {
      ASSERT_EQ(c.x[i], static_cast<double>(e.x[3 * i]));
      ASSERT_EQ(c.y[i], static_cast<double>(e.x[3 * i + 1]));
      ASSERT_EQ(c.z[i], static_cast<double>(e.x[3 * i + 2]));
    }
  }, opt);
  EXPECT_EQ(n, 10);
}

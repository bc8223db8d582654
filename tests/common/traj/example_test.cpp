// The water example: its structure file and crd trajectory hold the GROMACS
// water frames (first frame, and all ten frames of the p1000 fixture).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/config/structure.h"
#include "common/sysfile/system.h"
#include "common/traj/trajectory.h"

using namespace tvl;

namespace {
const std::string src = std::string(TVL_TEST_DATA) + "/../../";
const std::string fixture = std::string(TVL_TEST_DATA) + "/xtc/water_p1000.txt";
}  // namespace

TEST(WaterExample, StructureAndCrdHoldTheGromacsFrames) {
  testing::internal::CaptureStdout();
  const sys::SystemDescription s = sys::readsys(0, src + "examples/spce.sys");
  std::string name = src + "examples/water/water.str";
  config::Configuration c;
  config::Cutoff cut;
  const bool found = config::read_str(name, 0, s, c, cut);
  std::fflush(stdout);
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(found);
  ASSERT_EQ(c.n, 4956);
  ASSERT_EQ(c.m, 1652);
  EXPECT_DOUBLE_EQ(c.box[0], 3.7);
  EXPECT_EQ(c.sptype[0], 0);
  EXPECT_EQ(c.sptype[1], 1);
  const std::vector<double> x0 = c.x, y0 = c.y, z0 = c.z;

  std::FILE* ref = std::fopen(fixture.c_str(), "r");
  ASSERT_NE(ref, nullptr) << fixture;
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
    if (!ref) return;
    int natoms, step;
    double t, p;
    float bx[9];
    ASSERT_EQ(std::fscanf(ref, " frame %d %d %lf %lf box %f %f %f %f %f %f %f %f %f", &natoms, &step,
                          &t, &p, &bx[0], &bx[1], &bx[2], &bx[3], &bx[4], &bx[5], &bx[6], &bx[7],
                          &bx[8]),
              13);
    EXPECT_EQ(c.box[1], static_cast<double>(bx[4]));
    for (int i = 0; i < natoms; ++i) {
      float v[3];
      ASSERT_EQ(std::fscanf(ref, "%f %f %f", &v[0], &v[1], &v[2]), 3);
      ASSERT_EQ(c.x[i], static_cast<double>(v[0]));
      ASSERT_EQ(c.y[i], static_cast<double>(v[1]));
      ASSERT_EQ(c.z[i], static_cast<double>(v[2]));
    }
  }, opt);
  if (ref) std::fclose(ref);
  EXPECT_EQ(n, 10);
}

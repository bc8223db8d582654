// A GROMACS-sized box through rotcf and mucf: 33,334 rigid waters (100,002
// atoms) in a GRO file as GROMACS writes it (a 6-digit atom count, atom and
// residue numbers wrapping at 100000) and an xtc trajectory in which every
// water turns by the same angle about y from frame to frame, so that both
// analysers give P1(lag) = cos(lag angle). The build's tables take the box;
// the classic bounds stop it with their messages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "analysers/driver.h"
#include "analysers/mucf_lib.h"
#include "analysers/rotcf_lib.h"
#include "tests/analysers/invoke.h"
#include "tests/common/xdr/xtc_files.h"
#include "tests/support/support.h"

namespace tvl::an {
namespace {

constexpr int kWaters = 33334;
constexpr int kFrames = 3;
constexpr double kTurn = 0.3;  // radians per frame

// Site k of water w in frame f (nm): the model turned about y by f x kTurn,
// on a grid of 0.31 nm.
void site(int w, int k, int f, double r[3]) {
  static const double model[3][3] = {{0, 0, 0}, {0.1, 0, 0}, {-0.033331, 0.094282, 0}};
  const double c = std::cos(f * kTurn), s = std::sin(f * kTurn);
  const double* m = model[k];
  const double g[3] = {0.31 * (w % 33) + 0.2, 0.31 * (w / 33 % 33) + 0.2, 0.31 * (w / 1089) + 0.2};
  r[0] = g[0] + c * m[0] + s * m[2];
  r[1] = g[1] + m[1];
  r[2] = g[2] - s * m[0] + c * m[2];
}

void write_box() {
  test::write_file("box.sys", test::read_file(std::string(TVL_TEST_DATA) + "/sysfile/sol_rotcf.sys"));
  std::string gro = "33334 waters\n" + std::to_string(3 * kWaters) + "\n";
  char line[80];
  const char* names[3] = {"OW", "HW1", "HW2"};
  for (int w = 0; w < kWaters; ++w)
    for (int k = 0; k < 3; ++k) {
      double r[3];
      site(w, k, 0, r);
      std::snprintf(line, sizeof line, "%5dSOL  %5s%5d%8.3f%8.3f%8.3f\n", (w + 1) % 100000, names[k],
                    (3 * w + k + 1) % 100000, r[0], r[1], r[2]);
      gro += line;
    }
  gro += "  10.30000  10.30000  10.30000\n";
  test::write_file("box.gro", gro);
  std::vector<xtc::Frame> frames(kFrames);
  for (int f = 0; f < kFrames; ++f) {
    xtc::Frame& fr = frames[static_cast<std::size_t>(f)];
    fr.natoms = 3 * kWaters;
    fr.step = f;
    for (int a = 0; a < 3; ++a) fr.box[a][a] = 10.3f;
    for (int w = 0; w < kWaters; ++w)
      for (int k = 0; k < 3; ++k) {
        double r[3];
        site(w, k, f, r);
        for (double v : r) fr.x.push_back(static_cast<float>(v));
      }
  }
  test::write_frames(frames, "box.xtc");
}

std::vector<std::string> args() {
  return {"-sys", "box.sys", "-gin", "box.gro", "-xtc", "box.xtc", "-time", "1", "-tmax", "2"};
}

// Column `col` of the result file's rows.
std::vector<double> column(const std::string& name, int col) {
  std::vector<double> v;
  std::istringstream in(test::read_file(name));
  for (std::string l; std::getline(in, l);) {
    std::istringstream w(l);
    double x = 0;
    for (int c = 0; c <= col; ++c) w >> x;
    v.push_back(x);
  }
  return v;
}

TEST(LargeBox, RotcfAndMucfTakeAHundredThousandAtoms) {
  write_box();
  RunOptions opt;
  opt.nthreads = 2;
  if (classic_limits) GTEST_SKIP() << "a build with the classic capacities refuses the box";
  for (auto prog : {run_rotcf, run_mucf}) {
    Outcome r = invoke(args(), [&](int argc, char** argv) { return prog(argc, argv, opt); });
    ASSERT_EQ(r.status, 0) << (r.lines.empty() ? "" : r.lines.back());
  }
  // The plane normal lies along z and turns fully; the dipole lies in the xy
  // plane with a y part twice its x part squared, and only its x part turns.
  const std::vector<double> rot = column("rotcf_p1p2.dat", 1), mu = column("mucf_p1.dat", 1);
  ASSERT_EQ(rot.size(), 3u);
  ASSERT_EQ(mu.size(), 3u);
  for (std::size_t lag = 0; lag < 3; ++lag) {
    const double c = std::cos(static_cast<double>(lag) * kTurn);
    EXPECT_NEAR(rot[lag], c, 5e-3);  // coordinates rounded to 0.001 nm on 0.1 nm bonds
    EXPECT_NEAR(mu[lag], (c + 2.0) / 3.0, 5e-3);
  }
}

TEST(LargeBox, ClassicBoundsStopTheBox) {
  write_box();
  RunOptions opt;
  opt.limits = RunLimits::classic();
  Outcome r = invoke(args(), [&](int argc, char** argv) { return run_rotcf(argc, argv, opt); });
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[0], "ERROR: System size too large: Number of interaction sites in GROMOS input-file exceeds     8000");
  opt.limits.config.nmax = no_bound;
  r = invoke(args(), [&](int argc, char** argv) { return run_rotcf(argc, argv, opt); });
  EXPECT_EQ(r.status, 1);
  ASSERT_FALSE(r.lines.empty());
  EXPECT_EQ(r.lines[0], "ERROR: System size too large: Number of molecules in GROMOS input-file exceeds     2000");
}

}  // namespace
}  // namespace tvl::an

// rotcf and mucf end to end: hand-checked small systems on a crd trajectory,
// the water box on xtc against an independent double-precision reference,
// identical files for any thread count, and the stops of the mended faults.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "analysers/driver.h"
#include "analysers/mucf_lib.h"
#include "analysers/rotcf_lib.h"
#include "common/error.h"
#include "common/text/fortran.h"
#include "common/traj/crd.h"
#include "common/tvl_const.h"
#include "tests/analysers/invoke.h"
#include "tests/support/reference.h"
#include "tests/support/support.h"

namespace tvl::an {
namespace {

Outcome run(int (*prog)(int, char**, const RunOptions&), std::vector<std::string> args, unsigned threads = 0) {
  return invoke(std::move(args), [&](int argc, char** argv) { return prog(argc, argv, RunOptions{threads}); });
}

// Rows of numbers of a result file.
std::vector<std::vector<double>> table(const std::string& name) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(test::read_file(name));
  for (std::string line; std::getline(in, line);) {
    std::vector<double> row;
    std::istringstream w(line);
    for (double v; w >> v;) row.push_back(v);
    rows.push_back(row);
  }
  return rows;
}

using Vec = std::array<double, 3>;
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec unit(const Vec& v) {
  double n = std::sqrt(dot(v, v));
  return {v[0] / n, v[1] / n, v[2] / n};
}
Vec cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// ---------------------------------------------------------------------------
// A small system: molecule type 1 "tri" (sites a, b, c with charges -1, 0.5,
// 0.5), type 2 "duo" without molecules. Two molecules of type 1; site b lies
// 0.1 nm from a along e1, site c 0.1 nm from a along e2. Molecule 1 turns
// about x by th1(f), molecule 2 about z by th2(f); both drift through space.

const char* kSmallSys = R"(begin{sites}
  a  -1.0  16.0
  b   0.5   1.0
  c   0.5   1.0
  d   0.0  12.0
end{sites}
begin{molecule}
  label tri
  begin{configuration}
    a 0.0 0.0 0.0
    b 1.0 0.0 0.0
    c 0.0 1.0 0.0
  end{configuration}
end{molecule}
begin{molecule}
  label duo
  begin{configuration}
    d 0.0 0.0 0.0
    d 1.5 0.0 0.0
  end{configuration}
end{molecule}
begin{rotcf}
  1  1 2 1 3
  2  1 2 1 2
end{rotcf}
)";

const std::vector<double> kTh1 = {0.0, 0.3, 0.5, 1.2, 1.0, 2.0};
const std::vector<double> kTh2 = {0.0, 0.7, 0.1, -0.4, 0.9, 0.2};

// Positions of the 6 sites in frame f.
std::vector<Vec> small_frame(std::size_t f) {
  const double c1 = std::cos(kTh1[f]), s1 = std::sin(kTh1[f]);
  const double c2 = std::cos(kTh2[f]), s2 = std::sin(kTh2[f]);
  // molecule 1: e1 = x, e2 = (0, cos, sin)
  Vec o1 = {1.0 + 0.01 * f, 1.0, 1.0};
  Vec e1 = {1, 0, 0}, e2 = {0, c1, s1};
  // molecule 2: e1 = (cos, sin, 0), e2 = (-sin, cos, 0)
  Vec o2 = {2.0, 2.0 - 0.02 * f, 1.5};
  Vec g1 = {c2, s2, 0}, g2 = {-s2, c2, 0};
  auto at = [](const Vec& o, const Vec& e) { return Vec{o[0] + 0.1 * e[0], o[1] + 0.1 * e[1], o[2] + 0.1 * e[2]}; };
  return {o1, at(o1, e1), at(o1, e2), o2, at(o2, g1), at(o2, g2)};
}

std::string structure_file(const std::vector<Vec>& r) {
  std::string s = text::fmt_f(3.0, 12, 6) + text::fmt_f(3.0, 12, 6) + text::fmt_f(3.0, 12, 6) + "\n" +
                  text::fmt_i(2, 7) + "\n";
  const char* names[3] = {"a", "b", "c"};
  for (int m = 0; m < 2; ++m) {
    s += "\ntri       \n" + text::fmt_i(1, 7) + text::fmt_i(3, 7) + text::fmt_i(m + 1, 7) + "\n";
    for (int k = 0; k < 3; ++k) {
      const Vec& p = r[static_cast<std::size_t>(3 * m + k)];
      s += text::fmt_a(names[k], 10) + " " + text::fmt_i(k + 1, 4) + "\n";
      s += text::fmt_e(p[0], 15, 8) + text::fmt_e(p[1], 15, 8) + text::fmt_e(p[2], 15, 8) + "\n";
      for (int z = 0; z < 2; ++z) s += text::fmt_e(0, 15, 8) + text::fmt_e(0, 15, 8) + text::fmt_e(0, 15, 8) + "\n";
    }
  }
  return s;
}

// Writes small.sys, small.str and small.crd (frames as given).
void write_small(const std::vector<std::vector<Vec>>& frames, const std::string& sys = kSmallSys) {
  test::write_file("small.sys", sys);
  test::write_file("small.str", structure_file(frames[0]));
  crd::Writer w;
  w.open("small.crd", 6);
  for (const auto& r : frames) {
    crd::Frame fr;
    fr.box[0] = fr.box[1] = fr.box[2] = 3.0f;
    for (const Vec& p : r) {
      fr.x.push_back(static_cast<float>(p[0]));
      fr.y.push_back(static_cast<float>(p[1]));
      fr.z.push_back(static_cast<float>(p[2]));
    }
    w.write(fr);
  }
  w.close();
}

std::vector<std::vector<Vec>> small_frames() {
  std::vector<std::vector<Vec>> f;
  for (std::size_t i = 0; i < kTh1.size(); ++i) f.push_back(small_frame(i));
  return f;
}

std::vector<std::string> small_args(const std::string& tmax, std::vector<std::string> more = {}) {
  std::vector<std::string> a = {"-sys", "small.sys", "-in", "small.str", "-crd", "small.crd",
                                "-time", "0.5", "-tmax", tmax};
  a.insert(a.end(), more.begin(), more.end());
  return a;
}

TEST(Rotcf, HandCheckedTwoMoleculesOnCrd) {
  write_small(small_frames());
  Outcome r = run(run_rotcf, small_args("4", {"-tgap", "2"}));
  ASSERT_EQ(r.status, 0) << r.out;
  // the whole standard output, line by line
  EXPECT_EQ(r.out,
            " dtime:  0.5\n"
            " dtmax:  4\n"
            " dtgap:  2\n"
            " --------------------------------------------------\n"
            "\n"
            "    ROTCF\n"
            "\n"
            "    ....reading data\n"
            "\n"
            "    small.crd\n"
            "               Configurations:  6\n"
            "   Equivalent Vectors defined:  2\n"
            "      Number of Vectors found:  2\n"
            " \n"
            " Molecules....\n"
            "  1\n"
            "  2\n");
  // Plane normal of molecule 1: e1 x e2 = (0, -sin th1, cos th1), so
  // c = cos(th1(t0+tau) - th1(t0)); molecule 2: e1 x e2 = z, c = 1.
  auto rows = table("rotcf_p1p2.dat");
  ASSERT_EQ(rows.size(), 3u);  // lags 0, 2, 4
  for (std::size_t j = 0; j < 3; ++j) {
    const std::size_t tau = 2 * j;
    double p1 = 0, p2 = 0, n = 0;
    for (std::size_t t0 = 0; t0 + tau < 6; ++t0) {
      const double c = std::cos(kTh1[t0 + tau] - kTh1[t0]);
      p1 += c + 1.0;
      p2 += (3 * c * c - 1) + 2.0;
      n += 2;
    }
    ASSERT_EQ(rows[j].size(), 3u);
    EXPECT_NEAR(rows[j][0], 0.5 * tau, 1e-6);
    EXPECT_NEAR(rows[j][1], (p1 / n) / 1.0, 2e-5) << tau;
    EXPECT_NEAR(rows[j][2], (p2 / n) / 2.0, 2e-5) << tau;
  }
  EXPECT_EQ(test::read_file("rotcf_p1p2.dat").substr(0, 45), "    0.00000E+00    0.10000E+01    0.10000E+01");
}

TEST(Mucf, HandCheckedTwoMoleculesOnCrdWithAnEmptyType) {
  write_small(small_frames());
  Outcome r = run(run_mucf, small_args("5", {"-sgap", "2"}));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out,
            " dtime:  0.5\n"
            " dtmax:  5\n"
            " stgap:  2\n"
            " --------------------------------------------------\n"
            "\n"
            "    MUCF\n"
            "\n"
            "    ....reading data\n"
            "\n"
            "    small.crd\n"
            "               Configurations:  6\n"
            "         Molecule types found:  2\n"
            " \n"
            " Molecules....\n"
            "  1 1\n"
            "  2 1\n"
            " WARNING: molecule type 2 (duo) has no molecule in the configuration: its columns hold 0\n");
  // Dipole 0.05 (e1 + e2): c = (e1 + e2)(t0) . (e1 + e2)(t0 + tau) / 2.
  auto dip = [](std::size_t f, int m) {
    auto r = small_frame(f);
    const double q[3] = {-1.0, 0.5, 0.5};
    Vec mu = {0, 0, 0};
    for (int k = 0; k < 3; ++k)
      for (int d = 0; d < 3; ++d) mu[static_cast<std::size_t>(d)] += q[k] * r[static_cast<std::size_t>(3 * m + k)][static_cast<std::size_t>(d)];
    return unit(mu);
  };
  auto p1 = table("mucf_p1.dat"), p2 = table("mucf_p2.dat");
  // lag 5 = tmax has one origin (t0 = 0); all lags 0..5 are written
  ASSERT_EQ(p1.size(), 6u);
  for (std::size_t tau = 0; tau <= 5; ++tau) {
    double s1 = 0, s2 = 0, n = 0;
    for (int m = 0; m < 2; ++m)
      for (std::size_t t0 = 0; t0 + tau < 6; t0 += 2) {
        const double c = dot(dip(t0, m), dip(t0 + tau, m));
        s1 += c;
        s2 += 1.5 * c * c - 0.5;
        n += 1;
      }
    ASSERT_EQ(p1[tau].size(), 3u);
    EXPECT_NEAR(p1[tau][1], s1 / n, 2e-5) << tau;
    EXPECT_NEAR(p2[tau][1], s2 / n, 2e-5) << tau;
    EXPECT_EQ(p1[tau][2], 0.0);  // the type without molecules
    EXPECT_EQ(p2[tau][2], 0.0);
  }
}

TEST(Rotcf, LagWithoutOriginIsNotWritten) {
  write_small(small_frames());
  Outcome r = run(run_rotcf, small_args("6"));  // F = tmax = 6: lag 6 has no origin
  ASSERT_EQ(r.status, 0) << r.out;
  auto rows = table("rotcf_p1p2.dat");
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_NEAR(rows.back()[0], 2.5, 1e-6);
  for (const auto& row : rows)
    for (double v : row) EXPECT_TRUE(std::isfinite(v));
  Outcome m = run(run_mucf, small_args("6"));
  ASSERT_EQ(m.status, 0);
  EXPECT_EQ(table("mucf_p2.dat").size(), 6u);
  Outcome few = run(run_rotcf, small_args("7"));
  EXPECT_EQ(few.status, 1);
  EXPECT_EQ(few.lines, (std::vector<std::string>{" ROTCF ERROR: size of tcf-array is larger than ",
                                                 " number of configurations in crd-file"}));
}

TEST(Rotcf, GapKeepsEveryThirdConfiguration) {
  write_small(small_frames());
  Outcome r = run(run_rotcf, small_args("1", {"-gap", "3", "-time", "0.2"}));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find(" Configurations:  2\n"), std::string::npos);  // frames 1 and 4
  auto rows = table("rotcf_p1p2.dat");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NEAR(rows[1][0], 0.6, 1e-6);
  const double c = std::cos(kTh1[3] - kTh1[0]);
  EXPECT_NEAR(rows[1][1], (c + 1) / 2, 2e-5);
}

// Trajectories of a list are one sequence: the count runs on across them and
// lags reach from the first file into the second.
TEST(Rotcf, TrajectoryListIsOneContinuousSequence) {
  write_small(small_frames());
  Outcome r = run(run_rotcf, {"-sys", "small.sys", "-in", "small.str", "-crd", "small.crd", "small.crd",
                              "-time", "0.5", "-tmax", "8"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("    small.crd\n    small.crd\n               Configurations:  12\n"), std::string::npos)
      << r.out;
  std::vector<double> th = kTh1;
  th.insert(th.end(), kTh1.begin(), kTh1.end());
  auto rows = table("rotcf_p1p2.dat");
  ASSERT_EQ(rows.size(), 9u);
  for (std::size_t tau = 0; tau <= 8; ++tau) {
    double p1 = 0, n = 0;
    for (std::size_t t0 = 0; t0 + tau < th.size(); ++t0) {
      p1 += std::cos(th[t0 + tau] - th[t0]) + 1.0;  // molecule 2 gives c = 1
      n += 2;
    }
    EXPECT_NEAR(rows[tau][1], p1 / n, 2e-5) << tau;
  }
}

TEST(Rotcf, ZeroVectorStopsNamingMoleculeAndConfiguration) {
  auto frames = small_frames();
  frames[3][5] = frames[3][3];  // site c of molecule 2 on site a: O-H2 = 0
  write_small(frames);
  Outcome r = run(run_rotcf, small_args("2"));
  EXPECT_EQ(r.status, 1);
  ASSERT_FALSE(r.lines.empty());
  EXPECT_EQ(r.lines[0], " ROTCF ERROR: the vector of definition 1 of molecule 2 cannot be normalised in configuration 4:");
  Outcome m = run(run_mucf, small_args("2"));
  EXPECT_EQ(m.status, 0);  // the dipole of that molecule is still fine
  // charges that cancel at every site: zero dipoles
  std::string sys = kSmallSys;
  sys.replace(sys.find("a  -1.0"), 7, "a   0.0");
  sys.replace(sys.find("b   0.5"), 7, "b   0.0");
  sys.replace(sys.find("c   0.5"), 7, "c   0.0");
  write_small(small_frames(), sys);
  Outcome z = run(run_mucf, small_args("2"));
  EXPECT_EQ(z.status, 1);
  ASSERT_FALSE(z.lines.empty());
  EXPECT_EQ(z.lines[0], " MUCF ERROR: the dipole of molecule 1 cannot be normalised in configuration 1:");
}

// A vector whose squared length is a subnormal float is no more usable than
// a zero one: its "unit" vector would be far from length 1.
TEST(Rotcf, SubnormalVectorsStopLikeZeroVectors) {
  auto frames = small_frames();
  // molecule 2 in configuration 4: a x b of length 9e-22, squared 8.1e-43
  frames[3][3] = {0, 0, 0};
  frames[3][4] = {3e-11, 0, 0};
  frames[3][5] = {0, 3e-11, 0};
  write_small(frames);
  Outcome r = run(run_rotcf, small_args("2"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.lines.at(0), " ROTCF ERROR: the vector of definition 1 of molecule 2 cannot be normalised in configuration 4:");
  // molecule 1 in configuration 3: dipole (1e-21, 0, 0)
  frames = small_frames();
  frames[2][0] = {0, 0, 0};
  frames[2][1] = {2e-21, 0, 0};
  frames[2][2] = {0, 0, 0};
  write_small(frames);
  Outcome m = run(run_mucf, small_args("2"));
  EXPECT_EQ(m.status, 1);
  EXPECT_EQ(m.lines.at(0), " MUCF ERROR: the dipole of molecule 1 cannot be normalised in configuration 3:");
}

TEST(Rotcf, FaultyVectorSectionsStop) {
  const std::string base = kSmallSys;
  const std::string sec = "begin{rotcf}\n  1  1 2 1 3\n  2  1 2 1 2\nend{rotcf}\n";
  auto with = [&](const std::string& section) {
    std::string s = base;
    s.replace(s.find(sec), sec.size(), section);
    write_small(small_frames(), s);
    return run(run_rotcf, small_args("2"));
  };
  Outcome five = with("begin{rotcf}\n1 1 2 1 3\n1 1 2 1 3\n1 1 2 1 3\n1 1 2 1 3\n1 1 2 1 3\nend{rotcf}\n");
  EXPECT_EQ(five.status, 1);
  ASSERT_FALSE(five.lines.empty());
  EXPECT_EQ(five.lines[0], " Error while reading system-file");
  Outcome four_words = with("begin{rotcf}\n1 1 2 1\nend{rotcf}\n");
  EXPECT_EQ(four_words.lines.at(0), " Error while reading system-file");
  Outcome not_int = with("begin{rotcf}\n1 1 2 1 x\nend{rotcf}\n");
  EXPECT_EQ(not_int.lines.at(0), " Error while reading system-file");
  Outcome site = with("begin{rotcf}\n1 1 2 1 4\nend{rotcf}\n");
  EXPECT_EQ(site.status, 1);
  EXPECT_NE(site.lines.at(0).find("site 4 of vector definition 1"), std::string::npos);
  Outcome type = with("begin{rotcf}\n3 1 2 1 3\nend{rotcf}\n");
  EXPECT_NE(type.lines.at(0).find("molecule type 3"), std::string::npos);
  Outcome missing = with("");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.lines.at(0).find("has no {rotcf}-section"), std::string::npos);
  Outcome open = with("begin{rotcf}\n1 1 2 1 3\n");
  EXPECT_NE(open.lines.at(0).find("is not closed"), std::string::npos);
  Outcome none = with("begin{rotcf}\n2 1 2 1 2\nend{rotcf}\n");  // type 2 has no molecule: K = 0
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.lines.at(0).find("no vector to correlate"), std::string::npos);
  // the last closed section counts; words after the fifth are ignored
  Outcome last = with("begin{rotcf}\n2 1 2 1 2\nend{rotcf}\nbegin{rotcfx}\n1 1 2 1 3 extra\nend{rotcfx}\n");
  EXPECT_EQ(last.status, 0) << last.lines.size();
  EXPECT_NE(last.out.find("Equivalent Vectors defined:  1\n      Number of Vectors found:  2"), std::string::npos);
}

TEST(Rotcf, SeriesRunByMoleculeThenDefinition) {
  // 100 molecules of the types 1, 2, 1, 2, ...
  config::Configuration c;
  c.m = 100;
  for (int m = 0; m < c.m; ++m) c.mol_type.push_back(m % 2);
  const std::vector<VecDef> defs = {{1, {1, 2, 1, 3}}, {2, {1, 2, 2, 1}}, {1, {2, 3, 1, 2}}};
  const std::vector<VecSeries> s = find_series(defs, c);
  ASSERT_EQ(s.size(), 150u);  // two definitions on 50 molecules of type 1, one on 50 of type 2
  EXPECT_EQ(s[0].mol, 0);
  EXPECT_EQ(s[0].def, 0);
  EXPECT_EQ(s[1].mol, 0);
  EXPECT_EQ(s[1].def, 2);
  EXPECT_EQ(s[2].mol, 1);
  EXPECT_EQ(s[2].def, 1);
  EXPECT_EQ(s[3].mol, 2);
  EXPECT_EQ(s[3].def, 0);
  EXPECT_EQ(s.back().mol, 99);
  EXPECT_EQ(s.back().def, 1);
}

// A bound on the kept configurations stops the read with the nstmax message;
// without one (the default build) the same run goes through.
TEST(Rotcf, TooManyConfigurationsStopAtNstmax) {
  write_small(small_frames());
  RunOptions opt;
  opt.limits.nstmax = 5;
  Outcome r = invoke(small_args("2"), [&](int argc, char** argv) { return run_rotcf(argc, argv, opt); });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.lines, (std::vector<std::string>{" ERROR: too many timesteps...", "        increase nstmax parameter !!"}));
  opt.limits.nstmax = 6;
  EXPECT_EQ(invoke(small_args("2"), [&](int argc, char** argv) { return run_rotcf(argc, argv, opt); }).status, 0);
  if (tvl::nstmax == tvl::no_bound) {
    EXPECT_EQ(run(run_rotcf, small_args("2")).status, 0);
  }
}

// A store that is full before the trajectory ends stops the read with the
// buffsize message, which shows the store's bound; the store here holds 4 of
// the 6 configurations.
TEST(Driver, FullVectorStoreStopsWithTheBuffsizeMessage) {
  write_small(small_frames());
  Settings s;
  s.kind = "crd";
  s.trajs = {"small.crd"};
  s.sys = "small.sys";
  s.in = "small.str";
  int stored = 0;
  Outcome r = invoke({}, [&](int, char**) {
    Inputs in = load_inputs(s);
    VectorStore store(in.conf.m, 4 * (3 * in.conf.m + 3));
    try {
      return read_frames(s, in.conf, store, [&](const config::Configuration& c, int f, float* row) {
        dipoles(in.sys, c, f, row);
      });
    } catch (const Stop&) {
      stored = store.frames();
      throw;
    }
  });
  EXPECT_EQ(stored, 4);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.lines, (std::vector<std::string>{" ERROR: not enough memory available",
                                               "        increase buffsize parameter !!",
                                               " Current buffersize: 36 =  1.373291015625E-04MByte"}));
  // the classic bound as the message shows it
  EXPECT_EQ(text::free_real(static_cast<double>(tvl::classic::buffsize) * 4.0 / 1048576.0), "381.4697265625");
}

// ---------------------------------------------------------------------------
// The water box (1652 SPC/E molecules, 10 frames of the xtc fixture) against
// a reference computed here in double precision from the decoded coordinates.

const std::string kData = TVL_TEST_DATA;
const std::string kWater = kData + "/../../examples/water";

std::vector<std::vector<Vec>> water_frames() {
  std::vector<std::vector<Vec>> frames;
  for (const test::ReferenceFrame& f : test::read_reference_dump(kData + "/xtc/water_p1000.txt")) {
    std::vector<Vec> r(static_cast<std::size_t>(f.natoms));
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = {f.x[3 * i], f.x[3 * i + 1], f.x[3 * i + 2]};
    frames.push_back(r);
  }
  return frames;
}

std::vector<std::string> water_args() {
  return {"-sys", kWater + "/water.sys", "-gin", kWater + "/water.gro", "-xtc", kData + "/xtc/water_p1000.xtc",
          "-time", "0.02", "-tmax", "9"};
}

TEST(Water, RotcfAndMucfFollowTheIndependentReference) {
  auto frames = water_frames();
  ASSERT_EQ(frames.size(), 10u);
  const std::size_t M = frames[0].size() / 3;
  std::vector<std::vector<Vec>> normal(10), dipole(10);
  for (std::size_t f = 0; f < 10; ++f)
    for (std::size_t m = 0; m < M; ++m) {
      const Vec& o = frames[f][3 * m];
      const Vec& h1 = frames[f][3 * m + 1];
      const Vec& h2 = frames[f][3 * m + 2];
      normal[f].push_back(unit(cross({o[0] - h1[0], o[1] - h1[1], o[2] - h1[2]}, {o[0] - h2[0], o[1] - h2[1], o[2] - h2[2]})));
      Vec mu;
      for (std::size_t d = 0; d < 3; ++d) mu[d] = -0.8476 * o[d] + 0.4238 * (h1[d] + h2[d]);
      dipole[f].push_back(unit(mu));
    }
  auto reference = [&](const std::vector<std::vector<Vec>>& u, std::size_t tau, double a, double b) {
    double s1 = 0, s2 = 0, n = 0;
    for (std::size_t m = 0; m < M; ++m)
      for (std::size_t t0 = 0; t0 + tau < 10; ++t0) {
        double c = dot(u[t0][m], u[t0 + tau][m]);
        s1 += c, s2 += a * c * c - b, n += 1;
      }
    return std::pair<double, double>{s1 / n, s2 / n};
  };

  Outcome r = run(run_rotcf, water_args(), 1);
  ASSERT_EQ(r.status, 0) << (r.lines.empty() ? r.out.substr(0, 2000) : r.lines[0]);
  const std::string one = test::read_file("rotcf_p1p2.dat");
  auto rows = table("rotcf_p1p2.dat");
  ASSERT_EQ(rows.size(), 10u);
  auto r0 = reference(normal, 0, 3.0, 1.0);
  for (std::size_t tau = 0; tau < 10; ++tau) {
    auto ref = reference(normal, tau, 3.0, 1.0);
    EXPECT_NEAR(rows[tau][0], 0.02 * tau, 1e-6);
    EXPECT_NEAR(rows[tau][1], ref.first / r0.first, 1e-4) << tau;
    EXPECT_NEAR(rows[tau][2], ref.second / r0.second, 1e-4) << tau;
  }
  Outcome r3 = run(run_rotcf, water_args(), 3);
  ASSERT_EQ(r3.status, 0);
  EXPECT_EQ(test::read_file("rotcf_p1p2.dat"), one);  // byte-identical for any thread count
  EXPECT_EQ(r3.out, r.out);

  Outcome m = run(run_mucf, water_args(), 1);
  ASSERT_EQ(m.status, 0);
  const std::string m1 = test::read_file("mucf_p1.dat"), m2 = test::read_file("mucf_p2.dat");
  auto p1 = table("mucf_p1.dat"), p2 = table("mucf_p2.dat");
  ASSERT_EQ(p1.size(), 10u);
  for (std::size_t tau = 0; tau < 10; ++tau) {
    auto ref = reference(dipole, tau, 1.5, 0.5);
    ASSERT_EQ(p1[tau].size(), 2u);
    EXPECT_NEAR(p1[tau][1], ref.first, 1e-4) << tau;
    EXPECT_NEAR(p2[tau][1], ref.second, 1e-4) << tau;
  }
  Outcome m3 = run(run_mucf, water_args(), 2);
  ASSERT_EQ(m3.status, 0);
  EXPECT_EQ(test::read_file("mucf_p1.dat"), m1);
  EXPECT_EQ(test::read_file("mucf_p2.dat"), m2);
}

}  // namespace
}  // namespace tvl::an

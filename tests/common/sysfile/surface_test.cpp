// read_surface: the surface cell, the generated slab, and refused input.
#include <cmath>

#include "helpers.h"

namespace tvl::test {
namespace {

const char* const sites = "begin{sites}\n pt 0 195.08\n au 0 196.97\nend{sites}\n";

sys::Surface surface_of(const std::string& section, sys::Surface s = {}, const sys::Limits& lim = {}) {
  write_file("surf.sys", std::string(sites) + section);
  auto sd = sys::readsys(0, "surf.sys", lim);
  sys::read_surface(0, "surf.sys", sd.name_sp, s, lim);
  return s;
}

std::vector<std::string> surface_stop(const std::string& section, const sys::Limits& lim = {}) {
  try {
    capture_stdout([&] { surface_of(section, {}, lim); });
  } catch (const Stop& s) {
    EXPECT_EQ(s.status, exit_error);
    return s.lines;
  }
  return {};
}

TEST(ReadSurface, OneEntryMakesAThreeByThreeByTwoSlab) {
  sys::Surface s;
  std::string echo = capture_stdout([&] {
    s = surface_of(
        "begin{surface}\n frac au 0.5 0.5 0.0 7\n ecell 10.0 10.0 5.0\n duplicate 1 1 1\n cutoff 12.0\nend{surface}\n");
  });
  ASSERT_EQ(s.nsurf, 1);
  EXPECT_EQ(s.typec_s[0], 1);
  EXPECT_EQ(s.isurf[0], 7);
  EXPECT_NEAR(s.rc_s, 1.2, 1e-12);
  ASSERT_EQ(s.nsurf_tot, 18);
  EXPECT_NEAR(s.box_s[0], 1.0, 1e-12);
  EXPECT_NEAR(s.box_s[1], 1.0, 1e-12);
  EXPECT_NEAR(s.box_s[2], 0.5, 1e-12);
  EXPECT_NEAR(s.xc_s[0], 0.5, 1e-12);
  // Order: x slowest, then y, then z going down from the cell at 0.
  EXPECT_NEAR(s.x_s[0], -0.5, 1e-12);
  EXPECT_NEAR(s.y_s[0], -0.5, 1e-12);
  EXPECT_NEAR(s.z_s[0], 0.0, 1e-12);
  EXPECT_NEAR(s.z_s[1], -0.5, 1e-12);
  EXPECT_NEAR(s.y_s[2], 0.5, 1e-12);
  EXPECT_NEAR(s.x_s[17], 1.5, 1e-12);
  EXPECT_NEAR(s.y_s[17], 1.5, 1e-12);
  EXPECT_NEAR(s.z_s[17], -0.5, 1e-12);
  for (int t : s.type_s) EXPECT_EQ(t, 1);
  // Every line of the section is echoed, also at print level 0.
  EXPECT_EQ(echo.substr(0, echo.find('\n')), "  1 7 0.5 0.5 0.0");
  EXPECT_NE(echo.find("  1 1 1\n"), std::string::npos);
  // The cut-off is echoed in nm without the rounding tail of its conversion.
  EXPECT_NE(echo.find("\n  1.2\n"), std::string::npos) << echo;
}

TEST(ReadSurface, WithoutASectionNothingChanges) {
  sys::Surface in;
  in.rc_s = 0.9;
  in.ecell_s = {1, 2, 3};
  auto s = surface_of("begin{notes}\nend{notes}\n", in);
  EXPECT_EQ(s.nsurf, 0);
  EXPECT_EQ(s.rc_s, 0.9);
  EXPECT_EQ(s.ecell_s, (std::array<double, 3>{1, 2, 3}));
  EXPECT_EQ(s.nsurf_tot, 0);
}

TEST(ReadSurface, MissingDuplicateMeansTheOriginCellAndMissingEcellTheCallersEdges) {
  sys::Surface in;
  in.ecell_s = {20.0, 20.0, 20.0};
  sys::Surface s;
  capture_stdout([&] {
    s = surface_of("begin{surface}\n frac pt 0.25 0.5 0.0 1\n frac au 0.75 0.5 0.0 2\nend{surface}\n", in);
  });
  ASSERT_EQ(s.nsurf_tot, 2);
  EXPECT_NEAR(s.x_s[0], 0.5, 1e-12);
  EXPECT_NEAR(s.x_s[1], 1.5, 1e-12);
  EXPECT_EQ(s.type_s, (std::vector<int>{0, 1}));
  EXPECT_EQ(s.box_s, (std::array<double, 3>{0, 0, 0}));
}

TEST(ReadSurface, RefusesUndefinedTypesMalformedWordsAndOverfullArrays) {
  auto l = surface_stop("begin{surface}\n frac cu 0 0 0 1\nend{surface}\n");
  EXPECT_EQ(l, frame({" Site-type cu        ", " at position 1 in the {surface}-section is not a valid site-type.",
                      " Check <system>-file."}));
  l = surface_stop("begin{surface}\n ecell 1 1 1\n frac au 0 0 x 1\nend{surface}\n");
  EXPECT_EQ(l, frame({" Check entry in {surface}-section at position 2"}));
  l = surface_stop("begin{surface}\n frac au 0 0 0\nend{surface}\n");
  EXPECT_EQ(l, frame({" Check entry in {surface}-section at position 1"}));
  l = surface_stop("begin{surface}\n duplicate 1 -1 1\nend{surface}\n");
  EXPECT_EQ(l, frame({" Check entry in {surface}-section at position 1"}));
  l = surface_stop("begin{surface}\n cutoff\nend{surface}\n");
  EXPECT_EQ(l, frame({" Check entry in {surface}-section at position 1"}));
  l = surface_stop("begin{surface}\n cutoff 5\n ecell 1 -1 1\nend{surface}\n");  // a negative edge
  EXPECT_EQ(l, frame({" Check entry in {surface}-section at position 2"}));

  sys::Limits small;
  small.nmax = 2;
  l = surface_stop("begin{surface}\n frac au 0 0 0 1\n frac au 0 0 0 1\n frac au 0 0 0 1\nend{surface}\n", small);
  EXPECT_EQ(l, frame({" Number of <frac> entries in {surface}-section exceeds maximum of  2",
                      " Check <system>-file or increase nmax in file tvl_const."}));
  l = surface_stop("begin{surface}\n frac au 0 0 0 1\n duplicate 0 0 2\nend{surface}\n", small);
  EXPECT_EQ(l, frame({" Number of generated surface sites exceeds maximum of  2",
                      " Check <system>-file or increase nmax in file tvl_const."}));
  // Counts whose product would wrap round are refused too.
  l = surface_stop("begin{surface}\n frac au 0 0 0 1\n duplicate 2147483647 2147483647 2147483647\nend{surface}\n");
  ASSERT_EQ(l.size(), 4u);
  l = surface_stop("begin{surface}\n frac au 0 0 0 1\n");
  EXPECT_EQ(l, frame({" End of file inside the {surface}-section."}));
}

TEST(ReadSurface, AMissingOrOverlongFileNameStopsLikeReadsys) {
  sys::Surface s;
  try {
    sys::read_surface(0, "no-such.sys", {}, s);
    FAIL() << "a missing file was read";
  } catch (const Stop& e) {
    EXPECT_EQ(e.lines, (std::vector<std::string>{"ERROR: Cannot read SYSTEM-file \"no-such.sys\""}));
    EXPECT_EQ(e.status, exit_error);
  }
  EXPECT_THROW(sys::read_surface(0, std::string(129, 'x'), {}, s), Stop);
}

}  // namespace
}  // namespace tvl::test

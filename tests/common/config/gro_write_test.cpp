#include <gtest/gtest.h>

#include <array>
#include <string>

#include "common/config/gro.h"
#include "helpers.h"

using namespace tvl;

TEST(GroWrite, AtomAndBoxLinesInGromacsColumns) {
  const std::array<double, 3> r = {1.2344, -0.0004, 123.4565}, v = {0.12345, -1.5, 0.0};
  EXPECT_EQ(config::gro_atom_line(1, "wat", "ow", 1, r), "    1wat     ow    1   1.234  -0.000 123.457");
  EXPECT_EQ(config::gro_atom_line(1, "wat", "ow", 1, r, &v),
            "    1wat     ow    1   1.234  -0.000 123.457  0.1235 -1.5000  0.0000");
  // Names cut to 5 characters, numbers counted modulo 100000.
  EXPECT_EQ(config::gro_atom_line(123456, "ethanol", "carbon", 100001, r).substr(0, 20),
            "23456ethancarbo    1");
  EXPECT_EQ(config::gro_box_line({1.86204, 2.0, 30.0}), "   1.86204   2.00000  30.00000");
}

TEST(GroWrite, RefusesNumbersWiderThanTheirColumns) {
  const struct {
    std::array<double, 3> r;
    std::array<double, 3> v;
  } bad[] = {{{10000.0, 0, 0}, {0, 0, 0}}, {{0, -1000.0, 0}, {0, 0, 0}}, {{0, 0, 0}, {0, 0, 1000.0}}};
  for (const auto& b : bad)
    EXPECT_EQ(test::stop_text([&] { config::gro_atom_line(7, "m", "a", 7, b.r, &b.v); }),
              " ERROR: atom 7 does not fit the columns of a GRO file: " +
                  std::string(b.r[0] != 0 ? "10000.0" : b.r[1] != 0 ? "-1000.0" : "1000.0") + "\n");
  EXPECT_NE(test::stop_text([] { config::gro_box_line({100000.0, 1, 1}); }).find("the box"), std::string::npos);
}

TEST(GroWrite, OurOwnReaderReadsWhatIsWritten) {
  const sys::SystemDescription s = test::two_types();
  const std::array<double, 3> p[4] = {{0.5, 0.25, 0.125}, {0.6, 0.25, 0.125}, {0.47, 0.34, 0.125}, {2, 2, 2}};
  const char* res[4] = {"wat", "wat", "wat", "ion"};
  std::string text = "written\n    4\n";
  for (int k = 0; k < 4; ++k)
    text += config::gro_atom_line(k < 3 ? 1 : 2, res[k], "x", k + 1, p[k], &p[3]) + "\n";
  text += config::gro_box_line({3, 3, 3}) + "\n";
  test::write_file("w.gro", text);
  const test::Read r = test::read_with(config::read_gro, "w.gro", s);
  ASSERT_EQ(r.c.n, 4);
  ASSERT_EQ(r.c.m, 2);
  EXPECT_EQ(r.c.mol_type[1], 1);
  EXPECT_DOUBLE_EQ(r.c.y[2], 0.34);
  EXPECT_DOUBLE_EQ(r.c.vz[0], 2.0);
  EXPECT_DOUBLE_EQ(r.c.box[2], 3.0);
}

// Layouts of the potential and charge files: the counts line that widens
// instead of running numbers together, and the charge fields.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/esp/chgfile.h"
#include "common/esp/potfile.h"
#include "tests/support/support.h"

using tvl::test::stop_text;
using tvl::test::stream_of;

TEST(PotFile, CountsLineKeepsNumbersApart) {
  const struct {
    long long n, m, third;
    const char* line;
  } cases[] = {
      {3, 100, 0, "    3 100    0"},      {3, 999, 0, "    3 999    0"},
      {3, 1000, 0, "    3 1000    0"},    {3, 10000, 0, "    3 10000    0"},
      {12345, 1, 7, " 12345   1    7"},   {3, 5000, -1234, "    3 5000 -1234"},
  };
  for (const auto& c : cases) EXPECT_EQ(tvl::esp::pot_head(c.n, c.m, c.third), c.line);
  EXPECT_EQ(tvl::esp::pot_atom_line(1.8897269, 0, -2.5, 1),
            "                   0.1889727E+01   0.0000000E+00  -0.2500000E+01");
}

TEST(ChargeFile, LayoutAndReading) {
  std::vector<double> q(10, 0.125);
  q[9] = -1.125;
  auto lines = tvl::esp::resp_lines(q, "t");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "  0.125000 -1.125000");
  EXPECT_TRUE(tvl::esp::resp_lines({}, "t").empty());
  EXPECT_TRUE(tvl::esp::fits_resp(-99.999999));
  EXPECT_FALSE(tvl::esp::fits_resp(-100.0));
  EXPECT_FALSE(tvl::esp::fits_resp(1.0 / 0.0));

  // Every field present counts, trailing blank lines do not; a short last
  // line is the end of the list.
  auto all = [](const std::string& text) {
    std::FILE* f = stream_of(text);
    tvl::esp::NumberInput in(f, "t");
    auto v = tvl::esp::read_resp_all(in, 101, "nchgmax");
    std::fclose(f);
    return v;
  };
  EXPECT_EQ(all(lines[0] + "\n" + lines[1] + "\n\n   \n"), q);
  EXPECT_EQ(all("  0.000000  1.5\n"), (std::vector<double>{0.0, 1.5}));
  EXPECT_EQ(stop_text([&] { all("  0.1\n  0.2\n"); }), " ERROR: t, line 1: columns 11-20: blank field before further charges\n");
  EXPECT_EQ(stop_text([&] { all("  0.1     x\n"); }), " ERROR: t, line 1: columns 11-20: \"x\" is not a number\n");
}

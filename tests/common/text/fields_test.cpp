// Fixed layouts (I, F, E, A fields), free-format output and blank-padded texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "common/error.h"
#include "common/text/fortran.h"
#include "tests/support/support.h"

using namespace tvl::text;

TEST(FixedLayout, EFieldWritesMantissaBelowOneAndFourCharacterExponent) {
  EXPECT_EQ(fmt_e(1234.5, 12, 4), "  0.1235E+04");  // exact tie rounds away from zero
  EXPECT_EQ(fmt_e(-0.00012346, 12, 4), " -0.1235E-03");
  EXPECT_EQ(fmt_e(0.0, 10, 3), " 0.000E+00");
  EXPECT_EQ(fmt_e(1.0, 15, 5), "    0.10000E+01");
  EXPECT_EQ(fmt_e(9.99996, 11, 4), " 0.1000E+02");  // carry moves the exponent
  EXPECT_EQ(fmt_e(1e-100, 10, 4), "0.1000E-99");
}

TEST(FixedLayout, EFieldBeyondTwoExponentDigitsDropsTheLetter) {
  EXPECT_EQ(fmt_e(1.2346e99, 10, 4), "0.1235+100");
  EXPECT_EQ(fmt_e(1e-101, 11, 4), " 0.1000-100");
  EXPECT_EQ(fmt_e(-1.5e200, 12, 3), "  -0.150+201");
}

TEST(FixedLayout, EFieldDropsLeadingZeroBeforeOverflowing) {
  EXPECT_EQ(fmt_e(0.5, 10, 4), "0.5000E+00");
  EXPECT_EQ(fmt_e(0.5, 9, 4), ".5000E+00");
  EXPECT_EQ(fmt_e(-0.5, 10, 4), "-.5000E+00");
  EXPECT_EQ(fmt_e(0.5, 8, 4), "********");
}

TEST(FixedLayout, FFieldRoundsFromTheExactBinaryValue) {
  EXPECT_EQ(fmt_f(123.456, 8, 2), "  123.46");
  EXPECT_EQ(fmt_f(0.125, 5, 2), " 0.13");    // exact tie: away from zero
  EXPECT_EQ(fmt_f(-0.125, 6, 2), " -0.13");
  EXPECT_EQ(fmt_f(2.5, 3, 0), " 3.");
  EXPECT_EQ(fmt_f(0.15, 4, 1), " 0.1");      // 0.1499999... is below the tie
  EXPECT_EQ(fmt_f(9.995, 6, 2), "  9.99");   // 9.99499999... likewise
  EXPECT_EQ(fmt_f(99.96, 5, 1), "100.0");
  EXPECT_EQ(fmt_f(1.0, 12, 6), "    1.000000");
  EXPECT_EQ(fmt_f(-1234.56789, 12, 4), "  -1234.5679");
}

TEST(FixedLayout, FFieldLeadingZeroAndNegativeZero) {
  EXPECT_EQ(fmt_f(0.5, 4, 2), "0.50");
  EXPECT_EQ(fmt_f(0.5, 3, 2), ".50");
  EXPECT_EQ(fmt_f(-0.5, 4, 2), "-.50");
  EXPECT_EQ(fmt_f(-0.5, 3, 2), "***");
  EXPECT_EQ(fmt_f(-0.0001, 6, 2), " -0.00");  // a negative value keeps its sign
  EXPECT_EQ(fmt_f(-0.004, 4, 2), "-.00");
  EXPECT_EQ(fmt_f(0.0, 5, 0), "   0.");
}

TEST(FixedLayout, FieldsOverflowToAsterisks) {
  EXPECT_EQ(fmt_f(12345.0, 5, 1), "*****");
  EXPECT_EQ(fmt_f(999.96, 5, 1), "*****");
  EXPECT_EQ(fmt_f(1e300, 12, 4), "************");
  EXPECT_EQ(fmt_i(42, 5), "   42");
  EXPECT_EQ(fmt_i(-1234, 5), "-1234");
  EXPECT_EQ(fmt_i(-1234, 4), "****");
  EXPECT_EQ(fmt_i(std::numeric_limits<long long>::min(), 20), "-9223372036854775808");
}

TEST(FixedLayout, MinimalWidthWhenWidthIsZero) {
  EXPECT_EQ(fmt_i(-17, 0), "-17");
  EXPECT_EQ(fmt_f(3.14159, 0, 2), "3.14");
  EXPECT_EQ(fmt_e(3.14159, 0, 3), "0.314E+01");
}

TEST(FixedLayout, NonFiniteValuesFitWhereTheyCan) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(fmt_f(nan, 5, 2), "  NaN");
  EXPECT_EQ(fmt_e(nan, 2, 1), "**");
  EXPECT_EQ(fmt_f(inf, 10, 2), "  Infinity");
  EXPECT_EQ(fmt_f(inf, 5, 2), "  Inf");
  EXPECT_EQ(fmt_e(-inf, 9, 2), "-Infinity");
  EXPECT_EQ(fmt_f(-inf, 8, 2), "    -Inf");
  EXPECT_EQ(fmt_f(-inf, 3, 1), "***");
}

TEST(FixedLayout, CheckedFieldsStopInsteadOfOverflowing) {
  EXPECT_EQ(checked_f(-999.5, 8, 3, "x", "the records"), "-999.500");
  EXPECT_EQ(checked_e(-1e300, 15, 8, "v", "the file"), "-0.10000000+301");
  int st = 0;
  EXPECT_EQ(tvl::test::stop_text([] { checked_i(100, 2, "level", "the input"); }, &st),
            " ERROR: the value 100 (level) does not fit the field I2 of the input\n");
  EXPECT_EQ(st, 1);
  EXPECT_EQ(tvl::test::stop_text([] { checked_f(std::nan(""), 10, 4, "", "the legend"); }),
            " ERROR: the value NaN does not fit the field F10.4 of the legend\n");
}

TEST(FixedLayout, AFieldPadsOrCuts) {
  EXPECT_EQ(fmt_a("ct", 10), "ct        ");
  EXPECT_EQ(fmt_a("abcdefghijkl", 10), "abcdefghij");
  // A text declared narrower than the field is right-aligned, as Aw writes it.
  EXPECT_EQ(fmt_a("ab", 5, 3), "  ab ");
  EXPECT_EQ(fmt_a("abcdef", 3, 10), "abc");
}

TEST(FixedLayout, FixedPointFieldsReadBackUnchanged) {
  // Every F12.4 value written reads back as the value the field shows.
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-99999.0, 99999.0);
  for (int k = 0; k < 2000; ++k) {
    double x = u(rng);
    std::string f = fmt_f(x, 12, 4);
    double back = 0;
    ASSERT_TRUE(parse_real(trim_right(f).substr(f.find_first_not_of(' ')), back)) << f;
    EXPECT_LE(std::fabs(back - x), 0.00005 + 1e-9) << f;
    EXPECT_EQ(fmt_f(back, 12, 4), f);
  }
}

TEST(FreeOutput, LineBeginsWithBlankAndNumbersArePrecededByOne) {
  std::string s = FreeLine().t("n=").i(3).t(" x").r(0.5).t(" ").name("ct", 10).t("|");
  EXPECT_EQ(s, " n= 3 x 0.5 ct        |");
  EXPECT_EQ(std::string(FreeLine().i(-7).i(12)), "  -7 12");
  EXPECT_EQ(free_text("ERROR: x"), " ERROR: x");
}

TEST(FreeOutput, RealsAlwaysShowADecimalPoint) {
  EXPECT_EQ(free_real(3.0), "3.0");
  EXPECT_EQ(free_real(0.1), "0.1");
  EXPECT_EQ(free_real(-2.5), "-2.5");
  EXPECT_EQ(free_real(0.0), "0.0");
  EXPECT_EQ(free_real(1e-12), "1.0E-12");
  EXPECT_EQ(free_real(1.5e20), "1.5E+20");
  EXPECT_EQ(free_real(0.00831451), "0.00831451");
  EXPECT_EQ(free_real(std::numeric_limits<double>::quiet_NaN()), "NaN");
}

TEST(FreeOutput, RealsReadBackToTheSameDouble) {
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<std::uint64_t> bits;
  int checked = 0;
  while (checked < 5000) {
    std::uint64_t b = bits(rng);
    double x;
    std::memcpy(&x, &b, sizeof x);
    if (!std::isfinite(x)) continue;
    double back = 0;
    std::string s = free_real(x);
    ASSERT_NE(s.find('.'), std::string::npos) << s;
    ASSERT_TRUE(parse_real(s, back)) << s;
    ASSERT_EQ(back, x) << s;
    ++checked;
  }
  for (double x : {1e-3, 9.99e-4, 1e15, 999999999999999.9, 5e-324, 1.7976931348623157e308}) {
    double back = 0;
    ASSERT_TRUE(parse_real(free_real(x), back)) << free_real(x);
    EXPECT_EQ(back, x);
  }
}

TEST(PaddedText, TrailingBlanksNeverMatter) {
  EXPECT_TRUE(same_text("sites", "sites     "));
  EXPECT_TRUE(same_text("", "   "));
  EXPECT_FALSE(same_text("site", "sites"));
  EXPECT_FALSE(same_text(" a", "a"));
  EXPECT_EQ(pad("abc", 5), "abc  ");
  EXPECT_EQ(pad("abcdef", 3), "abc");
  EXPECT_EQ(trim_right("ab  "), "ab");
  EXPECT_EQ(trim_right("    "), "");
}

TEST(PaddedText, OverlongNamesAreRefusedNotCut) {
  EXPECT_NO_THROW(check_name_length(std::string(128, 'a'), "File name"));
  try {
    check_name_length(std::string(129, 'a'), "File name");
    FAIL() << "no error for a 129-character name";
  } catch (const tvl::Stop& s) {
    EXPECT_EQ(s.status, tvl::exit_usage);
    ASSERT_EQ(s.lines.size(), 1u);
    EXPECT_EQ(s.lines[0], " ERROR: File name has 129 characters; at most 128 are allowed.");
  }
  try {
    check_name_length(std::string(300, 'x'), "SYSTEM-file name", tvl::exit_error);
    FAIL();
  } catch (const tvl::Stop& s) {
    EXPECT_EQ(s.status, tvl::exit_error);
  }
}

TEST(FixedLayout, AwayFromTiesFieldsAgreeWithCorrectlyRoundedPrintf) {
  // Random values are never exact decimal ties, so F and E must give the
  // correctly rounded digits that printf gives.
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> mant(1.0, 10.0);
  std::uniform_int_distribution<int> ex(-8, 8), sgn(0, 1);
  char buf[64];
  for (int k = 0; k < 20000; ++k) {
    double x = mant(rng) * std::pow(10.0, ex(rng)) * (sgn(rng) ? -1 : 1);
    std::snprintf(buf, sizeof buf, "%.6f", x);
    std::string want = buf;
    ASSERT_EQ(trim_right(fmt_f(x, 20, 6)).substr(fmt_f(x, 20, 6).find_first_not_of(' ')), want) << x;
    // %.4e gives d.dddd; the E field shows the same five digits as 0.ddddd.
    std::snprintf(buf, sizeof buf, "%.4e", std::fabs(x));
    std::string e = buf;
    std::string digits = e.substr(0, 1) + e.substr(2, 4);
    int p = std::atoi(e.c_str() + 7) + 1;
    char eb[16];
    std::snprintf(eb, sizeof eb, "E%c%02d", p < 0 ? '-' : '+', p < 0 ? -p : p);
    std::string wantE = std::string(x < 0 ? "-" : "") + "0." + digits + eb;
    std::string gotE = fmt_e(x, 20, 5);
    ASSERT_EQ(gotE.substr(gotE.find_first_not_of(' ')), wantE) << x;
  }
}

TEST(FixedLayout, TiesNeedingManyGuardDigitsRoundCorrectly) {
  EXPECT_EQ(fmt_f(0.25, 4, 1), " 0.3");                       // exact tie: away
  EXPECT_EQ(fmt_f(std::nextafter(0.25, 0.0), 4, 1), " 0.2");  // just below
  EXPECT_EQ(fmt_f(std::nextafter(0.25, 1.0), 4, 1), " 0.3");
  EXPECT_EQ(fmt_e(std::nextafter(1234.5, 0.0), 12, 4), "  0.1234E+04");
  EXPECT_EQ(fmt_e(std::nextafter(1234.5, 1e9), 12, 4), "  0.1235E+04");
  EXPECT_EQ(fmt_f(-2.5, 3, 0), "-3.");
  EXPECT_EQ(fmt_f(999.95, 6, 1), "1000.0");  // 999.95000000000004...: above the tie
  EXPECT_EQ(fmt_f(2.675, 5, 2), " 2.67");    // 2.67499999...: below the tie
  EXPECT_EQ(fmt_f(0.5, 2, 0), "1.");
}

// Listings rely on it: every single-precision value is written so that
// reading it back as a float gives the same value, in few digits.
TEST(FreeOutput, SinglePrecisionRealsReadBackExactly) {
  EXPECT_EQ(free_real4(0.182f), "0.182");
  EXPECT_EQ(free_real4(0.182000011f), "0.18200001");
  EXPECT_EQ(free_real4(3.7f), "3.7");
  EXPECT_EQ(free_real4(-47.2440033f), "-47.244003");
  EXPECT_EQ(free_real4(0.0f), "0.0");
  std::mt19937 rng(11);
  std::uniform_int_distribution<std::uint32_t> bits;
  int bad = 0;
  for (int k = 0; k < 100000; ++k) {
    std::uint32_t u = bits(rng);
    float v;
    std::memcpy(&v, &u, 4);
    if (!std::isfinite(v)) continue;
    const std::string s = free_real4(v);
    std::string c = s;
    if (auto e = c.find('E'); e != std::string::npos) c[e] = 'e';
    const float back = std::strtof(c.c_str(), nullptr);
    if (std::memcmp(&back, &v, 4) != 0 && ++bad < 5) ADD_FAILURE() << s << " for " << v;
  }
  EXPECT_EQ(bad, 0);
}

// Fixed layouts (I, F, E, A fields) and free-format output.
#include <gtest/gtest.h>

#include "common/text/fortran.h"

using namespace tvl::text;

TEST(FixedLayout, EFieldWritesMantissaBelowOneAndFourCharacterExponent) {
  EXPECT_EQ(fmt_e(1234.5, 12, 4), "  0.1235E+04");
  EXPECT_EQ(fmt_e(-0.00012346, 12, 4), " -0.1235E-03");
  EXPECT_EQ(fmt_e(0.0, 10, 3), " 0.000E+00");
}

TEST(FixedLayout, FFieldRoundsAndDropsLeadingZeroOnlyWhenNeeded) {
  EXPECT_EQ(fmt_f(0.5, 4, 2), "0.50");
  EXPECT_EQ(fmt_f(0.5, 3, 2), ".50");
  EXPECT_EQ(fmt_f(123.456, 8, 2), "  123.46");
  EXPECT_EQ(fmt_f(12345.0, 5, 1), "*****");
}

TEST(FixedLayout, IFieldOverflowsToAsterisks) {
  EXPECT_EQ(fmt_i(42, 5), "   42");
  EXPECT_EQ(fmt_i(-1234, 4), "****");
}

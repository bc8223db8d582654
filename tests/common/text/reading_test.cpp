// Single-word numbers, line input, free-format and fixed-column reading.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "common/text/fortran.h"
#include "tests/support/support.h"

using namespace tvl::text;

using tvl::test::stream_of;

TEST(Numbers, IntegersAreSignAndDigitsOnly) {
  long long v = 0;
  EXPECT_TRUE(parse_int("12", v));
  EXPECT_EQ(v, 12);
  EXPECT_TRUE(parse_int("+3", v));
  EXPECT_EQ(v, 3);
  EXPECT_TRUE(parse_int("-007", v));
  EXPECT_EQ(v, -7);
  EXPECT_TRUE(parse_int("-9223372036854775808", v));
  EXPECT_EQ(v, LLONG_MIN);
  for (const char* bad : {"", "+", "-", "1.5", "1.", "1e3", "abc", "12a", "0x10", " 1", "1 ",
                          "9223372036854775808", "99999999999999999999"})
    EXPECT_FALSE(parse_int(bad, v)) << '"' << bad << '"';
  int i = 0;
  EXPECT_TRUE(parse_int("2147483647", i));
  EXPECT_EQ(i, INT_MAX);
  EXPECT_FALSE(parse_int("2147483648", i));
  EXPECT_FALSE(parse_int("-2147483649", i));
}

TEST(Numbers, RealsTakeSignPointAndEOrDExponent) {
  struct Case { const char* w; double v; };
  for (Case c : {Case{"1.", 1.0}, Case{".5", 0.5}, Case{"+3", 3.0}, Case{"1d-3", 0.001},
                 Case{"1D+2", 100.0}, Case{"-2.5E1", -25.0}, Case{"2.5e-1", 0.25},
                 Case{"-.5d0", -0.5}, Case{"0.1", 0.1}, Case{"138.9357", 138.9357},
                 Case{"1e-400", 0.0}}) {
    double v = -1;
    EXPECT_TRUE(parse_real(c.w, v)) << c.w;
    EXPECT_EQ(v, c.v) << c.w;
  }
  double v = 0;
  for (const char* bad : {"", ".", "+", "-.", "e5", "1e", "1e+", "1.5.2", "inf", "nan",
                          "Infinity", "0x1p3", "1 ", "1,5", "1e400", "--1", "1q5"})
    EXPECT_FALSE(parse_real(bad, v)) << '"' << bad << '"';
  float f = 0;
  EXPECT_TRUE(parse_real("1.5d0", f));
  EXPECT_EQ(f, 1.5f);
  EXPECT_FALSE(parse_real("1e39", f));
}

TEST(Lines, CrLfEndsReadLikeLfEndsAndNulBytesAreKept) {
  std::string bytes = std::string("ab\r\nc\0d\n\nlast", 13);
  std::FILE* f = stream_of(bytes);
  LineReader in(f);
  std::string line;
  ASSERT_EQ(in.next(line), LineReader::Status::ok);
  EXPECT_EQ(line, "ab");
  ASSERT_EQ(in.next(line), LineReader::Status::ok);
  EXPECT_EQ(line, std::string("c\0d", 3));
  ASSERT_EQ(in.next(line), LineReader::Status::ok);
  EXPECT_EQ(line, "");
  ASSERT_EQ(in.next(line), LineReader::Status::ok);  // no end-of-line at the end
  EXPECT_EQ(line, "last");
  EXPECT_EQ(in.next(line), LineReader::Status::eof);
  EXPECT_EQ(in.line_number(), 4);
  std::fclose(f);
}

TEST(Lines, ReadErrorIsNotAnEnd) {
  // Reading a directory fails with an error, not with an end of file.
  std::FILE* f = std::fopen(".", "r");
  ASSERT_NE(f, nullptr);
  LineReader in(f);
  std::string line;
  EXPECT_EQ(in.next(line), LineReader::Status::error);
  std::fclose(f);
}

TEST(Lines, EndlessLinesAreRefusedNotHeldInMemory) {
  const std::size_t m = LineReader::max_line;
  std::string line;
  // A line of exactly the limit reads, also with a CRLF end; one more is refused.
  std::FILE* f = stream_of(std::string(m, 'a') + "\r\n" + std::string(m - 1, 'b') + "\r\nz\n" +
                           std::string(m + 1, 'c') + "\n");
  LineReader in(f);
  ASSERT_EQ(in.next(line), LineReader::Status::ok);
  EXPECT_EQ(line.size(), m);
  ASSERT_EQ(in.next(line), LineReader::Status::ok);
  EXPECT_EQ(line, std::string(m - 1, 'b'));
  ASSERT_EQ(in.next(line), LineReader::Status::ok);
  EXPECT_EQ(line, "z");
  EXPECT_EQ(in.next(line), LineReader::Status::too_long);
  std::fclose(f);
  // A device that never ends a line: refused after the limit, no hang.
  f = std::fopen("/dev/zero", "r");
  ASSERT_NE(f, nullptr);
  LineReader zero(f);
  EXPECT_EQ(zero.next(line), LineReader::Status::too_long);
  std::vector<std::string> w;
  EXPECT_EQ(free_read(zero, 3, w), LineReader::Status::too_long);
  std::fclose(f);
}

TEST(FreeFormat, ReadContinuesOnFollowingLinesAndIgnoresExtras) {
  std::FILE* f = stream_of("1 2\n\n3,4\t5 6\n7 8 9\nnot read\n10\n");
  LineReader in(f);
  std::vector<std::string> w;
  ASSERT_EQ(free_read(in, 5, w), LineReader::Status::ok);  // 1 2 | (blank) | 3 4 5 (6 ignored)
  EXPECT_EQ(w, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  ASSERT_EQ(free_read(in, 1, w), LineReader::Status::ok);  // a new read starts on a new line
  EXPECT_EQ(w, (std::vector<std::string>{"7"}));
  ASSERT_EQ(free_read(in, 0, w), LineReader::Status::ok);  // a read of nothing passes a line
  EXPECT_TRUE(w.empty());
  ASSERT_EQ(free_read(in, 2, w), LineReader::Status::error);  // input ends after "10"
  EXPECT_EQ(free_read(in, 1, w), LineReader::Status::eof);
  std::fclose(f);
}

TEST(FreeFormat, EndBeforeTheFirstValueIsAnEnd) {
  std::FILE* f = stream_of("   \n , \n");
  LineReader in(f);
  std::vector<std::string> w;
  EXPECT_EQ(free_read(in, 1, w), LineReader::Status::eof);
  EXPECT_TRUE(w.empty());
  std::fclose(f);
}

TEST(FreeFormat, WordsAreSeparatedByBlanksCommasAndTabs) {
  EXPECT_EQ(free_words(" a,b\tc  ,, d "), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_TRUE(free_words("  ").empty());
}

TEST(FixedColumns, BlanksInsideAreIgnoredAndBlankFieldsReadZero) {
  const std::string line = "   12 1 3  -1.5  ";
  long long i = -1;
  EXPECT_TRUE(fixed_int(line, 1, 5, i));
  EXPECT_EQ(i, 12);
  EXPECT_TRUE(fixed_int(line, 6, 4, i));  // " 1 3" -> 13
  EXPECT_EQ(i, 13);
  double x = -1;
  EXPECT_TRUE(fixed_real(line, 10, 8, x));
  EXPECT_EQ(x, -1.5);
  EXPECT_TRUE(fixed_real(line, 16, 10, x));  // blank and beyond the line
  EXPECT_EQ(x, 0.0);
  EXPECT_TRUE(fixed_int(line, 40, 5, i));  // wholly beyond the line
  EXPECT_EQ(i, 0);
  EXPECT_TRUE(fixed_real("1.0 d 2", 1, 7, x));
  EXPECT_EQ(x, 100.0);
  EXPECT_FALSE(fixed_int("  ab ", 1, 5, i));
  EXPECT_FALSE(fixed_real("1.5x", 1, 4, x));
}

TEST(FixedColumns, ShortLinesReadAsIfPadded) {
  EXPECT_EQ(field("abcdef", 3, 2), "cd");
  EXPECT_EQ(field("abcdef", 5, 10), "ef");
  EXPECT_EQ(field("abcdef", 7, 3), "");
  EXPECT_EQ(field("", 1, 3), "");
  long long i = 0;
  EXPECT_TRUE(fixed_int("    7", 1, 10, i));
  EXPECT_EQ(i, 7);
}

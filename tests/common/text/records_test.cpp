// The record toolkit: records, words and section keywords, both variants.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/text/fortran.h"
#include "common/text/records.h"
#include "tests/support/support.h"

using namespace tvl::rec;

using tvl::test::stream_of;

namespace {

// All records of a text, trimmed, with the physical line each ended on.
struct Rec {
  std::string text;
  long line;
};
std::vector<Rec> records_of(const std::string& bytes, std::size_t L = 256,
                            Variant v = Variant::analysers) {
  std::FILE* f = stream_of(bytes);
  std::vector<Rec> out;
  std::string r;
  long n = 0;
  while (get_record(f, L, r, v, &n)) {
    EXPECT_EQ(r.size(), L);
    out.push_back({std::string(tvl::text::trim_right(r)), n});
  }
  std::fclose(f);
  return out;
}

std::string low(std::string s) {
  low_case(s);
  return s;
}

}  // namespace

TEST(Records, CommentsAndBlankLinesNeverReachTheReader) {
  EXPECT_TRUE(records_of("# only a comment\n\n   \n\t,=\n# begin{sites}\n").empty());
  auto r = records_of("\n# head\nBegin{Sites}  # open\n  C  12.011, q=-0.5\nend{sites}\n");
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].text, "begin{sites}");
  EXPECT_EQ(r[0].line, 3);
  EXPECT_EQ(r[1].text, "  c  12.011  q -0.5");
  EXPECT_EQ(r[1].line, 4);
  EXPECT_EQ(r[2].line, 5);
}

TEST(Records, CrLfFilesReadLikeLfFiles) {
  const std::string lf = "begin{sites}\nct 1.0 2.0\n\nend{sites}";
  auto a = records_of(lf), b = records_of(tvl::test::crlf_of(lf));
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t k = 0; k < a.size(); ++k) {
    EXPECT_EQ(a[k].text, b[k].text);
    EXPECT_EQ(a[k].line, b[k].line);
  }
}

TEST(Records, NulBytesAreWordCharacters) {
  auto r = records_of(std::string("a\0b c\n", 6));
  ASSERT_EQ(r.size(), 1u);
  WordList w;
  EXPECT_EQ(split_record(r[0].text, w), 2);
  EXPECT_EQ(w[0], std::string("a\0b", 3));
}

TEST(Records, ShortLinesArePaddedAndLongBlankTailsCut) {
  auto r = records_of("x" + std::string(300, ' ') + "\n", 20);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].text, "x");
  // A comment may run past the record length, and so may separators.
  r = records_of("y 1 # " + std::string(400, 'c') + "\nz" + std::string(40, ',') + "\n", 20);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].text, "y 1");
  EXPECT_EQ(r[1].text, "z");
}

TEST(Records, TextBeyondTheRecordLengthIsAnErrorNamingTheLine) {
  std::string text = "begin{sites}\n# c\n" + std::string(255, ' ') + "ab 1\n";
  std::FILE* f = stream_of(text);
  std::string r;
  long n = 0;
  ASSERT_TRUE(get_record(f, 256, r, Variant::analysers, &n));
  try {
    get_record(f, 256, r, Variant::analysers, &n);
    FAIL() << "an over-long line was cut silently";
  } catch (const LongLine& e) {
    EXPECT_EQ(e.line, 3);
    EXPECT_EQ(e.L, 256u);
    ASSERT_EQ(e.lines.size(), 1u);
    EXPECT_EQ(e.lines[0], " Line 3 is longer than 256 columns.");
    EXPECT_EQ(e.status, tvl::exit_error);
  }
  std::fclose(f);
  // A line of exactly L columns is fine, also with a CRLF end.
  EXPECT_EQ(records_of(std::string(255, ' ') + "z\n").size(), 1u);
  EXPECT_EQ(records_of(std::string(255, ' ') + "z\r\n").at(0).text, std::string(255, ' ') + "z");
  // An over-long line is reported as soon as its data pass column L: the
  // reader does not wait for the end of an endless line (/dev/zero).
  f = std::fopen("/dev/zero", "r");
  ASSERT_NE(f, nullptr);
  n = 0;
  EXPECT_THROW(get_record(f, 256, r, Variant::analysers, &n), LongLine);
  EXPECT_EQ(n, 1);
  std::fclose(f);
  // Without a line counter the message still says what is wrong.
  f = stream_of(std::string(30, 'q') + "\n");
  try {
    get_record(f, 10, r);
    FAIL();
  } catch (const tvl::Stop& e) {
    EXPECT_EQ(e.lines.at(0), " A line is longer than 10 columns.");
  }
  std::fclose(f);
}

TEST(Records, ReadErrorEndsAnalysersButStopsTopgen) {
  std::FILE* f = std::fopen(".", "r");  // reading a directory fails
  ASSERT_NE(f, nullptr);
  std::string r;
  EXPECT_FALSE(get_record(f, 256, r));
  EXPECT_TRUE(std::ferror(f));  // callers can tell it from an end
  std::clearerr(f);
  EXPECT_THROW(get_record(f, 256, r, Variant::topgen), tvl::Stop);
  std::fclose(f);
}

TEST(Records, SeparatorsAndCaseMapping) {
  std::string s = "A=1,\tB\"x\"";
  remove_misc(s);
  EXPECT_EQ(s, "A 1  B\"x\"");
  s = "A=1,\tB\"x\"";
  remove_misc(s, Variant::topgen);
  EXPECT_EQ(s, "A 1  B x ");
  s = "Ab9_Z\xc3\x84z";
  low_case(s);
  EXPECT_EQ(s, "ab9_z\xc3\x84z");
  up_case(s);
  EXPECT_EQ(s, "AB9_Z\xc3\x84Z");
  s = "ab # c # d";
  remove_comment(s);
  EXPECT_EQ(s, "ab        ");
  EXPECT_TRUE(tvl::rec::empty("    "));
  EXPECT_TRUE(tvl::rec::empty(""));
  EXPECT_FALSE(tvl::rec::empty(std::string(" \0 ", 3)));
}

TEST(Words, SplitDeliversAtMostTwentyWords) {
  WordList w;
  std::string r = "x=1.5,y=2";
  remove_misc(r);
  EXPECT_EQ(split_record(r, w), 4);
  EXPECT_EQ(w[0], "x");
  EXPECT_EQ(w[1], "1.5");
  EXPECT_EQ(w[2], "y");
  EXPECT_EQ(w[3], "2");
  EXPECT_EQ(w[4], "");

  std::string many;
  for (int k = 1; k <= 25; ++k) many += " w" + std::to_string(k);
  EXPECT_EQ(split_record(many, w), 20);
  EXPECT_EQ(w[19], "w20");

  std::string tab = "1\t2";
  remove_misc(tab);
  EXPECT_EQ(split_record(tab, w), 2);
  EXPECT_EQ(w[1], "2");
}

TEST(Words, LastWordReachingTheLastColumnIsDeliveredOnce) {
  WordList w;
  std::string r = tvl::text::pad("a", 250) + "abcdef";
  ASSERT_EQ(r.size(), 256u);
  EXPECT_EQ(split_record(r, w), 2);
  EXPECT_EQ(w[1], "abcdef");
  EXPECT_EQ(w[2], "");
}

TEST(Words, TopgenVariantCutsWordsToTheSlotWidth) {
  // A topgen molecule record: quotes are separators, words cut to 4 columns.
  auto r = records_of("ATOM 1 \"CA1X\" ct=-0.12345\n", 256, Variant::topgen);
  ASSERT_EQ(r.size(), 1u);
  WordList w;
  EXPECT_EQ(split_record(r[0].text, w, 4), 5);
  EXPECT_EQ(w[0], "atom");
  EXPECT_EQ(w[2], "ca1x");
  EXPECT_EQ(w[3], "ct");
  EXPECT_EQ(w[4], "-0.1");
}

TEST(Keywords, BeginKeyFindsTheSectionName) {
  std::string name = "old";
  EXPECT_TRUE(begin_key(low("BEGIN { Sites }"), name));
  EXPECT_EQ(name, "sites");
  EXPECT_TRUE(begin_key("begin", name));  // no braces: blank name
  EXPECT_EQ(name, "");
  EXPECT_TRUE(begin_key("beginning{x y}", name));  // also inside a word
  EXPECT_EQ(name, "xy");
  EXPECT_TRUE(begin_key("begin{a{b}", name));  // a second brace is copied
  EXPECT_EQ(name, "a{b");
  EXPECT_FALSE(begin_key("start{sites}", name));
  EXPECT_EQ(name, "");
  // The leftmost keyword wins; a longer name further right leaves its tail.
  EXPECT_TRUE(begin_key("begin{ab} begin{wxyz}", name));
  EXPECT_EQ(name, "abyz");
}

TEST(Keywords, BeginKeyIsNotSeenInTheLastFiveColumns) {
  std::string name;
  std::string r = tvl::text::pad("", 250) + "begin";  // starts at column 251
  EXPECT_TRUE(begin_key(r, name));
  r = tvl::text::pad("", 251) + "begin";  // starts at column 252
  EXPECT_FALSE(begin_key(r, name));
}

TEST(Keywords, EndKeyClosesOnlyTheNamedSection) {
  EXPECT_TRUE(end_key("end{ sites }", "sites"));
  EXPECT_TRUE(end_key("end{sites}", "sites     "));
  EXPECT_FALSE(end_key("end{site}", "sites"));
  EXPECT_FALSE(end_key("end{sitesx}", "sites"));
  EXPECT_TRUE(end_key("append{sites}", "sites"));
  EXPECT_TRUE(end_key("end", ""));
  EXPECT_FALSE(end_key("end", "sites"));
  EXPECT_TRUE(end_key("end{molecule} end{sites}", "sites"));
  EXPECT_FALSE(end_key("begin{sites}", "sites"));
}

TEST(Keywords, ACommentedKeywordOpensNoSection) {
  auto r = records_of("# begin{sites}\nbegin{lj}\n");
  ASSERT_EQ(r.size(), 1u);
  std::string name;
  EXPECT_TRUE(begin_key(r[0].text, name));
  EXPECT_EQ(name, "lj");
}

TEST(SingleValues, ReadintAndReaddble) {
  int fail = -1;
  EXPECT_EQ(readint("12", fail), 12);
  EXPECT_EQ(fail, 0);
  readint("abc", fail);
  EXPECT_EQ(fail, 1);
  readint("    ", fail);
  EXPECT_EQ(fail, 1);
  readint("1.5", fail);
  EXPECT_EQ(fail, 1);
  EXPECT_EQ(readint("  -3 rest", fail), -3);  // one value from the line
  EXPECT_EQ(fail, 0);
  EXPECT_EQ(readdble("1d-3", fail), 0.001);
  EXPECT_EQ(fail, 0);
  EXPECT_EQ(readdble(" 2.5E+1 ", fail), 25.0);
  EXPECT_EQ(fail, 0);
  readdble("x1", fail);
  EXPECT_EQ(fail, 1);
  readdble("", fail);
  EXPECT_EQ(fail, 1);
}

TEST(SingleValues, SlenIsTheLastNonBlankColumn) {
  EXPECT_EQ(slen(std::string(128, ' ')), 0u);
  EXPECT_EQ(slen(tvl::text::pad("abc", 128)), 3u);
  EXPECT_EQ(slen(" a b "), 4u);
  EXPECT_EQ(slen(""), 0u);
}

TEST(Robustness, RandomBytesNeverBreakTheToolkit) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> byte(0, 255), len(0, 600);
  for (int round = 0; round < 200; ++round) {
    std::string bytes;
    int n = len(rng);
    for (int k = 0; k < n; ++k) {
      int b = byte(rng);
      // Plenty of line ends, blanks and keyword letters among the noise.
      if (b < 20) b = '\n';
      else if (b < 40) b = ' ';
      else if (b < 50) b = "begin{}end#"[b % 11];
      bytes += static_cast<char>(b);
    }
    std::FILE* f = stream_of(bytes);
    std::string r, name;
    long line = 0;
    WordList w;
    for (;;) {
      try {
        if (!get_record(f, 64, r, Variant::analysers, &line)) break;
      } catch (const LongLine& e) {
        EXPECT_GT(e.line, 0);
        break;  // readers stop at an over-long line
      }
      ASSERT_EQ(r.size(), 64u);
      ASSERT_FALSE(tvl::rec::empty(r));
      int c = split_record(r, w);
      ASSERT_GE(c, 1);
      ASSERT_LE(c, 20);
      begin_key(r, name);
      end_key(r, name);
      int fail = 0;
      readint(r, fail);
      readdble(r, fail);
    }
    std::fclose(f);
  }
}

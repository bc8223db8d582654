// The record toolkit: records, words and section keywords.
#include <gtest/gtest.h>

#include "common/text/records.h"

using namespace tvl::rec;

TEST(Keywords, BeginAndEndKeysFoldCaseAndDropBlanks) {
  std::string r = "BEGIN { Sites }";
  low_case(r);
  std::string name;
  EXPECT_TRUE(begin_key(r, name));
  EXPECT_EQ(name, "sites");
  EXPECT_TRUE(end_key("end{ sites }", "sites"));
  EXPECT_FALSE(end_key("end{site}", "sites"));
}

TEST(Words, SeparatorsSplitWords) {
  std::string r = "x=1.5,y=2";
  remove_misc(r);
  WordList w;
  EXPECT_EQ(split_record(r, w), 4);
  EXPECT_EQ(w[0], "x");
  EXPECT_EQ(w[3], "2");
}

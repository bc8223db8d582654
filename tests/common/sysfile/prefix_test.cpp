// Every prefix of a valid system file has a defined outcome: a prefix that
// ends while a section is open stops with the end-of-file message naming
// the innermost open section; one that ends between sections reads cleanly.
// Damaged bytes never crash the reader.
#include <random>
#include <sstream>

#include "helpers.h"

namespace tvl::test {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string l;
  while (std::getline(in, l)) out.push_back(l);
  return out;
}

std::string trimmed(const std::string& s) {
  auto a = s.find_first_not_of(' ');
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// The innermost open section after the given lines of one of the examples
// (one keyword per line, no unknown sections); empty when none is open.
std::string open_after(const std::vector<std::string>& lines, std::size_t n) {
  std::vector<std::string> stack;
  for (std::size_t i = 0; i < n; ++i) {
    std::string t = trimmed(lines[i]);
    if (t.rfind("begin{", 0) == 0) stack.push_back(t.substr(6, t.find('}') - 6));
    else if (t.rfind("end{", 0) == 0 && !stack.empty() && t == "end{" + stack.back() + "}") stack.pop_back();
    else if (t == "all" && !stack.empty() && stack.back() == "exclude") stack.pop_back();  // ends at once
  }
  return stack.empty() ? "" : stack.back();
}

void check_line_prefixes(const std::string& file) {
  auto lines = lines_of(example(file));
  for (std::size_t n = 0; n <= lines.size(); ++n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += lines[i] + "\n";
    std::string open = open_after(lines, n);
    SCOPED_TRACE(file + ": first " + std::to_string(n) + " lines");
    if (open.empty())
      EXPECT_EQ(stop_lines(text), std::vector<std::string>{});
    else
      EXPECT_EQ(stop_lines(text), frame({" End of file inside the {" + open + "}-section."}));
  }
}

TEST(ReadsysPrefixes, EveryLinePrefixOfTheWaterExample) { check_line_prefixes("spce.sys"); }
TEST(ReadsysPrefixes, EveryLinePrefixOfTheEthanolExample) { check_line_prefixes("ethanol.sys"); }

// Byte prefixes cut lines anywhere: the outcome is a clean read or a stop in
// the reader's frame, never anything else.
TEST(ReadsysPrefixes, EveryBytePrefixEndsCleanlyOrInTheFrame) {
  // Every byte of the water example; every third byte of the longer one.
  for (const char* file : {"spce.sys", "ethanol.sys"}) {
    std::string text = example(file);
    const std::size_t step = std::string(file) == "spce.sys" ? 1 : 3;
    for (std::size_t n = 0; n <= text.size(); n += step) {
      auto l = stop_lines(text.substr(0, n));
      if (!l.empty()) {
        ASSERT_GE(l.size(), 3u) << file << " " << n;
        ASSERT_EQ(l[0], " ERROR:") << file << " " << n;
      }
    }
  }
}

TEST(ReadsysDamage, NulBytesAndRandomBytesNeverCrash) {
  std::string text = example("ethanol.sys");
  std::mt19937 rng(12345);
  for (int round = 0; round < 300; ++round) {
    std::string t = text;
    int hits = 1 + static_cast<int>(rng() % 8);
    for (int h = 0; h < hits; ++h) t[rng() % t.size()] = static_cast<char>(rng() % 256);
    if (round % 3 == 0) t[rng() % t.size()] = '\0';
    try {
      read_text(t);
    } catch (const Stop& s) {
      EXPECT_EQ(s.status, exit_error);
      EXPECT_FALSE(s.lines.empty());
    }
  }
  for (int round = 0; round < 50; ++round) {
    std::string t(1 + rng() % 2000, ' ');
    for (char& c : t) c = static_cast<char>(rng() % 256);
    try {
      read_text(t);
    } catch (const Stop& s) {
      EXPECT_EQ(s.status, exit_error);
    }
  }
}

TEST(ReadsysDamage, ALongLineWithDataBeyondTheRecordIsRefused) {
  std::string text = std::string("begin{sites}\n a 0 1") + std::string(300, ' ') + "2\nend{sites}\n";
  auto l = stop_lines(text);
  ASSERT_GE(l.size(), 3u);
  EXPECT_EQ(l[0], " ERROR:");
  EXPECT_NE(l[2].find("Line 2"), std::string::npos);
  // Blanks or a comment beyond the record are harmless.
  EXPECT_EQ(stop_lines(std::string("begin{sites}\n a 0 1") + std::string(300, ' ') + "# note\nend{sites}\n"),
            std::vector<std::string>{});
}

}  // namespace
}  // namespace tvl::test

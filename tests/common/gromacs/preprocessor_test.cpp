#include "common/gromacs/preprocessor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/support.h"

using tvl::gmx::Line;
using tvl::gmx::PreprocessOptions;
using tvl::gmx::preprocess;
using tvl::test::stop_text;
using tvl::test::write_file;

namespace {

// "text@file:line" of every line, for compact expectations.
std::vector<std::string> flat(const std::vector<Line>& lines) {
  std::vector<std::string> r;
  for (const Line& l : lines) r.push_back(l.text + "@" + l.at.file + ":" + std::to_string(l.at.line));
  return r;
}

std::vector<std::string> run(const std::string& text, PreprocessOptions opt = {}) {
  write_file("main.top", text);
  return flat(preprocess("main.top", opt));
}

TEST(Preprocessor, DropsCommentsAndBlankLinesAndJoinsContinuations) {
  EXPECT_EQ(run("; title\n*****\n [ atoms ] ; the atoms\n  1 2 \\\n 3\n4\n"),
            (std::vector<std::string>{"[ atoms ]@main.top:3", "1 2   3@main.top:4", "4@main.top:6"}));
}

struct CondCase {
  const char* text;
  std::vector<std::string> defines;
  std::vector<std::string> want;  // texts only
};

class Conditionals : public testing::TestWithParam<CondCase> {};

TEST_P(Conditionals, TakeTheRightBranches) {
  PreprocessOptions opt;
  for (const std::string& d : GetParam().defines) opt.defines.push_back(tvl::gmx::parse_define(d));
  write_file("main.top", GetParam().text);
  std::vector<std::string> got;
  for (const Line& l : preprocess("main.top", opt)) got.push_back(l.text);
  EXPECT_EQ(got, GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Conditionals,
    testing::Values(
        CondCase{"#ifdef A\na\n#else\nb\n#endif\n", {}, {"b"}},
        CondCase{"#ifdef A\na\n#else\nb\n#endif\n", {"A"}, {"a"}},
        CondCase{"#ifndef A\na\n#endif\nc\n", {"A=1"}, {"c"}},
        // nested: the inner #else of a branch not taken stays off
        CondCase{"#ifdef A\n#ifdef B\nab\n#else\na\n#endif\n#else\n#ifdef B\nb\n#else\nnone\n#endif\n#endif\n",
                 {"B"},
                 {"b"}},
        CondCase{"#ifdef A\n#ifdef B\nab\n#else\na\n#endif\n#endif\n", {"A"}, {"a"}},
        // #define and #undef take effect in order; not in branches not taken
        CondCase{"#define A\n#ifdef A\nx\n#endif\n#undef A\n#ifdef A\ny\n#endif\n", {}, {"x"}},
        CondCase{"#ifdef NO\n#define A\n#include \"missing.itp\"\n#endif\n#ifdef A\nx\n#endif\n", {}, {}},
        // defined names are replaced word by word, values rescanned; numbers stay whole
        CondCase{"#define gb_1 0.1 1.5e+07\n1 2 2 gb_1\n", {}, {"1 2 2 0.1 1.5e+07"}},
        CondCase{"#define K 3.0\n#define P K 2\nx P Kx 1.0e-K\n", {}, {"x 3.0 2 Kx 1.0e-K"}},
        CondCase{"#define E\nE\nx E\n", {}, {"x"}},
        CondCase{"v V\n", {"V=7"}, {"v 7"}}));

TEST(Preprocessor, SearchesIncludingFolderThenIThenLibrary) {
  for (const char* d : {"top", "top/sub", "inc", "lib", "lib2"}) ::mkdir(d, 0755);
  write_file("top/sub/a.itp", "sub-a\n#include \"b.itp\"\n");
  write_file("top/sub/b.itp", "sub-b\n");
  write_file("top/b.itp", "top-b\n");
  write_file("inc/b.itp", "inc-b\n");
  write_file("inc/c.itp", "inc-c\n");
  write_file("lib/c.itp", "lib-c\n");
  write_file("lib/d.itp", "lib-d\n");
  write_file("lib2/d.itp", "lib2-d\n");
  write_file("lib2/e.itp", "lib2-e\n");
  write_file("top/main.top",
             "#include \"sub/a.itp\"\n#include \"b.itp\"\n#include <c.itp>\n#include \"d.itp\"\n#include \"e.itp\"\n");
  PreprocessOptions opt;
  opt.include_dirs = {"inc"};
  opt.library_dirs = {"lib", "lib2"};
  EXPECT_EQ(flat(preprocess("top/main.top", opt)),
            (std::vector<std::string>{"sub-a@top/sub/a.itp:1", "sub-b@top/sub/b.itp:1", "top-b@top/b.itp:1",
                                      "inc-c@inc/c.itp:1", "lib-d@lib/d.itp:1", "lib2-e@lib2/e.itp:1"}));
}

TEST(Preprocessor, DefinesCarryIntoIncludedFilesAndBack) {
  write_file("part.itp", "#ifdef OUTER\nin\n#endif\n#define INNER 5\n");
  EXPECT_EQ(run("#define OUTER\n#include \"part.itp\"\nv INNER\n"),
            (std::vector<std::string>{"in@part.itp:2", "v 5@main.top:3"}));
}

TEST(Preprocessor, LibraryFoldersFromGmxlibThenGmxdata) {
  for (const char* d : {"l1", "l2", "data", "data/top"}) ::mkdir(d, 0755);
  // The variables come back whatever the assertions do: the next test reads them.
  struct KeepEnv {
    const char* name;
    std::optional<std::string> value;
    explicit KeepEnv(const char* n) : name(n) {
      if (const char* v = std::getenv(n)) value = v;
    }
    ~KeepEnv() { value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name); }
  } keep_lib("GMXLIB"), keep_data("GMXDATA");
  ::setenv("GMXLIB", "l1:missing:l2", 1);
  ::setenv("GMXDATA", "data", 1);
  const std::vector<std::string> dirs = tvl::gmx::default_library_dirs();
  ASSERT_EQ(dirs.size(), 3u);
  EXPECT_EQ(dirs[0], "l1");
  EXPECT_EQ(dirs[1], "l2");
  EXPECT_EQ(dirs[2].substr(dirs[2].size() - 9), "/data/top");
}

TEST(Preprocessor, FindsTheInstalledDataFolder) {
  // the GROMACS of this machine: its force fields are found without -I
  const std::vector<std::string> dirs = tvl::gmx::default_library_dirs();
  ASSERT_FALSE(dirs.empty());
  write_file("main.top", "#include \"oplsaa.ff/forcefield.itp\"\n");
  EXPECT_GT(preprocess("main.top", {{}, {}, dirs}).size(), 100u);
}

struct BadCase {
  const char* text;
  const char* message;
};

class Refusals : public testing::TestWithParam<BadCase> {};

TEST_P(Refusals, NameFileAndLine) {
  write_file("self.itp", "x\n#include \"self.itp\"\n");
  write_file("main.top", GetParam().text);
  int status = 0;
  const std::string msg = stop_text([] { preprocess("main.top", {}); }, &status);
  EXPECT_EQ(msg, std::string(GetParam().message) + "\n");
  EXPECT_EQ(status, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    testing::Values(
        BadCase{"a\n#include \"nothere.itp\"\n", " ERROR: main.top, line 2: cannot find include file \"nothere.itp\""},
        BadCase{"#include \"self.itp\"\n", " ERROR: self.itp, line 2: #include cycle: \"self.itp\" includes itself"},
        BadCase{"#ifdef A\nx\n", " ERROR: main.top, line 1: #ifdef or #ifndef without #endif"},
        BadCase{"#endif\n", " ERROR: main.top, line 1: #endif without #ifdef or #ifndef"},
        BadCase{"#else\n", " ERROR: main.top, line 1: #else without #ifdef or #ifndef"},
        BadCase{"#ifdef A\n#else\n#else\n#endif\n", " ERROR: main.top, line 3: second #else of one #ifdef"},
        BadCase{"\n#if 1\n", " ERROR: main.top, line 2: unknown directive #if"},
        BadCase{"#include nothere.itp\n", " ERROR: main.top, line 1: #include needs a file name between \"\" or <>"},
        BadCase{"#ifdef\n#endif\n", " ERROR: main.top, line 1: #ifdef needs a name"},
        BadCase{"#define A B\n#define B A\nA\n",
                " ERROR: main.top, line 3: #define values that refer to each other without end"},
        BadCase{"#define A A A A A A A A A\nA\n",
                " ERROR: main.top, line 2: #define values that refer to each other without end"}));

TEST(Preprocessor, RefusesAMissingTopologyAndABadDefine) {
  EXPECT_EQ(stop_text([] { preprocess("absent.top", {}); }), " ERROR: Cannot read topology file \"absent.top\"\n");
  int status = 0;
  EXPECT_EQ(stop_text([] { tvl::gmx::parse_define("=3"); }, &status),
            " ERROR: -D needs NAME or NAME=value, not \"=3\"\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(tvl::gmx::parse_define("POSRES"), (std::pair<std::string, std::string>{"POSRES", ""}));
  EXPECT_EQ(tvl::gmx::parse_define("A=x=y"), (std::pair<std::string, std::string>{"A", "x=y"}));
}

}  // namespace

// The reader's tables are sized from the file; their bounds are the caller's.
// Every classic capacity, passed as a bound, stops a file that exceeds it by
// one with its message as a -DTVL_CLASSIC_LIMITS=ON build shows it; without
// bounds the same files are read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/sysfile/helpers.h"

namespace tvl::test {
namespace {

std::string rep(int n, const std::string& line) {
  std::string s;
  for (int i = 0; i < n; ++i) s += line + "\n";
  return s;
}

const std::string sites = "begin{sites}\n ow -0.8 16.0\n hw  0.4  1.0\nend{sites}\n";
const std::string water = sites +
                          "begin{molecule}\n label w\n begin{configuration}\n  ow 0 0 0\n  hw 1 0 0\n  hw 0 1 0\n"
                          " end{configuration}\n";
// A water with one subsection of the given entries.
std::string sub(const std::string& name, const std::string& entries) {
  return water + " begin{" + name + "}\n" + entries + " end{" + name + "}\nend{molecule}\n";
}
const std::string one = sites + "begin{molecule}\n label w\n begin{configuration}\n  ow\n end{configuration}\nend{molecule}\n";
std::string build(const std::string& lines) { return sub("constraints", "  1 2\n") + "begin{build}\n" + lines + "end{build}\n"; }

std::string many_types(int n) {
  std::string s = "begin{sites}\n";
  for (int i = 1; i <= n; ++i) s += " t" + std::to_string(i) + " 0 1\n";
  return s + "end{sites}\n";
}
std::string many_molecules(int n) {
  std::string s = sites;
  for (int i = 0; i < n; ++i) s += one.substr(sites.size());
  return s;
}
std::string big_molecule(int n, const std::string& more = "") {
  return sites + "begin{molecule}\n label big\n begin{configuration}\n" + rep(n, "  hw") + " end{configuration}\n" +
         more + "end{molecule}\n";
}

struct Case {
  const char* name;
  std::string text;
  std::vector<std::string> lines;  // inside the reader's frame, or whole when `framed` is false
  bool framed = true;
};

std::string increase(const char* limit) { return " Check <system>-file or increase " + std::string(limit) + " in file tvl_const."; }
std::string over(const std::string& what, int limit) { return " " + what + " exceeds maximum of  " + std::to_string(limit); }

std::vector<Case> cases() {
  const std::string t1 = "molecule-type 1";
  return {
      {"nspmax", many_types(101), {over("Number of defined interaction site-types in {sites}-section", 100), increase("nspmax")}},
      {"ntymolmax", many_molecules(5), {over("Number of molecule-types", 4), increase("ntymolmax")}},
      {"nsimolmax", big_molecule(2001), {over("Number of interaction sites of " + t1, 2000), increase("nsimolmax")}},
      {"nconmax", sub("constraints", rep(4001, "  1 2")), {over("Number of distance constraints of " + t1, 4000), increase("nconmax")}},
      {"nexclmax", sub("exclude", rep(4001, "  1 2")), {over("Number of excluded interaction pairs for " + t1, 4000), increase("nexclmax")}},
      {"nexclmax-all", big_molecule(91, " begin{exclude}\n  all\n end{exclude}\n"),
       {over("Number of excluded interaction pairs for " + t1, 4000), increase("nexclmax")}},
      {"nbdmax-harmonic", sub("bonds", rep(4001, "  harmonic 1 2 1000 1")), {over("Number of harmonic bonds for " + t1, 4000), increase("nbdmax")}},
      {"nbdmax-morse", sub("bonds", rep(4001, "  morse 1 2 1000 1 2")), {over("Number of Morse-type bonds for " + t1, 4000), increase("nbdmax")}},
      {"nangmax", sub("angles", rep(4001, "  1 2 3 50 90")), {over("Number of bond-bending angles for " + t1, 4000), increase("nangmax")}},
      {"nangmax-linear", sub("angles", rep(4001, "  linear 1 2 3 50")),
       {over("Number of linear bond-bending angles for " + t1, 4000), increase("nangmax")}},
      {"ndhmax-improper", sub("dihedrals", rep(4001, "  improper 1 2 3 1 10 180")),
       {over("Number of improper dihedral interactions for " + t1, 4000), increase("ndhmax")}},
      {"ndhmax-proper", sub("dihedrals", rep(4001, "  proper 1 2 3 1 1 3 0")),
       {over("Number of proper dihedral interactionsfor " + t1, 4000), increase("ndhmax")}},
      {"nndhmax", sub("dihedrals", "  proper 1 2 3 1  1 1 0  1 2 0  1 3 0  1 4 0  1 5 0\n"),
       {over("Number of entries per proper dihedral interactionfor " + t1, 4), increase("nndhmax")}},
      {"ndhmax-nonbonded", sub("nonbonded", rep(4001, "  2 3 3.0 50")),
       {over("Number of modified intramolecular interactions for " + t1, 4000), increase("ndhmax")}},
      {"nsimolmax-virtual", sub("virtual", rep(2001, "  3 1 0.5 2 0.5")), {over("Number of virtual sites for " + t1, 2000), increase("nsimolmax")}},
      {"nsimax", build(rep(101, " frac w 0 0 0")), {over("Number of <frac> entries in {build}-section", 100), increase("nsimax")}},
      {"numbmax", sub("constraints", "  1 2\n") + "begin{umbrella}\n" + rep(11, " 1 2 3 4 5.0 6.0") + "end{umbrella}\n",
       {over("Number of entries in {umbrella}-section", 10), increase("numbmax")}},
      {"nefgmax", sub("constraints", "  1 2\n") + "begin{efg}\n" + rep(11, " 1 2") + "end{efg}\n",
       {over("Number of entries in {efg}-section", 10), increase("nefgmax")}},
      {"nmax", build(" frac w 0 0 0\n duplicate 20 20 20\n"),
       {" SUBROUTINE READPA:", " Maximum total number of interaction sites", " exceeded (nmax):  8000", "  24000"}, false},
      {"nalmolmax", one + "begin{build}\n frac w 0 0 0\n duplicate 3 23 29\nend{build}\n",
       {" SUBROUTINE READPA:", " Maximum total number of allowed molecules", " exceeded (nalmolmax):  2000", "  2001"}, false},
  };
}

class ClassicBounds : public ::testing::TestWithParam<Case> {};

TEST_P(ClassicBounds, StopWithTheirMessageAndAreNoLimitWithoutBounds) {
  const Case& c = GetParam();
  EXPECT_EQ(stop_lines(c.text, sys::Limits::classic()), c.framed ? frame(c.lines) : c.lines);
  sys::Limits none;
  for (int* b : {&none.nmax, &none.nsimax, &none.nspmax, &none.ntymolmax, &none.nalmolmax, &none.nsimolmax,
                 &none.nconmax, &none.nexclmax, &none.numbmax, &none.nbdmax, &none.nangmax, &none.ndhmax,
                 &none.nndhmax, &none.nefgmax})
    *b = no_bound;
  EXPECT_EQ(stop_lines(c.text, none), std::vector<std::string>{});
  if (!classic_limits) {
    EXPECT_EQ(stop_lines(c.text), std::vector<std::string>{});  // the build's bounds
  }
}

INSTANTIATE_TEST_SUITE_P(All, ClassicBounds, ::testing::ValuesIn(cases()),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& ch : n)
                             if (ch == '-') ch = '_';
                           return n;
                         });

// The build's bounds are the classic ones under TVL_CLASSIC_LIMITS, else none.
TEST(BuildBounds, AreClassicOrNone) {
  const sys::Limits b;
  const sys::Limits c = sys::Limits::classic();
  EXPECT_EQ(b.nspmax, classic_limits ? c.nspmax : no_bound);
  EXPECT_EQ(b.ntymolmax, classic_limits ? c.ntymolmax : no_bound);
  EXPECT_EQ(b.nndhmax, classic_limits ? c.nndhmax : no_bound);
  EXPECT_EQ(c.nmax, 8000);
  EXPECT_EQ(c.nalmolmax, 2000);
}

}  // namespace
}  // namespace tvl::test

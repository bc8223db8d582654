#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/config/configuration.h"
#include "common/config/structure.h"
#include "tests/support/support.h"
#include "helpers.h"

using namespace tvl;
using tvl::config::Configuration;
using tvl::config::Cutoff;
using tvl::test::Read;

namespace {

std::string site(const char* name, int k, double x, double y, double z) {
  char b[256];
  std::snprintf(b, sizeof b,
                "%-10s %4d\n%15.8E%15.8E%15.8E\n%15.8E%15.8E%15.8E\n%15.8E%15.8E%15.8E\n", name, k,
                x, y, z, 0.5 * x, 0.5 * y, 0.5 * z, -x, -y, -z);
  return b;
}

// A water molecule (type 1) and an ion (type 2) in a box of 3 nm.
std::string sample(const std::string& box = "    3.000000    3.000000    3.000000\n") {
  return box + "      2\n" + "\n" + "wat\n" + "      1      3      1\n" +
         site("a", 1, 1.0, 1.0, 1.0) + site("b", 2, 1.1, 1.0, 1.0) + site("b", 3, 0.97, 1.09, 1.0) +
         "separator lines may hold anything\n" + "ion\n" + "      2      9      2\n" +
         site("a", 1, 2.0, 0.5, 0.25);
}

Read read(const std::string& name, int verbosity = 0, Cutoff cut = {}, config::Limits lim = {}) {
  return test::read_with(config::read_str, name, test::two_types(), verbosity, cut, lim);
}

}  // namespace

TEST(StructureFile, FillsSitesMoleculesMassesAndCentres) {
  test::write_file("s1.str", sample());
  Read r = read("s1.str");
  ASSERT_TRUE(r.found);
  const Configuration& c = r.c;
  ASSERT_EQ(c.n, 4);
  ASSERT_EQ(c.m, 2);
  EXPECT_EQ(c.mol_type[0], 0);
  EXPECT_EQ(c.mol_type[1], 1);  // the written site count 9 is ignored
  EXPECT_EQ(c.mol_offset[1], 3);
  EXPECT_EQ(c.mol_nsites[1], 1);
  EXPECT_EQ(c.sptype[0], 0);
  EXPECT_EQ(c.sptype[1], 1);
  EXPECT_EQ(c.mol_of_site[3], 1);
  EXPECT_EQ(c.index_in_mol[2], 2);
  EXPECT_EQ(c.moltype_of_site[3], 1);
  EXPECT_DOUBLE_EQ(c.mol_mass[0], 18.0);
  EXPECT_DOUBLE_EQ(c.rmas[1], 1.0 / 18.0);
  EXPECT_DOUBLE_EQ(c.rmas[3], 1.0);
  EXPECT_DOUBLE_EQ(c.x[1], 1.1);
  EXPECT_DOUBLE_EQ(c.vy[2], 0.545);
  EXPECT_DOUBLE_EQ(c.fz[3], -0.25);
  EXPECT_NEAR(c.xcm[0], (16.0 * 1.0 + 1.1 + 0.97) / 18.0, 1e-12);
  EXPECT_NEAR(c.ycm[0], (16.0 + 1.0 + 1.09) / 18.0, 1e-12);
  EXPECT_DOUBLE_EQ(c.xcm[1], 2.0);
  for (int a = 0; a < 3; ++a) {
    EXPECT_DOUBLE_EQ(c.box[a], 3.0);
    EXPECT_DOUBLE_EQ(c.ecell[a], 3.0);
    EXPECT_EQ(c.ndup[a], 1);
  }
  EXPECT_EQ(r.out, "");
}

TEST(StructureFile, WriterOutputReadsBackExactly) {
  test::write_file("s2.str", sample());
  Read r = read("s2.str");
  config::write_str("s2_copy.str", r.c, test::two_types());
  Read back = read("s2_copy.str");
  ASSERT_EQ(back.c.n, r.c.n);
  for (int s = 0; s < r.c.n; ++s) {
    EXPECT_DOUBLE_EQ(back.c.x[s], r.c.x[s]);
    EXPECT_DOUBLE_EQ(back.c.vz[s], r.c.vz[s]);
    EXPECT_DOUBLE_EQ(back.c.fy[s], r.c.fy[s]);
    EXPECT_EQ(back.c.sptype[s], r.c.sptype[s]);
  }
  // Writing again gives the same text: the layout is stable.
  config::write_str("s2_copy2.str", back.c, test::two_types());
  EXPECT_EQ(test::read_file("s2_copy.str"), test::read_file("s2_copy2.str"));
  const std::string t = test::read_file("s2_copy.str");
  EXPECT_EQ(t.substr(0, 45), "    3.000000    3.000000    3.000000\n      2\n");
  EXPECT_NE(t.find("\nwat       \n      1      3      1\na             1\n 0.10000000E+01"),
            std::string::npos);
}

TEST(StructureFile, FreeFormatBoxAndCountMayUseCommasExponentsAndSeveralLines) {
  std::string s = sample();
  s.replace(0, s.find('\n') + 1, "3.0d0,\n 3.0e0 3\n");
  test::write_file("s3.str", s);
  Read r = read("s3.str");
  EXPECT_DOUBLE_EQ(r.c.box[2], 3.0);
  EXPECT_EQ(r.c.m, 2);
}

TEST(StructureFile, FieldsWithoutDecimalPointCarryEightImpliedDecimals) {
  std::string s = "1 1 1\n1\n\nion\n2 1 1\na             1\n" +
                  std::string("      100000000      200000000              0\n") + "\n\n";
  test::write_file("s4.str", s);
  Read r = read("s4.str");
  EXPECT_DOUBLE_EQ(r.c.x[0], 1.0);
  EXPECT_DOUBLE_EQ(r.c.y[0], 2.0);
  EXPECT_DOUBLE_EQ(r.c.vx[0], 0.0);
}

TEST(StructureFile, NoMoleculesGivesAnEmptyConfiguration) {
  test::write_file("s5.str", "2.0 2.0 2.0\n0\n");
  Read r = read("s5.str");
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.c.n, 0);
  EXPECT_EQ(r.c.m, 0);
}

TEST(StructureFile, CutoffCorrectedWithoutNeighbourList) {
  test::write_file("s6.str", sample());
  Read r = read("s6.str", 0, Cutoff{1.6, 1.6, 0});
  EXPECT_DOUBLE_EQ(r.cut.rc, 1.5);
  EXPECT_DOUBLE_EQ(r.cut.rc_nl, 1.5);
  EXPECT_EQ(r.out,
            " SUBROUTINE DEFSYS: cutoff-radius corrected\n"
            "         -- no neighbor list --\n"
            " BOX (x,y,z):  3.0 3.0 3.0\n"
            " RC   (old)    1.6\n"
            " RC   (new)    1.5\n");
  // A radius equal to half the shortest edge is kept and not reported.
  Read same = read("s6.str", 0, Cutoff{1.5, 0.0, 0});
  EXPECT_DOUBLE_EQ(same.cut.rc, 1.5);
  EXPECT_DOUBLE_EQ(same.cut.rc_nl, 0.0);
  EXPECT_EQ(same.out, "");
}

TEST(StructureFile, CutoffCorrectedWithNeighbourList) {
  test::write_file("s7.str", sample("3.0 4.0 5.0\n"));
  Read r = read("s7.str", 0, Cutoff{1.0, 2.0, 1});
  EXPECT_DOUBLE_EQ(r.cut.rc_nl, 1.5);
  EXPECT_DOUBLE_EQ(r.cut.rc, 0.9 * 1.5);
  EXPECT_EQ(r.out.substr(0, r.out.find("RC_NL (new)")),
            " SUBROUTINE DEFSYS: cutoff-radius corrected\n"
            "       -- neighbor list use ----\n"
            " BOX (x,y,z):  3.0 4.0 5.0\n"
            " RC    (old)    1.0\n"
            " RC_NL (old)    2.0\n"
            " RC    (new)    1.35\n ");
  EXPECT_NE(r.out.find(" RC_NL (new)    1.5\n"), std::string::npos);
}

TEST(StructureFile, DefaultNamesAreTriedInOrderAndReplaceTheName) {
  // Run in a directory of our own: the default names are relative.
  char tmpl[] = "strdefXXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(tmpl), 0);
  std::string one = sample(), two = sample("2.0 2.0 2.0\n");

  Read none = read("-", 1);
  EXPECT_FALSE(none.found);
  EXPECT_EQ(none.out,
            " ....trying to read input STRUCTURE-file \"-\"\n"
            " WARNING: No TARVELO STRUCTURE-file available. \n"
            "          Neither \"tvl.structure\", nor \"-\"\n");
  EXPECT_EQ(read("-", 0).out, "");

  test::write_file("tvlin.str", two);
  Read r = read("-", 1);
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.out, " ....trying to read input STRUCTURE-file \"tvlin.str\"\n");
  EXPECT_EQ(r.name, "tvlin.str");
  EXPECT_DOUBLE_EQ(r.c.box[0], 2.0);

  test::write_file("tvl.structure", one);
  r = read("missing.str");
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.name, "tvl.structure");
  EXPECT_DOUBLE_EQ(r.c.box[0], 3.0);

  ASSERT_EQ(chdir(old), 0);
}

TEST(StructureFile, TooManyMoleculesOrSites) {
  test::write_file("s8.str", sample());
  config::Limits lim;
  lim.nalmolmax = 1;
  EXPECT_EQ(test::stop_text([&] { read("s8.str", 0, {}, lim); }),
            "ERROR: System size too large: Number of molecules in STRUCTURE-file exceeds        1\n"
            "       Increase value of nalmolmax in tvl_const !\n");
  lim = {};
  lim.nmax = 3;
  EXPECT_EQ(
      test::stop_text([&] { read("s8.str", 0, {}, lim); }),
      "ERROR: System size too large: Number of interaction sites in STRUCTURE-file exceeds        3\n"
      "       Increase value of nmax in tvl_const !\n");
  lim.nmax = 4;
  EXPECT_EQ(read("s8.str", 0, {}, lim).c.n, 4);
}

TEST(StructureFile, MoleculeTypeOutsideTheSystemIsCorrupt) {
  for (const char* head : {"      3      1      2\n", "      0      1      2\n",
                           "     -1      1      2\n"}) {
    std::string s = sample();
    s.replace(s.find("      2      9      2\n"), 22, head);
    test::write_file("s9.str", s);
    EXPECT_EQ(test::stop_text([&] { read("s9.str"); }), " ERROR: STRUCTURE-file is corrupted !\n")
        << head;
  }
}

TEST(StructureFile, UnreadableFieldsAreCorrupt) {
  const std::string good = sample();
  struct Case {
    const char* from;
    const char* to;
  } cases[] = {
      {"    3.000000    3.000000    3.000000\n", "3.0 x 3.0\n"},
      {"      2\n\nwat", "  2.5\n\nwat"},
      {"      2\n\nwat", "     -1\n\nwat"},
      {"      1      3      1", "      1      3    one"},
      {"      1      3      1", "      1      3"},  // the header line must hold all three
      {"      2      9      2\na", "      2      9\n2\na"},
      {"a             1", "a          x  1"},
      {"E+00", "X+00"},
  };
  for (const auto& k : cases) {
    std::string s = good;
    const auto at = s.find(k.from);
    ASSERT_NE(at, std::string::npos) << k.from;
    s.replace(at, std::string(k.from).size(), k.to);
    test::write_file("s10.str", s);
    EXPECT_EQ(test::stop_text([&] { read("s10.str"); }), " ERROR: STRUCTURE-file is corrupted !\n")
        << k.to;
  }
}

TEST(StructureFile, TruncatedAtEveryLineIsCorruptNeverACrash) {
  const std::vector<std::string> cuts = test::cut_after_lines(sample());
  for (const std::string& cut : cuts) {
    test::write_file("s11.str", cut);
    EXPECT_EQ(test::stop_text([&] { read("s11.str"); }), " ERROR: STRUCTURE-file is corrupted !\n")
        << "cut after byte " << cut.size();
  }
  EXPECT_EQ(cuts.size(), 2u + (3 + 3 * 4) + (3 + 4) - 1);  // every line but the last
}

TEST(StructureFile, MoleculeTypeWithoutASiteTypeForEverySiteIsCorrupt) {
  test::write_file("s12.str", sample());
  sys::SystemDescription unknown = test::two_types();
  unknown.mol[1].sptype_mol = {5};  // no such site type
  sys::SystemDescription short_list = test::two_types();
  short_list.mol[0].sptype_mol = {0, 1};  // three sites, two site types
  for (const sys::SystemDescription& s : {unknown, short_list})
    EXPECT_EQ(test::stop_text([&] { test::read_with(config::read_str, "s12.str", s); }),
              " ERROR: STRUCTURE-file is corrupted !\n");
}

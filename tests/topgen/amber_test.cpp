// AMBER parameter files (parm and frcmod), their units, AMBER's precedence
// for torsions and impropers, element radii and -charges files.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/support/support.h"
#include "topgen/elements.h"
#include "topgen/params.h"
#include "topgen/readers.h"

using namespace tvl::topgen;
using tvl::test::capture_stdout;
using tvl::test::stop_text;
using tvl::test::write_file;

namespace {

const double kcal = 4.184, gas = 0.00831451;

// A parm file with every section; after the NONBON block comes text that is
// not read. The equivalence line lends the parameters of o to os.
const std::string parm = tvl::test::read_file(std::string(TVL_TEST_DATA) + "/topgen/small_parm.dat");

ForceField amber(const std::vector<std::pair<std::string, std::string>>& frcmods = {}, std::string* out = nullptr) {
  write_file("t.dat", parm);
  std::vector<std::string> names;
  for (const auto& [name, text] : frcmods) write_file(name, text), names.push_back(name);
  ForceField ff;
  std::string o = capture_stdout([&] { ff = read_amber("t.dat", names); });
  if (out) *out = o;
  return ff;
}

}  // namespace

TEST(Amber, ParmSectionsAndUnits) {
  ForceField ff = amber();
  EXPECT_DOUBLE_EQ(ff.scale_coulomb14, 1 / 1.2);
  EXPECT_EQ(ff.scale_lj14, 0.5);
  ASSERT_EQ(ff.sites.size(), 5u);
  EXPECT_EQ(ff.sites[1].label, "c3");  // folded to lower case
  EXPECT_EQ(ff.sites[1].mass, 12.01);
  EXPECT_DOUBLE_EQ(ff.sites[1].rlim, 2 * 0.76 + 0.2);  // carbon
  EXPECT_DOUBLE_EQ(ff.sites[4].rlim, 2 * 0.31 + 0.2);  // hydrogen
  EXPECT_DOUBLE_EQ(ff.sites[1].lj_sigma, 2 * 1.9080 / std::pow(2.0, 1.0 / 6.0));
  EXPECT_DOUBLE_EQ(ff.sites[1].lj_epsilon * gas, 0.1094 * kcal);  // what readsys then holds
  EXPECT_EQ(ff.sites[1].lj_def, 1);
  // os has no NONBON line of its own: the equivalence lends it those of o
  EXPECT_EQ(ff.sites[3].lj_sigma, ff.sites[2].lj_sigma);
  EXPECT_EQ(ff.sites[3].lj_def, 1);

  ASSERT_EQ(ff.bonds.size(), 4u);
  EXPECT_EQ(ff.bonds[3].label, (std::array<std::string, 2>{"c", "os"}));  // a blank inside a name field
  EXPECT_DOUBLE_EQ(ff.bonds[0].bond_k, 2 * kcal * 648.0);
  EXPECT_EQ(ff.bonds[0].bond_r0, 1.2140);
  ASSERT_EQ(ff.angles.size(), 2u);
  EXPECT_DOUBLE_EQ(ff.angles[0].ang_k, 2 * kcal * 68.030);
  EXPECT_EQ(ff.angles[0].ang_t0, 123.110);

  ASSERT_EQ(ff.dihedrals.size(), 4u);
  EXPECT_EQ(ff.dihedrals[0].label[0], "x");
  EXPECT_DOUBLE_EQ(ff.dihedrals[3].dihed_k, kcal * 10.80 / 4);  // IDIVF divides
  EXPECT_EQ(ff.dihedrals[1].dihed_m, 1.0);                     // |PN| of the announcing term
  EXPECT_EQ(ff.dihedrals[2].dihed_m, 3.0);
  EXPECT_EQ(ff.dihedrals[2].dihed_p0, 180.0);
  ASSERT_EQ(ff.impropers.size(), 2u);
  EXPECT_EQ(ff.impropers[0].label[2], "c");
  EXPECT_DOUBLE_EQ(ff.impropers[0].imdh_k, kcal * 10.5);
  EXPECT_EQ(ff.impropers[0].imdh_m, 2.0);
  EXPECT_EQ(ff.impropers[0].imdh_p0, 180.0);
}

TEST(Amber, FrcmodReplacesInPlaceAndAdds) {
  std::string out;
  ForceField ff = amber({{"a.frcmod",
                          "first frcmod\nMASS\nc3 12.011\nn  14.01\n\n"
                          "BOND\nhc-c3  340.0   1.0930\n\n"
                          "ANGL\nc -c3-hc   47.0     110.0\n\n"
                          "DIHE\no -c -c3-hc   1    0.50   180.0   2.0\n\n"
                          "IMPROPER\no -X -c -X   11.0   180.   2.\n\n"
                          "CMAP\n%FLAG whatever\n\n"
                          "NONBON\n  hc          1.4800  0.0160\n  n  1.8240  0.1700\n"},
                         {"b.frcmod", "second\nBOND\nc3-hc  350.0   1.0940\n"}},
                        &out);
  ASSERT_EQ(ff.sites.size(), 6u);
  EXPECT_EQ(ff.sites[1].mass, 12.011);
  EXPECT_EQ(ff.sites[5].label, "n");
  EXPECT_EQ(ff.sites[5].lj_def, 1);
  ASSERT_EQ(ff.bonds.size(), 4u);  // replaced in place, in either direction, the last file last
  EXPECT_DOUBLE_EQ(ff.bonds[2].bond_k, 2 * kcal * 350.0);
  EXPECT_DOUBLE_EQ(ff.angles[1].ang_k, 2 * kcal * 47.0);
  ASSERT_EQ(ff.dihedrals.size(), 3u);  // the two terms of hc-c3-c-o became one
  EXPECT_EQ(ff.dihedrals[1].label[0], "o");
  EXPECT_EQ(ff.dihedrals[1].dihed_m, 2.0);
  ASSERT_EQ(ff.impropers.size(), 2u);  // the same centre and the same three others
  EXPECT_DOUBLE_EQ(ff.impropers[0].imdh_k, kcal * 11.0);
  EXPECT_DOUBLE_EQ(ff.sites[4].lj_sigma, 2 * 1.48 / std::pow(2.0, 1.0 / 6.0));
  EXPECT_EQ(out, "# WARNING: file a.frcmod, line 18: section CMAP is skipped\n");
}

TEST(Amber, MalformedFilesNameFileAndLine) {
  struct Case {
    std::string parm_lines;  // replace the BOND section of the parm file
    std::string message;
  };
  const Case cases[] = {
      {"c -o   648.0", "line 9: 2 numbers are needed after the type names"},
      {"c +o   648.0    1.2140", "line 9: type names must be 2-column fields joined by \"-\" (column 3)"},
      {"c -o   648.0    1.2x40", "line 9: number 2 (1.2x40) is not a number"},
      {"  -o   648.0    1.2140", "line 9: type name 1 is blank"},
  };
  for (const Case& c : cases) {
    std::string text = parm;
    text.replace(text.find("c -o   648.0    1.2140       SOURCE1     1"), 42, c.parm_lines);
    write_file("bad.dat", text);
    EXPECT_NE(stop_text([] { read_amber("bad.dat", {}); }).find("file \"bad.dat\", " + c.message), std::string::npos)
        << c.message;
  }
  const std::pair<std::string, std::string> frcmods[] = {
      {"t\nDIHE\nhc-c3-c -o    0    0.80    0.0    2.\n", "line 3: the divisor IDIVF is 0"},
      {"t\nDIHE\nhc-c3-c -o 1e-320    0.80    0.0    2.\n",
       "line 3: the barrier divided by the divisor is not a finite number: Infinity"},
      {"t\nBOND\nc -o   1e308    1.2140\n", "line 3: the force constant in kJ/mol is not a finite number: Infinity"},
      {"t\nDIHE\nhc-c3-c -o    1    0.80    0.0   -2.\nc3-c3-c -o    1    0.80    0.0   2.\n",
       "line 4: the torsion hc-c3-c-o announced more terms (negative periodicity)"},
      {"t\nDIHE\nhc-c3-c -o    1    0.80    0.0   -2.\n\n", "line 4: the section ends but the torsion"},
      {"t\nNONBON\n  c  -1.9  0.1\n", "line 3: R* and epsilon must not be negative"},
      {"t\nMASS\nc\n", "line 3: a type name and 1 numbers are needed"},
  };
  for (const auto& [text, message] : frcmods) {
    write_file("t.dat", parm);
    write_file("bad.frcmod", text);
    EXPECT_NE(stop_text([] { read_amber("t.dat", {"bad.frcmod"}); }).find("file \"bad.frcmod\", " + message),
              std::string::npos)
        << message;
  }
  std::string sk = parm;
  sk.replace(sk.find("MOD4      RE"), 12, "MOD4      SK");
  write_file("sk.dat", sk);
  EXPECT_NE(stop_text([] { read_amber("sk.dat", {}); }).find("kind SK are not supported"), std::string::npos);
  EXPECT_NE(stop_text([] { read_amber("missing.dat", {}); }).find("cannot open file \"missing.dat\""), std::string::npos);
  write_file("cut.dat", parm.substr(0, parm.find("X -X -c -o")));
  EXPECT_NE(stop_text([] { read_amber("cut.dat", {}); }).find("line 21: the file ends before its HBOND section"),
            std::string::npos);
}

namespace {

// c (centre of o, os, c3) bonded to c3 with hydrogens: types by atom.
Molecule ester() {
  Molecule m;
  for (const char* t : {"c3", "c", "o", "os", "hc", "hc", "hc", "c3"}) m.atoms.push_back({t, 0, 0, 0, 0});
  m.bonds = {{1, 2}, {2, 3}, {2, 4}, {1, 5}, {1, 6}, {1, 7}, {4, 8}};
  return m;
}

}  // namespace

TEST(Amber, TorsionTakesTheMostSpecificEntryOnly) {
  ForceField ff = amber();
  const Labels l = intern_labels(ff, ester());
  std::vector<int> out;
  match_torsion_amber(l, {5, 1, 2, 3}, out);  // hc-c3-c-o: its two terms, not X-c-c3-X as well
  EXPECT_EQ(out, (std::vector<int>{1, 2}));
  match_torsion_amber(l, {3, 2, 1, 5}, out);  // the other direction
  EXPECT_EQ(out, (std::vector<int>{1, 2}));
  match_torsion_amber(l, {5, 1, 2, 4}, out);  // hc-c3-c-os: only the wildcard entry
  EXPECT_EQ(out, (std::vector<int>{0}));
  match_torsion_amber(l, {8, 4, 2, 3}, out);  // c3-os-c-o through X-c-os-X read backwards
  EXPECT_EQ(out, (std::vector<int>{3}));
  match_torsion(l, {5, 1, 2, 3}, out);  // -ff and -lib keep every match
  EXPECT_EQ(out, (std::vector<int>{0, 1, 2}));
}

TEST(Amber, ImproperTakesTheEntryWithFewestWildcards) {
  ForceField ff = amber();
  const Labels l = intern_labels(ff, ester());
  ImproperMatch m;
  ASSERT_TRUE(match_improper_amber(l, {1, 3, 2, 4}, m));  // centre c with c3, o, os
  EXPECT_EQ(m.type, 1);                                   // c3-os-c-o beats X-X-c-o
  EXPECT_EQ(m.atoms, (std::array<int, 4>{1, 4, 2, 3}));   // c3, os, centre, o as in the entry
  ff.impropers.pop_back();
  const Labels l2 = intern_labels(ff, ester());
  ASSERT_TRUE(match_improper_amber(l2, {1, 3, 2, 4}, m));
  EXPECT_EQ(m.type, 0);
  EXPECT_EQ(m.atoms, (std::array<int, 4>{1, 4, 2, 3}));  // o last; the others in increasing order
  EXPECT_FALSE(match_improper_amber(l2, {2, 5, 1, 6}, m));  // no entry for a c3 centre
}

TEST(Amber, ElementRadiiByNearestWeight) {
  const std::pair<double, double> cases[] = {{1.008, 0.31}, {12.01, 0.76}, {14.01, 0.71}, {16.00, 0.66}, {19.00, 0.57},
                                             {30.97, 1.07}, {32.06, 1.05}, {35.45, 1.02}, {79.90, 1.20}, {126.9, 1.39},
                                             {0.0, 0.0}};
  for (auto [mass, r] : cases) EXPECT_EQ(covalent_radius_of_mass(mass), r) << mass;
  EXPECT_DOUBLE_EQ(bond_radius_of_mass(12.01), 1.72);
  EXPECT_EQ(bond_radius_of_mass(0.0), 0.0);
}

TEST(Amber, ChargesFileInRespconvLayout) {
  Molecule m = ester();
  write_file("q.chg", "    8\n    1    0.100000\n 2 -0.2\n3 0\n4 0\n5 0\n6 0\n7 0\n8 0.1\n");
  read_charges("q.chg", m);
  EXPECT_EQ(m.atoms[1].charge, -0.2);
  EXPECT_EQ(m.atoms[7].charge, 0.1);
  const std::pair<std::string, std::string> bad[] = {
      {"7\n", "the file holds 7 charges, the molecule 8 atoms"},
      {"8\n1 0.1\n3 0.1\n", "atom 2 is expected"},
      {"8\n1 0.1\n", "ends after 1 of 8 charges"},
      {"8\n1 0\n2 0\n3 0\n4 0\n5 0\n6 0\n7 0\n8 0\n9 0\n", "more lines than the 8 charges"},
  };
  for (const auto& [text, message] : bad) {
    write_file("q.chg", text);
    EXPECT_NE(stop_text([&] { read_charges("q.chg", m); }).find(message), std::string::npos) << message;
  }
}

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/config/configuration.h"
#include "common/config/gro.h"
#include "common/sysfile/system.h"
#include "tests/support/support.h"
#include "helpers.h"

using namespace tvl;
using tvl::config::Configuration;
using tvl::config::Cutoff;
using tvl::test::Read;

namespace {

struct Atom {
  int res;
  const char* resname;
  int nr;
  double x, y, z;
};

std::string gro(const std::vector<Atom>& atoms, bool vel = true, const char* box = "   3.00000   3.00000   3.00000\n") {
  std::string s = "test system t= 0.0\n";
  char b[128];
  std::snprintf(b, sizeof b, "%5zu\n", atoms.size());
  s += b;
  for (const Atom& a : atoms) {
    if (vel)
      std::snprintf(b, sizeof b, "%5d%-5s%5s%5d%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f\n", a.res, a.resname,
                    "X", a.nr, a.x, a.y, a.z, 0.1, -0.2, 0.3);
    else
      std::snprintf(b, sizeof b, "%5d%-5s%5s%5d%8.3f%8.3f%8.3f\n", a.res, a.resname, "X", a.nr,
                    a.x, a.y, a.z);
    s += b;
  }
  return s + box;
}

// Two waters and an ion.
std::vector<Atom> sample() {
  return {{1, "WAT", 1, 1.0, 1.0, 1.0}, {1, "WAT", 2, 1.1, 1.0, 1.0},
          {1, "WAT", 3, 0.97, 1.09, 1.0}, {2, "wat", 4, 2.0, 2.0, 2.0},
          {2, "wat", 5, 2.1, 2.0, 2.0},  {2, "wat", 6, 1.97, 2.09, 2.0},
          {3, "ion", 7, 0.5, 0.25, 0.125}};
}

Read read(const std::string& name, const sys::SystemDescription& s, int verbosity = 0,
          Cutoff cut = {}, config::Limits lim = {}) {
  return test::read_with(config::read_gro, name, s, verbosity, cut, lim);
}

const std::string corrupted = " ERROR: GROMOS input-file is corrupted !\n";
const std::string inconsistent = " ERROR: SUBROUTINE READ_GRO\n        Inconsistenty in GRO-file\n";
const std::string unknown =
    " ERROR: SUBROUTINE READ_GRO\n        Molecule type could not be identified\n";

}  // namespace

TEST(GroFile, GroupsAtomsIntoMoleculesByResidueAndType) {
  test::write_file("g1.gro", gro(sample()));
  Read r = read("g1.gro", test::two_types());
  ASSERT_TRUE(r.found);
  const Configuration& c = r.c;
  ASSERT_EQ(c.n, 7);
  ASSERT_EQ(c.m, 3);
  EXPECT_EQ(c.mol_type[0], 0);
  EXPECT_EQ(c.mol_type[2], 1);
  EXPECT_EQ(c.mol_offset[2], 6);
  EXPECT_EQ(c.mol_of_site[5], 1);
  EXPECT_EQ(c.index_in_mol[5], 2);
  EXPECT_EQ(c.sptype[3], 0);
  EXPECT_EQ(c.sptype[4], 1);
  EXPECT_DOUBLE_EQ(c.mas[4], 1.0);
  EXPECT_DOUBLE_EQ(c.x[4], 2.1);
  EXPECT_DOUBLE_EQ(c.vy[6], -0.2);
  EXPECT_DOUBLE_EQ(c.fx[6], 0.0);
  EXPECT_NEAR(c.xcm[1], (32.0 + 2.1 + 1.97) / 18.0, 1e-12);
  EXPECT_DOUBLE_EQ(c.zcm[2], 0.125);
  EXPECT_DOUBLE_EQ(c.box[1], 3.0);
  EXPECT_EQ(c.ndup[2], 1);
  // The atom count, then one trace line per molecule type and atom.
  const std::string w = " wat       wat       \n ion       wat       \n";
  EXPECT_EQ(r.out, "  7\n" + w + w + w + w + w + w + " wat       ion       \n ion       ion       \n");
}

TEST(GroFile, ReadsTheGromacsWaterFrame) {
  const std::string fixture = std::string(TVL_TEST_DATA) + "/../../examples/water/water.gro";
  std::FILE* probe = std::fopen(fixture.c_str(), "r");
  if (!probe) FAIL() << "test data missing";
  std::fclose(probe);
  sys::SystemDescription s;
  test::capture_stdout([&] { s = sys::readsys(0, std::string(TVL_TEST_DATA) + "/config/spce.sys"); });
  Read r = read(fixture, s, 0, Cutoff{1.0, 1.0, 0});
  ASSERT_EQ(r.c.n, 4956);
  ASSERT_EQ(r.c.m, 1652);
  EXPECT_DOUBLE_EQ(r.c.box[0], 3.7);
  EXPECT_DOUBLE_EQ(r.c.x[0], 0.182);
  EXPECT_DOUBLE_EQ(r.c.z[2], 0.016);
  EXPECT_DOUBLE_EQ(r.c.y[4955], 3.603);
  EXPECT_EQ(r.c.sptype[4955], 1);
  EXPECT_DOUBLE_EQ(r.c.vx[100], 0.0);  // no velocity columns
  EXPECT_EQ(r.c.mol_offset[1651], 4953);
  EXPECT_DOUBLE_EQ(r.cut.rc, 1.0);  // below half the box: unchanged
  // Every atom against its own line of the file.
  std::FILE* f = std::fopen(fixture.c_str(), "r");
  char line[256];
  ASSERT_TRUE(std::fgets(line, sizeof line, f) && std::fgets(line, sizeof line, f));
  for (int i = 0; i < 4956; ++i) {
    ASSERT_TRUE(std::fgets(line, sizeof line, f));
    double x, y, z;
    ASSERT_EQ(std::sscanf(line + 20, "%8lf%8lf%8lf", &x, &y, &z), 3);
    ASSERT_DOUBLE_EQ(r.c.x[i], x) << i;
    ASSERT_DOUBLE_EQ(r.c.y[i], y) << i;
    ASSERT_DOUBLE_EQ(r.c.z[i], z) << i;
  }
  std::fclose(f);
  // The count line and one trace line per atom (one molecule type).
  EXPECT_EQ(r.out.substr(0, 31), "  4956\n sol       sol       \n s");
  EXPECT_EQ(r.out.size(), 7 + 4956 * 22u);
}

TEST(GroFile, DefaultNameAndMissingFile) {
  Read none = read("-", test::two_types(), 1);
  EXPECT_FALSE(none.found);
  EXPECT_EQ(none.out,
            " ....trying to read GROMOS CONFIGURATION input file \"-\"\n"
            " WARNING: No GROMOS CONFIGURATION file available. \n"
            "          Neither \"tvlin.gro\", nor \"-\"\n");
  EXPECT_EQ(read("nothing.gro", test::two_types(), 0).out, "");
  test::write_file("tvlin.gro", gro(sample()));
  const Read r = read("nothing.gro", test::two_types(), 1);
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
            " ....trying to read GROMOS CONFIGURATION input file \"nothing.gro\"");
  EXPECT_EQ(r.name, "tvlin.gro");
  std::remove("tvlin.gro");
}

TEST(GroFile, MissingVelocityColumnsReadAsZeroAndPointlessFieldsCarryDecimals) {
  std::string t = gro(sample(), false);
  // atom 7 written with implied decimals: x = 500 (0.500), vx = 1000 (0.1000)
  const auto at = t.find("    7   0.500");
  ASSERT_NE(at, std::string::npos);
  t.replace(at, 13, "    7     500");
  t.insert(t.find('\n', at), "    1000");
  test::write_file("g2.gro", t);
  Read r = read("g2.gro", test::two_types());
  EXPECT_DOUBLE_EQ(r.c.vx[0], 0.0);
  EXPECT_DOUBLE_EQ(r.c.vz[5], 0.0);
  EXPECT_DOUBLE_EQ(r.c.x[6], 0.5);
  EXPECT_DOUBLE_EQ(r.c.vx[6], 0.1);
}

TEST(GroFile, ResidueNumberingMustRunOneByOne) {
  auto a = sample();
  a[6].res = 4;  // 1, 1, 1, 2, 2, 2, 4
  test::write_file("g3.gro", gro(a));
  EXPECT_EQ(test::stop_text([&] { read("g3.gro", test::two_types()); }), inconsistent);
  a = sample();
  a[4].nr = 9;  // atom number not its position
  test::write_file("g3.gro", gro(a));
  EXPECT_EQ(test::stop_text([&] { read("g3.gro", test::two_types()); }), inconsistent);
  // A first residue number of 0 starts no molecule: rejected.
  std::vector<Atom> z = {{0, "ion", 1, 0.1, 0.1, 0.1}};
  test::write_file("g3.gro", gro(z));
  EXPECT_EQ(test::stop_text([&] { read("g3.gro", test::two_types()); }), inconsistent);
}

TEST(GroFile, ResidueMustHoldExactlyTheSitesOfItsType) {
  auto more = sample();
  more.insert(more.begin() + 3, Atom{1, "WAT", 4, 1.0, 1.0, 1.0});
  for (int i = 0; i < static_cast<int>(more.size()); ++i) more[i].nr = i + 1;
  test::write_file("g4.gro", gro(more));
  EXPECT_EQ(test::stop_text([&] { read("g4.gro", test::two_types()); }), inconsistent);

  auto fewer = sample();
  fewer.erase(fewer.begin() + 2);
  for (int i = 0; i < static_cast<int>(fewer.size()); ++i) fewer[i].nr = i + 1;
  for (auto& a : fewer)
    if (a.nr >= 3 && a.res == 2) a.res = 2;
  test::write_file("g4.gro", gro(fewer));
  EXPECT_EQ(test::stop_text([&] { read("g4.gro", test::two_types()); }), inconsistent);

  // The last molecule of the file is checked as well.
  auto last = sample();
  last.pop_back();
  last.pop_back();
  test::write_file("g4.gro", gro(last));
  EXPECT_EQ(test::stop_text([&] { read("g4.gro", test::two_types()); }), inconsistent);

  // All atoms of one residue belong to one molecule type.
  auto mixed = sample();
  mixed[6].res = 2;
  mixed[5].resname = "ion";
  test::write_file("g4.gro", gro(mixed));
  EXPECT_EQ(test::stop_text([&] { read("g4.gro", test::two_types()); }), inconsistent);
}

TEST(GroFile, ResidueNameMustMatchALabel) {
  auto a = sample();
  a[6].resname = "NA";
  test::write_file("g5.gro", gro(a));
  const std::string t = test::stop_text([&] { read("g5.gro", test::two_types()); });
  EXPECT_EQ(t, unknown);
  // A label longer than 5 characters can never match a residue name.
  sys::SystemDescription s = test::two_types();
  s.mol[1].label_mol = "ionion";
  auto b = sample();
  b[6].resname = "ionio";
  test::write_file("g5.gro", gro(b));
  EXPECT_EQ(test::stop_text([&] { read("g5.gro", s); }), unknown);
  // With equal labels the later type wins.
  s = test::two_types();
  s.mol[0].label_mol = "ion";
  s.mol[0].nsimol = 1;
  s.mol[0].sptype_mol = {1};
  std::vector<Atom> one = {{1, "ION", 1, 0.1, 0.1, 0.1}};
  test::write_file("g5.gro", gro(one));
  EXPECT_EQ(read("g5.gro", s).c.sptype[0], 0);
}

TEST(GroFile, SizeLimits) {
  test::write_file("g6.gro", gro(sample()));
  config::Limits lim;
  lim.nmax = 6;
  EXPECT_EQ(test::stop_text([&] { read("g6.gro", test::two_types(), 0, {}, lim); }),
            "ERROR: System size too large: Number of interaction sites in GROMOS input-file exceeds "
            "       6\n       Increase value of nmax in tvl_const !\n");
  lim = {};
  lim.nalmolmax = 2;
  EXPECT_EQ(test::stop_text([&] { read("g6.gro", test::two_types(), 0, {}, lim); }),
            "ERROR: System size too large: Number of molecules in GROMOS input-file exceeds "
            "       2\n       Increase value of nalmolmax in tvl_const !\n");
  // without a bound, a count beyond any int is a corrupted file, not a bound
  test::write_file("g6.gro", "t\n3000000000\n");
  EXPECT_EQ(test::stop_text([&] { read("g6.gro", test::two_types()); }).find("tvl_const"), std::string::npos);
}

TEST(GroFile, CutoffCheckAfterTheBox) {
  test::write_file("g7.gro", gro(sample()));
  Read r = read("g7.gro", test::two_types(), 0, Cutoff{1.6, 0.0, 0});
  EXPECT_DOUBLE_EQ(r.cut.rc, 1.5);
  EXPECT_NE(r.out.find(" SUBROUTINE DEFSYS: cutoff-radius corrected\n"), std::string::npos);
}

TEST(GroFile, UnreadableFieldsAndTruncationAreCorruptNeverACrash) {
  const std::string good = gro(sample());
  std::string t = good;
  t.replace(t.find("    7\n"), 6, "  7x\n");
  test::write_file("g8.gro", t);
  EXPECT_EQ(test::stop_text([&] { read("g8.gro", test::two_types()); }), corrupted);
  t = good;
  t.replace(t.find("   1.000   1.000"), 8, "   1.0x0");
  test::write_file("g8.gro", t);
  EXPECT_EQ(test::stop_text([&] { read("g8.gro", test::two_types()); }), corrupted);
  t = good;
  t.replace(t.find("   3.00000"), 10, "   three  ");
  test::write_file("g8.gro", t);
  EXPECT_EQ(test::stop_text([&] { read("g8.gro", test::two_types()); }), corrupted);

  const std::vector<std::string> cuts = test::cut_after_lines(good);
  for (const std::string& cut : cuts) {
    test::write_file("g9.gro", cut);
    EXPECT_EQ(test::stop_text([&] { read("g9.gro", test::two_types()); }), corrupted) << cut.size();
  }
  EXPECT_EQ(cuts.size(), 9u);
  // Cut inside a line: the short atom line reads as blank-padded.
  test::write_file("g9.gro", good.substr(0, good.size() - 5));
  EXPECT_TRUE(read("g9.gro", test::two_types()).found);
}

TEST(GroFile, OneTraceLinePerMoleculeTypeAndAtom) {
  sys::SystemDescription s = test::two_types();
  sys::MolType third = s.mol[1];
  third.label_mol = "cl";
  s.mol.push_back(third);
  s.ntymol = 3;
  std::vector<Atom> one = {{1, "CL", 1, 0.1, 0.1, 0.1}, {2, "ion", 2, 0.2, 0.2, 0.2}};
  test::write_file("g10.gro", gro(one));
  Read r = read("g10.gro", s);
  EXPECT_EQ(r.out,
            "  2\n"
            " wat       cl        \n ion       cl        \n cl        cl        \n"
            " wat       ion       \n ion       ion       \n cl        ion       \n");
  EXPECT_EQ(r.c.mol_type[0], 2);
  EXPECT_EQ(r.c.mol_type[1], 1);
}

TEST(GroFile, MoleculeTypeNamingNoKnownSiteTypeIsCorrupt) {
  test::write_file("g11.gro", gro(sample()));
  sys::SystemDescription s = test::two_types();
  s.mol[1].sptype_mol = {-1};
  EXPECT_EQ(test::stop_text([&] { read("g11.gro", s); }), corrupted);
  s.mol[1].sptype_mol = {2};
  EXPECT_EQ(test::stop_text([&] { read("g11.gro", s); }), corrupted);
}

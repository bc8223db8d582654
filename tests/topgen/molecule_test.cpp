// The molecule readers on the fixture molecules in all four formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "common/text/fortran.h"
#include "tests/support/support.h"
#include "topgen/driver.h"
#include "topgen/readers.h"

using namespace tvl::topgen;
using tvl::test::capture_stdout;
using tvl::test::write_file;

namespace {

const std::string data = std::string(TVL_TEST_DATA) + "/topgen/";
const std::string examples = std::string(TVL_TEST_DATA) + "/../../examples/topgen/";

struct Fixture {
  const char* name;
  int atoms, bonds;
};
const Fixture fixtures[] = {
    {"ethanol", 9, 8}, {"aceticacid", 8, 7}, {"benzene", 12, 12}, {"cyclopropane", 9, 9}, {"dipeptide", 22, 21}};

void expect_same(const Molecule& a, const Molecule& b, bool bond_order = true) {
  ASSERT_EQ(a.n(), b.n());
  for (int i = 0; i < a.n(); ++i) {
    const Atom &p = a.atoms[i], &q = b.atoms[i];
    EXPECT_EQ(p.alabel, q.alabel) << "atom " << i + 1;
    EXPECT_EQ(p.x, q.x);
    EXPECT_EQ(p.y, q.y);
    EXPECT_EQ(p.z, q.z);
    EXPECT_EQ(p.charge, q.charge);
  }
  auto key = [](const Bond& b) { return std::minmax(b.con_a, b.con_b); };
  std::vector<std::pair<int, int>> ka, kb;
  for (const Bond& x : a.bonds) ka.push_back(key(x));
  for (const Bond& x : b.bonds) kb.push_back(key(x));
  if (!bond_order) std::sort(ka.begin(), ka.end()), std::sort(kb.begin(), kb.end());
  EXPECT_EQ(ka, kb);
}

// Words joined by blanks, as one line.
std::string line(std::initializer_list<std::string> words) {
  std::string s;
  for (const std::string& w : words) s.append(w).append(" ");
  s.back() = '\n';
  return s;
}
std::string r(double v) { return tvl::text::free_real(v); }
std::string i(int v) { return std::to_string(v); }

// The molecule written as a TMF file and as an OFF library.
std::string tmf_of(const Molecule& m) {
  std::string s = "# written by the test\n";
  for (const Atom& a : m.atoms) s += line({a.alabel, r(a.x), r(a.y), r(a.z), r(a.charge)});
  for (const Bond& b : m.bonds) s += line({"!CON", i(b.con_a), i(b.con_b)});
  return s;
}
std::string off_of(const Molecule& m) {
  std::string s = "!!index array str\n \"MOL\"\n \"OTHER\"\n";
  s += "!entry.MOL.unit.atoms table  str name  str type  int typex  int resx  int flags  int seq  int elmnt  dbl chg\n";
  for (const Atom& a : m.atoms) s += line({"\"A\"", "\"" + a.alabel + "\"", "0 1 131072 1 6", r(a.charge)});
  s += "!entry.MOL.unit.connectivity table  int atom1x  int atom2x  int flags\n";
  for (const Bond& b : m.bonds) s += line({i(b.con_a), i(b.con_b), "1"});
  s += "!entry.MOL.unit.positions table  dbl x  dbl y  dbl z\n";
  for (const Atom& a : m.atoms) s += line({r(a.x), r(a.y), r(a.z)});
  // a second unit is never read
  s += "!entry.OTHER.unit.atoms table  str name\n \"X\" \"zz\" 0 1 1 1 1 9.0\n";
  return s;
}

}  // namespace

TEST(Molecules, FixturesReadAlikeInAllFourFormats) {
  for (const Fixture& fx : fixtures) {
    SCOPED_TRACE(fx.name);
    Molecule mol2 = get_mol2(data + fx.name + ".mol2");
    ASSERT_EQ(mol2.n(), fx.atoms);
    ASSERT_EQ(static_cast<int>(mol2.bonds.size()), fx.bonds);
    for (const Atom& a : mol2.atoms)
      EXPECT_TRUE(std::none_of(a.alabel.begin(), a.alabel.end(), ::isupper)) << a.alabel;
    EXPECT_EQ(mol2.atoms[0].alabel, fx.name == std::string("benzene") ? "c.ar" : "c.3");
    // HIN lists every bond at both atoms: once each, in the order of first mention.
    Molecule hin = get_hin(data + fx.name + ".hin", false);
    expect_same(mol2, hin, false);
    for (std::size_t k = 0; k < hin.bonds.size(); ++k) {
      EXPECT_LT(hin.bonds[k].con_a, hin.bonds[k].con_b);
      if (k) {
        EXPECT_LE(hin.bonds[k - 1].con_a, hin.bonds[k].con_a);
      }
    }
    EXPECT_TRUE(get_hin(data + fx.name + ".hin", true).bonds.empty());
    write_file("m.tmf", tmf_of(mol2));
    write_file("m.off", off_of(mol2));
    expect_same(mol2, get_xyz("m.tmf", false));
    EXPECT_TRUE(get_xyz("m.tmf", true).bonds.empty());
    expect_same(mol2, get_off("m.off"));
  }
  Molecule eth = get_mol2(data + "ethanol.mol2");
  expect_same(eth, get_xyz(examples + "ethanol.tmf", false));
  expect_same(eth, get_off(examples + "ethanol.off"));
}

TEST(Molecules, Mol2BondsComeFromTheBondSectionOnly) {
  // Upper case, a section between atoms and bonds, a long type cut to 9 characters.
  write_file("a.mol2",
             "@<TRIPOS>MOLECULE\nM\n2 1\n@<TRIPOS>ATOM\n 1 C 0 0 0 C.LONGTYPE99 1 R 0.5\n"
             " 2 O 1.2 0 0 O.2 1 R -0.5\n@<TRIPOS>UNITY_ATOM_ATTR\n1 1\ncharge 1\n"
             "@<TRIPOS>BOND\n 1 1 2 2\n@<TRIPOS>SUBSTRUCTURE\n 1 R 1\n");
  Molecule m = get_mol2("a.mol2");
  ASSERT_EQ(m.n(), 2);
  EXPECT_EQ(m.atoms[0].alabel, "c.longtyp");
  ASSERT_EQ(m.bonds.size(), 1u);
  EXPECT_EQ(m.bonds[0].con_a, 1);
  EXPECT_EQ(m.bonds[0].con_b, 2);
}

TEST(Molecules, RepeatedBondsAreKeptOnceWithAWarning) {
  write_file("r.tmf", "c 0 0 0 0\nc 1.5 0 0 0\nh 2 0 0 0\n!con 1 2\n!con 2 3\n!con 2 1\n");
  Molecule m;
  std::string out = capture_stdout([&] { m = get_xyz("r.tmf", false); });
  EXPECT_EQ(m.bonds.size(), 2u);
  EXPECT_EQ(out, "# WARNING: file r.tmf, line 6: the bond 2-1 is listed again; kept once\n");
}

TEST(Molecules, AtomsLeftWithoutBondGetAWarning) {
  const Molecule m{{Atom{"c"}, Atom{"c"}, Atom{"h"}}, {Bond{1, 2}}};
  EXPECT_EQ(capture_stdout([&] { warn_unbonded_atoms(m); }),
            "# WARNING: atom 3 (h) has no bond within its radius\n");
}

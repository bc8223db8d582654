// Parameter assignment and the system file: derived types, label matching
// with wildcards, the combination rules, the marks for missing parameters,
// and a written file that the system-file reader accepts with the same values.
#include <gtest/gtest.h>

#include <cmath>

#include "common/sysfile/system.h"
#include "tests/support/support.h"
#include "topgen/writer.h"

namespace tvl::topgen {
namespace {

// ct(-0.1) - ct(0.2) - ct(-0.1) - hc, a bent chain.
Molecule chain() {
  Molecule m;
  m.atoms = {{"ct", 0, 0, 0, -0.1}, {"ct", 1.53, 0, 0, 0.2}, {"ct", 2.0, 1.45, 0, -0.1}, {"hc", 3.0, 1.6, 0.6, 0}};
  m.bonds = {{1, 2}, {2, 3}, {3, 4}};
  return m;
}

ForceField full_field() {
  ForceField f;
  f.scale_coulomb14 = 0.8333, f.scale_lj14 = 0.5;
  f.sites = {{"ct", 12.011, 1.9, 3.0, 100.0, 1}, {"hc", 1.008, 1.1, 4.0, 25.0, 1}};
  f.bonds = {{{"ct", "ct"}, 1000.0, 1.53}, {{"hc", "ct"}, 1400.0, 1.09}, {{"ct", "ct"}, 1000.0, 1.54}};
  f.angles = {{{"ct", "ct", "ct"}, 400.0, 109.5}, {{"hc", "ct", "ct"}, 300.0, 110.7}};
  f.dihedrals = {{{"x", "ct", "ct", "x"}, 0.6, 3.0, 0.0}, {{"x", "ct", "ct", "ct"}, 0.2, 1.0, 180.0}};
  return f;
}

std::string written(Options o, const ForceField& ff, const Molecule& mol) {
  Derived d;
  std::vector<Pair> bonds;
  for (const Bond& b : mol.bonds) bonds.push_back({b.con_a, b.con_b});
  d.top = define_topology(mol.n(), bonds);
  std::vector<double> x, y, z;
  for (const Atom& a : mol.atoms) x.push_back(a.x), y.push_back(a.y), z.push_back(a.z);
  if (o.zmat) d.zmatrix = gen_zmatrix({x, y, z}, bonds, d.top.angles, d.top.torsions);
  d.typing = identify_types(ff, mol);
  return test::capture_stdout([&] { write_system(o, ff, mol, d); });
}

TEST(Writer, ReadsBackThroughTheSystemFileReader) {
  Options o;
  o.ff_file = "chain.ff", o.mol_file = "chain.tmf", o.label = "chain", o.zmat = o.freeze = o.build = true;
  const std::string out = written(o, full_field(), chain());
  test::write_file("chain.sys", out);
  const sys::SystemDescription sd = sys::readsys(0, "chain.sys");
  ASSERT_EQ(sd.ntymol, 1);
  const sys::MolType& m = sd.mol[0];
  EXPECT_EQ(sd.name_sp, (std::vector<std::string>{"ct_1", "ct_2", "hc_3"}));  // atoms 1 and 3 share a type
  EXPECT_EQ(m.nsimol, 4);
  EXPECT_EQ(m.nhabd, 5);  // the doubled ct-ct type writes two lines per ct-ct bond
  EXPECT_DOUBLE_EQ(m.r_habd[1], 0.154);
  EXPECT_EQ(m.nang, 2);
  EXPECT_EQ(m.ndhed, 2);  // "x ct ct ct" also matches with ct as the first atom
  EXPECT_EQ(m.n14int, 1);
  EXPECT_EQ(m.nexcl, 6);
  EXPECT_EQ(sd.nmol_tot, 1);
  // combination rules: sigma (3 + 4) / 2, epsilon sqrt(100 * 25) * 0.5, factor 0.8333
  EXPECT_NE(out.find(" " + int_field(1) + int_field(4) + "      3.5000     25.0000  0.8333    #   ct_1    hc_3  \n"),
            std::string::npos);
  EXPECT_NE(out.find("zfreeze     4    2\nend{z-matrix}\n"), std::string::npos);
  EXPECT_NE(out.find("begin{constraints}\n#       1    2      1.5300\n"), std::string::npos);
  EXPECT_NE(out.find("    frac     chain   0.5  0.5  0.5 \nend{build}\n"), std::string::npos);
  o.opls = true;
  EXPECT_NE(written(o, full_field(), chain()).find("      3.4641     25.0000  0.8333"), std::string::npos);
}

TEST(Writer, MissingParametersAreMarked) {
  ForceField f = full_field();
  f.bonds.resize(1), f.angles.resize(1), f.dihedrals = {{{"ct", "ct", "ct", "x"}, 1, 1, 0}};  // "x" last never matches
  f.int14 = {{{"hc", "ct"}, 0, 0, 0, 1}};
  Options o;
  o.fix = true;
  const std::string out = written(o, f, chain());
  EXPECT_EQ(out.find("#begin{constraints}"), std::string::npos);
  EXPECT_NE(out.find("begin{constraints}\n       1    2      1.5300\n       2    3      1.5300\n"
                     "       3    4  # <- NOT DEFINED !!\nend{constraints}"),
            std::string::npos);
  EXPECT_NE(out.find("#begin{bonds}\n#   harmonic     1    2   1000.0000      1.5300\n"), std::string::npos);
  EXPECT_NE(out.find("       2    3    4  #  <- NOT DEFINED !!\n"), std::string::npos);
  EXPECT_NE(out.find("#   proper    1    2    3    4  <- not defined\n"), std::string::npos);
  EXPECT_NE(out.find("#       1    4                       ct_1    hc_3   <-- 1-4 interaction switched off \n"),
            std::string::npos);
}

TEST(Params, DerivedTypesAndTheirLimits) {
  ForceField f = full_field();
  Molecule m = chain();
  m.atoms[0].alabel = "zz";
  EXPECT_EQ(test::stop_text([&] { identify_types(f, m); }),
            "  ERROR IN TEMPLATE-FILE:\n     ATOM NR : 1 TYPE zz        \n     CANNOT BE IDENTIFIED\n");
  f.sites[0].label = "ctlongname";
  for (Atom& a : m.atoms) a.alabel = "ctlongname";
  EXPECT_NE(test::stop_text([&] { identify_types(f, m); }).find("derived type 1 of site type ctlongname"),
            std::string::npos);
}

TEST(Params, ImproperWildcardsChooseTheWrittenOrder) {
  ForceField f = full_field();
  Molecule m;  // centre 1 (ct) with neighbours 2 (hc), 3 (ct), 4 (oh)
  m.atoms = {{"ct"}, {"hc"}, {"ct"}, {"oh"}};
  f.sites.push_back({"oh", 16, 1.5, 3, 80, 1});
  f.impropers = {{{"x", "x", "ct", "ct"}, 1, 2, 180},   // fourth label = type of outer atom b
                 {{"x", "x", "ct", "hc"}, 1, 2, 180},   // outer atom a
                 {{"x", "oh", "ct", "hc"}, 1, 2, 180},  // "x" first: listed c, b, a, d
                 {{"hc", "oh", "ct", "ct"}, 1, 2, 180},
                 {{"x", "x", "hc", "ct"}, 1, 2, 180}};  // wrong centre
  const Labels l = intern_labels(f, m);
  std::vector<ImproperMatch> out;
  match_improper(l, Quad{2, 3, 1, 4}, out);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0].atoms, (std::array<int, 4>{2, 4, 1, 3}));
  EXPECT_EQ(out[1].atoms, (std::array<int, 4>{3, 4, 1, 2}));
  EXPECT_EQ(out[2].atoms, (std::array<int, 4>{1, 3, 2, 4}));
  EXPECT_EQ(out[3].type, 3);
}

TEST(Params, NumbersThatDoNotFitAreRefused) {
  EXPECT_EQ(int_field(50000), " 50000");  // a full field never runs into the one before it
  EXPECT_EQ(num_field(-2.5, 12, 4), "     -2.5000");
  EXPECT_EQ(test::stop_text([] { num_field(1e9, 12, 4); }),
            " ERROR: the value 1000000000.0 does not fit the field F12.4 of the system file\n");
  EXPECT_NE(test::stop_text([] { num_field(std::nan(""), 12, 4); }).find("NaN"), std::string::npos);
}

}  // namespace
}  // namespace tvl::topgen

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/config/gro.h"
#include "common/gromacs/preprocessor.h"
#include "common/gromacs/top_reader.h"
#include "interop/top2sys_map.h"
#include "tests/support/support.h"

namespace gx = tvl::gmx;
using tvl::interop::top_to_sys;
using tvl::test::stop_text;
using tvl::test::write_file;

namespace {

const char* defaults2 = "[ defaults ]\n1 2 yes 0.5 0.8333\n";

gx::Topology topology(const std::string& text, std::vector<std::string>* warnings = nullptr) {
  write_file("t.top", text);
  std::vector<std::string> w;
  gx::Topology top = gx::read_topology(gx::preprocess("t.top", {}), w);
  if (warnings) *warnings = w;
  return top;
}

// A GRO file of the topology's molecules in order, atom k of the whole
// system at (0.1 k, 0, 0), in a box of 10 nm.
tvl::config::GroFile gro_of(const gx::Topology& top) {
  tvl::config::GroFile g;
  for (const auto& [name, count] : top.molecules)
    for (const gx::MoleculeType& mt : top.moltypes)
      if (mt.name == name)
        for (long long c = 0; c < count; ++c)
          for (const gx::Atom& a : mt.atoms) {
            tvl::config::GroAtom ga;
            ga.name = a.name.substr(0, 5);
            ga.r = {0.1 * static_cast<double>(g.atoms.size()), 0.0, 0.0};
            g.atoms.push_back(ga);
          }
  g.box = {10, 10, 10, 0, 0, 0, 0, 0, 0};
  return g;
}

std::string sys_of(const std::string& text, std::vector<std::string>* warnings = nullptr) {
  const gx::Topology top = topology(text);
  tvl::interop::Top2Sys r = top_to_sys(top, gro_of(top), {}, "t.top", "c.gro");
  if (warnings) *warnings = r.warnings;
  return r.sys_text;
}

// The lines of a section of the system file, without indentation.
std::vector<std::string> section(const std::string& sys, const std::string& name) {
  std::vector<std::string> out;
  const std::size_t b = sys.find("begin{" + name + "}");
  if (b == std::string::npos) return out;
  const std::size_t e = sys.find("end{" + name + "}", b);
  std::size_t p = sys.find('\n', b) + 1;
  while (p < e) {
    const std::size_t q = sys.find('\n', p);
    std::string l = sys.substr(p, q - p);
    l.erase(0, l.find_first_not_of(' '));
    if (l.rfind("end{", 0) != 0) out.push_back(l);
    p = q + 1;
  }
  return out;
}

using Lines = std::vector<std::string>;

TEST(TopReader, TellsTheAtomtypeColumnsApartByTheParticleType) {
  const gx::Topology top = topology(
      "[ atomtypes ]\n"
      "a 12.0 -0.1 A 0.3 0.4\n"
      "b CT 6 12.0 0.2 A 0.3 0.4\n"
      "c CX 13.0 0.3 A 0.3 0.4\n"
      "d 8 16.0 0.4 A 0.3 0.4\n");
  ASSERT_EQ(top.atomtypes.size(), 4u);
  EXPECT_EQ(top.atomtypes[0].bonded_type, "a");
  EXPECT_EQ(top.atomtypes[1].bonded_type, "CT");
  EXPECT_EQ(top.atomtypes[1].atomic_number, 6);
  EXPECT_EQ(top.atomtypes[2].bonded_type, "CX");
  EXPECT_EQ(top.atomtypes[3].atomic_number, 8);
  const double q[4] = {-0.1, 0.2, 0.3, 0.4}, m[4] = {12, 12, 13, 16};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_DOUBLE_EQ(top.atomtypes[i].charge, q[i]);
    EXPECT_DOUBLE_EQ(top.atomtypes[i].mass, m[i]);
    EXPECT_DOUBLE_EQ(top.atomtypes[i].w, 0.4);
  }
}

// Dihedral lookup: exact names beat wildcards, fewer wildcards beat more,
// the first line wins among equals, names match backwards too, and
// function 9 takes the following lines of the same names as more terms.
TEST(TopReader, DihedralTypesFollowTheWildcardPrecedence) {
  const std::string head = std::string(defaults2) +
                           "[ atomtypes ]\nA 1 0 A 0 0\nB 1 0 A 0 0\nC 1 0 A 0 0\n"
                           "[ dihedraltypes ]\n"
                           "X B C X 9 0 1 1\n"
                           "A B C X 9 0 2 2\n"
                           "A B C X 9 0 3 3\n"
                           "C B 9 0 4 4\n"          // older two-name form: X C B X
                           "X B C A 9 0 5 5\n"
                           "A A A A 9 0 6 6\n"
                           "A A A A 9 0 7 7\n"
                           "A A A A 4 180 8 2\n";
  const gx::Topology top = topology(head +
                                    "[ moleculetype ]\nm 3\n[ atoms ]\n"
                                    "1 A 1 R a1\n2 B 1 R a2\n3 C 1 R a3\n4 A 1 R a4\n5 C 1 R a5\n6 B 1 R a6\n"
                                    "[ dihedrals ]\n1 2 3 4 9\n1 2 3 5 9\n5 2 3 5 9\n4 1 1 4 9\n4 1 1 4 4\n");
  const gx::TypeIndex idx = gx::index_of(top);
  const gx::MoleculeType& mt = top.moltypes[0];
  auto ks = [&](std::size_t d) {
    std::vector<double> k;
    for (const auto& p : gx::term_params(top, idx, mt, top.dihedraltypes, "dihedrals", mt.dihedrals[d]))
      k.push_back(p[1]);
    return k;
  };
  EXPECT_EQ(ks(0), (std::vector<double>{2, 3}));  // A B C X and X B C A tie on 3 names: first wins
  EXPECT_EQ(ks(1), (std::vector<double>{2, 3}));
  EXPECT_EQ(ks(2), (std::vector<double>{1}));     // C B C C: only the all-wildcard centre
  EXPECT_EQ(ks(3), (std::vector<double>{6, 7}));
  EXPECT_EQ(ks(4), (std::vector<double>{8}));     // function 4 only from function 4 lines
  EXPECT_EQ(mt.dihedrals.size(), 5u);
}

struct Mapping {
  const char* what;
  std::string top;
  const char* section;
  Lines want;
};

class Maps : public testing::TestWithParam<Mapping> {};

TEST_P(Maps, EachDirectiveToItsSystemFileForm) { EXPECT_EQ(section(sys_of(GetParam().top), GetParam().section), GetParam().want) << GetParam().what; }

const std::string types2 = std::string(defaults2) +
                           "[ atomtypes ]\nOW 15.9994 -0.8 A 0.3 0.65\nHW 1.008 0.4 A 0 0\n"
                           "CT 12.011 0 A 0.35 0.276144\nHC 1.008 0 A 0.25 0.12552\n";
const std::string water = "[ moleculetype ]\nSOL 2\n[ atoms ]\n1 OW 1 SOL OW 1\n2 HW 1 SOL HW1 1\n3 HW 1 SOL HW2 1\n";
const std::string ch3 = "[ moleculetype ]\nMe 3\n[ atoms ]\n1 CT 1 M C1 1\n2 HC 1 M H1 1\n3 HC 1 M H2 1\n4 HC 1 M H3 1\n5 CT 1 M C2 1\n";
std::string with(const std::string& mol, const std::string& terms, const std::string& name = "Me") {
  return types2 + mol + terms + "[ system ]\nx\n[ molecules ]\n" + name + " 2\n";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Maps,
    testing::Values(
        Mapping{"site types split by charge, named after the atom type", types2 + water + ch3 +
                    "[ moleculetype ]\nW2 1\n[ atoms ]\n1 OW 1 W O 1 -0.9\n2 HW 1 W H 1 0.45\n3 HW 1 W H 1 0.45 2.0\n"
                    "[ molecules ]\nSOL 1\nW2 1\n",
                "sites", Lines{"ow -0.8 15.9994", "hw 0.4 1.008", "ow_2 -0.9 15.9994", "hw_2 0.45 1.008", "hw_3 0.45 2"}},
        Mapping{"comb-rule 2: Lorentz-Berthelot in Angstrom and Kelvin", with(water, "", "SOL"), "lorentz_lj",
                Lines{"ow 3 78.1765852708", "hw 0 0"}},
        Mapping{"comb-rule 1: C6 and C12 to sigma and epsilon; C6 0 gives 0 0",
                "[ defaults ]\n1 1 no\n[ atomtypes ]\nOW 16 0 A 0.0026173456 2.634129e-06\nHW 1 0 A 0 1e-8\n" + water +
                    "[ molecules ]\nSOL 1\n",
                "opls_lj", Lines{"ow 3.16564828372 78.1967047888", "hw 0 0"}},
        Mapping{"nonbond_params as lj pairs", with(water, "", "SOL") + "[ nonbond_params ]\nOW HW 1 0.2 0.5\n", "lj",
                Lines{"ow hw 2 60.1358348237"}},
        Mapping{"harmonic bonds per Angstrom^2, constraints, settles",
                with(water, "[ settles ]\n1 1 0.1 0.1633\n", "SOL"), "constraints", Lines{"1 2 1", "1 3 1", "2 3 1.633"}},
        Mapping{"bonds 1 and 6 harmonic, Morse a comment, connections nothing",
                with(ch3, "[ bonds ]\n1 2 1 0.109 284512\n1 3 6 0.109 1000\n1 4 3 0.1 400 20\n1 5 5\n"), "bonds",
                Lines{"harmonic 1 2 2845.12 1.09", "harmonic 1 3 10 1.09", "# Morse bond 1 4 (no system-file form)"}},
        Mapping{"bond parameters from [ bondtypes ], matched backwards",
                types2 + "[ bondtypes ]\nHC CT 1 0.109 284512\n" + ch3 + "[ bonds ]\n1 2\n[ molecules ]\nMe 1\n", "bonds",
                Lines{"harmonic 1 2 2845.12 1.09"}},
        Mapping{"constraint lengths from constrainttypes, else bondtypes",
                types2 + "[ bondtypes ]\nHC CT 1 0.109 284512\n[ constrainttypes ]\nCT CT 1 0.153\n" + ch3 +
                    "[ constraints ]\n1 2 1\n1 5 1\n1 3 2 0.11\n[ molecules ]\nMe 1\n",
                "constraints", Lines{"1 2 1.09", "1 5 1.53", "1 3 1.1"}},
        Mapping{"plain angles; Urey-Bradley a comment",
                with(ch3, "[ angles ]\n2 1 3 1 109.5 292.88\n2 1 4 5 109.5 292.88 0.17 1000\n"), "angles",
                Lines{"2 1 3 292.88 109.5", "# Urey-Bradley angle 2 1 4 (no system-file form)"}},
        Mapping{"dihedrals: 9 terms of one quadruple on one line, 2 improper, 4 proper, RB as cosines",
                with(ch3,
                     "[ dihedrals ]\n2 1 5 3 9 0 1.5 3\n2 1 5 3 9 180 0.5 1\n2 1 5 4 2 35 100\n3 1 5 4 4 180 4.6 2\n"
                     "4 1 5 2 3 0.6276 1.8828 0 -2.5104 0 0\n4 1 5 3 3 1 1 1 1 1 1\n"),
                "dihedrals",
                Lines{"proper 2 1 5 3 1.5 3 0 0.5 1 180", "improper 2 1 5 4 100 35", "proper 3 1 5 4 4.6 2 180",
                      "proper 4 1 5 2 0.6276 3 0", "# Ryckaert-Bellemans dihedral with C5 4 1 5 3 (no system-file form)"}},
        Mapping{"1-4 pairs: own parameters, gen-pairs with fudgeLJ, fudgeQQ as factor",
                with(ch3, "[ pairs ]\n2 5 1 0.3 0.4\n3 5\n"), "nonbonded",
                Lines{"2 5 3 48.108667859 0.8333", "3 5 3 11.1958640269 0.8333"}},
        Mapping{"1-4 pairs from pairtypes",
                types2 + "[ pairtypes ]\nCT HC 1 0.2 0.1\n" + ch3 + "[ pairs ]\n2 5\n[ molecules ]\nMe 1\n", "nonbonded",
                Lines{"2 5 2 12.0271669647 0.8333"}},
        Mapping{"exclusions: nrexcl bonds apart plus [ exclusions ]",
                types2 + "[ moleculetype ]\nC 1\n[ atoms ]\n1 CT 1 C A 1\n2 CT 1 C B 1\n3 CT 1 C C 1\n4 CT 1 C D 1\n"
                         "[ bonds ]\n1 2 5\n2 3 1 0.1 1\n3 4 6 0.1 1\n[ exclusions ]\n4 1\n[ molecules ]\nC 1\n",
                "exclude", Lines{"1 2", "1 4", "2 3"}},
        Mapping{"all pairs excluded: all", with(water, "[ settles ]\n1 1 0.1 0.1633\n", "SOL"), "exclude", Lines{"all"}},
        Mapping{"linear virtual sites with coefficients summing to 1",
                types2 + "[ atomtypes ]\nMW 0 0 D 0 0\n" +
                    "[ moleculetype ]\nV 1\n[ atoms ]\n1 OW 1 V O 1\n2 HW 1 V H1 1\n3 HW 1 V H2 1\n4 MW 1 V M 1\n5 MW 1 V N 1\n"
                    "6 MW 1 V P 1\n7 MW 1 V Q 1\n"
                    "[ virtual_sites3 ]\n4 1 2 3 1 0.1 0.2\n[ virtual_sites2 ]\n5 1 2 1 0.25\n6 1 2 2 0.1\n"
                    "[ virtual_sitesn ]\n7 2 1 2\n[ molecules ]\nV 1\n",
                "virtual",
                Lines{"5 1 0.75 2 0.25", "# non-linear virtual site 6 1 2 (no system-file form)", "4 1 0.7 2 0.1 3 0.2",
                      "7 1 0.940731681503 2 0.0592683184967"}}));

TEST(TopToSys, FreedomLabelsAndVectors) {
  const std::string mol = "[ atoms ]\n1 OW 1 SOL OW 1\n2 HW 1 SOL HW1 1\n3 HW 1 SOL HW2 1\n[ settles ]\n1 1 0.1 0.1633\n";
  const gx::Topology top = topology(types2 + "[ moleculetype ]\nProtein_chain_A 2\n" + mol +
                                    "[ moleculetype ]\nProtein_chain_C 2\n" + mol + "[ molecules ]\nProtein_chain_C 2\n"
                                    "Protein_chain_A 1\nProtein_chain_C 1\n");
  tvl::interop::Top2Sys r =
      top_to_sys(top, gro_of(top), {{"Protein_chain_A", {"OW", "HW1", "OW", "HW2"}}}, "t.top", "c.gro");
  EXPECT_NE(r.sys_text.find("label protein_ch\n  freedom 6\n"), std::string::npos);
  EXPECT_NE(r.sys_text.find("label protein__2\n"), std::string::npos);
  EXPECT_EQ(section(r.sys_text, "rotcf"), Lines{"2 1 2 1 3"});
  EXPECT_EQ(r.conf.m, 4);
  EXPECT_EQ(r.conf.mol_type, (std::vector<int>{0, 0, 1, 0}));
  EXPECT_EQ(r.conf.mol_offset, (std::vector<int>{0, 3, 6, 9}));
}

TEST(TopToSys, NamesStayUniqueInTenCharacters) {
  std::vector<std::string> taken;
  EXPECT_EQ(tvl::interop::unique_name("opls_135", 1, taken), "opls_135");
  EXPECT_EQ(tvl::interop::unique_name("opls_135", 2, taken), "opls_135_2");
  EXPECT_EQ(tvl::interop::unique_name("OPLS_135", 1, taken), "opls_135_3");
  EXPECT_EQ(tvl::interop::unique_name("opls_1350", 2, taken), "opls_135_4");
  EXPECT_EQ(tvl::interop::unique_name("a#b,c=d", 1, taken), "a_b_c_d");
  EXPECT_EQ(tvl::interop::unique_name("Protein_chain_B", 1, taken, true), "protein_ch");
  EXPECT_EQ(tvl::interop::unique_name("Protein_chain_C", 1, taken, true), "protein__2");
}

TEST(TopToSys, RyckaertBellemansCosinesDifferByAConstant) {
  const std::vector<double> c{0.3, -1.1, 2.5, 0.7, -0.9, 0.0};
  const auto terms = tvl::interop::rb_to_cosines(c);
  double d0 = 0;
  for (int i = 0; i <= 36; ++i) {
    const double phi = -M_PI + i * M_PI / 18;
    double rb = 0, cs = 0;
    for (int n = 0; n < 6; ++n) rb += c[static_cast<std::size_t>(n)] * std::pow(std::cos(phi - M_PI), n);
    for (const auto& t : terms) cs += t[0] * (1 + std::cos(t[1] * phi - t[2] * M_PI / 180));
    if (i == 0) d0 = rb - cs;
    EXPECT_NEAR(rb - cs, d0, 1e-12);
  }
}

TEST(TopToSys, WarnsOncePerKindAndPerSkippedDirective) {
  std::vector<std::string> w;
  sys_of(with(ch3, "[ angles ]\n2 1 3 5 1 1 1 1\n2 1 4 5 1 1 1 1\n[ position_restraints ]\n1 1 1000 1000 1000\n"), &w);
  EXPECT_EQ(w, Lines{"2 x Urey-Bradley angle: no system-file form, written as comments"});
  topology(with(ch3, "[ position_restraints ]\n1 1 1000 1000 1000\n[ intermolecular_interactions ]\n[ bonds ]\n1 2 6 0.1 10\n"),
           &w);
  EXPECT_EQ(w, (Lines{"[ position_restraints ] at t.top, line 16 skipped: it changes no charge, mass or molecule",
                      "[ intermolecular_interactions ] at t.top, line 18 skipped: it changes no charge, mass or molecule"}));
}

struct Refusal {
  std::string top;
  const char* message;
};

class Refusals : public testing::TestWithParam<Refusal> {};

TEST_P(Refusals, NameFileAndLine) {
  EXPECT_EQ(stop_text([] { sys_of(GetParam().top); }), std::string(GetParam().message) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    testing::Values(
        Refusal{types2 + "[ bogus ]\n", " ERROR: t.top, line 8: unknown directive [ bogus ]"},
        Refusal{types2 + "[ moleculetype ]\nM 1\n[ atoms ]\n1 XX 1 M A 1\n", " ERROR: t.top, line 11: atom type XX is not defined"},
        Refusal{types2 + "[ moleculetype ]\nM 1\n[ atoms ]\n2 CT 1 M A 1\n",
                " ERROR: t.top, line 11: atoms of M are not numbered 1, 2, 3, ..."},
        Refusal{with(ch3, "[ bonds ]\n1 6 1 0.1 1\n"), " ERROR: t.top, line 17: atom 6 does not exist in Me (5 atoms)"},
        Refusal{with(ch3, "[ bonds ]\n1 2 1\n"), " ERROR: t.top, line 17: no parameters for bonds function 1 of atoms 1 2"},
        Refusal{"[ defaults ]\n1 2 no\n[ atomtypes ]\nCT 12 0 A 0.3 0.3\nHC 1 0 A 0 0\n" + ch3 +
                    "[ pairs ]\n1 2\n[ molecules ]\nMe 1\n",
                " ERROR: t.top, line 15: no parameters for the pair of atoms 1 2 (gen-pairs is no)"},
        Refusal{types2 + "[ molecules ]\nSOL 1\n", " ERROR: t.top, line 9: molecule type SOL is not defined"},
        Refusal{"[ defaults ]\n2 2\n[ molecules ]\n", " ERROR: t.top, line 2: non-bonded function 2 (Buckingham) has no system-file form"},
        Refusal{"1 2 3\n", " ERROR: t.top, line 1: a line before the first directive"}));

TEST(TopToSys, RefusesDisagreeingConfigurations) {
  const gx::Topology top = topology(with(water, "", "SOL"));
  tvl::config::GroFile g = gro_of(top);
  g.atoms[4].name = "HW";
  EXPECT_EQ(stop_text([&] { top_to_sys(top, g, {}, "t.top", "c.gro"); }),
            " ERROR: molecule 2 (SOL), atom 2: HW1 in t.top, HW in c.gro (line 7)\n");
  g.atoms.pop_back();
  EXPECT_EQ(stop_text([&] { top_to_sys(top, g, {}, "t.top", "c.gro"); }),
            " ERROR: c.gro holds 5 atoms, the molecules of t.top 6\n");
  EXPECT_EQ(stop_text([&] { top_to_sys(top, gro_of(top), {{"SOL", {"OW", "HW1", "OW", "X"}}}, "t.top", "c.gro"); }),
            " ERROR: -vector: molecule type SOL has no atom named X\n");
  EXPECT_EQ(stop_text([&] { top_to_sys(top, gro_of(top), {{"W", {"OW", "HW1", "OW", "HW2"}}}, "t.top", "c.gro"); }),
            " ERROR: -vector: molecule type W is not among the molecules of t.top\n");
}

TEST(TopToSys, MakesTheFirstCopyWholeAcrossTheBox) {
  const gx::Topology top = topology(with(water, "[ settles ]\n1 1 0.1 0.1633\n", "SOL"));
  tvl::config::GroFile g = gro_of(top);
  g.box = {3, 3, 3, 0, 0, 0, 0, 0, 0};
  g.atoms[0].r = {0.05, 2.95, 1.0};
  g.atoms[1].r = {2.98, 2.97, 1.0};
  g.atoms[2].r = {0.06, 0.02, 1.0};
  EXPECT_EQ(section(top_to_sys(top, g, {}, "t.top", "c.gro").sys_text, "configuration"),
            (Lines{"ow 0.5 29.5 10", "hw -0.2 29.7 10", "hw 0.6 30.2 10"}));
}

TEST(GroFile, ReadsWiderFieldsVelocitiesAndTriclinicBoxes) {
  write_file("w.gro",
             "wide\n2\n    1SOL     OW    1   1.23456  -2.00000   3.50000  0.100000  0.200000 -0.300000\n"
             "    1SOL    HW1    2   0.00001   0.00000  10.00000  0.000000  0.000000  0.000000\n"
             "   3.0 3.0 3.0 0 0 0.5 0 0.5 0.5\n");
  const tvl::config::GroFile g = tvl::config::read_gro_file("w.gro");
  ASSERT_EQ(g.atoms.size(), 2u);
  EXPECT_TRUE(g.velocities);
  EXPECT_EQ(g.atoms[0].name, "OW");
  EXPECT_EQ(g.atoms[1].resname, "SOL");
  EXPECT_DOUBLE_EQ(g.atoms[0].r[0], 1.23456);
  EXPECT_DOUBLE_EQ(g.atoms[0].v[2], -0.3);
  EXPECT_DOUBLE_EQ(g.atoms[1].r[2], 10.0);
  EXPECT_DOUBLE_EQ(g.box[8], 0.5);
  write_file("bad.gro", "t\n2\n    1SOL     OW    1   1.000   2.000   3.000\n");
  EXPECT_EQ(stop_text([] { tvl::config::read_gro_file("bad.gro"); }),
            " ERROR: bad.gro, line 3: the file ends before the last atom\n");
  write_file("bad.gro", "t\n1\n    1SOL     OW    1   1.000   x.000   3.000\n 1 1 1\n");
  EXPECT_EQ(stop_text([] { tvl::config::read_gro_file("bad.gro"); }), " ERROR: bad.gro, line 3: cannot read the coordinates\n");
  write_file("bad.gro", "t\n1\n    1SOL     OW    1   1.000   2.000   3.000\n 1 1\n");
  EXPECT_EQ(stop_text([] { tvl::config::read_gro_file("bad.gro"); }), " ERROR: bad.gro, line 4: the box needs 3 or 9 numbers\n");
}

}  // namespace

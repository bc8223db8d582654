#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/gromacs/topology.h"
#include "common/sysfile/system.h"
#include "interop/to_gromacs.h"
#include "tests/support/support.h"

using namespace tvl;
using tvl::gmx::Term;

namespace {

const char* const sites =
    "begin{sites}\n a -0.5 12.0\n b 0.25 1.0\n v 0.0 0.0\nend{sites}\n"
    "begin{lorentz_lj}\n a 3.0 100.0\n b 2.0 25.0\n v 0 0\nend{lorentz_lj}\n";

// A molecule type "mol" of sites a b b a v at the corners of a zig-zag
// (Angstrom) with the given subsections.
std::string molecule(const std::string& body, const std::string& label = "mol") {
  return "begin{molecule}\n label " + label +
         "\n begin{configuration}\n"
         "  a 0 0 0\n  b 1 0 0\n  b 1 1 0\n  a 2 1 1\n  v 0.5 0 0\n end{configuration}\n" +
         body + "end{molecule}\n";
}

sys::SystemDescription read(const std::string& text) {
  test::write_file("t.sys", text);
  return sys::readsys(0, "t.sys");
}

gmx::Topology topology(const std::string& text) { return interop::topology_of(read(text), "test"); }

// The stop's text for converting `text`.
std::string refusal(const std::string& text) {
  const sys::SystemDescription s = read(text);
  return test::stop_text([&] { interop::topology_of(s, "test"); });
}

void expect_term(const Term& t, std::vector<int> atoms, int func, std::vector<double> params) {
  EXPECT_EQ(t.atoms, atoms);
  EXPECT_EQ(t.func, func);
  ASSERT_EQ(t.params.size(), params.size());
  for (std::size_t k = 0; k < params.size(); ++k) EXPECT_NEAR(t.params[k], params[k], 1e-9 * std::fabs(params[k])) << k;
}

const char* const virtual_v = " begin{virtual}\n  5 1 0.5 2 0.5\n end{virtual}\n";

}  // namespace

TEST(ToGromacs, EachTermWithItsUnitConversion) {
  const gmx::Topology top = topology(std::string(sites) + molecule(std::string(virtual_v) +
                                                                    " begin{bonds}\n  harmonic 1 2 2845.0 1.09\n end{bonds}\n"
                                                                    " begin{angle}\n  1 2 3 313.8 110.7\n end{angle}\n"
                                                                    " begin{dihedrals}\n"
                                                                    "  proper 1 2 3 4 0.6276 3 0.0 -0.25 -2 30.0\n"
                                                                    "  improper 2 1 3 4 43.9 -10.0\n"
                                                                    " end{dihedrals}\n"
                                                                    " begin{nonbonded}\n  1 4 2.5 15.1 0.5\n end{nonbonded}\n"
                                                                    " begin{constraints}\n  2 3\n  1 2 1.5\n end{constraints}\n"
                                                                    " begin{exclude}\n  1 2\n  1 3\n  2 1\n  2 3\n end{exclude}\n"));
  ASSERT_EQ(top.moltypes.size(), 1u);
  const gmx::MoleculeType& m = top.moltypes[0];
  EXPECT_EQ(m.name, "mol");
  EXPECT_EQ(m.nrexcl, 0);
  ASSERT_EQ(m.atoms.size(), 5u);
  EXPECT_EQ(m.atoms[1].type, "b");
  EXPECT_EQ(m.atoms[1].name, "b");
  EXPECT_EQ(m.atoms[1].residue, "mol");
  EXPECT_DOUBLE_EQ(m.atoms[0].charge, -0.5);
  EXPECT_DOUBLE_EQ(m.atoms[4].mass, 0.0);
  // Angstrom -> nm; per Angstrom^2 -> per nm^2; degrees stay; Kelvin -> kJ/mol.
  ASSERT_EQ(m.bonds.size(), 1u);
  expect_term(m.bonds[0], {0, 1}, 1, {0.109, 284500.0});
  ASSERT_EQ(m.angles.size(), 1u);
  expect_term(m.angles[0], {0, 1, 2}, 1, {110.7, 313.8});
  // One type-9 line per term; a negative multiplicity turns round with its phase.
  ASSERT_EQ(m.dihedrals.size(), 3u);
  expect_term(m.dihedrals[0], {0, 1, 2, 3}, 9, {0.0, 0.6276, 3});
  expect_term(m.dihedrals[1], {0, 1, 2, 3}, 9, {-30.0, -0.25, 2});
  expect_term(m.dihedrals[2], {1, 0, 2, 3}, 2, {-10.0, 43.9});
  ASSERT_EQ(m.pairs.size(), 1u);
  expect_term(m.pairs[0], {0, 3}, 1, {0.25, 15.1 * 0.00831451});
  EXPECT_DOUBLE_EQ(top.defaults.fudge_qq, 0.5);
  // A constraint without a distance takes the reference geometry's.
  ASSERT_EQ(m.constraints.size(), 2u);
  expect_term(m.constraints[0], {1, 2}, 1, {0.1});
  expect_term(m.constraints[1], {0, 1}, 1, {0.15});
  // Exclusions grouped by their first site; a pair named twice written once.
  ASSERT_EQ(m.exclusions.size(), 2u);
  EXPECT_EQ(m.exclusions[0].atoms, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(m.exclusions[1].atoms, (std::vector<int>{1, 2}));
  ASSERT_EQ(m.vsites2.size(), 1u);
  expect_term(m.vsites2[0], {4, 0, 1}, 1, {0.5});
}

TEST(ToGromacs, LennardJonesRuleAndPairsOfTheirOwn) {
  // Lorentz-Berthelot: comb-rule 2 and nothing else.
  gmx::Topology top = topology(std::string(sites) + molecule(virtual_v));
  EXPECT_EQ(top.defaults.comb_rule, 2);
  ASSERT_EQ(top.atomtypes.size(), 3u);
  EXPECT_DOUBLE_EQ(top.atomtypes[0].v, 0.3);
  EXPECT_NEAR(top.atomtypes[0].w, 100 * 0.00831451, 1e-12);
  EXPECT_DOUBLE_EQ(top.atomtypes[1].charge, 0.25);
  EXPECT_TRUE(top.nonbond_params.empty());

  // Geometric with a type of sigma 0 that Lorentz would not reproduce: rule 3;
  // an lj entry after it is a pair of its own.
  const std::string opls =
      "begin{sites}\n a -0.5 12.0\n b 0.25 1.0\n v 0.0 0.0\nend{sites}\n"
      "begin{opls_lj}\n a 3.0 100.0\n b 2.0 25.0\n v 0 0\nend{opls_lj}\n"
      "begin{lj}\n a b 2.2 40.0\nend{lj}\n";
  top = topology(opls + molecule(virtual_v));
  EXPECT_EQ(top.defaults.comb_rule, 3);
  ASSERT_EQ(top.nonbond_params.size(), 1u);
  EXPECT_EQ(top.nonbond_params[0].types, (std::vector<std::string>{"a", "b"}));
  EXPECT_NEAR(top.nonbond_params[0].params[0], 0.22, 1e-12);
  EXPECT_NEAR(top.nonbond_params[0].params[1], 40 * 0.00831451, 1e-12);
}

TEST(ToGromacs, PairsWithDifferentFactorsCarryTheirOwn) {
  const gmx::Topology top =
      topology(std::string(sites) + molecule(std::string(virtual_v) +
                                             " begin{nonbonded}\n  1 4 2.5 15.1 0.5\n  2 3 3.0 10.0\n end{nonbonded}\n"));
  const gmx::MoleculeType& m = top.moltypes[0];
  ASSERT_EQ(m.pairs.size(), 2u);
  expect_term(m.pairs[0], {0, 3}, 2, {0.5, -0.5, -0.5, 0.25, 15.1 * 0.00831451});
  expect_term(m.pairs[1], {1, 2}, 2, {0.0, 0.25, 0.25, 0.3, 10.0 * 0.00831451});
}

TEST(ToGromacs, VirtualSitesByTheirNumberOfReferences) {
  const struct {
    const char* entry;
    int kind;  // 1: vsitesn, 2, 3: vsites2/3
    int func;
    std::vector<double> params;
  } cases[] = {{"5 2 1.0", 1, 1, {}},
               {"5 1 0.75 2 0.25", 2, 1, {0.25}},
               {"5 1 0.5 2 0.75 3 -0.25", 3, 1, {0.75, -0.25}},
               {"5 1 0.25 2 0.25 3 0.25 4 0.25", 1, 3, {0.25, 0.25, 0.25, 0.25}}};
  for (const auto& c : cases) {
    const gmx::MoleculeType m =
        topology(std::string(sites) + molecule(std::string(" begin{virtual}\n  ") + c.entry + "\n end{virtual}\n"))
            .moltypes[0];
    const std::vector<Term>& list = c.kind == 1 ? m.vsitesn : c.kind == 2 ? m.vsites2 : m.vsites3;
    ASSERT_EQ(list.size(), 1u) << c.entry;
    EXPECT_EQ(list[0].atoms[0], 4) << c.entry;
    EXPECT_EQ(list[0].func, c.func) << c.entry;
    EXPECT_EQ(list[0].params, c.params) << c.entry;
  }
}

TEST(ToGromacs, NamesGromacsReadsAsOneWordAndUnique) {
  EXPECT_EQ(interop::gromacs_name("c3"), "c3");
  EXPECT_EQ(interop::gromacs_name("o;h[1]"), "o_h_1_");
  EXPECT_EQ(interop::gromacs_name("1c"), "x1c");
  EXPECT_EQ(interop::gromacs_name(""), "x");
  const gmx::Topology top = topology(
      "begin{sites}\n a;b 0.0 1.0\n a_b 0.0 2.0\n c.3_x 0.0 3.0\nend{sites}\n"
      "begin{molecule}\n label w;1\n begin{configuration}\n  a;b\n  a_b 1 0 0\n  c.3_x 2 0 0\n end{configuration}\n"
      "end{molecule}\n"
      "begin{molecule}\n label w_1\n begin{configuration}\n  a_b\n end{configuration}\nend{molecule}\n");
  ASSERT_EQ(top.atomtypes.size(), 3u);
  EXPECT_EQ(top.atomtypes[0].name, "a_b");
  // Atom names fit the GRO file: 5 characters, no decimal point.
  EXPECT_EQ(top.atomtypes[2].name, "c.3_x");
  EXPECT_EQ(top.moltypes[0].atoms[2].name, "c_3_x");
  EXPECT_EQ(top.atomtypes[1].name, "a_b_2");
  EXPECT_EQ(top.moltypes[0].name, "w_1");
  EXPECT_EQ(top.moltypes[1].name, "w_1_2");
  EXPECT_EQ(top.moltypes[1].atoms[0].type, "a_b_2");
}

TEST(ToGromacs, RefusesWhatGromacsCannotMeanTheSame) {
  const std::string v = virtual_v;
  const struct {
    std::string body;
    std::string says;
  } cases[] = {
      {" begin{bonds}\n  morse 1 2 1.0 1.0 1.0\n end{bonds}\n", "Morse bond 1 (sites 1 2)"},
      {" begin{angle}\n  linear 1 2 3 50.0\n end{angle}\n", "linear angle 1 (sites 1 2 3)"},
      {v + " begin{dihedrals}\n  proper 1 2 3 4 1.0 2.5 0.0\n end{dihedrals}\n", "multiplicity 2.5 is not a whole"},
      {v + " begin{bonds}\n  harmonic 1 7 1.0 1.0\n end{bonds}\n", "site 7 is not a site of the molecule (1 to 5)"},
      {v + " begin{angle}\n  1 2 1 50.0 90.0\n end{angle}\n", "site 1 is named twice"},
      {v + " begin{nonbonded}\n  0 2 1.0 1.0\n end{nonbonded}\n", "non-bonded pair 1 (sites 0 2)"},
      {" begin{virtual}\n  5 1 0.5 2 0.6\n end{virtual}\n", "the coefficients sum to 1.1, not 1"},
      {" begin{virtual}\n  2 1 0.5 4 0.5\n  5 3 1.0\n end{virtual}\n", "has mass 1.0; a virtual site has none"},
      {" begin{virtual}\n  5 1 0.5 2 0.5\n  2 4 1.0\n end{virtual}\n", "reference site 2 is itself virtual"},
      {" begin{virtual}\n  5 1 1.0\n  5 2 1.0\n end{virtual}\n", "built as a virtual site twice"},
      {" begin{virtual}\n  5 1 0.5 2 1.0 3 -0.25 4 -0.25\n end{virtual}\n", "needs positive coefficients"},
      {v + " begin{constraints}\n  5 1\n end{constraints}\n", "GROMACS constrains no virtual site"},
      {"", "a site that is not virtual needs a positive mass"},
  };
  for (const auto& c : cases) {
    const std::string text = refusal(std::string(sites) + molecule(c.body));
    EXPECT_NE(text.find(c.says), std::string::npos) << c.body << text;
    EXPECT_EQ(text.substr(0, 31), " ERROR: molecule type 1 (mol), ") << text;
    EXPECT_NE(text.find("Nothing written."), std::string::npos) << text;
  }
  EXPECT_NE(refusal(std::string(sites) + molecule(virtual_v) + "begin{umbrella}\n 1 2 3 4 1.0 1.0\nend{umbrella}\n")
                .find("1 umbrella and 0 efg entries"),
            std::string::npos);
  EXPECT_NE(refusal(std::string(sites) + molecule(virtual_v) + "begin{efg}\n 1 2\nend{efg}\n").find("0 umbrella and 1 efg"),
            std::string::npos);
  EXPECT_NE(refusal(sites).find("no molecule type"), std::string::npos);
}

TEST(ToGromacs, PlacesTheBuildSectionsMolecules) {
  const sys::SystemDescription s =
      read(std::string(sites) + molecule(virtual_v) + molecule(virtual_v, "two") +
           "begin{build}\n ecell 20 10 10\n duplicate 2 1 1\n frac mol 0.5 0.5 0.5\n frac two 0 0 0.25\n"
           " frac mol 0 0 0\nend{build}\n");
  const interop::Placement p = interop::placement_of(s);
  EXPECT_EQ(p.mol_type, (std::vector<int>{0, 0, 1, 1, 0, 0}));
  ASSERT_EQ(p.r.size(), 30u);
  EXPECT_EQ(p.box, (std::array<double, 3>{4.0, 1.0, 1.0}));
  EXPECT_TRUE(p.v.empty());
  // Second copy of the first entry: cell 1 along x, at its centre.
  for (int k = 0; k < 5; ++k) {
    EXPECT_NEAR(p.r[5 + k][0], 3.0 + s.mol[0].xmol[k], 1e-12);
    EXPECT_NEAR(p.r[5 + k][2], 0.5 + s.mol[0].zmol[k], 1e-12);
  }
  EXPECT_NEAR(p.r[15][2], 0.25 + s.mol[1].zmol[0], 1e-12);
  // Virtual sites where their references build them.
  interop::Placement built = p;
  built.r[9] = {0, 0, 0};
  interop::build_virtual_sites(s, built);
  for (int d = 0; d < 3; ++d) EXPECT_NEAR(built.r[9][d], 0.5 * (p.r[5][d] + p.r[6][d]), 1e-12);
  gmx::Topology top = interop::topology_of(s, "t");
  interop::set_molecules(top, p);
  EXPECT_EQ(top.molecules, (std::vector<std::pair<std::string, long long>>{{"mol", 2}, {"two", 2}, {"mol", 2}}));

  const std::string gro = interop::gro_text("t", top, p);
  EXPECT_EQ(gro.substr(0, 53), "t\n   30\n    1mol      a    1   0.900   0.450   0.454\n");
  EXPECT_EQ(gro.substr(gro.size() - 31), "   4.00000   1.00000   1.00000\n");

  const sys::SystemDescription none = read(std::string(sites) + molecule(virtual_v) +
                                           "begin{build}\n ecell 20 10 10\n frac mol 0.5 0.5 0.5\nend{build}\n");
  EXPECT_NE(test::stop_text([&] { interop::placement_of(none); }).find("duplicate 0 0 0"), std::string::npos);
}

TEST(ToGromacs, WithoutBuildSectionOneOfEachSideBySide) {
  const sys::SystemDescription s = read(std::string(sites) + molecule(virtual_v) + molecule(virtual_v, "two"));
  const interop::Placement p = interop::placement_of(s);
  EXPECT_EQ(p.mol_type, (std::vector<int>{0, 1}));
  // Each molecule spans 0.2 nm in x, 0.1 in y and z; 0.5 nm between them.
  EXPECT_NEAR(p.box[0], 0.2 + 0.5 + 0.2 + 6.0, 1e-12);
  EXPECT_NEAR(p.box[1], 6.1, 1e-12);
  double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
  for (const auto& r : p.r)
    for (int d = 0; d < 3; ++d) {
      lo[d] = std::min(lo[d], r[d]);
      hi[d] = std::max(hi[d], r[d]);
    }
  for (int d = 0; d < 3; ++d) {
    EXPECT_NEAR(lo[d], 3.0, 1e-12);
    EXPECT_NEAR(p.box[d] - hi[d], 3.0, 1e-12);
  }
  EXPECT_NEAR(p.r[5][0] - p.r[0][0], 0.7, 1e-12);  // same site of each, one span and the gap apart
}

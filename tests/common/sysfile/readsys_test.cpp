// readsys: site types, LJ tables, molecule types, terms, build data and the
// final steps.
#include <cmath>

#include "common/tvl_const.h"
#include "helpers.h"

namespace tvl::test {
namespace {

constexpr double kB = 0.00831451;
constexpr double deg = 0.01745329252;

TEST(ReadsysLayout, CommentsOnlyGiveAnEmptySystem) {
  auto sd = read_text("# nothing here\n\n   # begin{sites}\n");
  EXPECT_EQ(sd.nsp, 0);
  EXPECT_EQ(sd.ntymol, 0);
  EXPECT_EQ(sd.nmol_tot, 0);
  EXPECT_EQ(sd.nsite_tot, 0);
}

TEST(ReadsysLayout, SectionKeywordsIgnoreCaseAndBlanksAndSkipUnknownSections) {
  auto sd = read_text(
      "BEGIN{SITES}\n OW -0.8 16.0 extra\nend{sites}\n"
      "begin{notes}\n this is no entry\nend{notes}\n"
      "begin{ sitesxyz }\n hw 0.4 1.0\nend{sitesxyz}\n");
  ASSERT_EQ(sd.nsp, 2);
  EXPECT_EQ(sd.name_sp[0], "ow");
  EXPECT_EQ(sd.name_sp[1], "hw");
  EXPECT_DOUBLE_EQ(sd.q_sp[0], -0.8);
  EXPECT_DOUBLE_EQ(sd.mas_sp[1], 1.0);
}

TEST(ReadsysLayout, LongNamesAreCutToTenColumnsAndNeverMatchInFull) {
  auto lines = stop_lines(
      "begin{sites}\n abcdefghijkl 0 1\nend{sites}\n"
      "begin{lorentz_lj}\n abcdefghijkl 3 100\nend{lorentz_lj}\n");
  EXPECT_EQ(lines, frame({" Lennard-Jones type abcdefghij", " at position  1 in the {lorentz_lj}-section is not a valid site-type.",
                          " Check <system>-file."}));
  auto sd = read_text("begin{sites}\n abcdefghijkl 0 1\nend{sites}\nbegin{lorentz_lj}\n abcdefghij 3 100\nend{lorentz_lj}\n");
  EXPECT_EQ(sd.name_sp[0], "abcdefghij");
}

TEST(ReadsysLJ, LorentzBerthelotCombinesAndConverts) {
  auto sd = read_text(std::string(two_sites) + "begin{lorentz_lj}\n a 3.0 100\n b 4.0 25\nend{lorentz_lj}\n");
  ASSERT_EQ(sd.sigsp6.size(), 4u);
  EXPECT_NEAR(sd.sig6(0, 1), std::pow(0.35, 6), 1e-15);
  EXPECT_NEAR(sd.sig6(1, 0), std::pow(0.35, 6), 1e-15);
  EXPECT_NEAR(sd.sig6(0, 0), std::pow(0.3, 6), 1e-15);
  EXPECT_NEAR(sd.eps4(0, 1), 4 * 50 * kB, 1e-12);
  EXPECT_NEAR(sd.eps4(1, 1), 4 * 25 * kB, 1e-12);
}

TEST(ReadsysLJ, OplsCombinesGeometrically) {
  auto sd = read_text(std::string(two_sites) + "begin{opls_lj}\n a 3.0 100\n b 4.0 25\nend{opls_lj}\n");
  EXPECT_NEAR(sd.sig6(0, 1), std::pow(0.1 * std::sqrt(12.0), 6), 1e-15);
  EXPECT_NEAR(sd.eps4(1, 0), 4 * 50 * kB, 1e-12);
}

TEST(ReadsysLJ, TypesNotInACombinationSectionCombineWithZero) {
  auto sd = read_text(std::string(two_sites) + "begin{lorentz_lj}\n a 3.0 100\nend{lorentz_lj}\n");
  EXPECT_NEAR(sd.sig6(0, 1), std::pow(0.15, 6), 1e-15);  // half the partner's sigma
  EXPECT_EQ(sd.eps4(0, 1), 0.0);
  EXPECT_EQ(sd.sig6(1, 1), 0.0);
  auto o = read_text(std::string(two_sites) + "begin{opls_lj}\n a 3.0 100\nend{opls_lj}\n");
  EXPECT_EQ(o.sig6(0, 1), 0.0);
}

TEST(ReadsysLJ, PlainPairsAreSymmetricAndLaterEntriesReplaceEarlier) {
  auto sd = read_text(std::string(two_sites) + "begin{lj}\n a b 2.0 10\n b a 3.0 20\n a a 1 1\nend{lj}\n");
  EXPECT_NEAR(sd.sig6(0, 1), std::pow(0.3, 6), 1e-15);
  EXPECT_NEAR(sd.sig6(1, 0), std::pow(0.3, 6), 1e-15);
  EXPECT_NEAR(sd.eps4(0, 1), 4 * kB * 20, 1e-12);
  EXPECT_EQ(sd.sig6(1, 1), 0.0);  // never set
}

TEST(ReadsysLJ, ASitesSectionAfterAnLjSectionDoesNotShiftEarlierEntries) {
  auto sd = read_text(
      "begin{sites}\n a 0 1\n b 0 1\nend{sites}\n"
      "begin{lj}\n a b 2.0 10\n b b 3.0 20\nend{lj}\n"
      "begin{sites}\n c 0 1\nend{sites}\n"
      "begin{lj}\n c a 4.0 30\nend{lj}\n");
  ASSERT_EQ(sd.nsp, 3);
  EXPECT_NEAR(sd.sig6(0, 1), std::pow(0.2, 6), 1e-15);
  EXPECT_NEAR(sd.sig6(1, 1), std::pow(0.3, 6), 1e-15);
  EXPECT_NEAR(sd.sig6(2, 0), std::pow(0.4, 6), 1e-15);
  EXPECT_EQ(sd.sig6(2, 2), 0.0);
  EXPECT_EQ(sd.sig6(1, 2), 0.0);
}

TEST(ReadsysLJ, ASecondCombinationSectionStartsFromRawValues) {
  // Converting the converted table again would give tiny numbers; the second
  // section recombines from the values given in the file.
  auto sd = read_text(std::string(two_sites) +
                      "begin{lorentz_lj}\n a 3.0 100\n b 4.0 25\nend{lorentz_lj}\n"
                      "begin{opls_lj}\n b 4.0 25\nend{opls_lj}\n");
  EXPECT_NEAR(sd.sig6(0, 1), std::pow(0.1 * std::sqrt(12.0), 6), 1e-15);
  EXPECT_NEAR(sd.sig6(0, 0), std::pow(0.3, 6), 1e-15);
  EXPECT_NEAR(sd.eps4(0, 1), 4 * 50 * kB, 1e-12);
}

TEST(ReadsysLimits, TheCallersLimitsAreCheckedAndNamed) {
  sys::Limits lim;
  lim.nspmax = 2;
  EXPECT_EQ(stop_lines("begin{sites}\n a 0 1\n b 0 1\n c 0 1\nend{sites}\n", lim),
            frame({" Number of defined interaction site-types in {sites}-section exceeds maximum of  2",
                   " Check <system>-file or increase nspmax in file tvl_const."}));
  lim = {};
  lim.nbdmax = 1;
  lim.nndhmax = 1;
  std::string mol =
      "begin{sites}\n a 0 1\nend{sites}\nbegin{molecule}\nlabel m\n"
      "begin{configuration}\n a\n a 1 0 0\nend{configuration}\n";
  EXPECT_EQ(stop_lines(mol + "begin{bonds}\n harmonic 1 2 1 1\n morse 1 2 1 1 1\n harmonic 1 2 1 1\nend{bonds}\n", lim),
            frame({" Number of harmonic bonds for molecule-type 1 exceeds maximum of  1",
                   " Check <system>-file or increase nbdmax in file tvl_const."}));
  EXPECT_EQ(stop_lines(mol + "begin{dihedrals}\n proper 1 2 1 2 1 1 0 2 2 0\nend{dihedrals}\n", lim),
            frame({" Number of entries per proper dihedral interactionfor molecule-type 1 exceeds maximum of  1",
                   " Check <system>-file or increase nndhmax in file tvl_const."}));
  lim = {};
  lim.nsimolmax = 1;
  EXPECT_EQ(stop_lines("begin{sites}\n a 0 1\nend{sites}\nbegin{molecule}\nlabel m\nbegin{configuration}\n a\n"
                       "end{configuration}\nbegin{virtual}\n 1 1 1\n 1 1 1\nend{virtual}\nend{molecule}\n",
                       lim),
            frame({" Number of virtual sites for molecule-type 1 exceeds maximum of  1",
                   " Check <system>-file or increase nsimolmax in file tvl_const."}));
}

const char* const water =
    "begin{sites}\n ow -0.8 16.0\n hw 0.4 1.0\nend{sites}\n"
    "begin{molecule}\n label Water\n"
    " begin{configuration}\n  ow 0 0 0\n  hw 1.0 0 0\n  hw 0 1.0 0\n end{configuration}\n"
    " begin{constraints}\n  1 2\n  1 3 1.5\n end{constraints}\n"
    "end{molecule}\n";

TEST(ReadsysMolecule, GeometryIsCentredOnTheCentreOfMassInNm) {
  auto sd = read_text(
      "begin{sites}\n a 0 1\n b 0 3\nend{sites}\n"
      "begin{molecule}\nlabel ab\nbegin{configuration}\n a 0 0 0\n b 4 0 0\nend{configuration}\nend{molecule}\n");
  ASSERT_EQ(sd.ntymol, 1);
  const auto& m = sd.mol[0];
  EXPECT_EQ(m.label_mol, "ab");
  EXPECT_NEAR(m.xmol[0], -0.3, 1e-12);
  EXPECT_NEAR(m.xmol[1], 0.1, 1e-12);
  EXPECT_EQ(m.nfree, 6);
  ASSERT_EQ(m.nintra, 1);
  EXPECT_EQ(m.a_intra[0], 0);
  EXPECT_EQ(m.b_intra[0], 1);
}

TEST(ReadsysMolecule, ConstraintsTakeTheirLengthFromTheGeometryOrTheFile) {
  auto sd = read_text(water, {}, 0.01);
  const auto& m = sd.mol[0];
  EXPECT_EQ(m.label_mol, "water");
  ASSERT_EQ(m.ncon, 2);
  EXPECT_NEAR(m.d_con[0], 0.1, 1e-12);
  EXPECT_NEAR(m.d_con[1], 0.15, 1e-12);
  EXPECT_NEAR(m.d2_con[1], 0.0225, 1e-12);
  EXPECT_NEAR(m.t_con[1], 0.0001 * 0.0225, 1e-15);
  EXPECT_EQ(m.nfree, 9 - 2);
  EXPECT_EQ(m.nintra, 3);
}

TEST(ReadsysMolecule, ExclusionsInEitherOrderRemoveIntraPairs) {
  std::string head =
      "begin{sites}\n a 0 1\nend{sites}\nbegin{molecule}\nlabel m\nfreedom 5\n"
      "begin{configuration}\n a\n a 1 0 0\n a 2 0 0\n a 3 0 0\nend{configuration}\n";
  auto sd = read_text(head + "end{molecule}\n");
  const auto& m = sd.mol[0];
  EXPECT_EQ(m.nfree, 5);
  std::vector<std::pair<int, int>> pairs;
  for (int k = 0; k < m.nintra; ++k) pairs.emplace_back(m.a_intra[k], m.b_intra[k]);
  EXPECT_EQ(pairs, (std::vector<std::pair<int, int>>{{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}}));

  auto e = read_text(head + "begin{exclude}\n 2 1\n 3 4\nend{exclude}\nend{molecule}\n");
  pairs.clear();
  for (int k = 0; k < e.mol[0].nintra; ++k) pairs.emplace_back(e.mol[0].a_intra[k], e.mol[0].b_intra[k]);
  EXPECT_EQ(pairs, (std::vector<std::pair<int, int>>{{0, 2}, {0, 3}, {1, 2}, {1, 3}}));
  EXPECT_EQ(e.mol[0].nexcl, 2);
}

TEST(ReadsysMolecule, ExcludeAllEndsTheSubsectionAtOnce) {
  auto sd = read_text(
      "begin{sites}\n a 0 1\nend{sites}\nbegin{molecule}\nlabel m\n"
      "begin{configuration}\n a\n a 1 0 0\n a 2 0 0\nend{configuration}\n"
      "begin{exclude}\n 1 2\n all\n 9 9\nend{exclude}\nend{molecule}\n");
  const auto& m = sd.mol[0];
  ASSERT_EQ(m.nexcl, 3);
  EXPECT_EQ(m.excl_a, (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(m.excl_b, (std::vector<int>{1, 2, 2}));
  EXPECT_EQ(m.nintra, 0);
}

TEST(ReadsysMolecule, UnknownSubsectionsAreReadAtMoleculeLevel) {
  auto sd = read_text(
      "begin{sites}\n a 0 1\nend{sites}\nbegin{molecule}\n"
      "begin{z-matrix}\n a\n label zm\nend{z-matrix}\n"
      "begin{configuration}\n a\nend{configuration}\nend{molecule}\n");
  EXPECT_EQ(sd.mol[0].label_mol, "zm");
}

TEST(ReadsysMolecule, ARepeatedSubsectionReplacesItsEntries) {
  auto sd = read_text(
      "begin{sites}\n a 0 1\nend{sites}\nbegin{molecule}\nlabel m\n"
      "begin{configuration}\n a\n a 1 0 0\n a 2 0 0\nend{configuration}\n"
      "begin{bonds}\n harmonic 1 2 1 1\n morse 1 2 1 1 1\nend{bonds}\n"
      "begin{bonds}\n harmonic 2 3 1 1\nend{bonds}\n"
      "begin{configuration}\n a\n a 1 0 0\nend{configuration}\nend{molecule}\n");
  const auto& m = sd.mol[0];
  EXPECT_EQ(m.nsimol, 2);
  EXPECT_EQ(m.nhabd, 1);
  EXPECT_EQ(m.a_habd[0], 1);
  EXPECT_EQ(m.nmobd, 0);
}

TEST(ReadsysTerms, EntriesAreStoredAndConverted) {
  auto sd = read_text(
      "begin{sites}\n a 0 1\nend{sites}\nbegin{molecule}\nlabel m\n"
      "begin{configuration}\n a\n a 1 0 0\n a 2 0 0\n a 3 0 0\nend{configuration}\n"
      "begin{bonds}\n harmonic 1 2 1000.0 1.0\n fene 1 2 3.0\n morse 2 3 10 2.0 5.0\nend{bonds}\n"
      "begin{angles}\n linear 1 2 3 50.0\n 1 2 3 50.0 90.0\nend{angles}\n"
      "begin{dihedrals}\n proper 1 2 3 4 5.0 3.0 0.0 1.0 1.0 90.0 7\n proper 1 2 3 4\n"
      " improper 1 2 3 4 10 180\n torsion 1 2 3 4\nend{dihedrals}\n"
      "begin{nonbonded}\n 1 4 3.0 100 0.5\n 1 3 2.0 50\nend{nonbonded}\n"
      "begin{virtual}\n 4 1 0.5 2 0.5\n 3 1 1.0 2\nend{virtual}\n"
      "end{molecule}\n");
  const auto& m = sd.mol[0];
  ASSERT_EQ(m.nhabd, 1);
  EXPECT_DOUBLE_EQ(m.k_habd[0], 100000.0);
  EXPECT_DOUBLE_EQ(m.r_habd[0], 0.1);
  ASSERT_EQ(m.nmobd, 1);
  EXPECT_EQ(m.a_mobd[0], 1);
  EXPECT_DOUBLE_EQ(m.k_mobd[0], 1000.0);
  EXPECT_DOUBLE_EQ(m.r_mobd[0], 0.2);
  EXPECT_DOUBLE_EQ(m.al_mobd[0], 0.5);
  ASSERT_EQ(m.npiang, 1);
  EXPECT_DOUBLE_EQ(m.k_piang[0], 50.0);
  ASSERT_EQ(m.nang, 1);
  EXPECT_DOUBLE_EQ(m.te_ang[0], 90 * deg);
  EXPECT_DOUBLE_EQ(m.k_ang[0], 50.0);
  ASSERT_EQ(m.ndhed, 2);
  EXPECT_EQ(m.nn_dhed[0], 2);
  EXPECT_EQ(m.nn_dhed[1], 0);
  EXPECT_DOUBLE_EQ(m.k_dhed[0][1], 1.0);
  EXPECT_DOUBLE_EQ(m.mt_dhed[0][0], 3.0);
  EXPECT_DOUBLE_EQ(m.del_dhed[0][1], 90 * deg);
  ASSERT_EQ(m.nidhed, 1);
  EXPECT_EQ(m.d_idhed[0], 3);
  EXPECT_DOUBLE_EQ(m.ph_idhed[0], 180 * deg);
  ASSERT_EQ(m.n14int, 2);
  EXPECT_NEAR(m.sig6_14int[0], std::pow(0.3, 6), 1e-15);
  EXPECT_NEAR(m.eps4_14int[0], 4 * kB * 100, 1e-12);
  EXPECT_DOUBLE_EQ(m.fac_14int[0], 0.5);
  EXPECT_DOUBLE_EQ(m.fac_14int[1], 0.0);
  ASSERT_EQ(m.nvirt, 2);
  EXPECT_EQ(m.virt_site[0], 3);
  EXPECT_EQ(m.virt_nref[0], 2);
  EXPECT_EQ(m.virt_ref[0], (std::vector<int>{0, 1}));
  EXPECT_EQ(m.virt_c[0], (std::vector<double>{0.5, 0.5}));
  EXPECT_EQ(m.virt_nref[1], 1);  // the odd last word is ignored
}

TEST(ReadsysTerms, OutOfRangeSiteNumbersAreKeptForTheCallerToCheck) {
  auto sd = read_text(
      "begin{sites}\n a 0 1\nend{sites}\nbegin{molecule}\nlabel m\n"
      "begin{configuration}\n a\n a 1 0 0\nend{configuration}\n"
      "begin{bonds}\n harmonic 1 7 1 1\n harmonic 0 2 1 1\nend{bonds}\nend{molecule}\n");
  const auto& m = sd.mol[0];
  EXPECT_EQ(m.b_habd[0], 6);
  EXPECT_FALSE(m.site_ok(m.b_habd[0]));
  EXPECT_EQ(m.a_habd[1], -1);
  EXPECT_FALSE(m.site_ok(m.a_habd[1]));
  EXPECT_TRUE(m.site_ok(m.a_habd[0]));
}

std::string built(const std::string& build) {
  return std::string(water) + "begin{build}\n" + build + "end{build}\n";
}

TEST(ReadsysBuild, TotalsFollowTheDuplicationCounts) {
  auto sd = read_text(built(" frac water 0 0 0\n frac water 0.5 0.5 0.5\n duplicate 2 2 2\n ecell 30 30 30\n"));
  EXPECT_EQ(sd.nfrac, 2);
  EXPECT_EQ(sd.nmol_tot, 16);
  EXPECT_EQ(sd.nsite_tot, 48);
  EXPECT_EQ(sd.type_frac, (std::vector<int>{0, 0}));
  EXPECT_DOUBLE_EQ(sd.xfrac[1], 0.5);
  for (double e : sd.ecell) EXPECT_DOUBLE_EQ(e, 3.0);
  EXPECT_EQ(sd.ndup, (std::array<int, 3>{2, 2, 2}));
}

TEST(ReadsysBuild, WithoutBuildDataTotalsAreZeroAndTheCallersCellIsScaled) {
  auto sd = read_text(water, {}, 0.0, {10.0, 20.0, 30.0});
  EXPECT_EQ(sd.nmol_tot, 0);
  EXPECT_EQ(sd.nsite_tot, 0);
  EXPECT_DOUBLE_EQ(sd.ecell[2], 3.0);
  auto f = read_text(built(" frac water 0 0 0\n"));
  EXPECT_EQ(f.nmol_tot, 0);
}

// The site bound is tested before the molecule bound.
TEST(ReadsysBuild, SiteLimitIsTestedBeforeMoleculeLimit) {
  sys::Limits lim;
  lim.nmax = 30;
  lim.nalmolmax = 5;
  EXPECT_EQ(stop_lines(built(" frac water 0 0 0\n duplicate 11 1 1\n"), lim),
            (std::vector<std::string>{" SUBROUTINE READPA:", " Maximum total number of interaction sites",
                                      " exceeded (nmax):  30", "  33"}));
  lim.nmax = 100;
  EXPECT_EQ(stop_lines(built(" frac water 0 0 0\n duplicate 6 1 1\n"), lim),
            (std::vector<std::string>{" SUBROUTINE READPA:", " Maximum total number of allowed molecules",
                                      " exceeded (nalmolmax):  5", "  6"}));
}

TEST(ReadsysBuild, HugeCountsDoNotWrapRoundToASmallTotal) {
  // 65536^2 * 1 * 1 frac * 3 sites would wrap a 32-bit total to 0.
  auto lines = stop_lines(built(" frac water 0 0 0\n duplicate 65536 65536 1\n"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], "  12884901888");
  lines = stop_lines(built(" frac water 0 0 0\n duplicate 2147483647 2147483647 2147483647\n"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], "  29710560901343952451059843069");
}

TEST(ReadsysBuild, UmbrellaAndEfgEntriesAreCarried) {
  auto sd = read_text(std::string(water) +
                      "begin{umbrella}\n 1 2 3 4 5.0 10.0\nend{umbrella}\nbegin{efg}\n 7 8\n 9 10\nend{efg}\n");
  ASSERT_EQ(sd.numb, 1);
  EXPECT_EQ(sd.umb_d[0], 4);
  EXPECT_DOUBLE_EQ(sd.umb_k[0], 500.0);
  EXPECT_DOUBLE_EQ(sd.umb_r[0], 1.0);
  ASSERT_EQ(sd.nefg, 2);
  EXPECT_EQ(sd.efg_a[1], 9);
  EXPECT_EQ(sd.efg_b[1], 10);
}

// Numbers no system can hold stop with the message of their entry; zero
// masses, LJ parameters and cell edges stay valid.
TEST(ReadsysValues, AbsurdNumbersStopWithTheirEntrysMessage) {
  const std::string sites = "begin{sites}\n a 0 1\nend{sites}\n";
  const std::string mol = sites + "begin{molecule}\nlabel m\nbegin{configuration}\n a\n a 1 0 0\nend{configuration}\n";
  const std::string lj_line = " Check definition of Lennard-Jones interaction in line 1 of the {lj}-section.";
  const std::string lb_line = " Check definition of Lennard-Jones parameters at position  1 in the {lorentz_lj}-section.";
  const std::string bond_line = " Check harmonic bond at position. 1 in the {bonds}-section for molecule-type  1";
  const std::string pair_line =
      " Check modified intramolecular interaction at position 1 in the {nonbonded}-section for molecule-type  1";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"begin{sites}\n a 0 -1\nend{sites}\n", " Check definition of site-types in line 1 of the {site}-section."},
      {sites + "begin{lj}\n a a -3 1\nend{lj}\n", lj_line},
      {sites + "begin{lj}\n a a 3 -1\nend{lj}\n", lj_line},
      {sites + "begin{lj}\n a a 1e300 1\nend{lj}\n", lj_line},  // sigma^6 overflows
      {sites + "begin{lorentz_lj}\n a 3 1e300\nend{lorentz_lj}\n", lb_line},  // eps x eps overflows
      {sites + "begin{lorentz_lj}\n a -3 1\nend{lorentz_lj}\n", lb_line},
      {mol + "begin{nonbonded}\n 1 2 -3 1\nend{nonbonded}\nend{molecule}\n", pair_line},
      {mol + "begin{bonds}\n harmonic 1 2 1e307 1\nend{bonds}\nend{molecule}\n", bond_line},  // x100 overflows
      {built(" ecell 10 -1 10\n"), " Check entry in {build}-section at position 0"},
      {built(" frac water 0 0 0\n ecell 1e-3 1e-3 -0.0001\n"), " Check entry in {build}-section at position 1"},
  };
  for (const auto& [text, line] : cases) EXPECT_EQ(stop_lines(text), frame({line})) << text;
  auto sd = read_text(built(" ecell 0 0 0\n") + "begin{sites}\n z 0 0\nend{sites}\nbegin{lj}\n z z 0 0\nend{lj}\n");
  EXPECT_EQ(sd.mas_sp.back(), 0.0);
  EXPECT_EQ(sd.ecell, (std::array<double, 3>{0, 0, 0}));
}

TEST(ReadsysExamples, BothExamplesReadCleanly) {
  write_file("spce.sys", example("spce.sys"));
  auto w = sys::readsys(0, "spce.sys");
  ASSERT_EQ(w.ntymol, 1);
  EXPECT_EQ(w.mol[0].nsimol, 3);
  EXPECT_EQ(w.mol[0].nexcl, 3);
  EXPECT_EQ(w.mol[0].nintra, 0);
  EXPECT_NEAR(w.mol[0].d_con[2], 0.163298, 1e-12);
  EXPECT_EQ(w.nmol_tot, 216);
  EXPECT_EQ(w.nsite_tot, 648);
  // The centre of mass sits at the origin.
  double cx = 0;
  for (int k = 0; k < 3; ++k) cx += w.mas_sp[w.mol[0].sptype_mol[k]] * w.mol[0].xmol[k];
  EXPECT_NEAR(cx, 0.0, 1e-12);

  write_file("ethanol.sys", example("ethanol.sys"));
  auto e = sys::readsys(0, "ethanol.sys");
  const auto& m = e.mol[0];
  EXPECT_EQ(m.nsimol, 9);
  EXPECT_EQ(m.nhabd, 8);
  EXPECT_EQ(m.nang, 13);
  EXPECT_EQ(m.ndhed, 12);
  EXPECT_EQ(m.n14int, 12);
  EXPECT_EQ(m.nintra, 36 - m.nexcl);
  EXPECT_EQ(e.nsite_tot, 72);
  // Every stored site number is valid.
  for (int k = 0; k < m.ndhed; ++k)
    for (int s : {m.a_dhed[k], m.b_dhed[k], m.c_dhed[k], m.d_dhed[k]}) EXPECT_TRUE(m.site_ok(s));
}

TEST(ReadsysFile, CrlfFilesReadLikeLfFiles) {
  std::string lf = example("ethanol.sys");
  auto a = read_text(lf);
  auto b = read_text(crlf_of(lf));
  EXPECT_EQ(a.sigsp6, b.sigsp6);
  EXPECT_EQ(a.mol[0].xmol, b.mol[0].xmol);
  EXPECT_EQ(a.mol[0].k_dhed, b.mol[0].k_dhed);
  EXPECT_EQ(a.mol[0].label_mol, b.mol[0].label_mol);
}

TEST(ReadsysFile, ProgressLinesAreWrittenAtPrintLevelOne) {
  write_file("p.sys", water);
  std::string out = capture_stdout([] { sys::readsys(1, "p.sys"); });
  EXPECT_EQ(out,
            " ...reading sites\n ...defining molecule  1\n ...reading configuration\n ...reading constraints\n"
            " SYSTEM FILE \"p.sys\" SUCCESSFULLY PROCESSED\n SIM PARAMETERS INTIALISED\n");
}

TEST(ReadsysFile, MissingAndUnnamedFilesStop) {
  try {
    sys::readsys(0, "no-such.sys");
    FAIL();
  } catch (const Stop& s) {
    EXPECT_EQ(s.lines, (std::vector<std::string>{"ERROR: Cannot read SYSTEM-file \"no-such.sys\""}));
    EXPECT_EQ(s.status, exit_error);
  }
  try {
    sys::readsys(0, "-");
    FAIL();
  } catch (const Stop& s) {
    EXPECT_EQ(s.lines, (std::vector<std::string>{"ERROR: No SYSTEM-file specified"}));
  }
  EXPECT_THROW(sys::readsys(0, std::string(129, 'x')), Stop);
}

TEST(ReadsysFile, ADirectoryIsAReadErrorNotAnEmptyFile) {
  EXPECT_THROW(sys::readsys(0, "."), Stop);
}

}  // namespace
}  // namespace tvl::test

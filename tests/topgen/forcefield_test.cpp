// The force-field readers: sections, settings, equivalences, LEAP units.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/support.h"
#include "topgen/readers.h"

using namespace tvl::topgen;
using tvl::test::capture_stdout;
using tvl::test::write_file;

namespace {

ForceField own(const std::string& text, std::string* out = nullptr) {
  write_file("t.ff", text);
  ForceField ff;
  std::string o = capture_stdout([&] { ff = read_own_forcefield("t.ff"); });
  if (out) *out = o;
  return ff;
}

}  // namespace

TEST(ForceField, SectionKeywordsAndSettings) {
  std::string out;
  ForceField ff = own(
      "other material\n!SCALE_COULOMB_14_INTERACTIONS = 0.5\n"
      "!BEGIN_BONDS\nCT HC 2000 1.09\n!scale_lj_14_interactions 0.25  # inside a section\n"
      "!end_bonds\n!begin_bonds\nct ct 1 1\n!end_bonds\n"
      "  !begin_angles\nnot read\n!begin_angles extra\n"
      "!begin_dihedrals\nx ct ct x 2 10.0 3 0\n!end_dihedrals\n"
      "!begin_improper_dihedrals\nx x c o 43.9 2 180\n!end_improper_dihedrals\n"
      "!begin_14_interactions\n!switch_off o h\no2 n 3.0 100 0.5\n"
      "!scale_coulomb_14_interactions 0.75\n",  // unterminated: ends with the file
      &out);
  EXPECT_EQ(ff.scale_coulomb14, 0.75);  // the last occurrence counts
  EXPECT_EQ(ff.scale_lj14, 0.25);
  ASSERT_EQ(ff.bonds.size(), 1u);  // only the first block
  EXPECT_EQ(ff.bonds[0].label[0], "ct");
  EXPECT_EQ(ff.bonds[0].label[1], "hc");
  EXPECT_EQ(ff.bonds[0].bond_k, 2000);
  EXPECT_TRUE(ff.angles.empty());  // indented keyword, keyword with a further word
  ASSERT_EQ(ff.dihedrals.size(), 1u);
  EXPECT_EQ(ff.dihedrals[0].dihed_k, 5.0);  // barrier / divisor
  EXPECT_EQ(ff.dihedrals[0].dihed_m, 3.0);
  ASSERT_EQ(ff.impropers.size(), 1u);
  EXPECT_EQ(ff.impropers[0].label[2], "c");
  ASSERT_EQ(ff.int14.size(), 2u);
  EXPECT_EQ(ff.int14[0].int14_off, 1);
  EXPECT_EQ(ff.int14[0].label[1], "h");
  EXPECT_EQ(ff.int14[1].int14_fac, 0.5);
  EXPECT_EQ(out, "# WARNING: file t.ff, line 7: a second block of bonds is ignored\n");
  EXPECT_EQ(own("").scale_lj14, 1.0);
}

TEST(ForceField, NonbondedEntriesAndEquivalences) {
  std::string out;
  // nonbonded before sites: the sites are known when the entries are applied
  ForceField ff = own(
      "!begin_nonbonded\nct 3.4 55\nc 3.0 40\nca 1 1\nverylonglabel_x 2 2\n!equivalent c ca cb\n"
      "!equivalent nosuch ct\n!end_nonbonded\n"
      "!begin_sites\nct 12 1.9\nca 12 1.9\nct 13 1.8\nc 12 1.9\ncb 12 1.9\nho 1 1.1\n"
      "verylonglabel 1 1\n!end_sites\n",
      &out);
  ASSERT_EQ(ff.sites.size(), 7u);
  EXPECT_EQ(ff.sites[2].lj_sigma, 3.4);  // a label given twice: both site types
  EXPECT_EQ(ff.sites[0].lj_def, 1);
  EXPECT_EQ(ff.sites[1].lj_sigma, 3.0);  // the group wins over the explicit entry
  EXPECT_EQ(ff.sites[4].lj_epsilon, 40);
  EXPECT_EQ(ff.sites[4].lj_def, 1);
  EXPECT_EQ(ff.sites[5].lj_def, 0);
  EXPECT_EQ(ff.sites[5].lj_sigma, 0);
  EXPECT_EQ(ff.sites[6].label, "verylongla");  // labels are 10 characters
  EXPECT_EQ(ff.sites[6].lj_sigma, 2);
  EXPECT_EQ(ff.equivalences.size(), 1u);
  EXPECT_EQ(out, "# WARNING: file t.ff: the equivalence group of nosuch names no site type and is ignored\n");
}

TEST(ForceField, LeapLibraryUnits) {
  write_file("t.lib",
             "!!index array str\n \"P\"\n \"Q\"\n"
             "!entry.P.parm.atoms table str type dbl mass dbl eps dbl rstar\n"
             " \"CT\" 12.01 0.1094 1.9080\n \"CT\" 99 9 9\n"
             "!entry.P.parm.bonds table\n \"CT\" \"CT\" 300 1.5\n"
             "!entry.P.parm.other table\n \"ignored\" 1 2 3\n"
             "!entry.P.parm.angles table\n \"CT\" \"CT\" \"CT\" 40 1.9111355\n"
             "!entry.P.parm.torsions table\n \"?\" \"CT\" \"CT\" \"?\" 0 1.4 3 0\n"
             " \"?\" \"?\" \"C\" \"O\" 1 10.5 2 3.14159265\n \"a\" \"b\" \"c\" \"d\" 2 1 1 1\n"
             "!entry.Q.parm.atoms table\n \"zz\" 1 1 1\n");
  ForceField ff;
  std::string out = capture_stdout([&] { ff = read_apar("t.lib"); });
  EXPECT_EQ(out,
            "# Found label :!entry.p.parm.atoms\n# Found label :!entry.p.parm.bonds\n"
            "# Found label :!entry.p.parm.angles\n# Found label :!entry.p.parm.torsions\n");
  EXPECT_EQ(ff.scale_coulomb14, 0.8333);
  EXPECT_EQ(ff.scale_lj14, 0.5);
  ASSERT_EQ(ff.sites.size(), 1u);
  EXPECT_EQ(ff.sites[0].mass, 12.01);
  EXPECT_NEAR(ff.sites[0].lj_sigma, 3.3997, 5e-5);
  EXPECT_NEAR(ff.sites[0].lj_epsilon, 55.086, 5e-4);
  EXPECT_EQ(ff.sites[0].rlim, 1.9080);
  EXPECT_EQ(ff.sites[0].lj_def, 1);
  EXPECT_NEAR(ff.bonds[0].bond_k, 2511.9, 1e-9);
  EXPECT_NEAR(ff.angles[0].ang_t0, 109.5, 1e-5);
  ASSERT_EQ(ff.dihedrals.size(), 1u);
  EXPECT_EQ(ff.dihedrals[0].label, (std::array<std::string, 4>{"x", "ct", "ct", "x"}));
  EXPECT_NEAR(ff.dihedrals[0].dihed_k, 1.4 * 4.1865, 1e-12);
  ASSERT_EQ(ff.impropers.size(), 1u);
  EXPECT_EQ(ff.impropers[0].label, (std::array<std::string, 4>{"x", "x", "c", "o"}));
  EXPECT_NEAR(ff.impropers[0].imdh_p0, 180.0, 1e-9);
  EXPECT_TRUE(ff.int14.empty());
}

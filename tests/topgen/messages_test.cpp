// Every refusal of the readers: one table of inputs and the exact messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/support.h"
#include "topgen/readers.h"

using namespace tvl::topgen;
using tvl::test::stop_text;
using tvl::test::write_file;

namespace {

std::string repeat(const std::string& line, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += line;
  return s;
}

// Reads the file with the reader its extension names.
void read_by_name(const std::string& f) {
  auto ends = [&f](const char* e) { return f.ends_with(e); };
  if (ends(".ff")) read_own_forcefield(f);
  else if (ends(".lib")) read_apar(f);
  else if (ends(".tmf")) get_xyz(f, false);
  else if (ends(".mol2")) get_mol2(f);
  else if (ends(".off")) get_off(f);
  else get_hin(f, false);
}

struct Case {
  std::string file, content, message;
};

const std::string hin_atom = "atom 1 - c c - 0 0 0 0";
const std::string mol2_atoms = "@<tripos>atom\n1 c 0 0 0 c 1 r 0\n2 c 1 0 0 c 1 r 0\n";
const std::string off_head = "!!index array str\n \"u\"\n";
std::string exceeded(std::string kind) {
  return kind.append("-File: lines exceeded maximum!\n           check program\n");
}

std::string at(const std::string& file, int line, const std::string& what, const std::string& record) {
  return " ERROR: file \"" + file + "\", line " + std::to_string(line) + ": " + what + "\n  " + record + "\n";
}

}  // namespace

TEST(Messages, EveryRefusalNamesItsCause) {
  const Case cases[] = {
      {"", "", " ERROR: cannot open file \"none.tmf\": No such file or directory\n"},
      {"m.tmf", "", " ERROR: file \"m.tmf\" holds no atom.\n"},
      {"dir.tmf", "", " ERROR: cannot read file \"dir.tmf\": Is a directory\n"},
      {"m.tmf", "C 0 0 0\n", at("m.tmf", 1, "too few words (5 needed)", "c 0 0 0")},
      {"m.tmf", "c 0 x 0 0\n", at("m.tmf", 1, "word 3 is not a number", "c 0 x 0 0")},
      {"m.tmf", "c 0 0 0 0\nh 1 0 0 0\n!con 1 2\nh 1 1 1 0\n",
       at("m.tmf", 4, "an atom record after a bond record", "h 1 1 1 0")},
      {"m.tmf", "c 0 0 0 0\nh 1 0 0 0\n!con 1 3\n", at("m.tmf", 3, "bond partner 3 is not an atom (1 to 2)", "!con 1 3")},
      {"m.tmf", "c 0 0 0 0\nh 1 0 0 0\n!con 2 2\n", at("m.tmf", 3, "atom 2 is bonded to itself", "!con 2 2")},
      {"m.tmf", "c 0 0 0 0\n!con 1 a\n", at("m.tmf", 2, "word 3 is not an integer", "!con 1 a")},
      {"m.tmf", "c 0 0 0 0 " + std::string(130, 'x') + "\n",
       " ERROR: file \"m.tmf\", line 1 is longer than 128 columns.\n"},
      {"m.tmf", repeat("c 0 0 0 0\n", 10000), exceeded(" TMF")},
      {"m.hin", repeat("res 1\n", 10000), exceeded(" HIN")},
      {"m.hin", "forcefield mm+\n", "  CHECK FORCEFIELD IN HIN-FILE\n  DEFINE AMBER-FORCEFIELD INSTEAD OF mm+\n"},
      {"m.hin", hin_atom + " 0\natom 3 - c c - 0 0 0 0 0\n",
       " ERROR: file \"m.hin\": the atom numbers are not 1 to 2 (atom 2 is missing).\n"},
      {"m.hin", hin_atom + " 0\n" + hin_atom + " 0\n", at("m.hin", 2, "atom 1 is given twice", hin_atom + " 0")},
      {"m.hin", "atom 50001 - c c - 0 0 0 0 0\n",
       at("m.hin", 1, "atom number outside 1 to 50000", "atom 50001 - c c - 0 0 0 0 0")},
      {"m.hin", hin_atom + " 6 2 s 3 s 4 s 5 s 6 s 7 s\n",
       at("m.hin", 1, "more than 20 words", hin_atom + " 6 2 s 3 s 4 s 5 s 6 s 7 s")},
      {"m.hin", hin_atom + " 2 2 s\n", at("m.hin", 1, "too few words (14 needed)", hin_atom + " 2 2 s")},
      {"m.hin", hin_atom + " 1 2 s\n", at("m.hin", 1, "bond partner 2 is not an atom (1 to 1)", hin_atom + " 1 2 s")},
      {"m.mol2", mol2_atoms + mol2_atoms, at("m.mol2", 4, "a second section of its kind (one molecule per file)", "@<tripos>atom")},
      {"m.mol2", "@<tripos>atom\n2 c 0 0 0 c 1 r 0\n", at("m.mol2", 2, "atom id 2 where 1 is expected", "2 c 0 0 0 c 1 r 0")},
      {"m.mol2", mol2_atoms + "@<tripos>bond\n" + repeat("1 1 2 1\n", 10001),
       at("m.mol2", 10005, "more than 10000 records in the bond section", "1 1 2 1")},
      {"m.mol2", repeat("x\n", 9999) + mol2_atoms, exceeded(" OFF")},
      {"m.off", off_head + "!entry.u.unit.atoms table\n \"a\" \"c\" 0 1 1 1 6 0.0\n",
       "  OFF-File: Inconsitency detected !\n           check number of coordinates and labels\n"},
      {"m.off", off_head + "!entry.u.unit.positions table\n 0 0 0\n!entry.u.unit.positions table\n",
       at("m.off", 5, "table !entry.u.unit.positions is given twice", "!entry.u.unit.positions table")},
      {"m.off", off_head + "!entry.u.unit.positions table\n" + repeat("0 0 0\n", 10001),
       at("m.off", 10004, "more than 10000 rows in table !entry.u.unit.positions", "0 0 0")},
      {"m.off", repeat("x\n", 10000), exceeded(" OFF")},
      {"m.ff", "!begin_dihedrals\nx c c x 0 1 3 0\n", at("m.ff", 2, "the divisor (word 5) is 0", "x c c x 0 1 3 0")},
      {"m.ff", "!begin_nonbonded\n" + repeat("!equivalent a b\n", 11),
       at("m.ff", 12, "more than 10 equivalence groups", "!equivalent a b")},
      {"m.ff", "!begin_nonbonded\n!equivalent a b c d e f g h i j k l m n o p q r s t u\n",
       at("m.ff", 2, "more than 20 words", "!equivalent a b c d e f g h i j k l m n o p q r s t u")},
      {"m.ff", "!begin_sites\n" + repeat("c 12 1.9\n", 10001), at("m.ff", 10002, "more than 10000 entries in section sites", "c 12 1.9")},
      {"m.ff", repeat("x\n", 10000) + "!begin_bonds\n",
       at("m.ff", 10001, "a section keyword beyond the first 10000 records is not read", "!begin_bonds")},
      {"m.ff", repeat("x\n", 10000) + "!scale_lj_14_interactions 1\n",
       at("m.ff", 10001, "a setting beyond the first 10000 records is not read", "!scale_lj_14_interactions 1")},
      {"m.ff", "!scale_lj_14_interactions\n", at("m.ff", 1, "too few words (2 needed)", "!scale_lj_14_interactions")},
      {"m.ff", "!begin_sites\n!begin_bonds\n", at("m.ff", 2, "section bonds opened inside section sites", "!begin_bonds")},
      {"m.ff", "!begin_bonds\nc c 1\n", at("m.ff", 2, "too few words (4 needed)", "c c 1")},
      {"m.lib", off_head + "!entry.u.parm.atoms table\nc 12 x 1.9\n", std::string("# Found label :!entry.u.parm.atoms\n").append(
       at("m.lib", 4, "word 3 is not a number", "c 12 x 1.9"))},
      {"m.lib", repeat("x\n", 10001), at("m.lib", 10001, "more than 10000 records outside the parameter tables", "x")},
  };
  for (const Case& c : cases) {
    std::string file = c.file.empty() ? "none.tmf" : c.file;
    if (file == "dir.tmf") std::filesystem::create_directory(file);
    else if (!c.file.empty()) write_file(file, c.content);
    std::string got;
    int status = 0;
    // the LEAP reader writes its "Found label" lines before it stops
    std::string out = tvl::test::capture_stdout([&] { got = stop_text([&] { read_by_name(file); }, &status); });
    EXPECT_EQ(out + got, c.message) << file << ": " << c.content.substr(0, 200);
    EXPECT_EQ(status, 1);
  }
}

TEST(Messages, LimitsAreReachedButNotExceeded) {
  // One record below each limit reads without complaint.
  write_file("m.tmf", repeat("c 0 0 0 0\n", 9999));
  EXPECT_EQ(get_xyz("m.tmf", false).n(), 9999);
  write_file("m.ff", repeat("x\n", 9999) + "!begin_sites\n" + repeat("c 12 1.9\n", 10000) + "!end_sites\n");
  EXPECT_EQ(read_own_forcefield("m.ff").sites.size(), 10000u);
}

TEST(Messages, TablesRefuseTheirEntry50001) {
  std::vector<Bond> bonds(50000);
  EXPECT_EQ(stop_text([&] { append(bonds, Bond{1, 2}, "bonds"); }),
            " ERROR: more than 50000 bonds; increase ntgmax in file tvl_const.\n");
}

// topgen's command line: argument fetching, option passes, refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "topgen/driver.h"

using namespace tvl::topgen;
using tvl::test::stop_text;

namespace {

struct Argv {
  std::vector<std::string> s;
  std::vector<char*> p;
  explicit Argv(std::vector<std::string> args) : s(std::move(args)) {
    s.insert(s.begin(), "topgen");
    for (auto& a : s) p.push_back(a.data());
    p.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(s.size()); }
};

Options options(std::vector<std::string> args) {
  Argv a(std::move(args));
  return get_options(a.argc(), a.p.data());
}

// The first line and status of the stop that the command line causes.
std::string refusal(std::vector<std::string> args, int* status) {
  Argv a(std::move(args));
  std::string t = stop_text([&] { topgen_main(a.argc(), a.p.data()); }, status);
  return t.substr(0, t.find('\n'));
}

const std::string banner = " topgen: generates TARVELO system files based on the TARVELO forcefield format";

}  // namespace

TEST(Options, RecognisedAsTheirPassesSee) {
  Options o = options({"-ff", "a.ff", "-off", "b.off", "-help"});  // -help not seen with 4 or more
  EXPECT_EQ(o.ff, FfKind::own);
  EXPECT_EQ(o.ff_file, "a.ff");
  EXPECT_EQ(o.mol, MolKind::off);
  EXPECT_EQ(o.mol_file, "b.off");
  EXPECT_EQ(o.label, "molecule");
  EXPECT_FALSE(o.auto_bonds || o.opls || o.fix || o.zmat || o.freeze || o.debug || o.build);

  o = options({"-ff", "a", "-tmf", "b", "-zmatrix", "freeze", "-fixed", "-oplsaa", "-debugging", "-builder", "-autox"});
  EXPECT_TRUE(o.zmat && o.freeze && o.fix && o.opls && o.build && o.auto_bonds);
  EXPECT_FALSE(o.debug);
  o = options({"-ff", "a", "freeze", "-tmf", "b", "-z", "-debug"});
  EXPECT_TRUE(o.zmat && o.debug);
  EXPECT_FALSE(o.freeze);

  o = options({"-ff", "-off", "mol.off", "-auto"});
  EXPECT_EQ(o.ff, FfKind::none);
  EXPECT_TRUE(o.auto_bonds);
  o = options({"-ff", "a", "-lib", "b", "-hin", "c", "-label", "-auto"});
  EXPECT_EQ(o.ff, FfKind::lib);
  EXPECT_EQ(o.ff_file, "b");
  EXPECT_EQ(o.label, "molecule");
  EXPECT_TRUE(o.auto_bonds);
  EXPECT_EQ(options({"-ff", "a", "-mol2", "c", "-label", "Benzene_dimer"}).label, "Benzene_di");
  // 20 arguments are looked at, and none after a blank one
  std::vector<std::string> many = {"-ff", "a", "-mol2", "c"};
  many.resize(20, "x");
  many.push_back("-debug");
  EXPECT_FALSE(options(many).debug);
  EXPECT_FALSE(options({"-ff", "a", "-mol2", "c", " ", "-debug"}).debug);
}

TEST(Options, RefusalsAndTheirStatuses) {
  struct Case {
    std::vector<std::string> args;
    std::string first_line;
    int status;
  };
  const std::string label_refused = " ERROR: the molecule label ";
  const Case cases[] = {
      {{}, banner, 2},
      {{"-ff", "a", "-mol2"}, banner, 2},
      {{"-ff", "a", "-help"}, "", 0},
      {{"-ff", "a", "", "-tmf", "b"}, banner, 2},
      {{"-ff", "-off", "mol.off", "-auto"}, " ERROR : check [-ff -lib] Options", 2},
      {{"-ff", "a", "-mol2", "-auto"}, " ERROR : check [-hin -tmf -off -mol2] Options", 2},
      {{"-ff", "a", "-mol2", "b", "-hin", "c"}, "", 2},
      {{"-ff", "a", "-tmf", "b", "-tmf", "c"}, "", 2},
      {{"-ff", "a", "-tmf", "b", "-label", "my#mol"}, label_refused + "\"my#mol\" cannot stand in a system file: it "
                                                                         "holds \"#\" (a comment mark)", 2},
      {{"-ff", "a", "-tmf", "b", "-label", "BEGINNER"}, label_refused + "\"BEGINNER\" cannot stand in a system file: it "
                                                                           "holds \"begin\" (a section head)", 2},
      {{"-ff", "a", "-tmf", "b", "-label", "a,bcdefghijk"}, label_refused + "\"a,bcdefghi\" (cut from \"a,bcdefghijk\") "
                                                                               "cannot stand in a system file: it holds \",\" (a separator)", 2},
      {{"-ff", std::string(129, 'a'), "-tmf", "b"}, " ERROR: command-line argument has 129 characters; at most 128 are allowed.", 2},
      {{"-ff", "missing.ff", "-tmf", "b"}, " ERROR: cannot open file \"missing.ff\": No such file or directory", 1},
      {{"-ff", "a", "-mol2", "b", "-frcmod", "c"}, " ERROR: -frcmod adds to an -amber parameter file", 2},
      {{"-amber", "a", "-sdf", "b"}, " ERROR: -sdf and -pdb files hold no force-field types: give -type gaff with them", 2},
      {{"-amber", "a", "-mol2", "b", "-type", "mmff"}, " ERROR: -type takes gaff (the GAFF typer of OpenBabel), not mmff", 2},
      {{"-lib", "a", "-amber", "a", "-mol2", "b"}, " ERROR: give one force field: -ff, -lib or -amber", 2},
      {{"-amber", "a", "-type", "gaff", "-tmf", "b"}, " ERROR: -type gaff reads -mol2, -sdf or -pdb files", 2},
      {{"-amber", "a", "-mol2", "b", "-charges"}, " ERROR: -charges needs a value", 2},
  };
  for (const Case& c : cases) {
    int status = -1;
    std::string line = refusal(c.args, &status);
    EXPECT_EQ(status, c.status) << c.first_line;
    if (c.status == 2 && c.first_line.empty()) {
      EXPECT_EQ(line, "");  // the help text begins with an empty line
    } else {
      EXPECT_EQ(line, c.first_line);
    }
  }
  EXPECT_EQ(help_lines().size(), 35u);
}

TEST(Options, AmberOptions) {
  Options o = options({"-frcmod", "1.frcmod", "-amber", "gaff.dat", "-pdb", "m.pdb", "-frcmod", "2.frcmod", "-type",
                       "gaff", "-charges", "q.chg"});
  EXPECT_EQ(o.ff, FfKind::amber);
  EXPECT_EQ(o.ff_file, "gaff.dat");
  EXPECT_EQ(o.frcmods, (std::vector<std::string>{"1.frcmod", "2.frcmod"}));  // in the order given
  EXPECT_EQ(o.mol, MolKind::pdb);
  EXPECT_TRUE(o.type_gaff);
  EXPECT_EQ(o.charges_file, "q.chg");
}

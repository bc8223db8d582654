#include <gtest/gtest.h>

#include <string>

#include "common/gromacs/top_writer.h"

using namespace tvl::gmx;

namespace {

Term term(std::vector<int> atoms, int func, std::vector<double> params = {}) {
  Term t;
  t.atoms = std::move(atoms);
  t.func = func;
  t.params = std::move(params);
  return t;
}

}  // namespace

TEST(TopNumber, TenSignificantDigitsShortestForm) {
  const struct {
    double v;
    const char* text;
  } cases[] = {{0.109, "0.109"}, {284500, "284500"}, {1.0 / 3.0, "0.3333333333"}, {-0.0, "0"},
               {1e-7, "1e-07"},  {0.10900000000000001, "0.109"}, {-2.5, "-2.5"}};
  for (const auto& c : cases) EXPECT_EQ(top_number(c.v), c.text) << c.v;
}

TEST(TopText, WritesEveryDirectiveInGromacsOrder) {
  Topology top;
  top.defaults.comb_rule = 2;
  top.defaults.fudge_qq = 0.8333;
  AtomType ow;
  ow.name = ow.bonded_type = "ow";
  ow.mass = 15.9994;
  ow.charge = -0.8476;
  ow.v = 0.316557;
  ow.w = 0.650194;
  AtomType mw = ow;
  mw.name = "mw";
  mw.bonded_type = "MW";
  mw.atomic_number = 0;
  mw.mass = 0;
  mw.ptype = "V";
  top.atomtypes = {ow, mw};
  TypeParams np;
  np.types = {"ow", "mw"};
  np.func = 1;
  np.params = {0.3, 0.1};
  top.nonbond_params = {np};

  MoleculeType m;
  m.name = "water";
  m.nrexcl = 0;
  for (const char* n : {"ow", "hw", "hw", "mw"}) {
    Atom a;
    a.type = n;
    a.residue = "SOL";
    a.name = n;
    a.charge = 0.5;
    a.mass = 1.008;
    a.charge_given = a.mass_given = true;
    m.atoms.push_back(a);
  }
  m.atoms[3].mass_given = false;
  m.atoms[3].charge_given = false;
  m.bonds = {term({0, 1}, 1, {0.1, 345000})};
  m.pairs = {term({1, 2}, 2, {0.5, 0.4, -0.8, 0.3, 0.2})};
  m.angles = {term({1, 0, 2}, 1, {109.47, 383})};
  m.dihedrals = {term({0, 1, 2, 3}, 9, {180, 2.5, 3}), term({0, 1, 2, 3}, 2)};
  m.constraints = {term({0, 2}, 1, {0.1})};
  m.settles = {term({0}, 1, {0.1, 0.1633})};
  m.exclusions = {term({0, 1, 2, 3}, 0)};
  m.vsites2 = {term({3, 0, 1}, 1, {0.25})};
  m.vsites3 = {term({3, 0, 1, 2}, 1, {0.128, 0.128})};
  m.vsitesn = {term({3, 0, 1, 2}, 3, {0.5, 0.25, 0.25}), term({3, 1}, 1)};
  top.moltypes = {m};
  top.system_name = "four-site water";
  top.molecules = {{"water", 216}, {"water", 2}};

  EXPECT_EQ(top_text(top),
            "[ defaults ]\n"
            "; nbfunc  comb-rule  gen-pairs  fudgeLJ  fudgeQQ\n"
            "1  2  no  1  0.8333\n\n"
            "[ atomtypes ]\n"
            "; name  [bonded type]  [at.num]  mass  charge  ptype  V  W\n"
            "ow   15.9994    -0.8476    A 0.316557   0.650194\n"
            "mw   MW   0   0          -0.8476    V 0.316557   0.650194\n\n"
            "[ nonbond_params ]\n"
            "; types  func  parameters\n"
            "ow       mw       1    0.3        0.1\n\n"
            "[ moleculetype ]\n"
            "; name  nrexcl\n"
            "water      0\n\n"
            "[ atoms ]\n"
            "; nr  type  resnr  residue  atom  cgnr  charge  mass\n"
            "1     ow   1     SOL   ow   1     0.5        1.008\n"
            "2     hw   1     SOL   hw   1     0.5        1.008\n"
            "3     hw   1     SOL   hw   1     0.5        1.008\n"
            "4     mw   1     SOL   mw   1\n\n"
            "[ bonds ]\n; ai  aj  func  parameters\n1     2     1    0.1        345000\n\n"
            "[ pairs ]\n; ai  aj  func  parameters\n2     3     2    0.5        0.4        -0.8       0.3        0.2\n\n"
            "[ angles ]\n; ai  aj  ak  func  parameters\n2     1     3     1    109.47     383\n\n"
            "[ dihedrals ]\n; ai  aj  ak  al  func  parameters\n"
            "1     2     3     4     9    180        2.5        3\n"
            "1     2     3     4     2\n\n"
            "[ constraints ]\n; ai  aj  func  distance\n1     3     1    0.1\n\n"
            "[ settles ]\n; OW  func  doh  dhh\n1     1    0.1        0.1633\n\n"
            "[ exclusions ]\n; atom  excluded atoms\n1     2     3     4\n\n"
            "[ virtual_sites2 ]\n; site  ai  aj  func  a\n4     1     2     1    0.25\n\n"
            "[ virtual_sites3 ]\n; site  ai  aj  ak  func  a  b\n4     1     2     3     1    0.128      0.128\n\n"
            "[ virtual_sitesn ]\n; site  func  from (type 3: atom weight pairs)\n"
            "4     3    1     0.5        2     0.25       3     0.25\n"
            "4     1    2\n\n"
            "[ system ]\nfour-site water\n\n"
            "[ molecules ]\n; name  count\nwater      216\nwater      2\n");
}

TEST(TopText, LeavesOutEmptyDirectives) {
  Topology top;
  top.system_name = "nothing";
  EXPECT_EQ(top_text(top),
            "[ defaults ]\n; nbfunc  comb-rule  gen-pairs  fudgeLJ  fudgeQQ\n1  1  no  1  1\n\n"
            "[ system ]\nnothing\n\n[ molecules ]\n; name  count\n");
}

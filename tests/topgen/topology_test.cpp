// Topology derivation: the fast lists against the plain enumeration on many
// molecules, the worked ethane example, the mends for degenerate terms, and
// the capacity refusal.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/support/support.h"
#include "topgen/params.h"
#include "topgen/readers.h"
#include "topgen/topology.h"
#include "topgen/topology_oracle.h"

namespace tvl::topgen {
namespace {

struct Graph {
  std::string name;
  int n = 0;
  std::vector<Pair> bonds;
  std::vector<double> x, y, z, blim;  // fixtures: coordinates and radii for the bond search
};

void PrintTo(const Graph& m, std::ostream* os) { *os << m.name; }

Graph graph(std::string name, int n, std::vector<Pair> bonds = {}) {
  Graph g;
  g.name = std::move(name), g.n = n, g.bonds = std::move(bonds);
  return g;
}

// A random molecule of n atoms: a tree (each atom bonded to an earlier one),
// `rings` extra bonds closing rings, bonds listed in random order and
// orientation, `dups` of them listed a second time.
Graph random_molecule(const std::string& name, unsigned seed, int n, int rings, int dups) {
  std::mt19937 rng(seed);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Graph m = graph(name, n);
  for (int i = 2; i <= n; ++i) m.bonds.push_back({pick(std::max(1, i - 4), i - 1), i});
  for (int r = 0; r < rings; ++r) {
    int a = pick(1, n), b = pick(1, n);
    if (a != b) m.bonds.push_back({a, b});
  }
  std::shuffle(m.bonds.begin(), m.bonds.end(), rng);
  for (Pair& p : m.bonds)
    if (pick(0, 1)) std::swap(p.a, p.b);
  for (int d = 0; d < dups && !m.bonds.empty(); ++d) {
    Pair p = m.bonds[static_cast<std::size_t>(pick(0, static_cast<int>(m.bonds.size()) - 1))];
    if (pick(0, 1)) std::swap(p.a, p.b);
    m.bonds.push_back(p);
  }
  return m;
}

Graph ring(const std::string& name, int n) {
  Graph m = graph(name, n);
  for (int i = 1; i <= n; ++i) m.bonds.push_back({i, i % n + 1});
  return m;
}

std::vector<Graph> molecules() {
  std::vector<Graph> v = {ring("cyclopropane ring", 3), ring("four-ring", 4), ring("ring of 40", 40)};
  // bicyclo[1.1.1]pentane: bridgeheads 1 and 2, bridges 3, 4, 5
  v.push_back(graph("bicyclopentane", 5, {{1, 3}, {3, 2}, {1, 4}, {4, 2}, {1, 5}, {5, 2}}));
  // two three-membered rings sharing the bond 1-2 (bicyclobutane)
  v.push_back(graph("bicyclobutane", 4, {{1, 2}, {1, 3}, {2, 3}, {1, 4}, {2, 4}}));
  for (unsigned s = 1; s <= 12; ++s) v.push_back(random_molecule("tree " + std::to_string(s), s, 8 + 5 * s, 0, 0));
  for (unsigned s = 1; s <= 12; ++s)
    v.push_back(random_molecule("rings " + std::to_string(s), 100 + s, 10 + 4 * s, 1 + s % 5, 0));
  for (unsigned s = 1; s <= 4; ++s)
    v.push_back(random_molecule("duplicate bonds " + std::to_string(s), 200 + s, 12, 2, 3));
  v.push_back(random_molecule("large chain", 7, 220, 0, 0));
  for (const char* f : {"aceticacid", "benzene", "cyclopropane", "dipeptide", "ethanol"}) {
    const Molecule m = get_mol2(std::string(TVL_TEST_DATA) + "/topgen/" + f + ".mol2");
    Graph t = graph(f, m.n());
    for (const Bond& b : m.bonds) t.bonds.push_back({b.con_a, b.con_b});
    const AtomCoords c(m);
    t.x = c.x, t.y = c.y, t.z = c.z;
    for (const Atom& a : m.atoms) t.blim.push_back(a.alabel[0] == 'h' ? 1.1 : 1.9);
    v.push_back(t);
  }
  return v;
}

class OracleAgreement : public testing::TestWithParam<Graph> {};

TEST_P(OracleAgreement, SameListsInSameOrder) {
  const Graph& m = GetParam();
  const Topology fast = define_topology(m.n, m.bonds), slow = oracle::define_topology(m.n, m.bonds);
  EXPECT_EQ(fast.angles, slow.angles);
  EXPECT_EQ(fast.torsions, slow.torsions);
  EXPECT_EQ(fast.impropers, slow.impropers);
  EXPECT_EQ(fast.pairs14, slow.pairs14);
  EXPECT_EQ(fast.exclusions, slow.exclusions);
  if (m.blim.empty()) return;
  const Coords c{m.x, m.y, m.z};
  const std::vector<Pair> found = define_bonds(c, m.blim);
  EXPECT_EQ(found, oracle::define_bonds(c, m.blim));
  EXPECT_EQ(found.size(), m.bonds.size());  // the radii find the file's bonds
}

INSTANTIATE_TEST_SUITE_P(Molecules, OracleAgreement, testing::ValuesIn(molecules()));

TEST(Topology, EthaneAsWorkedOut) {
  // C1-C2 first, then three hydrogens on each carbon
  const std::vector<Pair> bonds = {{1, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 6}, {2, 7}, {2, 8}};
  const Topology t = define_topology(8, bonds);
  EXPECT_EQ(t.angles.size(), 12u);
  EXPECT_EQ(t.torsions.size(), 9u);
  EXPECT_EQ(t.impropers.size(), 8u);
  EXPECT_EQ(t.pairs14.size(), 9u);
  EXPECT_EQ(t.exclusions.size(), 28u);
  EXPECT_EQ(t.angles.front(), (Angle{2, 1, 3}));
  EXPECT_EQ(t.torsions.front(), (Quad{3, 1, 2, 6}));
  EXPECT_EQ(t.impropers.front(), (Quad{2, 3, 1, 4}));
}

TEST(Topology, DegenerateTermsAreDropped) {
  // cyclopropane: no torsion with a repeated atom, no 1-4 pair of an atom with itself
  const Topology t = define_topology(9, std::vector<Pair>{{1, 2}, {2, 3}, {1, 3}, {1, 4}, {1, 5}, {2, 6}, {2, 7},
                                                           {3, 8}, {3, 9}});
  for (const Quad& q : t.torsions) EXPECT_TRUE(q.a != q.d && q.a != q.c && q.b != q.d) << q.a << q.b << q.c << q.d;
  for (const Pair& p : t.pairs14) EXPECT_NE(p.a, p.b);
  EXPECT_EQ(t.torsions.size(), 24u);  // per ring bond 2 x 2 H-C-C-H and 2 x 2 H-C-C-C
  EXPECT_EQ(t.pairs14.size(), 12u);   // H-H across each ring bond
}

TEST(Topology, ImpropersAtEveryCentreSharingItsNeighbours) {
  // bicyclo[1.1.1]pentane: both bridgeheads have the neighbours 3, 4, 5
  const Topology t = define_topology(5, std::vector<Pair>{{1, 3}, {3, 2}, {1, 4}, {4, 2}, {1, 5}, {5, 2}});
  EXPECT_EQ(t.impropers, (std::vector<Quad>{{3, 4, 1, 5}, {3, 4, 2, 5}}));
}

TEST(Topology, ListsBeyondTheCapacityRefuseTheMolecule) {
  std::vector<Pair> star;
  for (int i = 2; i <= 12; ++i) star.push_back({1, i});  // 55 angles, 165 impropers
  EXPECT_NO_THROW(define_topology(12, star, 165));
  EXPECT_EQ(test::stop_text([&] { define_topology(12, star, 54); }),
            " ERROR: more than 54 angles; increase ntgmax in file tvl_const.\n");
  EXPECT_NE(test::stop_text([&] { define_topology(12, star, 164); }).find("164 impropers"), std::string::npos);
  EXPECT_NE(test::stop_text([&] { define_topology(3, std::vector<Pair>{{1, 4}}); }).find("1 to 3"),
            std::string::npos);
}

// ---- bond detection ----

TEST(DefineBonds, LimitIsTheMeanOfTheTwoRadii) {
  const std::vector<std::string> sites = {"ca", "hx", "ca"}, atoms = {"ca", "hx", "hx", "zz", "ca"};
  // the last site type of a label gives the radius; an atom of no site type has 0
  const std::vector<double> blim = bond_radii(atoms, sites, std::vector<double>{1.0, 1.1, 1.9});
  EXPECT_EQ(blim, (std::vector<double>{1.9, 1.1, 1.1, 0.0, 1.9}));
  const std::vector<double> x = {0.0, 1.49, -1.50, 0.0, 0.0}, y = {0, 0, 0, 0.94, 40}, z = {0, 0, 0, 0, 0};
  // 1-2 at 1.49 (limit 1.5) bonds, 1-3 at 1.50 does not; atom 4 bonds only within half of 1.9
  EXPECT_EQ(define_bonds({x, y, z}, blim), (std::vector<Pair>{{1, 2}, {1, 4}}));
}

TEST(DefineBonds, GridAgreesWithAllPairs) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> pos(-6.0, 6.0);
  for (int round = 0; round < 20; ++round) {
    const int n = 30 + 20 * round;
    std::vector<double> x(n), y(n), z(n), blim(n);
    for (int i = 0; i < n; ++i) {
      x[i] = pos(rng), y[i] = pos(rng), z[i] = round % 4 == 0 ? 0.0 : pos(rng) * round;
      blim[i] = std::vector<double>{0.0, 1.1, 1.9, 3.0}[static_cast<std::size_t>(i * 7 % 4)];
    }
    x[3] = x[4] + 1e-9, y[3] = y[4], z[3] = z[4];  // nearly coincident (at one place they are refused)
    if (round % 5 == 1) x[n - 1] = 1e12;    // a far outlier must not blow up the grid
    if (round % 5 == 2) y[n - 2] = std::nan("");
    if (round == 3) x[0] = -1.7e308, x[1] = 1.7e308;  // a spread that overflows
    const Coords c{x, y, z};
    EXPECT_EQ(define_bonds(c, blim), oracle::define_bonds(c, blim)) << "round " << round;
  }
}

}  // namespace
}  // namespace tvl::topgen

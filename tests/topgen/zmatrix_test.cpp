// z-matrix rows and the geometry they hold, including the degenerate cases
// that must never give NaN.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/support.h"
#include "topgen/zmatrix.h"

namespace tvl::topgen {
namespace {

std::vector<ZRow> zmatrix_of(const Coords& c, const std::vector<Pair>& bonds) {
  const Topology t = define_topology(static_cast<int>(c.size()), bonds);
  return gen_zmatrix(c, bonds, t.angles, t.torsions);
}

TEST(ZMatrix, ChainFromTheFirstAtom) {
  const std::vector<double> x = {0, 1.5, 2.0, 3.5}, y = {0, 0, 1.4, 1.4}, z = {0, 0, 0, 0.5};
  const auto rows = zmatrix_of({x, y, z}, {{1, 2}, {2, 3}, {3, 4}});
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ((std::vector<int>{rows[0].a, rows[1].a, rows[1].b, rows[2].a, rows[2].b, rows[2].c}),
            (std::vector<int>{1, 2, 1, 3, 2, 1}));
  EXPECT_EQ((std::vector<int>{rows[3].a, rows[3].b, rows[3].c, rows[3].d}), (std::vector<int>{4, 3, 2, 1}));
  EXPECT_DOUBLE_EQ(rows[1].r0, 1.5);
  EXPECT_NEAR(rows[2].ang, 180.0 - std::atan2(1.4, 0.5) * 180 / M_PI, 1e-5);
  EXPECT_DOUBLE_EQ(rows[3].dh, torsion_angle({x, y, z}, 4, 3, 2, 1));
}

TEST(ZMatrix, LaterStartAtomWhenTheFirstHasNoAngle) {
  // atom 1 is bonded only to atom 2, which has no other bond: start 1 fails at row 3,
  // start 2 likewise; atom 3 starts the chain 3-4-5-6
  const std::vector<double> x = {0, 1, 5, 6.5, 7, 8.5}, y = {0, 0, 0, 0, 1.4, 1.4}, z = {0, 0, 0, 0, 0, 0.5};
  const std::vector<Pair> bonds = {{1, 2}, {3, 4}, {4, 5}, {5, 6}};
  EXPECT_EQ(test::stop_text([&] { zmatrix_of({x, y, z}, bonds); }), " topgen: cannot assign z-matrix to topology\n");
  const auto rows = zmatrix_of({std::span(x).subspan(2), std::span(y).subspan(2), std::span(z).subspan(2)},
                               {{1, 2}, {2, 3}, {3, 4}});
  EXPECT_EQ(rows.size(), 4u);
}

TEST(ZMatrix, FewerThanFourAtomsHaveNone) {
  const std::vector<double> x = {0, 1, 2}, y = {0, 1, 0}, z = {0, 0, 0};
  EXPECT_EQ(test::stop_text([&] { zmatrix_of({x, y, z}, {{1, 2}, {2, 3}}); }),
            " topgen: cannot assign z-matrix to topology\n");
}

TEST(ZMatrix, CollinearAtomsGiveZeroNotNaN) {
  // acetylene H-C#C-H on a line: every torsion has a zero plane normal
  const std::vector<double> x = {-1.66, -0.6, 0.6, 1.66}, y = {0, 0, 0, 0}, z = {0, 0, 0, 0};
  const auto rows = zmatrix_of({x, y, z}, {{1, 2}, {2, 3}, {3, 4}});
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3].dh, 0.0);
  EXPECT_NEAR(rows[2].ang, 180.0, 1e-5);  // cosine -1 (or just beyond) clamped, never NaN
  const Coords c{x, y, z};
  EXPECT_EQ(bond_angle(c, 1, 2, 2), 0.0);  // zero-length arm
}

TEST(Geometry, SignedTorsion) {
  const std::vector<double> x = {1, 0, 0, 0}, y = {0, 0, 0, 1}, z = {0, 0, 1, 1};
  const Coords c{x, y, z};
  const double t = torsion_angle(c, 1, 2, 3, 4);
  EXPECT_NEAR(std::fabs(t), 90.0, 1e-5);
  EXPECT_DOUBLE_EQ(torsion_angle(c, 4, 3, 2, 1), t);
  const std::vector<double> ym = {0, 0, 0, -1};
  EXPECT_DOUBLE_EQ(torsion_angle({x, ym, z}, 1, 2, 3, 4), -t);
}

}  // namespace
}  // namespace tvl::topgen

#include "geometry/m44f.h"

#include <gtest/gtest.h>
#include <random>

namespace
{

M44f randomAffine(std::mt19937 &rng)
{
    std::uniform_real_distribution<float> angle(-3.14f, 3.14f), scale(0.2f, 5.0f), shift(-100, 100), unit(-1, 1);
    M44f m = M44f::translation({shift(rng), shift(rng), shift(rng)}) *
             M44f::rotation({unit(rng), unit(rng), unit(rng) + 0.01f}, angle(rng)) *
             M44f::scaling({scale(rng), scale(rng), scale(rng) * (unit(rng) < 0 ? -1.0f : 1.0f)});
    return m;
}

void expectNear(const V3f &a, const V3f &b, float tolerance)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

} // namespace

TEST(M44f, PointsUseColumnMajorElementsAndTranslationIn12To14)
{
    M44f m;
    for (int i = 0; i < 16; ++i)
        m[i] = float(i + 1);
    const V3f p = m.mapPoint({1, 2, 3});
    EXPECT_EQ(p, V3f(1 + 5 * 2 + 9 * 3 + 13, 2 + 6 * 2 + 10 * 3 + 14, 3 + 7 * 2 + 11 * 3 + 15));
    EXPECT_EQ(M44f::translation({4, 5, 6}).translationPart(), V3f(4, 5, 6));
}

TEST(M44f, ProductAppliesRightOperandFirst)
{
    const M44f m = M44f::translation({10, 0, 0}) * M44f::scaling({2, 2, 2});
    EXPECT_EQ(m.mapPoint({1, 1, 1}), V3f(12, 2, 2));
    const M44f quarter = M44f::rotation({0, 1, 0}, 3.14159265f / 2);
    // Right-handed about +Y: +X turns towards -Z.
    expectNear(quarter.mapPoint({1, 0, 0}), {0, 0, -1}, 1e-6f);
}

TEST(M44f, AffineInverseUndoesRandomTransforms)
{
    std::mt19937 rng(7);
    for (int trial = 0; trial < 500; ++trial) {
        const M44f m = randomAffine(rng);
        const M44f inv = m.inverseAffine();
        const V3f p(trial * 0.37f - 50, 12.5f, -trial * 0.11f);
        expectNear(inv.mapPoint(m.mapPoint(p)), p, 2e-3f);
        EXPECT_NEAR((m * inv).determinant3(), 1.0, 1e-4);
    }
}

TEST(M44f, MirrorHasNegativeDeterminantAndSingularInverseIsIdentity)
{
    EXPECT_LT(M44f::scaling({-1, 1, 1}).determinant3(), 0);
    EXPECT_GT(M44f::rotation({1, 2, 3}, 1.0f).determinant3(), 0);
    EXPECT_EQ(M44f::scaling({1, 0, 1}).inverseAffine(), M44f::identity());
}

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/convert.h"
#include "foundation/math.h"

namespace td {
namespace {

void expectVec(Vec3 v, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(v.x, x);
    EXPECT_DOUBLE_EQ(v.y, y);
    EXPECT_DOUBLE_EQ(v.z, z);
}

TEST(Vec3, NormalizeScalesToUnitLengthAndZeroesTinyVectors) {
    expectVec(Vec3{3, 4, 0}.normalize(), 0.6, 0.8, 0.0);
    expectVec(Vec3{0, 0, 0}.normalize(), 0, 0, 0);
    expectVec(Vec3{1e-7, 0, 0}.normalize(), 0, 0, 0);
    Vec3 v{0, 0, 2};
    v.normalize();
    expectVec(v, 0, 0, 1);  // in place
}

TEST(Matrix4, PerspectiveHasMinusOneOverDistanceInRowThree) {
    const Matrix4 p = Matrix4::perspective(10.0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(p.at(r, c), r == c ? 1.0 : (r == 3 && c == 2 ? -0.1 : 0.0)) << r << "," << c;
    const Matrix4 flat = Matrix4::perspective(0.0);
    const Matrix4 id = Matrix4::identity();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(flat.m[i], id.m[i]);
}

TEST(Matrix4, TransformPointDividesByWUnlessItIsOneOrZero) {
    const Matrix4 p = Matrix4::perspective(10.0);
    expectVec(transformPoint(p, {1, 2, 5}), 2, 4, 10);
    expectVec(transformPoint(p, {1, 2, 0}), 1, 2, 0);
    // z = 10 puts the point on the viewer's plane: w = 0 and it comes back undivided.
    expectVec(transformPoint(p, {1, 2, 10}), 1, 2, 10);
}

TEST(Matrix4, RotationsTurnTheAxesAsDocumented) {
    const double t = 0.7;
    expectVec(transformPoint(Matrix4::rotationY(t), {1, 0, 0}), std::cos(t), 0, std::sin(t));
    expectVec(transformPoint(Matrix4::rotationX(t), {0, 1, 0}), 0, std::cos(t), -std::sin(t));
}

TEST(Matrix4, MultiplyAppliesTheRightFactorFirst) {
    const Matrix4 a = Matrix4::rotationX(0.3);
    const Matrix4 b = Matrix4::rotationY(1.1);
    const Matrix4 same = multiply(a, Matrix4::identity());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(same.m[i], a.m[i]);
    const Vec3 p{0.5, -1.25, 2.0};
    const Vec3 combined = transformPoint(multiply(a, b), p);
    const Vec3 stepwise = transformPoint(a, transformPoint(b, p));
    EXPECT_NEAR(combined.x, stepwise.x, 1e-15);
    EXPECT_NEAR(combined.y, stepwise.y, 1e-15);
    EXPECT_NEAR(combined.z, stepwise.z, 1e-15);
}

TEST(Colour, ScaleTruncatesAndClampsTheFactor) {
    auto scaled = [](Colour c, double f) { return c.scale(f); };
    auto expectColour = [](Colour c, int r, int g, int b) {
        EXPECT_EQ(c.red, r);
        EXPECT_EQ(c.green, g);
        EXPECT_EQ(c.blue, b);
    };
    expectColour(scaled({200, 100, 51}, 0.5), 100, 50, 25);
    expectColour(scaled({200, 100, 51}, 1.5), 200, 100, 51);
    expectColour(scaled({200, 100, 51}, -2.0), 0, 0, 0);
    expectColour(scaled({255, 255, 255}, 0.999), 254, 254, 254);
    expectColour(scaled({255, 255, 255}, std::numeric_limits<double>::quiet_NaN()), 0, 0, 0);
}

TEST(Light, IntensityClampsTheCosineAndAddsTheAmbient) {
    const Light light({0, 0, -1}, static_cast<double>(0.1f));
    const double ambient = static_cast<double>(0.1f);
    EXPECT_DOUBLE_EQ(light.intensity({0, 0, 1}, {}), 1.0);
    EXPECT_DOUBLE_EQ(light.intensity({0, 0, -1}, {}), ambient);
    EXPECT_DOUBLE_EQ(light.intensity({0, 0.6, 0.8}, {}), ambient + 0.8 * (1 - ambient));
    EXPECT_NEAR(light.intensity({0, 0.6, 0.8}, {}), 0.82, 1e-7);
    EXPECT_DOUBLE_EQ(light.intensity({0, 0, 2}, {}), 1.0);
}

TEST(Convert, TruncationIsDefinedForEveryDouble) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(truncToInt32(-0.7), 0);
    EXPECT_EQ(truncToInt32(2.9), 2);
    EXPECT_EQ(truncToInt32(-2.9), -2);
    EXPECT_EQ(truncToInt32(1e300), INT32_MAX);
    EXPECT_EQ(truncToInt32(-1e300), INT32_MIN);
    EXPECT_EQ(truncToInt32(inf), INT32_MAX);
    EXPECT_EQ(truncToInt32(-inf), INT32_MIN);
    EXPECT_EQ(truncToInt32(std::nan("")), 0);
    EXPECT_EQ(truncToInt32(2147483647.5), INT32_MAX);
    EXPECT_EQ(truncToInt32(-2147483648.5), INT32_MIN);
    EXPECT_EQ(truncToInt32(-2147483648.0), INT32_MIN);
    EXPECT_EQ(truncToInt32(2147483648.0), INT32_MAX);
    EXPECT_EQ(truncToInt32(-2147483649.0), INT32_MIN);
    EXPECT_EQ(truncToInt32(-2147483647.9), -2147483647);
    EXPECT_EQ(truncToInt32(-std::nan("")), 0);
    EXPECT_EQ(truncToByteLow8(382.0), 126);
    EXPECT_EQ(truncToByteLow8(-1.0), 255);
}

}  // namespace
}  // namespace td

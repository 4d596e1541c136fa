// Many rounded additions taken in runs against the plain loop, bit for bit.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "render/repeated_addition.h"

namespace td {
namespace {

double loop(double x, double d, int64_t steps) {
    for (int64_t k = 0; k < steps; ++k) x += d;
    return x;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

TEST(RepeatedAddition, GivesTheLoopsResultBitForBit) {
    const double inf = std::numeric_limits<double>::infinity(), tiny = std::ldexp(1.0, -1074);
    const double half = std::ldexp(1.0, -53);  // half the spacing of [1, 2)
    struct Case {
        double x, d;
        int64_t steps;
    };
    for (const Case& c : {
             Case{0.1, 0.1, 70000},           // up through many binades
             Case{1.0, -1e-5, 300000},        // down through zero and the binades near it
             Case{-0.3, 1.0 / 65935, 65536},  // a span's u from a far first end
             Case{1.0, half, 1000},           // every sum a tie, rounding back to 1
             Case{1.0, 3 * half, 1000},       // every sum a tie, going to the even neighbour
             Case{1.0 + 2 * half, half, 1000},  // from an odd multiple the first tie goes up, the next stays
             Case{1e16, 1.0, 100},            // a tie at spacing 2
             Case{0.0, tiny, 5000},           // subnormals, one at a time
             Case{-DBL_MIN, tiny, 70},        // from the smallest normal into the subnormals
             Case{1e300, 1e-300, 65536},      // lost in the rounding: a fixed point
             Case{DBL_MAX / 2, DBL_MAX / 4096, 5000},  // on to infinity
             Case{1.0, std::nan(""), 3},
             Case{-inf, 1.0, 3},
             Case{2.0, 0.0, 7},
             Case{5.0, -1.0, 0},
         }) {
        EXPECT_TRUE(sameBits(addRepeatedly(c.x, c.d, c.steps), loop(c.x, c.d, c.steps)))
            << c.x << " + " << c.d << " x " << c.steps;
    }
    // Increments from span ends, and increments of few bits, which tie more often.
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> unit(-2.0, 2.0);
    std::uniform_int_distribution<int> exponent(-40, 40);
    std::uniform_int_distribution<int64_t> length(1, 70000);
    for (int i = 0; i < 300; ++i) {
        const double x = std::ldexp(unit(random), exponent(random));
        const int64_t steps = length(random);
        const double d = i % 2 ? (unit(random) - x) / double(steps) : std::ldexp(std::round(8 * unit(random)), exponent(random));
        ASSERT_TRUE(sameBits(addRepeatedly(x, d, steps), loop(x, d, steps))) << x << " + " << d << " x " << steps;
    }
}

}  // namespace
}  // namespace td

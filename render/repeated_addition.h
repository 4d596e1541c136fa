#pragma once
// Many rounded additions of one increment, taken in a few steps with exactly the loop's result.
//
// The textured span walks from its first end however far outside the surface that lies, adding
// the increments once per column; the values that reach the first visible column must be those
// of the column-by-column additions, bit for bit. addRepeatedly gives them without one addition
// per column.
//
// Why runs of additions can be taken whole. Inside one binade, the magnitudes [2^(e-1), 2^e), the
// doubles are exactly the multiples of the spacing u = 2^(e-53). Adding d to such an x rounds the
// exact sum x + d to the nearest multiple of u; x is one, so where x + d falls between two
// multiples depends only on d: every x of the binade moves by the same D = fl(x + d) - x, as long
// as the exact sum stays inside the binade and does not fall exactly halfway (a tie, which goes to
// the even neighbour and so depends on x). So m additions that stay inside give x + m * D. Both
// operations of that are exact: m * D is the difference of two doubles of the binade, a multiple
// of u smaller than 2^e, so a double itself, and x + m * D is the double the m additions reach.
// Near the ends of a binade, at ties, at zero and among subnormals the additions are made one at
// a time. A run ends one spacing short of the binade's ends, so that with the rounding error
// below u / 2 the exact sums stay strictly inside. The additions that leave x unchanged are
// taken all at once, and a result that is infinite or NaN stays so under further additions.
//
// Cost: a handful of operations per binade that the values cross (the binades between the
// increment's size and the values' at each end: some tens), whatever the number of additions;
// only increments so small that the values stay among the subnormals take one step per addition.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>

namespace td {

// x after `steps` additions x = x + d, each rounded to nearest: exactly what the loop gives.
inline double addRepeatedly(double x, double d, int64_t steps) {
    constexpr int64_t kBinadeLow = int64_t{1} << 52;  // a binade's magnitudes in spacings: [2^52, 2^53)
    constexpr int64_t kBinadeHigh = int64_t{1} << 53;
    while (steps > 0) {
        const double next = x + d;
        if (!std::isfinite(next)) return next;  // inf + d is inf, NaN + d is NaN
        int exponent = 0;
        if (std::fabs(x) >= DBL_MIN) std::frexp(x, &exponent);  // |x| in [2^(exponent-1), 2^exponent)
        const double spacing = std::ldexp(1.0, exponent - 53);
        const bool sameBinade = std::fabs(x) >= DBL_MIN && std::signbit(next) == std::signbit(x) &&
                                std::fabs(next) >= std::ldexp(1.0, exponent - 1) &&
                                std::fabs(next) < std::ldexp(1.0, exponent);
        if (!sameBinade) {
            x = next;
            --steps;
            continue;
        }
        if (next == x) return x;  // d is lost in x's rounding, and so on every further addition
        // The exact rounding error of x + d (Knuth's two-sum); a tie sits exactly halfway.
        const double b = next - x;
        const double error = (x - (next - b)) + (d - b);
        const int64_t from = int64_t(std::fabs(x) / spacing);  // exact: a whole number of spacings
        const int64_t move = int64_t(std::fabs(next) / spacing) - from;
        // Additions whose result stays at least one spacing inside the binade, this one included.
        const int64_t inside = move > 0 ? (kBinadeHigh - 1 - from) / move : (from - kBinadeLow - 1) / -move;
        const int64_t run = std::fabs(error) == 0.5 * spacing ? 0 : std::min(inside, steps);
        if (run < 1) {
            x = next;
            --steps;
            continue;
        }
        x += double(run) * b;  // b = next - x is D, exact; run * D and the sum are exact too
        steps -= run;
    }
    return x;
}

}  // namespace td

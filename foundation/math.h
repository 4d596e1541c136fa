#pragma once
// Vectors, 4 x 4 matrices, colours and the directional light of the renderer.

#include <cstdint>

#include "foundation/convert.h"

namespace td {

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    // Scales to unit length in place; a vector shorter than 1e-6 becomes (0, 0, 0).
    Vec3& normalize();
};

// Sixteen doubles, row by row: element (r, c) is m[4 * r + c]. Points are column vectors
// multiplied from the right; the translation sits in column 3 and row 3 yields w.
struct Matrix4 {
    double m[16] = {};

    double at(int row, int column) const { return m[4 * row + column]; }
    double& at(int row, int column) { return m[4 * row + column]; }

    void setZero();
    static Matrix4 identity();
    // Element (3, 2) = -1 / distance, so w = 1 - z / distance; the identity for |distance| < 1e-6.
    static Matrix4 perspective(double distance);
    static Matrix4 rotationX(double angle);
    static Matrix4 rotationY(double angle);
};

Matrix4 multiply(const Matrix4& a, const Matrix4& b);
// Transforms (x, y, z, 1) and divides by w unless w is exactly 1 or |w| <= 1e-6.
Vec3 transformPoint(const Matrix4& m, Vec3 p);

struct Colour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    // Dims each channel by the factor clamped to [0, 1], truncating toward zero. Defined here so
    // that the render pass, which scales the colour of every vertex it draws, inlines it.
    Colour& scale(double factor) {
        if (factor > 1.0) {
            factor = 1.0;
        } else if (factor < 0.0) {
            factor = 0.0;
        }
        // The products lie in [0, 255], or are NaN for a NaN factor (which passes both tests):
        // in that range the in-range truncation is exact, and for NaN its low byte is 0, the
        // byte truncToByteLow8 gives.
        red = truncToByteLow8InRange(factor * red);
        green = truncToByteLow8InRange(factor * green);
        blue = truncToByteLow8InRange(factor * blue);
        return *this;
    }
};

// The packed form in which colours reach the rasterizers: red | green << 8 | blue << 16.
inline uint32_t packColour(Colour c) {
    return uint32_t{c.red} | uint32_t{c.green} << 8 | uint32_t{c.blue} << 16;
}
inline Colour unpackColour(uint32_t packed) {
    return Colour{static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                  static_cast<uint8_t>(packed >> 16)};
}

// A directional light with an ambient term. `intensity` is declared first, so that it is the first
// entry of the virtual table and the destructor the second.
class Light {
public:
    Light() = default;
    Light(Vec3 direction, double ambient) : direction(direction), ambient(ambient) {}

    // Brightness of a surface with the given normal: ambient + d * (1 - ambient), where
    // d = -(normal . direction) clamped to [0, 1]. The normal is not normalised first, so the clamp
    // at 1 matters. The position is accepted and not used: the light is directional.
    //
    // An override must be a pure function of the light and its arguments, without side effects:
    // the render pass lights each vertex once per pass and reuses that value for every face that
    // shares the vertex, rather than asking again for each corner of each face it draws.
    //
    // Defined here, so that a render pass lighting with this class itself can inline it.
    virtual double intensity(Vec3 normal, Vec3 /*position*/) const {
        double d = -(normal.x * direction.x + normal.y * direction.y + normal.z * direction.z);
        if (d <= 0.0) {
            d = 0.0;
        } else if (d > 1.0) {
            d = 1.0;
        }
        return ambient + d * (1.0 - ambient);
    }

    virtual ~Light() = default;

    Vec3 direction;  // the direction in which the light travels; not normalised
    double ambient = 0.0;
};

}  // namespace td

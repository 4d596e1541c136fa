#include "foundation/math.h"

#include <cmath>

#include "foundation/convert.h"

namespace td {

Vec3& Vec3::normalize() {
    const double length = std::sqrt(x * x + y * y + z * z);
    if (std::fabs(length) < 1e-6) {
        x = y = z = 0.0;
        return *this;
    }
    const double k = 1.0 / length;
    x *= k;
    y *= k;
    z *= k;
    return *this;
}

void Matrix4::setZero() {
    for (double& e : m) e = 0.0;
}

Matrix4 Matrix4::identity() {
    Matrix4 r;
    r.setZero();
    r.at(0, 0) = r.at(1, 1) = r.at(2, 2) = r.at(3, 3) = 1.0;
    return r;
}

Matrix4 Matrix4::perspective(double distance) {
    Matrix4 r = identity();
    r.at(3, 2) = std::fabs(distance) >= 1e-6 ? -1.0 / distance : 0.0;
    return r;
}

Matrix4 Matrix4::rotationX(double angle) {
    Matrix4 r = identity();
    const double c = std::cos(angle), s = std::sin(angle);
    r.at(1, 1) = c;
    r.at(1, 2) = s;
    r.at(2, 1) = -s;
    r.at(2, 2) = c;
    return r;
}

Matrix4 Matrix4::rotationY(double angle) {
    Matrix4 r = identity();
    const double c = std::cos(angle), s = std::sin(angle);
    r.at(0, 0) = c;
    r.at(0, 2) = -s;
    r.at(2, 0) = s;
    r.at(2, 2) = c;
    return r;
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a.at(row, k) * b.at(k, column);
            r.at(row, column) = sum;
        }
    }
    return r;
}

Vec3 transformPoint(const Matrix4& m, Vec3 p) {
    Vec3 r{m.at(0, 0) * p.x + m.at(0, 1) * p.y + m.at(0, 2) * p.z + m.at(0, 3),
           m.at(1, 0) * p.x + m.at(1, 1) * p.y + m.at(1, 2) * p.z + m.at(1, 3),
           m.at(2, 0) * p.x + m.at(2, 1) * p.y + m.at(2, 2) * p.z + m.at(2, 3)};
    const double w = m.at(3, 0) * p.x + m.at(3, 1) * p.y + m.at(3, 2) * p.z + m.at(3, 3);
    if (w != 1.0 && std::fabs(w) > 1e-6) {
        const double k = 1.0 / w;
        r.x *= k;
        r.y *= k;
        r.z *= k;
    }
    return r;
}

}  // namespace td

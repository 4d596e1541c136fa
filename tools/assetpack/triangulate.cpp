#include "tools/assetpack/triangulate.h"

#include <algorithm>
#include <cmath>

namespace td {

namespace {

// Twice the signed area of the 2-D triangle (a, b, c): positive when it turns counter-clockwise.
double turn(double ax, double ay, double bx, double by, double cx, double cy) {
    return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
}

}  // namespace

unsigned Triangulator::cut(const std::vector<Vec3>& p, std::vector<std::array<uint32_t, 3>>& triangles) {
    const uint32_t n = static_cast<uint32_t>(p.size());
    if (n < 3) return 0;
    if (n == 3) {  // as it is, even without area: a lone degenerate triangle draws nothing and harms nothing
        triangles.push_back({0, 1, 2});
        return 0;
    }
    // The polygon's normal by Newell's method: its length is twice the area, for flat polygons.
    Vec3 normal, low = p[0], high = p[0], centre;
    for (uint32_t i = 0; i < n; ++i) {
        const Vec3& a = p[i];
        const Vec3& b = p[(i + 1) % n];
        normal.x += (a.y - b.y) * (a.z + b.z);
        normal.y += (a.z - b.z) * (a.x + b.x);
        normal.z += (a.x - b.x) * (a.y + b.y);
        low = Vec3{std::min(low.x, a.x), std::min(low.y, a.y), std::min(low.z, a.z)};
        high = Vec3{std::max(high.x, a.x), std::max(high.y, a.y), std::max(high.z, a.z)};
        centre = Vec3{centre.x + a.x / n, centre.y + a.y / n, centre.z + a.z / n};
    }
    unsigned flaws = 0;
    if (normal.x == 0.0 && normal.y == 0.0 && normal.z == 0.0) {
        // No area in sum: either every corner lies on one line, or lobes turning opposite ways
        // cancel out (a bow tie); then the plane of any corner that does turn will do.
        for (uint32_t i = 1; i + 1 < n && normal.x == 0.0 && normal.y == 0.0 && normal.z == 0.0; ++i) {
            const Vec3 a{p[i].x - p[0].x, p[i].y - p[0].y, p[i].z - p[0].z};
            const Vec3 b{p[i + 1].x - p[0].x, p[i + 1].y - p[0].y, p[i + 1].z - p[0].z};
            normal = Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        }
        if (normal.x == 0.0 && normal.y == 0.0 && normal.z == 0.0) {
            for (uint32_t i = 1; i + 1 < n; ++i) triangles.push_back({0, i, i + 1});
            return kPolygonNoArea;
        }
        flaws |= kPolygonCrosses;
    }
    const double length = std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
    const double size = std::max({high.x - low.x, high.y - low.y, high.z - low.z});
    for (const Vec3& a : p) {
        const double off = ((a.x - centre.x) * normal.x + (a.y - centre.y) * normal.y +
                             (a.z - centre.z) * normal.z) / length;
        if (std::fabs(off) > 0.01 * size) flaws |= kPolygonNotFlat;
    }

    // Into the plane of the two axes the normal is least along, turned so that the polygon runs
    // counter-clockwise there.
    const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    const int drop = ax >= ay && ax >= az ? 0 : (ay >= az ? 1 : 2);
    const double along = drop == 0 ? normal.x : drop == 1 ? normal.y : normal.z;
    u_.resize(n);
    v_.resize(n);
    next_.resize(n);
    prev_.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        const Vec3& a = p[i];
        u_[i] = drop == 0 ? a.y : drop == 1 ? a.z : a.x;
        v_[i] = drop == 0 ? a.z : drop == 1 ? a.x : a.y;
        if (along < 0) u_[i] = -u_[i];
        next_[i] = (i + 1) % n;
        prev_[i] = (i + n - 1) % n;
    }

    const auto turnAt = [&](uint32_t b) {
        const uint32_t a = prev_[b], c = next_[b];
        return turn(u_[a], v_[a], u_[b], v_[b], u_[c], v_[c]);
    };
    // An ear: a convex corner whose triangle holds no other corner, on its edges included
    // (corners at the same place as one of its own do not count).
    const auto isEar = [&](uint32_t b) {
        const uint32_t a = prev_[b], c = next_[b];
        if (!(turnAt(b) > 0.0)) return false;
        for (uint32_t q = next_[c]; q != a; q = next_[q]) {
            const double x = u_[q], y = v_[q];
            const auto same = [&](uint32_t k) { return x == u_[k] && y == v_[k]; };
            if (same(a) || same(b) || same(c)) continue;
            if (turn(u_[a], v_[a], u_[b], v_[b], x, y) >= 0.0 && turn(u_[b], v_[b], u_[c], v_[c], x, y) >= 0.0 &&
                turn(u_[c], v_[c], u_[a], v_[a], x, y) >= 0.0)
                return false;
        }
        return true;
    };
    const auto remove = [&](uint32_t b) {
        next_[prev_[b]] = next_[b];
        prev_[next_[b]] = prev_[b];
    };

    // Twice the area the triangles cover: for a polygon whose edges do not cross, exactly its own.
    double covered = 0.0;
    uint32_t remaining = n, at = 0, tried = 0;
    while (remaining > 3) {
        if (isEar(at)) {
            covered += turnAt(at);
            triangles.push_back({prev_[at], at, next_[at]});
            remove(at);
            --remaining;
            at = next_[at];
            tried = 0;
            continue;
        }
        at = next_[at];
        if (++tried < remaining) continue;
        // A whole round without an ear. A corner on the line between its neighbours adds no
        // area and goes without a triangle; otherwise the edges cross, and the most convex
        // corner is cut off all the same.
        tried = 0;
        uint32_t best = at;
        double bestTurn = -INFINITY;
        bool straight = false;
        for (uint32_t k = 0, q = at; k < remaining; ++k, q = next_[q]) {
            const double t = turnAt(q);
            if (t == 0.0) {
                best = q;
                straight = true;
                break;
            }
            if (t > bestTurn) bestTurn = t, best = q;
        }
        if (!straight) {
            flaws |= kPolygonCrosses;
            triangles.push_back({prev_[best], best, next_[best]});
        }
        remove(best);
        --remaining;
        at = next_[best];
    }
    covered += std::fabs(turnAt(at));
    triangles.push_back({prev_[at], at, next_[at]});
    if (std::fabs(covered - std::fabs(along)) > 1e-9 * (covered + std::fabs(along))) flaws |= kPolygonCrosses;
    return flaws;
}

}  // namespace td

#include "model/geometry.h"

namespace hostsim {

Transform Transform::Translation(const Vec3& t) {
    Transform r;
    r.m[12] = t.x;
    r.m[13] = t.y;
    r.m[14] = t.z;
    return r;
}

Transform Transform::Scaling(double sx, double sy, double sz) {
    Transform r;
    r.m[0] = sx;
    r.m[5] = sy;
    r.m[10] = sz;
    return r;
}

Transform Transform::Rotation(const Vec3& point, const Vec3& axis, double angle) {
    Vec3 a = axis.Normalized();
    double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    Transform r;
    r.At(0, 0) = t * a.x * a.x + c;
    r.At(0, 1) = t * a.x * a.y - s * a.z;
    r.At(0, 2) = t * a.x * a.z + s * a.y;
    r.At(1, 0) = t * a.x * a.y + s * a.z;
    r.At(1, 1) = t * a.y * a.y + c;
    r.At(1, 2) = t * a.y * a.z - s * a.x;
    r.At(2, 0) = t * a.x * a.z - s * a.y;
    r.At(2, 1) = t * a.y * a.z + s * a.x;
    r.At(2, 2) = t * a.z * a.z + c;
    return Translation(point) * r * Translation(-point);
}

Transform Transform::Axes(const Vec3& origin, const Vec3& xaxis, const Vec3& yaxis, const Vec3& zaxis) {
    Transform r;
    const Vec3 cols[3] = {xaxis, yaxis, zaxis};
    for (int c = 0; c < 3; ++c) {
        r.At(0, c) = cols[c].x;
        r.At(1, c) = cols[c].y;
        r.At(2, c) = cols[c].z;
    }
    r.m[12] = origin.x;
    r.m[13] = origin.y;
    r.m[14] = origin.z;
    return r;
}

Transform Transform::operator*(const Transform& o) const {
    Transform r;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += At(row, k) * o.At(k, col);
            r.At(row, col) = sum;
        }
    return r;
}

Vec3 Transform::ApplyPoint(const Vec3& p) const {
    double x = At(0, 0) * p.x + At(0, 1) * p.y + At(0, 2) * p.z + At(0, 3);
    double y = At(1, 0) * p.x + At(1, 1) * p.y + At(1, 2) * p.z + At(1, 3);
    double z = At(2, 0) * p.x + At(2, 1) * p.y + At(2, 2) * p.z + At(2, 3);
    double w = At(3, 0) * p.x + At(3, 1) * p.y + At(3, 2) * p.z + At(3, 3);
    if (w != 0 && w != 1) return {x / w, y / w, z / w};
    return {x, y, z};
}

Vec3 Transform::ApplyVector(const Vec3& v) const {
    return {At(0, 0) * v.x + At(0, 1) * v.y + At(0, 2) * v.z, At(1, 0) * v.x + At(1, 1) * v.y + At(1, 2) * v.z,
            At(2, 0) * v.x + At(2, 1) * v.y + At(2, 2) * v.z};
}

Vec3 Transform::ApplyNormal(const Vec3& n) const {
    Transform inv = Inverse();
    // Transposed linear part of the inverse.
    return {inv.At(0, 0) * n.x + inv.At(1, 0) * n.y + inv.At(2, 0) * n.z,
            inv.At(0, 1) * n.x + inv.At(1, 1) * n.y + inv.At(2, 1) * n.z,
            inv.At(0, 2) * n.x + inv.At(1, 2) * n.y + inv.At(2, 2) * n.z};
}

double Transform::Determinant3() const {
    return At(0, 0) * (At(1, 1) * At(2, 2) - At(1, 2) * At(2, 1)) -
           At(0, 1) * (At(1, 0) * At(2, 2) - At(1, 2) * At(2, 0)) +
           At(0, 2) * (At(1, 0) * At(2, 1) - At(1, 1) * At(2, 0));
}

Transform Transform::Inverse() const {
    // General 4x4 inverse by cofactors (the matrices are small and rarely inverted).
    const auto& a = m;
    std::array<double, 16> inv{};
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
             a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
             a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
             a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
              a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
             a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
             a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
             a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
              a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
             a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
             a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
              a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
              a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
             a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
             a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
              a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
              a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
    double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
    Transform r;
    if (det == 0) return r;  // singular: SketchUp answers the identity as well
    for (int i = 0; i < 16; ++i) r.m[i] = inv[i] / det;
    return r;
}

}  // namespace hostsim

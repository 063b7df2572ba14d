// Points, vectors and 4x4 transformations in SketchUp's conventions: inches, z up,
// matrices stored as 16 doubles column by column (translation in elements 12 to 14).
#pragma once

#include <array>
#include <cmath>

namespace hostsim {

struct Vec3 {
    double x = 0, y = 0, z = 0;

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    bool operator==(const Vec3& o) const = default;

    double Dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 Cross(const Vec3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    double Length() const { return std::sqrt(Dot(*this)); }
    Vec3 Normalized() const {
        double l = Length();
        return l > 0 ? *this * (1.0 / l) : *this;
    }
};

// SketchUp's tolerance for coincident points (one thousandth of an inch).
inline constexpr double kTolerance = 1e-3;

inline bool SamePoint(const Vec3& a, const Vec3& b) { return (a - b).Length() < kTolerance; }

struct Transform {
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    static Transform Identity() { return {}; }
    static Transform Translation(const Vec3& t);
    static Transform Scaling(double sx, double sy, double sz);
    // Rotation about an axis through a point, angle in radians.
    static Transform Rotation(const Vec3& point, const Vec3& axis, double angle);
    // Axes given as columns plus an origin (SketchUp's Transformation.axes).
    static Transform Axes(const Vec3& origin, const Vec3& xaxis, const Vec3& yaxis, const Vec3& zaxis);

    double& At(int row, int col) { return m[col * 4 + row]; }
    double At(int row, int col) const { return m[col * 4 + row]; }

    // this * o: applies o first, then this.
    Transform operator*(const Transform& o) const;
    bool operator==(const Transform& o) const = default;

    Vec3 ApplyPoint(const Vec3& p) const;
    Vec3 ApplyVector(const Vec3& v) const;
    // Normals transform by the inverse transpose of the linear part.
    Vec3 ApplyNormal(const Vec3& n) const;
    Transform Inverse() const;
    double Determinant3() const;
    bool IsMirrored() const { return Determinant3() < 0; }
    Vec3 Origin() const { return {m[12], m[13], m[14]}; }
};

}  // namespace hostsim

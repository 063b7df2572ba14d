// 4x4 single-precision matrices as Korvan uses them: four rows of four, applied to row vectors
// (p' = p * M), translation in elements 12 to 14. A node's world matrix is local * parent world.
#pragma once

#include <array>

namespace korvan {

using Matrix4 = std::array<float, 16>;

inline constexpr Matrix4 kIdentityMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Exact comparison with the identity (no tolerance: any rounding counts as a transform).
bool IsIdentity(const Matrix4& m);
// Row i of a * b is the sum over j of a[i][j] * row j of b.
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);
// The general inverse; a singular matrix gives the identity.
Matrix4 Inverse(const Matrix4& m);
// Inverse-transpose of the linear part: rows 0 to 2 of m with row 3 replaced by (0, 0, 0, 1),
// inverted, then transposed. Carries normals through m.
Matrix4 NormalMatrix(const Matrix4& m);
// Determinant of the upper-left 3x3: r0 . (r1 x r2).
float Determinant3(const Matrix4& m);
// (x, y, z, w) * m, first three components.
void TransformRow(const Matrix4& m, float x, float y, float z, float w, float out[3]);

}  // namespace korvan

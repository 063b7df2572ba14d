// SketchUp's camera as Korvan receives it: axes, units, matrix, projection and the follow rule.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "camera/camera_pose.h"
#include "scene/matrix.h"

namespace korvan {
namespace {

constexpr float kInches = 0.0254f;

HostCamera Perspective(std::array<double, 3> eye, std::array<double, 3> target, std::array<double, 3> up,
                       double fov = 35) {
    HostCamera c;
    std::memcpy(c.eye, eye.data(), sizeof c.eye);
    std::memcpy(c.target, target.data(), sizeof c.target);
    std::memcpy(c.up, up.data(), sizeof c.up);
    c.fieldOfView = fov;
    c.perspective = true;
    return c;
}

std::array<float, 3> Triple(const float* v) { return {v[0], v[1], v[2]}; }
std::array<float, 16> MatrixOf(const CameraRecord& r) {
    std::array<float, 16> m;
    std::memcpy(m.data(), r.matrix, sizeof m);
    return m;
}

TEST(CameraRecordTest, ALevelLookAlongSketchUpsYIsTheIdentityInTheRenderersAxes) {
    CameraRecord record{};
    EXPECT_TRUE(FillCameraRecord(Perspective({0, 0, 0}, {0, 1, 0}, {0, 0, 1}, 42.5), kInches, record));
    EXPECT_EQ(MatrixOf(record), kIdentityMatrix);
    EXPECT_EQ(record.projection, 1u);
    EXPECT_EQ(record.fieldOfView, 42.5f);
    EXPECT_EQ(Triple(record.eye), (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(Triple(record.direction), (std::array<float, 3>{0, 0, 1}));
    EXPECT_EQ(Triple(record.up), (std::array<float, 3>{0, 1, 0}));
    for (uint8_t byte : record.unused) ASSERT_EQ(byte, 0);
}

TEST(CameraRecordTest, PositionsAreInMetresAndTheMatrixPlacesTheCameraInTheWorld) {
    // Looking down at the origin from above and to the side, up not square to the line of sight.
    const HostCamera camera = Perspective({100, 200, 300}, {0, 0, 0}, {0, 0, 1});
    CameraRecord record{};
    ASSERT_TRUE(FillCameraRecord(camera, kInches, record));
    EXPECT_FLOAT_EQ(record.eye[0], 2.54f);
    EXPECT_FLOAT_EQ(record.eye[1], 7.62f);
    EXPECT_FLOAT_EQ(record.eye[2], 5.08f);
    const double length = std::sqrt(100.0 * 100 + 200 * 200 + 300 * 300);
    EXPECT_FLOAT_EQ(record.direction[0], -100 / length);
    EXPECT_FLOAT_EQ(record.direction[1], -300 / length);
    EXPECT_FLOAT_EQ(record.direction[2], -200 / length);
    EXPECT_EQ(Triple(record.up), (std::array<float, 3>{0, 1, 0})) << "as given, not squared";

    // Camera space: x right, y up, z forward. The matrix takes forward to the line of sight,
    // the eye to its place, and is the inverse of the world-to-camera matrix built independently.
    const Matrix4 m = MatrixOf(record);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(m[8 + k], record.direction[k], 1e-6);
    EXPECT_EQ((std::array<float, 4>{m[12], m[13], m[14], m[15]}),
              (std::array<float, 4>{record.eye[0], record.eye[1], record.eye[2], 1}));
    EXPECT_NEAR(m[1], 0, 1e-6) << "right stays level";
    EXPECT_GT(m[4 + 1], 0) << "camera up points up";
    EXPECT_NEAR(Determinant3(m), 1, 1e-5) << "a rotation, not a mirror";
    Matrix4 axes = kIdentityMatrix;  // right, up, forward as columns
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) axes[4 * r + c] = m[4 * c + r];
    const Matrix4 inverse = Inverse(axes);
    for (int i = 0; i < 12; ++i) EXPECT_NEAR(m[i], inverse[i], 1e-6) << i;
}

TEST(CameraRecordTest, ValuesAreFloatProductsAndTheLineOfSightOfTheMatrixIsTakenInFloats) {
    // The eye is scaled in floats: 7.5f * 0.0254f, not the double product rounded.
    HostCamera camera = Perspective({7.5, 0, 0}, {7.5, 10, 0}, {0, 0, 2.5});
    CameraRecord record{};
    ASSERT_TRUE(FillCameraRecord(camera, kInches, record));
    EXPECT_EQ(record.eye[0], 7.5f * kInches);
    EXPECT_NE(record.eye[0], static_cast<float>(7.5 * 0.0254));
    EXPECT_EQ(Triple(record.up), (std::array<float, 3>{0, 2.5f, 0})) << "not normalised";

    // Far from the origin the float eye and target collapse: the matrix looks along what the
    // floats say (x of both rounds to 2^24), the direction along what the doubles say.
    camera = Perspective({16777217, 0, 0}, {16777216, 1, 0}, {0, 0, 1});
    ASSERT_TRUE(FillCameraRecord(camera, kInches, record));
    EXPECT_EQ((std::array<float, 4>{record.matrix[8], record.matrix[9], record.matrix[10], record.matrix[11]}),
              (std::array<float, 4>{0, 0, 1, 0}));
    EXPECT_EQ(Triple(record.direction), (std::array<float, 3>{-0.707106769f, 0, 0.707106769f}));
}

TEST(CameraRecordTest, ParallelAnd2DCamerasCannotBeFollowedButStillTellWhereTheyLook) {
    HostCamera parallel = Perspective({0, -100, 0}, {0, 0, 0}, {0, 0, 1}, 35);
    parallel.perspective = false;
    CameraRecord record{};
    EXPECT_FALSE(FillCameraRecord(parallel, kInches, record));
    EXPECT_FALSE(CanFollow(parallel));
    EXPECT_EQ(MatrixOf(record), kIdentityMatrix);
    EXPECT_EQ(record.projection, 3u);
    EXPECT_EQ(record.fieldOfView, 0.0f);
    EXPECT_EQ(Triple(record.eye), (std::array<float, 3>{0, 0, -100 * kInches}));
    EXPECT_EQ(Triple(record.direction), (std::array<float, 3>{0, 0, 1}));
    EXPECT_EQ(Triple(record.up), (std::array<float, 3>{0, 1, 0}));

    // A 2D camera is 2D whether or not it also answers perspective.
    for (bool perspective : {true, false}) {
        HostCamera flat = parallel;
        flat.perspective = perspective;
        flat.flat = true;
        CameraRecord r{};
        EXPECT_FALSE(FillCameraRecord(flat, kInches, r));
        EXPECT_FALSE(CanFollow(flat));
        EXPECT_EQ(MatrixOf(r), kIdentityMatrix);
        EXPECT_EQ(r.projection, 2u);
        EXPECT_EQ(r.fieldOfView, perspective ? 35.0f : 0.0f);
    }
}

TEST(CameraRecordTest, ACameraWithoutALineOfSightIsSentAsUnusable) {
    CameraRecord record{};
    EXPECT_TRUE(FillCameraRecord(Perspective({5, 5, 5}, {5, 5, 5}, {0, 0, 1}), kInches, record));
    EXPECT_EQ(Triple(record.direction), (std::array<float, 3>{0, 0, 0}));
    const Matrix4 m = MatrixOf(record);
    for (int i = 0; i < 12; ++i) EXPECT_FALSE(std::isfinite(m[i])) << i;
    EXPECT_EQ(m[15], 1.0f);

    // A line of sight too long for a float has no direction either, rather than a wrong one.
    EXPECT_TRUE(FillCameraRecord(Perspective({-3e38, 0, 0}, {3e38, 0, 0}, {0, 0, 1}), kInches, record));
    for (float v : record.direction) EXPECT_TRUE(std::isnan(v));
}

}  // namespace
}  // namespace korvan

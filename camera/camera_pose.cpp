#include "camera/camera_pose.h"

#include <cmath>
#include <limits>

namespace korvan {

namespace {

struct Float3 {
    float x, y, z;
};

// SketchUp's (x, y, z) in the renderer's order (x, z, y).
Float3 RendererAxes(const double v[3]) {
    return {static_cast<float>(v[0]), static_cast<float>(v[2]), static_cast<float>(v[1])};
}

Float3 Minus(Float3 a, Float3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Float3 Cross(Float3 a, Float3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(Float3 a, Float3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A zero vector stays zero; one too long to measure has no direction at all.
Float3 Normalised(Float3 v) {
    const float length = std::sqrt(Dot(v, v));
    if (length == 0) return {0, 0, 0};
    if (!std::isfinite(length)) {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        return {nan, nan, nan};
    }
    return {v.x / length, v.y / length, v.z / length};
}

void Store(float* out, Float3 v) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

// Camera to world: the inverse of the matrix whose columns are the camera's right, up and
// forward axes. The rows of that inverse are the cofactor rows over the determinant, which for
// orthonormal axes are the axes themselves; a degenerate camera (eye on its target) divides by
// zero, and Korvan sees that the camera is unusable.
void WriteCameraMatrix(Float3 right, Float3 up, Float3 forward, Float3 eyeMetres, float* m) {
    const Float3 rows[3] = {Cross(up, forward), Cross(forward, right), Cross(right, up)};
    const float determinant = Dot(right, rows[0]);
    for (int r = 0; r < 3; ++r) {
        m[4 * r + 0] = rows[r].x / determinant;
        m[4 * r + 1] = rows[r].y / determinant;
        m[4 * r + 2] = rows[r].z / determinant;
        m[4 * r + 3] = 0 / determinant;  // 0 for a camera, undefined for one without a view
    }
    Store(m + 12, eyeMetres);
    m[15] = 1;
}

}  // namespace

bool FillCameraRecord(const HostCamera& camera, float unitScale, CameraRecord& record) {
    const Float3 eye = RendererAxes(camera.eye);
    const Float3 target = RendererAxes(camera.target);
    const Float3 up = RendererAxes(camera.up);
    const Float3 eyeMetres{eye.x * unitScale, eye.y * unitScale, eye.z * unitScale};
    const bool follow = CanFollow(camera);

    if (follow) {
        const Float3 forward = Normalised(Minus(target, eye));
        const Float3 right = Normalised(Cross(up, forward));
        WriteCameraMatrix(right, Cross(forward, right), forward, eyeMetres, record.matrix);
    } else {
        for (int i = 0; i < 16; ++i) record.matrix[i] = i % 5 == 0 ? 1.0f : 0.0f;
    }

    ProjectionKind kind = ProjectionKind::Parallel;
    if (camera.flat) kind = ProjectionKind::Orthographic2D;
    else if (camera.perspective) kind = ProjectionKind::Perspective;
    record.projection = static_cast<uint32_t>(kind);
    record.fieldOfView = camera.perspective ? static_cast<float>(camera.fieldOfView) : 0.0f;
    Store(record.eye, eyeMetres);
    // The line of sight is taken in doubles, so a far-off eye does not lose it to rounding.
    const double sight[3] = {camera.target[0] - camera.eye[0], camera.target[1] - camera.eye[1],
                             camera.target[2] - camera.eye[2]};
    Store(record.direction, Normalised(RendererAxes(sight)));
    Store(record.up, up);
    return follow;
}

}  // namespace korvan

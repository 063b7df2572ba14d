// The camera as Korvan reads it: 628 bytes copied into the "VIEW" record at byte 24. Positions
// are in the renderer's axes (SketchUp's y and z exchanged) and in metres; every value is a
// 32-bit float converted from the host's doubles.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvan {

enum class ProjectionKind : uint32_t {
    Perspective = 1,
    Orthographic2D = 2,
    Parallel = 3,
};

struct CameraRecord {
    float matrix[16];     // camera to world, four rows; translation in elements 12 to 14
    uint8_t unused[520];  // always zero
    uint32_t projection;  // a ProjectionKind
    float fieldOfView;    // degrees; 0 unless the camera is perspective
    float eye[3];
    float direction[3];  // target minus eye, normalised
    float up[3];         // as the host gives it, not normalised
};
static_assert(sizeof(CameraRecord) == 628);
static_assert(offsetof(CameraRecord, unused) == 64);
static_assert(offsetof(CameraRecord, projection) == 584);
static_assert(offsetof(CameraRecord, fieldOfView) == 588);
static_assert(offsetof(CameraRecord, eye) == 592);
static_assert(offsetof(CameraRecord, direction) == 604);
static_assert(offsetof(CameraRecord, up) == 616);

}  // namespace korvan

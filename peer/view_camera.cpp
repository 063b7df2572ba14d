#include "peer/view_camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvan::peer {

namespace {

// From the target towards the eye: from the +x, +z corner and above it.
const Vec3 kFittedDirection = Normalised({1.0, 0.8, 1.0});

}  // namespace

std::optional<Bounds> SceneBounds(const PeerScene& scene) {
    std::optional<Bounds> bounds;
    for (const SceneMaterial& material : scene.materials) {
        const std::vector<float>& p = material.mesh->positions;
        for (size_t i = 0; i + 2 < p.size(); i += 3) {
            const Vec3 v{p[i], p[i + 1], p[i + 2]};
            if (!bounds) {
                bounds = Bounds{v, v};
                continue;
            }
            bounds->min = {std::min(bounds->min.x, v.x), std::min(bounds->min.y, v.y),
                           std::min(bounds->min.z, v.z)};
            bounds->max = {std::max(bounds->max.x, v.x), std::max(bounds->max.y, v.y),
                           std::max(bounds->max.z, v.z)};
        }
    }
    return bounds;
}

ViewCamera FitCamera(const std::optional<Bounds>& bounds, double aspect,
                     const CameraChoice& choice) {
    const Bounds box = bounds.value_or(Bounds{{-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}});
    const Vec3 centre = (box.min + box.max) * 0.5;
    // A flat or single-point scene still needs some distance to look from.
    const double radius = std::max(Length(box.max - box.min) * 0.5, 1e-3);

    ViewCamera camera;
    camera.fieldOfViewDegrees = choice.fieldOfViewDegrees.value_or(kDefaultFieldOfViewDegrees);
    camera.up = choice.up.value_or(Vec3{0, 1, 0});
    camera.target = choice.target.value_or(centre);
    if (choice.eye) {
        camera.eye = *choice.eye;
    } else {
        // The bounding sphere fits the narrower of the two fields of view, with a small margin.
        const double halfVertical = camera.fieldOfViewDegrees * std::numbers::pi / 360.0;
        const double halfHorizontal = std::atan(std::tan(halfVertical) * aspect);
        const double halfNarrow = std::min(halfVertical, halfHorizontal);
        const double distance =
            1.05 * radius / std::sin(halfNarrow) + Length(camera.target - centre);
        camera.eye = camera.target + kFittedDirection * distance;
    }
    return camera;
}

bool UseSentCamera(CameraChoice& choice, const std::optional<CameraRecord>& sent) {
    if (!sent || sent->projection != static_cast<uint32_t>(ProjectionKind::Perspective)) return false;
    const Vec3 eye{sent->eye[0], sent->eye[1], sent->eye[2]};
    const Vec3 direction{sent->direction[0], sent->direction[1], sent->direction[2]};
    const Vec3 up{sent->up[0], sent->up[1], sent->up[2]};
    const double fov = sent->fieldOfView;
    const bool finite = std::isfinite(Length(eye)) && std::isfinite(Length(up)) && std::isfinite(fov);
    const double sight = Length(direction);
    if (!finite || !(sight > 0 && std::isfinite(sight)) || !(fov > 0 && fov < 180)) return false;
    if (!choice.eye) choice.eye = eye;
    if (!choice.target) choice.target = *choice.eye + direction;
    if (!choice.up) choice.up = up;
    if (!choice.fieldOfViewDegrees) choice.fieldOfViewDegrees = fov;
    return true;
}

std::string CameraFault(const ViewCamera& camera) {
    const Vec3 sight = camera.eye - camera.target;
    if (Length(sight) == 0) return "the eye is on the target";
    if (Length(Cross(Normalised(sight), Normalised(camera.up))) < 1e-9)
        return "the up vector is zero or along the line of sight";
    return "";
}

}  // namespace korvan::peer

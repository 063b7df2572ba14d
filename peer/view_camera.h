// The camera that `render` looks through: a perspective camera given by eye, target, up and a
// vertical field of view. Whatever the command line leaves out is fitted to the scene: by default
// the camera looks at the scene's bounding box from above, half-way round a corner (a 3/4 view),
// far enough back for the whole box to show.
#pragma once

#include <optional>
#include <string>

#include "camera/camera_record.h"
#include "peer/peer_scene.h"
#include "peer/vector3.h"

namespace korvan::peer {

inline constexpr double kDefaultFieldOfViewDegrees = 40;

struct ViewCamera {
    Vec3 eye;
    Vec3 target;
    Vec3 up{0, 1, 0};
    double fieldOfViewDegrees = kDefaultFieldOfViewDegrees;  // vertical
};

struct CameraChoice {
    std::optional<Vec3> eye;
    std::optional<Vec3> target;
    std::optional<Vec3> up;
    std::optional<double> fieldOfViewDegrees;
};

struct Bounds {
    Vec3 min;
    Vec3 max;
};

// The box around every vertex of the scene; none when it holds no vertex.
std::optional<Bounds> SceneBounds(const PeerScene& scene);

// The chosen parts as given, the others fitted to `bounds` (a unit box at the origin when the
// scene is empty) for an image of `aspect` = width / height.
ViewCamera FitCamera(const std::optional<Bounds>& bounds, double aspect,
                     const CameraChoice& choice);

// Fills what the command line left out of `choice` from the camera the link's VIEW record holds:
// Korvan looks through SketchUp's camera when it is a perspective one with finite values.
// Anything else (no camera sent, parallel or 2D, an eye on its target) leaves the choice as it
// is. True when the sent camera was used.
bool UseSentCamera(CameraChoice& choice, const std::optional<CameraRecord>& sent);

// Why the camera cannot be used (eye on the target, up along the line of sight); empty when it
// can.
std::string CameraFault(const ViewCamera& camera);

}  // namespace korvan::peer

// Draws the peer's scene the simple way: perspective, a depth buffer, each triangle in its
// material's colour lit by one fixed light, transparent materials blended over what lies behind
// them. Enough to see that the batches hold the model the plug-in mirrored.
#pragma once

#include <cstdint>
#include <vector>

#include "peer/peer_scene.h"
#include "peer/vector3.h"
#include "peer/view_camera.h"

namespace korvan::peer {

// Where the light comes from (world, y up): above, slightly from +x and +z. A face whose normal
// points there gets its full colour; one turned away from it gets kAmbientShare of it.
inline const Vec3 kLightDirection = Normalised({0.35, 1.0, 0.55});
inline constexpr double kAmbientShare = 0.3;
inline constexpr uint8_t kBackgroundRgb[3] = {40, 44, 52};

struct RgbImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // R, G, B per pixel, rows top to bottom
};

// Opaque materials are drawn first, then the triangles of transparent ones from the farthest to
// the nearest, each blended by its opacity over what is there and without hiding what follows.
// A triangle is drawn only from the side its normals face; a textured material shows its picture.
RgbImage RenderScene(const PeerScene& scene, const ViewCamera& camera, uint32_t width,
                     uint32_t height);

}  // namespace korvan::peer

// The peer's own copy of the mirrored scene: every live material ("SRFC") with its checked batch,
// as Korvan would keep it to draw. Built from checked copies only (see SceneMirror).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "peer/geometry_batch.h"
#include "peer/texture_image.h"

namespace korvan::peer {

struct SceneMaterial {
    uint32_t slot = 0;
    uint32_t id = 0;  // the record id
    std::string name;
    uint32_t colour = 0;  // 0xAARRGGBB as sent
    float opacity = 1;    // within 0 to 1 (a value outside was reported and is clamped here)
    uint32_t geometryRevision = 0;
    uint32_t geometrySectionId = 0;  // 0: no batch yet, `mesh` is empty
    uint32_t geometrySize = 0;       // the section's size as the record declares it
    std::shared_ptr<const MaterialMesh> mesh;  // never null
    // The picture, from the file the record names or from its texture section; null when there
    // is none or it cannot be read: the material is then drawn in its colour.
    std::shared_ptr<const TextureImage> texture;
    uint32_t textureStamp = 0;
    std::string texturePath;
    uint32_t textureSectionId = 0;
    uint32_t textureSize = 0;
};

struct PeerScene {
    std::vector<SceneMaterial> materials;  // in slot order
};

struct SceneTotals {
    uint64_t materials = 0;
    uint64_t vertices = 0;
    uint64_t indices = 0;
    uint64_t triangles = 0;
};

SceneTotals TotalsOf(const PeerScene& scene);

}  // namespace korvan::peer

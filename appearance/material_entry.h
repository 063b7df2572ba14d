// One material as Korvan sees it: what the catalogue last read from SketchUp and where its
// "SRFC" record lives.
#pragma once

#include <SketchUpAPI/model/defs.h>

#include <cstdint>
#include <memory>
#include <string>

#include "liveconnection/shared_layout.h"

namespace korvan {

// The id that stands for "none" (no layer, no section owner) and for the built-in default
// material.
inline constexpr uint32_t kNoId = 0xFFFFFFFFu;
// Mid-grey, opaque: the colour of the built-in entries.
inline constexpr uint32_t kDefaultColour = 0xFFAAAAAAu;

struct MaterialEntry {
    uint32_t id = 0;    // SUEntityGetID of the material
    uint32_t type = 0;  // SUMaterialType: colored, textured or colorized texture
    uint32_t ownerLayerId = kNoId;  // the layer whose own material this is; kNoId for the model's
    bool changed = false;           // the next write counts the content revision up
    // The material left the model. Its entry stays until the link stops, because leaves may
    // still point at it; an undo that brings the material back revives the same entry.
    bool removed = false;
    std::u16string name;
    std::u16string libraryId;
    TwinLinkAPI::SurfaceType surfaceType = TwinLinkAPI::SurfaceType::None;
    uint32_t colour = kDefaultColour;  // 0xAARRGGBB
    float opacity = 1.0f;
    SUTextureRef texture = SU_INVALID;  // the texture the file export last handled
    bool ownsTextureFile = false;       // the file at texturePath is ours to delete
    bool textureChanged = false;        // Korvan must read the texture again
    uint64_t TextureStamp = 0;
    std::u16string texturePath;
    std::unique_ptr<uint8_t[]> textureImage;  // an in-memory BMP
    uint32_t textureImageSize = 0;
    float textureUScale = 1.0f;
    float textureVScale = 1.0f;
    TwinLinkAPI::SurfaceRecord* record = nullptr;  // made at the first write
    // The sync worker's stamp of the batch's layout as its last complete build laid it out (0
    // while none is complete), and that batch's counts. Leaves written by that build carry the
    // same stamp. The counts are kept here: the section's own copy is shared memory, which any
    // process can write.
    uint32_t batchLayout = 0;
    uint32_t batchVertices = 0;
    uint32_t batchIndices = 0;
};

}  // namespace korvan

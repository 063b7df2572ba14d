// One SketchUp face as Korvan will draw it: its triangle mesh in renderer coordinates, extracted
// once however often the face is placed, and the face's own attributes.
#pragma once

#include <SketchUpAPI/model/defs.h>

#include <cstdint>
#include <vector>

namespace korvan {

struct FaceRecord {
    uint32_t generation = 0;  // the change generation in which the mesh was last extracted
    uint32_t references = 0;  // leaves that point here
    SUFaceRef face = SU_INVALID;
    uint32_t faceId = 0;
    uint32_t ownerDefinitionId = 0;  // kNoId for the model's own entities
    uint32_t layerId = 0;
    bool visible = false;
    uint32_t frontMaterialId = 0;  // the face's own materials; 0 = none
    uint32_t backMaterialId = 0;
    uint32_t vertexCount = 0;
    uint32_t indexCount = 0;       // 3 per triangle
    std::vector<uint32_t> indices;
    std::vector<float> positions;  // x, y, z per vertex, metres, renderer axes
    std::vector<float> normals;    // per vertex, not normalised
    std::vector<float> frontUV;    // u, v per vertex
    std::vector<float> backUV;
};

struct EdgeState {
    bool smooth = false;
    bool soft = false;
    bool hidden = false;
};

}  // namespace korvan

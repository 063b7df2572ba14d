// What one collection of entities holds, as the tree is built from it: the placements to
// descend into and the faces to place, each face with its record and its list in the entity
// index already looked up. A load reads each definition once and builds every further placement
// of it from the same reading, without asking SketchUp or the face table again.
#pragma once

#include <SketchUpAPI/model/defs.h>

#include <cstdint>
#include <vector>

namespace korvan {

struct FaceRecord;
struct TreeNode;

struct PlacedFace {
    SUFaceRef face = SU_INVALID;
    uint32_t faceId = 0;
    FaceRecord* record = nullptr;
    std::vector<TreeNode*>* placements = nullptr;  // the face's list in the entity index
};

struct EntitiesReading {
    std::vector<SUComponentInstanceRef> instances;
    std::vector<SUGroupRef> groups;
    std::vector<PlacedFace> faces;
    std::vector<SUImageRef> images;
};

}  // namespace korvan

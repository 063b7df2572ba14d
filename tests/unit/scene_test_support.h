// What the scene's unit tests share: SketchUp references to hostsim's objects, the inch, and
// sets of material ids in order.
#pragma once

#include <SketchUpAPI/sketchup.h>

#include <cstdint>
#include <set>

#include "model/model.h"
// Last: Ruby's headers turn a few C library names into macros.
#include "scene/su_scene.h"

namespace scene_test {

inline constexpr float kInch = 0.0254f;

// A SketchUp reference (SUFaceRef, SUModelRef, ...) to one of hostsim's objects.
template <typename Ref>
Ref RefTo(void* object) {
    Ref ref;
    ref.ptr = object;
    return ref;
}

inline korvan::Matrix4 Translation(float x, float y, float z) {
    korvan::Matrix4 m = korvan::kIdentityMatrix;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

inline korvan::Matrix4 Scaling(float x, float y, float z) {
    korvan::Matrix4 m = korvan::kIdentityMatrix;
    m[0] = x;
    m[5] = y;
    m[10] = z;
    return m;
}

inline SUFaceRef Ref(hostsim::Face* face) { return RefTo<SUFaceRef>(face); }
inline SUEdgeRef Ref(hostsim::Edge* edge) { return RefTo<SUEdgeRef>(edge); }
inline SULayerRef Ref(hostsim::Layer* layer) { return RefTo<SULayerRef>(layer); }
inline SUMaterialRef Ref(hostsim::Material* material) { return RefTo<SUMaterialRef>(material); }
inline SUModelRef Ref(hostsim::Model& model) { return RefTo<SUModelRef>(&model); }
inline uint32_t IdOf(const hostsim::Entity* entity) { return entity->id; }

inline std::set<uint32_t> Ids(const korvan::MaterialIdSet& set) {
    return std::set<uint32_t>(set.begin(), set.end());
}

}  // namespace scene_test

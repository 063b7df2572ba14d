// What the scene's unit tests share: SketchUp references to hostsim's objects, the inch, and
// sets of material ids in order.
#pragma once

#include <cstdint>
#include <set>

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

inline std::set<uint32_t> Ids(const korvan::MaterialIdSet& set) {
    return std::set<uint32_t>(set.begin(), set.end());
}

}  // namespace scene_test

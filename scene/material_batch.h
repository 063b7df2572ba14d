// One material's geometry as Korvan reads it from the material's data section: every visible
// face side painted with the material, as one triangle mesh in world coordinates.
//
//   word 0            V, vertex count
//   word 1            I, index count (3 per triangle)
//   word 2            S, UV sets, always 1
//   word 3            3V floats: positions x, y, z (metres, renderer axes)
//   word 3 + 3V       3V floats: normals (not normalised)
//   word 3 + 6V       2SV floats: u, v per vertex
//   word 3 + 6V + 2SV I u32: indices, counted from the batch's first vertex
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "scene/tree_node.h"

namespace korvan {

class SUScene;

inline constexpr uint32_t kBatchUVSets = 1;

// Bytes a batch of v vertices and i indices needs.
constexpr uint64_t BatchBytes(uint64_t v, uint64_t i) {
    return 4 * (3 + 6 * v + 2 * kBatchUVSets * v + i);
}

// What the materials built concurrently in one sync pass share.
struct BatchPassContext {
    SUScene* scene = nullptr;
    std::atomic<bool> keepGoing{true};  // cleared when the pass deadline has passed
    // 8 buckets; braces would make a set holding the id 8.
    MaterialIdSet processed = MaterialIdSet(8);
    MaterialIdSet sectionsToRelease = MaterialIdSet(8);  // old geometry sections, freed after the pass
    std::chrono::steady_clock::time_point deadline;
};

}  // namespace korvan

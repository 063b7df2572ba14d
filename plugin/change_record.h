// What one undo changed, kept so that its redo can be replayed: SketchUp reports the entities an
// undo touches but says nothing about those a redo touches.
#pragma once

#include <cstdint>
#include <set>

namespace korvan {

// The entity id in the low half; in the high half the id of the component definition whose
// Entities collection holds the entity, or one of the markers below.
using ChangeKey = uint64_t;

inline constexpr uint32_t kNoParent = 0xFFFFFFFFu;          // no parent definition applies
inline constexpr uint32_t kRootParent = 0xFFFFFFFEu;        // the model's own entities
inline constexpr uint32_t kMarkerMaterial = 0xFFFFFFFDu;    // the key stands for a material
inline constexpr uint32_t kMarkerLayer = 0xFFFFFFFCu;       // the key stands for a layer
inline constexpr uint32_t kMarkerDefinition = 0xFFFFFFFBu;  // an added component definition

constexpr ChangeKey MakeChangeKey(uint32_t entityId, uint32_t parent) {
    return static_cast<ChangeKey>(parent) << 32 | entityId;
}
constexpr uint32_t EntityIdOfKey(ChangeKey key) {
    return static_cast<uint32_t>(key);
}
constexpr uint32_t ParentOfKey(ChangeKey key) {
    return static_cast<uint32_t>(key >> 32);
}

struct ChangeRecord {
    std::set<ChangeKey> modified;
    std::set<ChangeKey> added;
    std::set<ChangeKey> removed;
};

}  // namespace korvan

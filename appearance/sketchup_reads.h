// Ids and lists as the SketchUp C API hands them out, read the same way everywhere: a failed
// call gives a harmless value rather than an error to pass on.
#pragma once

#include <SketchUpAPI/model/entity.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvan {

// False, and id untouched, when SketchUp cannot tell the entity's id.
inline bool ReadEntityId(SUEntityRef entity, uint32_t& id) {
    int32_t value = 0;
    if (SUEntityGetID(entity, &value) != SU_ERROR_NONE) return false;
    id = static_cast<uint32_t>(value);
    return true;
}

// The entity's id; 0 when it cannot be read.
inline uint32_t EntityIdOf(SUEntityRef entity) {
    uint32_t id = 0;
    ReadEntityId(entity, id);
    return id;
}

// Every item of one of the owner's lists, through the list's count and get pair, for example
// (model, SUModelGetNumLayers, SUModelGetLayers); empty when either call fails.
template <typename Item, typename Owner, typename CountFn, typename GetFn>
std::vector<Item> ReadSketchUpList(Owner owner, CountFn count, GetFn get) {
    size_t total = 0;
    if (count(owner, &total) != SU_ERROR_NONE || total == 0) return {};
    std::vector<Item> items(total);
    size_t read = 0;
    if (get(owner, total, items.data(), &read) != SU_ERROR_NONE) read = 0;
    items.resize(read < total ? read : total);
    return items;
}

}  // namespace korvan

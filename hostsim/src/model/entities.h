// An Entities collection: the ordered contents of the model or of one component definition.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "model/object.h"

namespace hostsim {

struct ComponentDefinition;

struct Entities : Object {
    Entities(Model* m, ComponentDefinition* owner) : Object(RefType::Entities), model(m), definition(owner) {}

    Model* const model;
    ComponentDefinition* const definition;  // null for the model's own entities
    std::vector<DrawingElement*> items;     // live entities in the order they were added

    template <typename T>
    std::vector<T*> OfType(RefType t) const {
        std::vector<T*> out;
        for (DrawingElement* e : items)
            if (e->type == t) out.push_back(static_cast<T*>(e));
        return out;
    }
    size_t CountOf(RefType t) const;

    // Vertices by position, so that coincident points of new geometry reuse them.
    std::unordered_map<uint64_t, std::vector<struct Vertex*>> vertexGrid;
};

}  // namespace hostsim

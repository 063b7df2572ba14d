// Attribute dictionaries: named key/value stores attached to entities.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>

#include "model/object.h"

namespace hostsim {

// A typed value as SketchUp stores it: empty, bool, integer, double or UTF-8 text.
using Value = std::variant<std::monostate, bool, int64_t, double, std::string>;

struct AttributeDictionary : Entity {
    AttributeDictionary(Model* m, uint32_t entityId, std::string dictName)
        : Entity(RefType::AttributeDictionary, m, entityId), name(std::move(dictName)) {}

    std::string name;
    std::map<std::string, Value> values;
    Entity* owner = nullptr;  // the entity it is attached to
};

}  // namespace hostsim

// Walks the model as it is drawn: every face at every place it appears, with the world
// transformation of that place, the material it inherits from the nearest painted container,
// and whether it is shown (the face, every container above it, and their layers visible).
#pragma once

#include <functional>

#include "model/model.h"

namespace hostsim {

struct PlacedFace {
    const Face* face;
    Transform world;
    const Material* inherited;  // null when no container above is painted
    bool visible;
    const ComponentInstance* parent;  // the innermost placement, null at the top level
};

void ForEachPlacedFace(const Model& model, const std::function<void(const PlacedFace&)>& visit);

}  // namespace hostsim

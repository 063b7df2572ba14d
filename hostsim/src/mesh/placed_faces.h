// Walks the model as it is drawn: every face at every place it appears, with the world
// transformation of that place, the material it inherits from the nearest painted container,
// whether it is shown (the face, every container above it, and their layers visible), and the
// layer it takes its colour from when the model colours by layer.
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
    // The layer whose colour the face shows while the model colours by layer: its own, or for a
    // face on the default layer the nearest container's that is not.
    const Layer* colourLayer;
};

void ForEachPlacedFace(const Model& model, const std::function<void(const PlacedFace&)>& visit);

}  // namespace hostsim

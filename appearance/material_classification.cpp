#include "appearance/material_classification.h"

#include "appearance/material_catalogue.h"

namespace korvan {

// Not classified yet: every entry keeps surface type None and an empty library id.
bool ClassifyMaterial(MaterialCatalogue& /*catalogue*/, MaterialEntry& /*entry*/,
                      SUMaterialRef /*materialRef*/) {
    return false;
}

}  // namespace korvan

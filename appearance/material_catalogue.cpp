#include "appearance/material_catalogue.h"

namespace korvan {

MaterialCatalogue::MaterialCatalogue(TwinLinkAPI::LiveConnection* connection)
    : connection(connection) {}

// The material records are written once the catalogue's entries exist; until then a link
// carries no materials.
bool MaterialCatalogue::LoadMaterials(VALUE /*model*/, SUModelRef /*modelRef*/,
                                      bool /*renderBackFaces*/, bool /*memoryTextures*/) {
    return false;
}

// Nothing is held yet, so there is nothing to let go of.
void MaterialCatalogue::ClearCatalogue() {}

}  // namespace korvan

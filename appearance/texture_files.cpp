#include "appearance/texture_files.h"

#include "appearance/material_catalogue.h"

namespace korvan {

// Textures do not travel yet: an entry keeps no path and no image, and Korvan draws the
// material with its colour.
void CaptureTextureInMemory(MaterialCatalogue& /*catalogue*/, MaterialEntry& /*entry*/,
                            SUTextureRef /*texture*/) {}

void ExportTextureFile(MaterialCatalogue& /*catalogue*/, MaterialEntry& /*entry*/,
                       VALUE /*material*/, SUTextureRef /*texture*/, bool /*force*/) {}

}  // namespace korvan

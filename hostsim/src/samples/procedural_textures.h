// Textures drawn by code for the built-in models, so that they need no image files. Each
// carries the file name SketchUp would report for it, and its pixels in Texture's layout.
#pragma once

#include "model/model.h"

namespace hostsim {

// Red bricks in running bond with grey mortar: "brick.png", 24 bits, one repeat is 32 x 16 in.
Texture* MakeBrickTexture(Model& model);
// Light grey roof tiles meant to be tinted by a colourized material: "roof_tiles.png", 24 bits.
Texture* MakeRoofTileTexture(Model& model);
// Oak planks with grain: "oak.png", 24 bits.
Texture* MakeOakTexture(Model& model);
// A lawn of grass blades in several greens: "grass.png", 24 bits, one repeat is 40 x 40 in.
Texture* MakeGrassTexture(Model& model);
// A site sign with a transparent surround: "site_sign.png", 32 bits with alpha.
Texture* MakeSignTexture(Model& model);
// A facade of window bands for city buildings, 24 bits; one repeat spans one floor and one bay.
Texture* MakeWindowGridTexture(Model& model, const std::string& fileName, Color wall, Color glass,
                               double floorHeight, double bayWidth);
// Asphalt with a dashed lane marking along v: "asphalt.png", 24 bits.
Texture* MakeAsphaltTexture(Model& model);

}  // namespace hostsim

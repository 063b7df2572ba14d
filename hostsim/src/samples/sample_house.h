// The demo's default model: a small house drawn by code, identical on every run. It holds one
// of everything a renderer link has to carry: layers hidden by a scene, plain, textured,
// colourized, translucent and water materials, a material with Korvan settings, nested
// groups, a component placed rotated and mirrored, windows cutting openings in the walls
// they are glued to, an image, faces with holes, smooth curved surfaces, a face painted on
// its back only, hidden entities, and a camera looking at it all.
#pragma once

#include "model/model.h"

namespace hostsim {

// Names that the house's users (tests, the demo) look things up by.
inline constexpr const char* kKorvanSettingsDictionary = "Korvan Material Settings";
inline constexpr const char* kKorvanLibraryIdKey = "KorvanLibraryId";

// Draws the house into `model` as one operation named "Sample House".
void BuildSampleHouse(Model& model);

// Builds the house as a new model and opens it as the active model (observers hear
// onOpenModel); a freshly opened house has nothing to undo.
Model* OpenSampleHouse();

}  // namespace hostsim

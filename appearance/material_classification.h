// Which materials Korvan shades as water or glass, and the library id a material may carry in
// its attribute dictionary.
#pragma once

#include <SketchUpAPI/model/defs.h>

namespace korvan {

class MaterialCatalogue;
struct MaterialEntry;

// Sets the entry's surface type and library id; true when either changed.
bool ClassifyMaterial(MaterialCatalogue& catalogue, MaterialEntry& entry,
                      SUMaterialRef materialRef);

}  // namespace korvan

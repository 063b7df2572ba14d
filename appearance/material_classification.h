// Which materials Korvan shades as water or glass, judged from their names in several
// languages, and the library id a material may carry in its attribute dictionary.
#pragma once

#include <SketchUpAPI/model/defs.h>

#include <string_view>

namespace korvan {

class MaterialCatalogue;
struct MaterialEntry;

// A water word anywhere in the name, any case; or "eau" standing as a word of its own.
bool IsWaterName(std::u16string_view name);
// A glass word anywhere in the name, any case.
bool IsGlassName(std::u16string_view name);

// Sets the entry's surface type and library id; true when either changed. Reads the entry's
// name and opacity, so the caller stores those first.
bool ClassifyMaterial(MaterialCatalogue& catalogue, MaterialEntry& entry,
                      SUMaterialRef materialRef);

}  // namespace korvan

// How an entry gets its texture: as an image file that Korvan reads, or as a BMP kept in memory
// and sent in a data section. Both run after the entry's previous texture was released.
#pragma once

#include <SketchUpAPI/model/defs.h>
#include <ruby/ruby.h>

namespace korvan {

class MaterialCatalogue;
struct MaterialEntry;

// Gives the entry a BMP of the texture in memory and a new TextureStamp.
void CaptureTextureInMemory(MaterialCatalogue& catalogue, MaterialEntry& entry,
                            SUTextureRef texture);
// Points the entry at the texture's file, writing a copy beside the model when the source file
// is missing or `force` asks for the colorized pixels. `material` may be nil.
void ExportTextureFile(MaterialCatalogue& catalogue, MaterialEntry& entry, VALUE material,
                       SUTextureRef texture, bool force);

}  // namespace korvan

// How an entry gets its texture: as an image file that Korvan reads, or as a BMP kept in memory
// and sent in a data section. Both run after the entry's previous texture was released.
#pragma once

#include <SketchUpAPI/model/defs.h>
#include <ruby/ruby.h>

#include <cstdint>
#include <string>

namespace korvan {

class MaterialCatalogue;
struct MaterialEntry;

// The header of the BMP images the plug-in writes: top-down rows, "TWBM" in the reserved bytes.
inline constexpr uint32_t kBmpHeaderSize = 54;
void WriteBmpHeader(uint8_t* header, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                    uint32_t pixelBytes);

// Gives the entry a BMP of the texture in memory and a new TextureStamp.
void CaptureTextureInMemory(MaterialCatalogue& catalogue, MaterialEntry& entry,
                            SUTextureRef texture);
// Points the entry at the texture's file, writing a copy beside the model when the source file
// is missing or `force` asks for the colorized pixels. `material` may be nil.
void ExportTextureFile(MaterialCatalogue& catalogue, MaterialEntry& entry, VALUE material,
                       SUTextureRef texture, bool force);

// The texture's file name as SketchUp reports it, without the temporary folder SketchUp unpacks
// textures into.
std::u16string TextureSourceName(const MaterialCatalogue& catalogue, VALUE material,
                                 SUTextureRef texture);
// Where a copy of the entry's texture goes: "<id>_<base of name>" in the texture folder, with
// `extension` when one is given; named after the material when the name has no base.
std::u16string TextureFilePath(MaterialCatalogue& catalogue, const MaterialEntry& entry,
                               const std::u16string& name, const char16_t* extension);
// "<model folder>/<model name>_Textures", made when it does not exist yet.
void EnsureTextureFolder(MaterialCatalogue& catalogue);

}  // namespace korvan

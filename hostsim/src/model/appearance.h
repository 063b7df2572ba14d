// Materials, their textures, and layers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/object.h"

namespace hostsim {

struct Color {
    uint8_t red = 0, green = 0, blue = 0, alpha = 255;
    bool operator==(const Color&) const = default;
};

// A texture image held in memory. Pixels are stored as SketchUp's image reps hold them:
// rows top-down, channels in BGR or BGRA order, each row padded to four bytes.
struct Texture : Entity {
    Texture(Model* m, uint32_t entityId) : Entity(RefType::Texture, m, entityId) {}

    std::string fileName;           // as SketchUp reports it (may be empty)
    int pixelWidth = 0, pixelHeight = 0;
    int bitsPerPixel = 24;          // 24 or 32
    std::vector<uint8_t> pixels;
    double width = 1, height = 1;   // size of one repeat in inches

    size_t RowBytes() const { return ((static_cast<size_t>(pixelWidth) * bitsPerPixel / 8) + 3) & ~size_t{3}; }
    // Pixel bytes without row padding, as SUTextureGetImageData hands them out.
    std::vector<uint8_t> UnpaddedPixels() const;
};

enum class MaterialType : int { Colored = 0, Textured = 1, ColorizedTexture = 2 };

struct Material : Entity {
    Material(Model* m, uint32_t entityId) : Entity(RefType::Material, m, entityId) {}

    std::string name;
    Color color{255, 255, 255, 255};
    double alpha = 1.0;
    bool useAlpha = false;
    Texture* texture = nullptr;
    bool colorized = false;  // a texture tinted by the colour

    MaterialType Type() const {
        if (!texture) return MaterialType::Colored;
        return colorized ? MaterialType::ColorizedTexture : MaterialType::Textured;
    }
};

struct Layer : Entity {
    Layer(Model* m, uint32_t entityId) : Entity(RefType::Layer, m, entityId) {}

    std::string name;
    bool visible = true;
    // The colour a layer paints with while colouring by layer is on.
    Material* material = nullptr;
};

}  // namespace hostsim

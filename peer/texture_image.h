// A material's picture as Korvan draws it: decoded from the image file the record names or from
// the BMP an in-memory texture section holds, and sampled by texture coordinates.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvan::peer {

struct TextureImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;  // rows top to bottom

    // The texel at (u, v), repeating in both directions. SketchUp's texture coordinates start
    // at the picture's lower left corner. Nearest texel, 0 to 255 per channel.
    std::array<double, 3> Sample(double u, double v) const;
};

// Any format the image library reads (PNG, JPEG, BMP, PPM, ...). Null, with the reason, when
// the file cannot be read or is no picture.
std::shared_ptr<const TextureImage> LoadTextureFile(const std::string& path, std::string* error);

// The BMP of an in-memory texture, after checking that its header describes what follows: "BM",
// the sizes, 54 bytes of header, top-down rows of 24 or 32 bits. Null, with the reason, when not.
std::shared_ptr<const TextureImage> DecodeTextureBmp(const std::vector<uint8_t>& bytes,
                                                     std::string* error);

}  // namespace korvan::peer

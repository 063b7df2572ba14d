// Reading and writing image files (PNG, JPEG, BMP and whatever else stb_image decodes), in the
// pixel layout SketchUp's image reps and our Texture use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/appearance.h"

namespace hostsim {

// Decoded pixels laid out as Texture::pixels: rows top-down, BGR (24 bits) or BGRA (32 bits,
// for files with an alpha channel), each row padded to four bytes.
struct ImagePixels {
    int pixelWidth = 0, pixelHeight = 0;
    int bitsPerPixel = 24;
    std::vector<uint8_t> pixels;
};

// Nothing when the file is missing or not a decodable image.
std::optional<ImagePixels> LoadImageFile(const std::string& path);

// Writes the texture's pixels; the format follows the extension (.png, .jpg/.jpeg, .bmp, any
// case). False for another extension, an empty texture or a failed write.
bool WriteImageFile(const std::string& path, const Texture& texture);

}  // namespace hostsim

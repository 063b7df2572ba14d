// Writing a drawn image as a PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "peer/software_rasteriser.h"

namespace korvan::peer {

// False when the file cannot be written.
bool WritePngFile(const std::string& path, const RgbImage& image);

// The PNG file's bytes of an RGB picture whose rows run top to bottom, written with its rows
// turned upside down when `upsideDown`; empty when it cannot be encoded.
std::vector<uint8_t> EncodePng(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb,
                               bool upsideDown);

}  // namespace korvan::peer

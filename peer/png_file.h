// Writing a drawn image as a PNG file.
#pragma once

#include <string>

#include "peer/software_rasteriser.h"

namespace korvan::peer {

// False when the file cannot be written.
bool WritePngFile(const std::string& path, const RgbImage& image);

}  // namespace korvan::peer

#include "peer/png_file.h"

// The implementation comes compiled in Debian's libstb.
#include <stb/stb_image_write.h>

namespace korvan::peer {

bool WritePngFile(const std::string& path, const RgbImage& image) {
    if (image.width == 0 || image.height == 0) return false;
    return stbi_write_png(path.c_str(), static_cast<int>(image.width),
                          static_cast<int>(image.height), 3, image.pixels.data(),
                          static_cast<int>(image.width * 3)) != 0;
}

}  // namespace korvan::peer

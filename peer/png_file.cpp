#include "peer/png_file.h"

// The implementation comes compiled in Debian's libstb.
#include <stb/stb_image_write.h>

#include <algorithm>

namespace korvan::peer {

bool WritePngFile(const std::string& path, const RgbImage& image) {
    if (image.width == 0 || image.height == 0) return false;
    return stbi_write_png(path.c_str(), static_cast<int>(image.width),
                          static_cast<int>(image.height), 3, image.pixels.data(),
                          static_cast<int>(image.width * 3)) != 0;
}

std::vector<uint8_t> EncodePng(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb,
                               bool upsideDown) {
    const size_t row = size_t{width} * 3;
    if (width == 0 || height == 0 || rgb.size() < row * height) return {};
    std::vector<uint8_t> rows(rgb.begin(), rgb.begin() + static_cast<std::ptrdiff_t>(row * height));
    if (upsideDown) {
        for (uint32_t y = 0; y < height; ++y)
            std::copy_n(rgb.begin() + static_cast<std::ptrdiff_t>(row * (height - 1 - y)), row,
                        rows.begin() + static_cast<std::ptrdiff_t>(row * y));
    }
    std::vector<uint8_t> png;
    const auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    if (!stbi_write_png_to_func(append, &png, static_cast<int>(width), static_cast<int>(height), 3, rows.data(),
                                static_cast<int>(row)))
        return {};
    return png;
}

}  // namespace korvan::peer

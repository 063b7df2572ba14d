#include "model/image_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

namespace hostsim {

namespace {

size_t PaddedRow(int width, int bitsPerPixel) {
    return ((static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel) / 8) + 3) & ~size_t{3};
}

std::string LowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

}  // namespace

std::optional<ImagePixels> LoadImageFile(const std::string& path) {
    int width = 0, height = 0, channels = 0;
    if (!stbi_info(path.c_str(), &width, &height, &channels)) return std::nullopt;
    // Grey and grey+alpha files come back as RGB or RGBA like every other file.
    const bool alpha = channels == 2 || channels == 4;
    const int wanted = alpha ? 4 : 3;
    stbi_uc* rgba = stbi_load(path.c_str(), &width, &height, &channels, wanted);
    if (!rgba) return std::nullopt;

    ImagePixels out;
    out.pixelWidth = width;
    out.pixelHeight = height;
    out.bitsPerPixel = wanted * 8;
    const size_t row = PaddedRow(width, out.bitsPerPixel);
    out.pixels.assign(row * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const stbi_uc* src = rgba + static_cast<size_t>(y) * static_cast<size_t>(width) * wanted;
        uint8_t* dst = out.pixels.data() + static_cast<size_t>(y) * row;
        for (int x = 0; x < width; ++x, src += wanted, dst += wanted) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            if (alpha) dst[3] = src[3];
        }
    }
    stbi_image_free(rgba);
    return out;
}

bool WriteImageFile(const std::string& path, const Texture& texture) {
    const int width = texture.pixelWidth, height = texture.pixelHeight;
    const int channels = texture.bitsPerPixel / 8;
    if (width <= 0 || height <= 0 || (channels != 3 && channels != 4)) return false;
    const size_t row = texture.RowBytes();
    if (texture.pixels.size() < row * static_cast<size_t>(height)) return false;

    // stb writes packed RGB(A) rows.
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(channels));
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = texture.pixels.data() + static_cast<size_t>(y) * row;
        uint8_t* dst = rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * static_cast<size_t>(channels);
        for (int x = 0; x < width; ++x, src += channels, dst += channels) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            if (channels == 4) dst[3] = src[3];
        }
    }

    const std::string ext = LowerExtension(path);
    if (ext == ".png") return stbi_write_png(path.c_str(), width, height, channels, rgb.data(), width * channels) != 0;
    if (ext == ".jpg" || ext == ".jpeg") return stbi_write_jpg(path.c_str(), width, height, channels, rgb.data(), 95) != 0;
    if (ext == ".bmp") return stbi_write_bmp(path.c_str(), width, height, channels, rgb.data()) != 0;
    return false;
}

}  // namespace hostsim

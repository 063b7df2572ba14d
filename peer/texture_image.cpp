#include "peer/texture_image.h"

#include <stb/stb_image.h>

#include <cmath>
#include <cstring>

namespace korvan::peer {

namespace {

std::shared_ptr<const TextureImage> FromPixels(stbi_uc* pixels, int width, int height,
                                               std::string* error) {
    if (pixels == nullptr) {
        *error = stbi_failure_reason() ? stbi_failure_reason() : "not a picture";
        return nullptr;
    }
    auto image = std::make_shared<TextureImage>();
    image->width = static_cast<uint32_t>(width);
    image->height = static_cast<uint32_t>(height);
    image->rgb.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    stbi_image_free(pixels);
    return image;
}

uint32_t U32(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}
uint16_t U16(const std::vector<uint8_t>& bytes, size_t offset) {
    uint16_t value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// Why the header does not describe the bytes, or empty.
std::string BmpHeaderFault(const std::vector<uint8_t>& bytes) {
    constexpr size_t kHeader = 54;
    if (bytes.size() < kHeader) return "texture image of " + std::to_string(bytes.size()) + " bytes has no BMP header";
    if (bytes[0] != 'B' || bytes[1] != 'M') return "texture image does not start with \"BM\"";
    const uint32_t fileSize = U32(bytes, 2), pixelOffset = U32(bytes, 10), infoSize = U32(bytes, 14);
    const int32_t width = static_cast<int32_t>(U32(bytes, 18)), height = static_cast<int32_t>(U32(bytes, 22));
    const uint16_t bits = U16(bytes, 28);
    const uint32_t pixelBytes = U32(bytes, 34);
    if (pixelOffset != kHeader || infoSize != 40) return "texture image header is not the 54-byte BMP header";
    if (fileSize > bytes.size()) return "texture image says " + std::to_string(fileSize) + " bytes but its section holds " + std::to_string(bytes.size());
    if (width <= 0 || height >= 0) return "texture image is not " "top-down with a positive width";
    if (bits != 24 && bits != 32) return "texture image has " + std::to_string(bits) + " bits per pixel";
    const uint64_t row = (static_cast<uint64_t>(width) * (bits / 8) + 3) / 4 * 4;
    if (row * static_cast<uint64_t>(-static_cast<int64_t>(height)) > pixelBytes || pixelBytes + kHeader != fileSize)
        return "texture image pixels do not fit its declared sizes";
    return "";
}

}  // namespace

std::array<double, 3> TextureImage::Sample(double u, double v) const {
    if (width == 0 || height == 0 || !std::isfinite(u) || !std::isfinite(v)) return {255, 255, 255};
    const double s = u - std::floor(u), t = v - std::floor(v);
    const uint32_t x = std::min(width - 1, static_cast<uint32_t>(s * width));
    const uint32_t y = height - 1 - std::min(height - 1, static_cast<uint32_t>(t * height));
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return {static_cast<double>(p[0]), static_cast<double>(p[1]), static_cast<double>(p[2])};
}

std::shared_ptr<const TextureImage> LoadTextureFile(const std::string& path, std::string* error) {
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, 3);
    return FromPixels(pixels, width, height, error);
}

std::shared_ptr<const TextureImage> DecodeTextureBmp(const std::vector<uint8_t>& bytes,
                                                     std::string* error) {
    *error = BmpHeaderFault(bytes);
    if (!error->empty()) return nullptr;
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width,
                                            &height, &channels, 3);
    return FromPixels(pixels, width, height, error);
}

}  // namespace korvan::peer

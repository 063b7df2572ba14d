#include "import/texture_source.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace hostsim {

namespace fs = std::filesystem;

namespace {

std::string DecodePercents(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() &&
            std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out.push_back(static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// Exporters write texture paths every way there is: relative, absolute from another machine,
// with backslashes, as URIs, in another letter case. Try them in turn, ending with the bare
// file name beside the scene, in any case.
std::vector<fs::path> Candidates(std::string reference, const std::string& sceneDir) {
    if (reference.rfind("file://", 0) == 0) reference.erase(0, 7);
    std::string slashed = reference;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    const fs::path dir(sceneDir);
    std::vector<fs::path> out;
    for (const std::string& form : {reference, slashed, DecodePercents(slashed)}) {
        fs::path p(form);
        out.push_back(p.is_absolute() ? p : dir / p);
    }
    // "\..\textures\a.jpg" from a Windows exporter means relative to the scene.
    out.push_back(dir / slashed.substr(std::min(slashed.find_first_not_of('/'), slashed.size())));
    const std::string name = fs::path(slashed).filename().string();
    out.push_back(dir / name);
    auto lower = [](std::string t) {
        for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return t;
    };
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.empty() ? "." : dir, ec))
        if (lower(entry.path().filename().string()) == lower(name)) out.push_back(entry.path());
    return out;
}

std::string FileNameOf(const std::string& reference) {
    std::string slashed = reference;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    return fs::path(slashed).filename().string();
}

// A compressed picture held in memory: stb reads files, so it goes through a private
// temporary file.
std::optional<ImagePixels> DecodeBytes(const void* data, size_t size) {
    std::string name = (fs::temp_directory_path() / "hostsim-texture-XXXXXX").string();
    int fd = mkstemp(name.data());
    if (fd < 0) return std::nullopt;
    const auto* bytes = static_cast<const char*>(data);
    bool written = true;
    for (size_t done = 0; done < size && written;) {
        ssize_t n = write(fd, bytes + done, size - done);
        written = n > 0;
        if (written) done += static_cast<size_t>(n);
    }
    close(fd);
    std::optional<ImagePixels> image = written ? LoadImageFile(name) : std::nullopt;
    std::error_code ignored;
    fs::remove(name, ignored);
    return image;
}

std::optional<TextureImage> FromEmbedded(const aiTexture& t, const std::string& reference) {
    TextureImage out;
    std::string own = t.mFilename.length ? FileNameOf(t.mFilename.C_Str()) : std::string();
    std::string hint = t.achFormatHint[0] ? t.achFormatHint : "png";
    out.fileName =
        own.empty() ? "embedded" + reference.substr(reference[0] == '*' ? 1 : 0) + "." + hint : own;
    if (t.mHeight == 0) {
        if (!t.pcData || t.mWidth == 0) return std::nullopt;
        std::optional<ImagePixels> image = DecodeBytes(t.pcData, t.mWidth);
        if (!image) return std::nullopt;
        out.image = std::move(*image);
        return out;
    }
    // Raw texels, already blue-green-red-alpha as Texture keeps 32-bit pixels.
    if (!t.pcData) return std::nullopt;
    out.image.pixelWidth = static_cast<int>(t.mWidth);
    out.image.pixelHeight = static_cast<int>(t.mHeight);
    out.image.bitsPerPixel = 32;
    const size_t count = static_cast<size_t>(t.mWidth) * t.mHeight;
    out.image.pixels.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const aiTexel& px = t.pcData[i];
        uint8_t* dst = &out.image.pixels[i * 4];
        dst[0] = px.b;
        dst[1] = px.g;
        dst[2] = px.r;
        dst[3] = px.a;
    }
    return out;
}

}  // namespace

std::optional<TextureImage> LoadTextureImage(const aiScene& scene, const std::string& reference,
                                             const std::string& sceneDir) {
    if (reference.empty()) return std::nullopt;
    if (const aiTexture* embedded = scene.GetEmbeddedTexture(reference.c_str()))
        return FromEmbedded(*embedded, reference);
    for (const fs::path& p : Candidates(reference, sceneDir)) {
        std::error_code ec;
        if (!fs::is_regular_file(p, ec)) continue;
        if (std::optional<ImagePixels> image = LoadImageFile(p.string()))
            return TextureImage{std::move(*image), p.filename().string()};
    }
    return std::nullopt;
}

}  // namespace hostsim

#include "appearance/texture_files.h"

#include <SketchUpAPI/model/image_rep.h>
#include <SketchUpAPI/model/texture.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "appearance/material_catalogue.h"
#include "appearance/sketchup_text.h"
#include "liveconnection/wide_text.h"
#include "rubybridge/string_utilities.h"
#include "twinlink/platform.h"

namespace korvan {

namespace platform = twinlink::platform;

namespace {

// The few Ruby calls made here are looked up when made: this file also serves the catalogue's
// unit tests, which run without the plug-in's cache of Ruby ids.
VALUE Call(VALUE receiver, const char* method, int argc = 0, const VALUE* argv = nullptr) {
    return rb_funcallv(receiver, rb_intern(method), argc, argv);
}

std::u16string RubyText(VALUE value) {
    if (NIL_P(value)) return {};
    VALUE text = rb_obj_as_string(value);
    // Not RSTRING_PTR, whose Ruby 3.1 inline form calls a function SketchUp's Ruby 2.5 lacks.
    const char* bytes = rb_string_value_ptr(&text);
    return platform::Utf8ToUtf16(std::string(bytes, static_cast<size_t>(RSTRING_LEN(text))));
}

VALUE RubyString(const std::u16string& text) {
    const std::string utf8 = platform::Utf16ToUtf8(text);
    return rb_utf8_str_new(utf8.data(), static_cast<long>(utf8.size()));
}

void PutU16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Both separators become the platform's own.
std::u16string NativeSeparators(std::u16string path) {
    for (char16_t& unit : path)
        if (unit == u'/' || unit == u'\\') unit = platform::PathSeparator();
    return path;
}

// SketchUp keeps the texture's own pixel calls (deprecated in favour of image reps) because they
// give the pixels as stored, rows unpadded, which is what the written BMP files declare.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
SUResult TexturePixelSize(SUTextureRef texture, size_t* byteCount, size_t* bitsPerPixel) {
    return SUTextureGetImageDataSize(texture, byteCount, bitsPerPixel);
}
SUResult TexturePixels(SUTextureRef texture, size_t byteCount, uint8_t* pixels) {
    return SUTextureGetImageData(texture, byteCount, pixels);
}
#pragma GCC diagnostic pop

struct TextureSize {
    size_t width = 1, height = 1;
    double sScale = 1.0, tScale = 1.0;
};

TextureSize Dimensions(SUTextureRef texture) {
    TextureSize size;
    SUTextureGetDimensions(texture, &size.width, &size.height, &size.sScale, &size.tScale);
    return size;
}

bool EndsInImageExtension(const std::u16string& name) {
    return name.rfind(u".jpg") != std::u16string::npos || name.rfind(u".png") != std::u16string::npos;
}

// A 32-bit texture larger than 256 x 256 that only the C API can give: its pixels as a BMP file.
void WriteBmpFile(const std::u16string& path, SUTextureRef texture, const TextureSize& size,
                  size_t byteCount) {
    std::vector<uint8_t> image(kBmpHeaderSize + byteCount);
    WriteBmpHeader(image.data(), static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height), 32,
                   static_cast<uint32_t>(byteCount));
    if (TexturePixels(texture, byteCount, image.data() + kBmpHeaderSize) != SU_ERROR_NONE) return;
    platform::WriteFile(path, image.data(), image.size());
}

}  // namespace

void WriteBmpHeader(uint8_t* header, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                    uint32_t pixelBytes) {
    std::memset(header, 0, kBmpHeaderSize);
    header[0] = 'B';
    header[1] = 'M';
    PutU32(header + 2, pixelBytes + kBmpHeaderSize);
    std::memcpy(header + 6, "TWBM", 4);
    PutU32(header + 10, kBmpHeaderSize);
    PutU32(header + 14, 40);
    PutU32(header + 18, width);
    PutU32(header + 22, static_cast<uint32_t>(-static_cast<int32_t>(height)));  // rows top-down
    PutU16(header + 26, 1);
    PutU16(header + 28, static_cast<uint16_t>(bitsPerPixel));
    PutU32(header + 34, pixelBytes);
}

void CaptureTextureInMemory(MaterialCatalogue& catalogue, MaterialEntry& entry,
                            SUTextureRef texture) {
    const TextureSize size = Dimensions(texture);
    if (size.width == 0 || size.height == 0) {
        entry.texture = SU_INVALID;
        return;
    }
    SUImageRepRef rep = SU_INVALID;
    if (SUImageRepCreate(&rep) != SU_ERROR_NONE) return;
    if (SUTextureGetImageRep(texture, &rep) == SU_ERROR_NONE) {
        size_t byteCount = 0, bitsPerPixel = 0;
        SUImageRepGetDataSize(rep, &byteCount, &bitsPerPixel);
        std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[kBmpHeaderSize + byteCount]);
        if (image && SUImageRepGetData(rep, byteCount, image.get() + kBmpHeaderSize) == SU_ERROR_NONE) {
            WriteBmpHeader(image.get(), static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height),
                           static_cast<uint32_t>(bitsPerPixel), static_cast<uint32_t>(byteCount));
            entry.textureImage = std::move(image);
            entry.textureImageSize = static_cast<uint32_t>(kBmpHeaderSize + byteCount);
            entry.TextureStamp = ++catalogue.memoryTextureCounter;
            entry.textureUScale = static_cast<float>(size.sScale);
            entry.textureVScale = static_cast<float>(size.tScale);
        }
    }
    SUImageRepRelease(&rep);
}

void ExportTextureFile(MaterialCatalogue& catalogue, MaterialEntry& entry, VALUE material,
                       SUTextureRef texture, bool force) {
    const VALUE rubyTexture = NIL_P(material) ? Qnil : Call(material, "texture");
    const TextureSize size = Dimensions(texture);
    if (size.width == 0 || size.height == 0) return;
    size_t byteCount = 0, bitsPerPixel = 0;
    TexturePixelSize(texture, &byteCount, &bitsPerPixel);
    const bool deep = bitsPerPixel == 32;

    const std::u16string name = TwinLinkAPI::ToLower(TextureSourceName(catalogue, material, texture));
    entry.ownsTextureFile = false;
    entry.textureChanged = true;
    entry.texture = texture;
    entry.texturePath = name;
    entry.textureUScale = static_cast<float>(size.sScale);
    entry.textureVScale = static_cast<float>(size.tScale);
    // Korvan reads a source file that is still there itself.
    const bool useSource = platform::FileExists(name) && !force;

    if (!useSource && !NIL_P(rubyTexture)) {
        const char16_t* extension = nullptr;
        if (name.empty() || !EndsInImageExtension(name)) extension = deep ? u"png" : u"jpg";
        entry.texturePath = TextureFilePath(catalogue, entry, name, extension);
        const VALUE arguments[2] = {RubyString(entry.texturePath), Qtrue};  // with colorization
        Call(rubyTexture, "write", 2, arguments);
        entry.ownsTextureFile = true;
    } else if (!useSource && deep && (size.width > 256 || size.height > 256)) {
        entry.texturePath = TextureFilePath(catalogue, entry, name, u"bmp");
        WriteBmpFile(entry.texturePath, texture, size, byteCount);
        entry.ownsTextureFile = true;
    } else if (!useSource) {
        entry.texturePath = TextureFilePath(catalogue, entry, name, deep ? u"png" : u"jpg");
        SUTextureWriteToFile(texture, platform::Utf16ToUtf8(entry.texturePath).c_str());
        entry.ownsTextureFile = true;
    }

    // Whatever was meant to be there, only a file that exists is sent. A copy that could not be
    // written (no room for the folder, a name too long for the file system) is said once, and
    // the material goes without its picture.
    if (!platform::FileExists(entry.texturePath)) {
        if (entry.ownsTextureFile && !entry.texturePath.empty())
            platform::OutputDebugString(FormatWide(
                u"Korvan TwinLink: the texture of material \"%s\" could not be written to \"%s\"; it "
                u"is sent without its picture.\n",
                entry.name.c_str(), entry.texturePath.c_str()));
        entry.texturePath.clear();
    }
    if (!entry.texturePath.empty())
        entry.TextureStamp = platform::GetFileLastWriteTime(entry.texturePath).value_or(0);
}

std::u16string TextureSourceName(const MaterialCatalogue& catalogue, VALUE material,
                                 SUTextureRef texture) {
    const VALUE rubyTexture = NIL_P(material) ? Qnil : Call(material, "texture");
    const VALUE fileName = NIL_P(rubyTexture) ? Qnil : Call(rubyTexture, "filename");
    if (!NIL_P(fileName)) {
        std::u16string name = NativeSeparators(RubyText(fileName));
        const std::u16string& temp = catalogue.tempPath;
        if (!temp.empty() && name.find(temp) == 0) name.erase(0, temp.size());
        return name;
    }
    if (texture.ptr == nullptr) return {};
    return ReadSketchUpText([&](SUStringRef* text) { return SUTextureGetFileName(texture, text); });
}

std::u16string TextureFilePath(MaterialCatalogue& catalogue, const MaterialEntry& entry,
                               const std::u16string& name, const char16_t* extension) {
    if (catalogue.textureFolder.empty()) EnsureTextureFolder(catalogue);
    const size_t separator = name.find_last_of(u"/\\");
    std::u16string base = separator == std::u16string::npos ? name : name.substr(separator + 1);
    const char16_t slash[2] = {platform::PathSeparator(), 0};
    if (!base.empty()) {
        if (extension) base = base.substr(0, base.rfind(u'.')) + u"." + extension;
        return FormatWide(u"%s%s%d_%s", catalogue.textureFolder.c_str(), slash,
                          static_cast<int32_t>(entry.id), base.c_str());
    }
    std::u16string cleaned = entry.name;
    return FormatWide(u"%s%s%d_%s.%s", catalogue.textureFolder.c_str(), slash,
                      static_cast<int32_t>(entry.id), SanitizeName(cleaned).c_str(),
                      extension ? extension : u"jpg");
}

void EnsureTextureFolder(MaterialCatalogue& catalogue) {
    std::u16string folder, stem;
    if (!NIL_P(catalogue.model)) {
        const VALUE path = Call(catalogue.model, "path");
        const VALUE dirname = rb_funcall(rb_cFile, rb_intern("dirname"), 1, path);
        const VALUE basename = rb_funcall(rb_cFile, rb_intern("basename"), 2, path, rb_str_new_cstr(".*"));
        folder = RubyText(dirname);
        stem = RubyText(basename);
    } else {
        folder = u".";
    }
    const char16_t slash[2] = {platform::PathSeparator(), 0};
    catalogue.textureFolder = FormatWide(u"%s%s%s_Textures", folder.c_str(), slash, stem.c_str());
    if (!platform::DirectoryExists(catalogue.textureFolder)) platform::CreateDirectory(catalogue.textureFolder);
}

}  // namespace korvan

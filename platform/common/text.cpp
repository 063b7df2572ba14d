#include "text.h"

#include <cstdint>

#include "twinlink/platform.h"

namespace twinlink::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

// One code point from `in` at `i`, advancing `i`; nothing valid gives U+FFFD and consumes the
// longest prefix that could have started a valid sequence (at least one byte).
char32_t NextCodePoint(std::string_view in, size_t& i, Surrogates lone) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(in[k]); };
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    size_t k = 1;
    for (; k < length && i + k < in.size() && (byte(i + k) & 0xC0) == 0x80; ++k) {
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (k < length) {
        i += k;
        return kReplacement;
    }
    i += length;
    if (c < minimum || c > 0x10FFFF) return kReplacement;
    if ((IsHighSurrogate(c) || IsLowSurrogate(c)) && lone == Surrogates::Replace)
        return kReplacement;
    return c;
}

}  // namespace

std::string EncodeUtf8(std::u16string_view utf16, Surrogates lone) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (IsHighSurrogate(c) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if ((IsHighSurrogate(c) || IsLowSurrogate(c)) && lone == Surrogates::Replace) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string DecodeUtf8(std::string_view utf8, Surrogates lone) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) AppendUtf16(out, NextCodePoint(utf8, i, lone));
    return out;
}

std::u16string Utf8ToUtf16(const std::string& utf8) {
    return DecodeUtf8(utf8, Surrogates::Replace);
}

std::string Utf16ToUtf8(const std::u16string& utf16) {
    return EncodeUtf8(utf16, Surrogates::Replace);
}

}  // namespace twinlink::platform

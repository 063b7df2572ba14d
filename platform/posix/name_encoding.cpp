#include "name_encoding.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>

#include "text.h"

namespace twinlink::platform::posix {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsKept(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is never written, so it is not read either
}

void AppendEscape(std::string& out, unsigned char c) {
    out += '%';
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 0xF];
}

// FNV-1a over the bytes, from a given starting value; two passes with different starts and
// directions give the 128 bits of ShortenedFileName.
uint64_t Fnv1a(std::string_view bytes, uint64_t state, bool backwards) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = bytes[backwards ? bytes.size() - 1 - i : i];
        state = (state ^ c) * 0x100000001B3ull;
    }
    return state;
}

}  // namespace

std::string PercentEncode(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsKept(c)) {
            out += ch;
        } else {
            AppendEscape(out, c);
        }
    }
    return out;
}

std::optional<std::string> PercentDecode(std::string_view encoded) {
    std::string out;
    out.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size(); ++i) {
        const auto c = static_cast<unsigned char>(encoded[i]);
        if (IsKept(c)) {
            out += encoded[i];
            continue;
        }
        if (c != '%' || i + 2 >= encoded.size()) return std::nullopt;
        const int high = HexValue(encoded[i + 1]);
        const int low = HexValue(encoded[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string EncodeName(std::u16string_view name) {
    if (name.empty()) return "@";
    std::string out = PercentEncode(EncodeUtf8(name, Surrogates::Keep));
    if (out[0] == '.') out.replace(0, 1, "%2E");
    return out;
}

std::optional<std::u16string> DecodeName(std::string_view fileName) {
    if (fileName == "@") return std::u16string();
    if (fileName.empty() || fileName[0] == '.') return std::nullopt;
    const std::optional<std::string> bytes = PercentDecode(fileName);
    if (!bytes) return std::nullopt;
    std::u16string name = DecodeUtf8(*bytes, Surrogates::Keep);
    // Only the one spelling EncodeName writes belongs to a name ("%41" is not "A").
    if (EncodeName(name) != fileName) return std::nullopt;
    return name;
}

std::string ShortenedFileName(std::string_view encodedName) {
    constexpr size_t kKept = kMaxFileName - 1 - 32;
    size_t kept = std::min(kKept, encodedName.size());
    // Do not cut an escape in two, so the kept part still reads as the start of the name.
    if (kept >= 1 && encodedName[kept - 1] == '%')
        kept -= 1;
    else if (kept >= 2 && encodedName[kept - 2] == '%')
        kept -= 2;
    char digest[33];
    std::snprintf(digest, sizeof digest, "%016llx%016llx",
                  static_cast<unsigned long long>(Fnv1a(encodedName, 0xCBF29CE484222325ull, false)),
                  static_cast<unsigned long long>(Fnv1a(encodedName, 0x84222325CBF29CE4ull, true)));
    return std::string(encodedName.substr(0, kept)) + "~" + digest;
}

std::string TemporaryFileName() {
    static std::atomic<uint64_t> counter{0};
    return "#" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

}  // namespace twinlink::platform::posix

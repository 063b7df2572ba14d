#include "peer/base64.h"

namespace korvan::peer {

std::string Base64(const std::vector<uint8_t>& bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t group = uint32_t{bytes[i]} << 16 | uint32_t{bytes[i + 1]} << 8 | bytes[i + 2];
        text += kDigits[group >> 18];
        text += kDigits[(group >> 12) & 63];
        text += kDigits[(group >> 6) & 63];
        text += kDigits[group & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const uint32_t group = uint32_t{bytes[i]} << 16 | (two ? uint32_t{bytes[i + 1]} << 8 : 0);
        text += kDigits[group >> 18];
        text += kDigits[(group >> 12) & 63];
        text += two ? kDigits[(group >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

}  // namespace korvan::peer

#include "liveconnection/wide_text.h"

namespace TwinLinkAPI {

char16_t ToUpperUnit(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - (u'a' - u'A')) : unit;
}

std::u16string ToUpper(std::u16string_view text) {
    std::u16string upper(text);
    for (char16_t& unit : upper) unit = ToUpperUnit(unit);
    return upper;
}

std::u16string ToLower(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& unit : lower)
        if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + (u'a' - u'A'));
    return lower;
}

bool ContainsNoCase(std::u16string_view haystack, std::u16string_view needle) {
    return ToUpper(haystack).find(ToUpper(needle)) != std::u16string::npos;
}

namespace {

void AppendEscapedByte(std::u16string& out, unsigned byte) {
    static constexpr char16_t kHexDigits[] = u"0123456789abcdef";
    out += u'%';
    out += kHexDigits[(byte >> 4) & 0xF];
    out += kHexDigits[byte & 0xF];
}

bool IsAsciiAlphanumeric(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') ||
           (unit >= u'0' && unit <= u'9');
}

}  // namespace

std::u16string PercentEncode(std::u16string_view text) {
    std::u16string encoded;
    encoded.reserve(text.size() * 3);
    for (char16_t unit : text) {
        const unsigned c = unit;
        if (IsAsciiAlphanumeric(unit)) {
            encoded += unit;
        } else if (c < 0x80) {
            AppendEscapedByte(encoded, c);
        } else if (c < 0x800) {
            AppendEscapedByte(encoded, 0xC0 | (c >> 6));
            AppendEscapedByte(encoded, 0x80 | (c & 0x3F));
        } else {
            AppendEscapedByte(encoded, 0xE0 | (c >> 12));
            AppendEscapedByte(encoded, 0x80 | ((c >> 6) & 0x3F));
            AppendEscapedByte(encoded, 0x80 | (c & 0x3F));
        }
    }
    return encoded;
}

std::u16string WidenAscii(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace TwinLinkAPI

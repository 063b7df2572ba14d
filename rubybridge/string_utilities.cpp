#include "rubybridge/string_utilities.h"

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace korvan {

namespace {

enum class Length { None, Char, Short, Long, LongLong, Size, Max, PtrDiff, LongDouble };

struct Conversion {
    std::string directive;  // the narrow printf directive without the length modifier, "%-08"
    bool leftAlign = false;
    int width = -1;      // -1: none
    int precision = -1;  // -1: none
    Length length = Length::None;
    char kind = 0;
};

bool IsFlag(char16_t c) {
    return c == u'-' || c == u'+' || c == u' ' || c == u'#' || c == u'0';
}
bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Reads a decimal number or '*' (taken from the arguments); appends what it read to the directive.
int ReadCount(const char16_t*& p, va_list& args, std::string& directive) {
    if (*p == u'*') {
        ++p;
        const int value = va_arg(args, int);
        directive += std::to_string(value);
        return value;
    }
    int value = 0;
    while (IsDigit(*p)) {
        value = value * 10 + (*p - u'0');
        directive += static_cast<char>(*p);
        ++p;
    }
    return value;
}

Length ReadLength(const char16_t*& p) {
    switch (*p) {
        case u'h':
            ++p;
            if (*p == u'h') return ++p, Length::Char;
            return Length::Short;
        case u'l':
            ++p;
            if (*p == u'l') return ++p, Length::LongLong;
            return Length::Long;
        case u'z':
            return ++p, Length::Size;
        case u'j':
            return ++p, Length::Max;
        case u't':
            return ++p, Length::PtrDiff;
        case u'L':
            return ++p, Length::LongDouble;
        default:
            return Length::None;
    }
}

template <typename T>
void AppendPrinted(std::u16string& out, const std::string& directive, T value) {
    char buffer[512];
    const int written = std::snprintf(buffer, sizeof buffer, directive.c_str(), value);
    if (written <= 0) return;
    const size_t length = std::min(static_cast<size_t>(written), sizeof buffer - 1);
    out.append(buffer, buffer + length);
}

void AppendSigned(std::u16string& out, std::string directive, Length length, va_list& args) {
    switch (length) {
        case Length::Long:
            AppendPrinted(out, directive.insert(directive.size() - 1, "l"), va_arg(args, long));
            break;
        case Length::LongLong:
            AppendPrinted(out, directive.insert(directive.size() - 1, "ll"), va_arg(args, long long));
            break;
        case Length::Size:
        case Length::PtrDiff:
            AppendPrinted(out, directive.insert(directive.size() - 1, "t"), va_arg(args, ptrdiff_t));
            break;
        case Length::Max:
            AppendPrinted(out, directive.insert(directive.size() - 1, "j"), va_arg(args, intmax_t));
            break;
        case Length::Char:
            AppendPrinted(out, directive, static_cast<int>(static_cast<signed char>(va_arg(args, int))));
            break;
        case Length::Short:
            AppendPrinted(out, directive, static_cast<int>(static_cast<short>(va_arg(args, int))));
            break;
        default:
            AppendPrinted(out, directive, va_arg(args, int));
            break;
    }
}

void AppendUnsigned(std::u16string& out, std::string directive, Length length, va_list& args) {
    switch (length) {
        case Length::Long:
            AppendPrinted(out, directive.insert(directive.size() - 1, "l"), va_arg(args, unsigned long));
            break;
        case Length::LongLong:
            AppendPrinted(out, directive.insert(directive.size() - 1, "ll"),
                          va_arg(args, unsigned long long));
            break;
        case Length::Size:
        case Length::PtrDiff:
            AppendPrinted(out, directive.insert(directive.size() - 1, "z"), va_arg(args, size_t));
            break;
        case Length::Max:
            AppendPrinted(out, directive.insert(directive.size() - 1, "j"), va_arg(args, uintmax_t));
            break;
        case Length::Char:
            AppendPrinted(
                out, directive,
                static_cast<unsigned>(static_cast<unsigned char>(va_arg(args, unsigned))));
            break;
        case Length::Short:
            AppendPrinted(
                out, directive,
                static_cast<unsigned>(static_cast<unsigned short>(va_arg(args, unsigned))));
            break;
        default:
            AppendPrinted(out, directive, va_arg(args, unsigned));
            break;
    }
}

// Appends `units` padded to the conversion's width (spaces, on the left unless '-').
void AppendPadded(std::u16string& out, std::u16string_view units, const Conversion& c) {
    const size_t width = c.width > 0 ? static_cast<size_t>(c.width) : 0;
    const size_t padding = width > units.size() ? width - units.size() : 0;
    if (!c.leftAlign) out.append(padding, u' ');
    out.append(units);
    if (c.leftAlign) out.append(padding, u' ');
}

}  // namespace

std::u16string FormatWide(const char16_t* format, ...) {
    std::u16string out;
    if (!format) return out;
    va_list args;
    va_start(args, format);
    for (const char16_t* p = format; *p;) {
        if (*p != u'%') {
            out += *p++;
            continue;
        }
        ++p;
        if (*p == u'%') {
            out += *p++;
            continue;
        }
        Conversion c;
        c.directive = "%";
        while (IsFlag(*p)) {
            if (*p == u'-') c.leftAlign = true;
            c.directive += static_cast<char>(*p++);
        }
        if (IsDigit(*p) || *p == u'*') {
            c.width = ReadCount(p, args, c.directive);
            if (c.width < 0) c.leftAlign = true, c.width = -c.width;
        }
        if (*p == u'.') {
            c.directive += '.';
            ++p;
            c.precision = ReadCount(p, args, c.directive);
        }
        c.length = ReadLength(p);
        if (!*p) break;
        c.kind = static_cast<char>(*p++);
        c.directive += c.kind;
        switch (c.kind) {
            case 's': {
                const char16_t* text = va_arg(args, const char16_t*);
                std::u16string_view units =
                    text ? std::u16string_view(text) : std::u16string_view(u"(null)");
                if (c.precision >= 0 && units.size() > static_cast<size_t>(c.precision)) {
                    units = units.substr(0, static_cast<size_t>(c.precision));
                }
                AppendPadded(out, units, c);
                break;
            }
            case 'c': {
                const char16_t unit = static_cast<char16_t>(va_arg(args, unsigned));
                AppendPadded(out, std::u16string_view(&unit, 1), c);
                break;
            }
            case 'd':
            case 'i':
                AppendSigned(out, c.directive, c.length, args);
                break;
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                AppendUnsigned(out, c.directive, c.length, args);
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                if (c.length == Length::LongDouble) {
                    AppendPrinted(out, c.directive.insert(c.directive.size() - 1, "L"),
                                  va_arg(args, long double));
                } else {
                    AppendPrinted(out, c.directive, va_arg(args, double));
                }
                break;
            default:
                // Not a conversion these formats use: kept as it stands.
                out.append(c.directive.begin(), c.directive.end());
                break;
        }
    }
    va_end(args);
    return out;
}

std::u16string SanitizeName(std::u16string& text) {
    // By Unicode, so "Küche" keeps its "ü".
    for (char16_t& unit : text)
        if (!twinlink::platform::IsAlphanumericOrSpace(unit)) unit = u'_';
    return text;
}

uint64_t HashPath(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    uint8_t hash[8] = {};
    twinlink::platform::HashData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), hash,
                                 sizeof hash);
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | hash[i];
    return value;
}

std::u16string_view FileNameOf(std::u16string_view path) {
    const size_t separator = path.find_last_of(twinlink::platform::PathSeparator());
    return separator == std::u16string_view::npos ? path : path.substr(separator + 1);
}

}  // namespace korvan

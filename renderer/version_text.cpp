#include "renderer/version_text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace korvan {

namespace {

// As "%d.%d.%d.%d" reads it: the numbers up to the first part that does not parse, then zeros.
std::array<int64_t, 4> VersionNumbers(std::u16string_view text) {
    std::array<int64_t, 4> numbers{};
    size_t at = 0;
    for (size_t part = 0; part < numbers.size(); ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != u'.') break;
            ++at;
        }
        const size_t start = at;
        // A number too large for an int stays at the largest one.
        while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
            numbers[part] = std::min<int64_t>(numbers[part] * 10 + (text[at] - u'0'), INT32_MAX);
            ++at;
        }
        if (at == start) break;
    }
    return numbers;
}

}  // namespace

int CompareVersions(std::u16string_view a, std::u16string_view b) {
    const std::array<int64_t, 4> x = VersionNumbers(a), y = VersionNumbers(b);
    for (size_t i = 0; i < x.size(); ++i) {
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    }
    return 0;
}

std::u16string DigitsAndDots(std::u16string_view text) {
    std::u16string kept;
    for (char16_t unit : text)
        if ((unit >= u'0' && unit <= u'9') || unit == u'.') kept += unit;
    return kept;
}

}  // namespace korvan

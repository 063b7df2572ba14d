#include "appearance/sketchup_text.h"

#include <vector>

namespace korvan {

std::u16string SketchUpStringToWide(SUStringRef text) {
    size_t length = 0;
    if (SUStringGetUTF16Length(text, &length) != SU_ERROR_NONE || length == 0) return {};
    // unichar is wchar_t on Windows and a 16-bit integer elsewhere; both hold UTF-16 units.
    std::vector<unichar> units(length + 1);
    size_t copied = 0;
    if (SUStringGetUTF16(text, units.size(), units.data(), &copied) != SU_ERROR_NONE) return {};
    if (copied > length) copied = length;
    return std::u16string(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(copied));
}

}  // namespace korvan

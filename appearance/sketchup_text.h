// Texts that the SketchUp C API hands out through an SUStringRef, as UTF-16.
#pragma once

#include <SketchUpAPI/unicodestring.h>

#include <string>

namespace korvan {

// Calls `read` with a fresh SketchUp string and returns what it left there; empty when the
// string cannot be made or the read fails.
template <typename Read>
std::u16string ReadSketchUpText(Read read);

// The string's text; empty for an invalid string.
std::u16string SketchUpStringToWide(SUStringRef text);

template <typename Read>
std::u16string ReadSketchUpText(Read read) {
    SUStringRef text = SU_INVALID;
    if (SUStringCreate(&text) != SU_ERROR_NONE) return {};
    std::u16string result;
    if (read(&text) == SU_ERROR_NONE) result = SketchUpStringToWide(text);
    SUStringRelease(&text);
    return result;
}

}  // namespace korvan

// Text helpers that the plug-in's subsystems share. Inside the plug-in text is UTF-16; these
// are pure functions, safe on any thread. The UTF-8 conversions are the platform's, named here
// too so that the plug-in's code finds them with the rest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "twinlink/platform.h"

namespace korvan {

using twinlink::platform::Utf16ToUtf8;
using twinlink::platform::Utf8ToUtf16;

// printf-style formatting into a new UTF-16 string. In these formats %s (and %ls) take a
// UTF-16 string (const char16_t*); %c takes one UTF-16 unit; the integer conversions d, i, u, x,
// X and o with the length modifiers hh, h, l, ll, z, j and t, and the floating conversions f,
// e, g and a, take what printf takes. Flags, width and precision apply as in printf, counted
// in UTF-16 units for %s.
std::u16string FormatWide(const char16_t* format, ...);

// Replaces, in `text` itself, every unit that is neither alphanumeric nor white space (in the
// C locale's classification) with '_', and returns a copy of the result. Used to turn material
// names into file names.
std::u16string SanitizeName(std::u16string& text);

// shlwapi's HashData over the UTF-16LE bytes of `text` (no terminator), 8 bytes read as a
// little-endian number. Identifies a model file by its path, equal on every machine.
uint64_t HashPath(std::u16string_view text);

// The part of `path` after its last separator; the whole path when it has none.
std::u16string_view FileNameOf(std::u16string_view path);

}  // namespace korvan

// Small UTF-16 text utilities shared by the plug-in's subsystems. They are pure functions and
// safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace TwinLinkAPI {

// Upper-cases the ASCII letters and leaves every other unit alone, as the C runtime's towupper
// does in its default locale.
char16_t ToUpperUnit(char16_t unit);
std::u16string ToUpper(std::u16string_view text);
// Lower-cases the ASCII letters only, as towlower does in the default locale.
std::u16string ToLower(std::u16string_view text);

// True when `needle` occurs in `haystack`, comparing units after ToUpperUnit. An empty needle is
// always found.
bool ContainsNoCase(std::u16string_view haystack, std::u16string_view needle);

// URL-style encoding: ASCII letters and digits stay, every other unit is written as the bytes of
// its UTF-8 form (surrogates one unit at a time), each as "%" and two lower-case hex digits.
std::u16string PercentEncode(std::u16string_view text);

// Widens pure ASCII text (numbers, fixed names) without a round trip through UTF-8.
std::u16string WidenAscii(std::string_view ascii);

}  // namespace TwinLinkAPI

// UTF-8 <-> UTF-16 conversion. Windows-side code speaks UTF-16 and Ruby speaks UTF-8;
// malformed input becomes U+FFFD instead of failing, as a window would show it.
#pragma once

#include <string>
#include <string_view>

namespace hostsim {

std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

}  // namespace hostsim

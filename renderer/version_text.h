// Korvan's version texts: decimal numbers separated by dots, as window titles and the uninstall
// registry give them.
#pragma once

#include <string>
#include <string_view>

namespace korvan {

// The oldest Korvan that reads what this plug-in writes.
inline constexpr char16_t kMinimumRendererVersion[] = u"8.3";

// -1, 0 or 1 as a is older than, the same as or newer than b, by their first four numbers
// ("8.3" equals "8.3.0.0"; a part that is not a number ends the text).
int CompareVersions(std::u16string_view a, std::u16string_view b);

// The text with everything but the digits 0 to 9 and dots taken out ("Korvan 9 - House" gives
// "9"): every digit and dot counts, wherever it stands.
std::u16string DigitsAndDots(std::u16string_view text);

}  // namespace korvan

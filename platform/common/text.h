// UTF-8 <-> UTF-16 conversion for the layer's own use, the same on every platform (plain code,
// no system calls). The public Utf8ToUtf16/Utf16ToUtf8
// replace what they cannot convert with U+FFFD; names that become file names must survive the
// round trip, so they use the lossless form that keeps an unpaired surrogate as its own
// three-byte sequence (the generalised UTF-8 known as WTF-8).
#pragma once

#include <string>
#include <string_view>

namespace twinlink::platform {

enum class Surrogates { Replace, Keep };

std::string EncodeUtf8(std::u16string_view utf16, Surrogates lone);
std::u16string DecodeUtf8(std::string_view utf8, Surrogates lone);

}  // namespace twinlink::platform

// OutputDebugStringW goes to stderr, where a person running the host sees it.
#include <cstdio>
#include <string>

#include "twinlink/platform.h"

namespace twinlink::platform {

void OutputDebugString(const std::u16string& text) {
    const std::string utf8 = Utf16ToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

}  // namespace twinlink::platform

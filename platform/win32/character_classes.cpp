// Windows' C runtime classifies wide characters by Unicode in its default locale; wchar_t is one
// UTF-16 unit here, as the plug-in's text is.
#include <cwctype>

#include "twinlink/platform.h"

namespace twinlink::platform {

bool IsAlphanumericOrSpace(char16_t unit) {
    const auto wide = static_cast<wint_t>(unit);
    return std::iswalnum(wide) || std::iswspace(wide);
}

}  // namespace twinlink::platform

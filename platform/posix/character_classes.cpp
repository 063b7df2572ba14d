// Windows' C runtime classifies wide characters by Unicode even in its default locale; glibc's
// default locale knows only ASCII, so its Unicode locale answers instead.
#include <locale.h>
#include <wctype.h>

#include <cwctype>

#include "twinlink/platform.h"

namespace twinlink::platform {

namespace {

locale_t UnicodeClassification() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

}  // namespace

bool IsAlphanumericOrSpace(char16_t unit) {
    const auto wide = static_cast<wint_t>(unit);
    if (const locale_t locale = UnicodeClassification())
        return iswalnum_l(wide, locale) || iswspace_l(wide, locale);
    return std::iswalnum(wide) || std::iswspace(wide);
}

}  // namespace twinlink::platform

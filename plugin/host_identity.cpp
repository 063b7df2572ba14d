#include "plugin/host_identity.h"

#include <SketchUpAPI/sketchup_info.h>

#include "rubybridge/string_utilities.h"

namespace korvan {

std::u16string HostEditionName() {
    SUEdition edition = SUEdition_Unknown;
    if (SUGetEdition(&edition) == SU_ERROR_NONE) {
        if (edition == SUEdition_Make) return u"SketchUp Make";
        if (edition == SUEdition_Pro) return u"SketchUp Pro";
    }
    return u"SketchUp";
}

std::u16string HostIdentityText() {
    SUEdition edition = SUEdition_Unknown;
    const char16_t* word = u"Unknown";
    if (SUGetEdition(&edition) == SU_ERROR_NONE) {
        if (edition == SUEdition_Make) word = u"Make";
        if (edition == SUEdition_Pro) word = u"Pro";
    }
    return FormatWide(u"Sketchup %s %s", word, HostVersion().c_str());
}

std::u16string HostVersion() {
    char version[64] = {};
    if (SUGetVersionStringUtf8(sizeof version, version) != SU_ERROR_NONE) return {};
    version[sizeof version - 1] = '\0';
    return Utf8ToUtf16(version);
}

}  // namespace korvan

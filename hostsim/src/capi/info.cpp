// The host's identity and the library's lifetime calls.
#include <cstring>

#include "capi/support.h"

using namespace hostsim;

extern "C" {

void SUInitialize(void) {}
void SUTerminate(void) {}

void SUGetAPIVersion(size_t* major, size_t* minor) {
    if (major) *major = 5;  // the API of SketchUp 2017
    if (minor) *minor = 2;
}

SUResult SUGetEdition(enum SUEdition* edition) {
    if (!edition) return SU_ERROR_NULL_POINTER_OUTPUT;
    int e = App::Instance().edition;
    if (e < 0) return SU_ERROR_GENERIC;
    *edition = e == 1 ? SUEdition_Make : e == 2 ? SUEdition_Pro : SUEdition_Unknown;
    return SU_ERROR_NONE;
}

SUResult SUGetVersionStringUtf8(size_t length, char* version) {
    if (!version) return SU_ERROR_NULL_POINTER_OUTPUT;
    const std::string& text = App::Instance().version;
    if (text.empty()) return SU_ERROR_NO_DATA;
    if (length < text.size() + 1) return SU_ERROR_INSUFFICIENT_SIZE;
    std::memcpy(version, text.c_str(), text.size() + 1);
    return SU_ERROR_NONE;
}

}  // extern "C"

// SUString: UTF-8 text owned by the caller, readable as UTF-8 or UTF-16.
#include <string>

#include "capi/support.h"
#include "common/utf16.h"

using namespace hostsim::capi;

namespace {
std::string FromUnichar(const unichar* text) {
    std::u16string wide;
    while (*text) wide.push_back(static_cast<char16_t>(*text++));
    return hostsim::Utf8FromUtf16(wide);
}
}  // namespace

namespace hostsim::capi {
SUResult SetString(SUStringRef* out, const std::string& utf8) {
    if (!out) return SU_ERROR_NULL_POINTER_OUTPUT;
    StringImpl* s = AsHandle<StringImpl>(out->ptr);
    if (!s) return SU_ERROR_INVALID_OUTPUT;
    s->utf8 = utf8;
    return SU_ERROR_NONE;
}
}  // namespace hostsim::capi

extern "C" {

SUResult SUStringCreate(SUStringRef* out) {
    if (!out) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (out->ptr) return SU_ERROR_OVERWRITE_VALID;
    out->ptr = new StringImpl();
    return SU_ERROR_NONE;
}

SUResult SUStringCreateFromUTF8(SUStringRef* out, const char* text) {
    if (!text) return SU_ERROR_NULL_POINTER_INPUT;
    SUResult r = SUStringCreate(out);
    if (r == SU_ERROR_NONE) static_cast<StringImpl*>(out->ptr)->utf8 = text;
    return r;
}

SUResult SUStringCreateFromUTF16(SUStringRef* out, const unichar* text) {
    if (!text) return SU_ERROR_NULL_POINTER_INPUT;
    SUResult r = SUStringCreate(out);
    if (r == SU_ERROR_NONE) static_cast<StringImpl*>(out->ptr)->utf8 = FromUnichar(text);
    return r;
}

SUResult SUStringRelease(SUStringRef* ref) {
    if (!ref) return SU_ERROR_NULL_POINTER_INPUT;
    StringImpl* s = AsHandle<StringImpl>(ref->ptr);
    if (!s) return SU_ERROR_INVALID_INPUT;
    delete s;
    ref->ptr = nullptr;
    return SU_ERROR_NONE;
}

SUResult SUStringGetUTF8Length(SUStringRef ref, size_t* length) {
    StringImpl* s = AsHandle<StringImpl>(ref.ptr);
    if (!s) return SU_ERROR_INVALID_INPUT;
    if (!length) return SU_ERROR_NULL_POINTER_OUTPUT;
    *length = s->utf8.size();
    return SU_ERROR_NONE;
}

SUResult SUStringGetUTF16Length(SUStringRef ref, size_t* length) {
    StringImpl* s = AsHandle<StringImpl>(ref.ptr);
    if (!s) return SU_ERROR_INVALID_INPUT;
    if (!length) return SU_ERROR_NULL_POINTER_OUTPUT;
    *length = hostsim::Utf16FromUtf8(s->utf8).size();
    return SU_ERROR_NONE;
}

SUResult SUStringSetUTF8(SUStringRef ref, const char* text) {
    StringImpl* s = AsHandle<StringImpl>(ref.ptr);
    if (!s) return SU_ERROR_INVALID_INPUT;
    if (!text) return SU_ERROR_NULL_POINTER_INPUT;
    s->utf8 = text;
    return SU_ERROR_NONE;
}

SUResult SUStringSetUTF16(SUStringRef ref, const unichar* text) {
    StringImpl* s = AsHandle<StringImpl>(ref.ptr);
    if (!s) return SU_ERROR_INVALID_INPUT;
    if (!text) return SU_ERROR_NULL_POINTER_INPUT;
    s->utf8 = FromUnichar(text);
    return SU_ERROR_NONE;
}

// The copy is cut to fit the array with its terminating zero; the count excludes the zero.
SUResult SUStringGetUTF8(SUStringRef ref, size_t len, char* out, size_t* copied) {
    StringImpl* s = AsHandle<StringImpl>(ref.ptr);
    if (!s) return SU_ERROR_INVALID_INPUT;
    if (!out || !copied) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (len == 0) {
        *copied = 0;
        return SU_ERROR_NONE;
    }
    size_t n = std::min(len - 1, s->utf8.size());
    std::copy_n(s->utf8.data(), n, out);
    out[n] = '\0';
    *copied = n;
    return SU_ERROR_NONE;
}

SUResult SUStringGetUTF16(SUStringRef ref, size_t len, unichar* out, size_t* copied) {
    StringImpl* s = AsHandle<StringImpl>(ref.ptr);
    if (!s) return SU_ERROR_INVALID_INPUT;
    if (!out || !copied) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (len == 0) {
        *copied = 0;
        return SU_ERROR_NONE;
    }
    std::u16string wide = hostsim::Utf16FromUtf8(s->utf8);
    size_t n = std::min(len - 1, wide.size());
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<unichar>(wide[i]);
    out[n] = 0;
    *copied = n;
    return SU_ERROR_NONE;
}

}  // extern "C"

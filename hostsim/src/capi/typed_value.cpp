// SUTypedValue: a value of one of the API's types, owned by the caller.
#include <cmath>

#include "capi/support.h"

using namespace hostsim;
using namespace hostsim::capi;

namespace {

// Reads a typed value of the expected type; SU_ERROR_NO_DATA when it holds another type.
template <typename Out, typename Read>
SUResult Get(SUTypedValueRef ref, SUTypedValueType want, Out* out, Read read) {
    TypedValueImpl* t = AsHandle<TypedValueImpl>(ref.ptr);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!out) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (t->type != want) return SU_ERROR_NO_DATA;
    *out = read(*t);
    return SU_ERROR_NONE;
}

template <typename Write>
SUResult Set(SUTypedValueRef ref, SUTypedValueType type, Write write) {
    TypedValueImpl* t = AsHandle<TypedValueImpl>(ref.ptr);
    if (!t) return SU_ERROR_INVALID_INPUT;
    t->type = type;
    write(*t);
    return SU_ERROR_NONE;
}

int64_t AsInteger(const TypedValueImpl& t) {
    if (auto* i = std::get_if<int64_t>(&t.value)) return *i;
    if (auto* d = std::get_if<double>(&t.value)) return static_cast<int64_t>(*d);
    return 0;
}

double AsDouble(const TypedValueImpl& t) {
    if (auto* d = std::get_if<double>(&t.value)) return *d;
    return static_cast<double>(AsInteger(t));
}

}  // namespace

extern "C" {

SUResult SUTypedValueCreate(SUTypedValueRef* value) {
    if (!value) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (value->ptr) return SU_ERROR_OVERWRITE_VALID;
    value->ptr = new TypedValueImpl();
    return SU_ERROR_NONE;
}

SUResult SUTypedValueRelease(SUTypedValueRef* value) {
    if (!value) return SU_ERROR_NULL_POINTER_INPUT;
    TypedValueImpl* t = AsHandle<TypedValueImpl>(value->ptr);
    if (!t) return SU_ERROR_INVALID_INPUT;
    delete t;
    value->ptr = nullptr;
    return SU_ERROR_NONE;
}

SUResult SUTypedValueGetType(SUTypedValueRef value, enum SUTypedValueType* type) {
    TypedValueImpl* t = AsHandle<TypedValueImpl>(value.ptr);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!type) return SU_ERROR_NULL_POINTER_OUTPUT;
    *type = t->type;
    return SU_ERROR_NONE;
}

SUResult SUTypedValueGetByte(SUTypedValueRef v, char* out) {
    return Get(v, SUTypedValueType_Byte, out, [](const TypedValueImpl& t) { return static_cast<char>(AsInteger(t)); });
}
SUResult SUTypedValueSetByte(SUTypedValueRef v, char in) {
    return Set(v, SUTypedValueType_Byte, [in](TypedValueImpl& t) { t.value = int64_t{in}; });
}
SUResult SUTypedValueGetInt16(SUTypedValueRef v, int16_t* out) {
    return Get(v, SUTypedValueType_Short, out, [](const TypedValueImpl& t) { return static_cast<int16_t>(AsInteger(t)); });
}
SUResult SUTypedValueSetInt16(SUTypedValueRef v, int16_t in) {
    return Set(v, SUTypedValueType_Short, [in](TypedValueImpl& t) { t.value = int64_t{in}; });
}
SUResult SUTypedValueGetInt32(SUTypedValueRef v, int32_t* out) {
    return Get(v, SUTypedValueType_Int32, out, [](const TypedValueImpl& t) { return static_cast<int32_t>(AsInteger(t)); });
}
SUResult SUTypedValueSetInt32(SUTypedValueRef v, int32_t in) {
    return Set(v, SUTypedValueType_Int32, [in](TypedValueImpl& t) { t.value = int64_t{in}; });
}
SUResult SUTypedValueGetFloat(SUTypedValueRef v, float* out) {
    return Get(v, SUTypedValueType_Float, out, [](const TypedValueImpl& t) { return static_cast<float>(AsDouble(t)); });
}
SUResult SUTypedValueSetFloat(SUTypedValueRef v, float in) {
    return Set(v, SUTypedValueType_Float, [in](TypedValueImpl& t) { t.value = double{in}; });
}
SUResult SUTypedValueGetDouble(SUTypedValueRef v, double* out) {
    return Get(v, SUTypedValueType_Double, out, AsDouble);
}
SUResult SUTypedValueSetDouble(SUTypedValueRef v, double in) {
    return Set(v, SUTypedValueType_Double, [in](TypedValueImpl& t) { t.value = in; });
}
SUResult SUTypedValueGetBool(SUTypedValueRef v, bool* out) {
    return Get(v, SUTypedValueType_Bool, out, [](const TypedValueImpl& t) {
        auto* b = std::get_if<bool>(&t.value);
        return b && *b;
    });
}
SUResult SUTypedValueSetBool(SUTypedValueRef v, bool in) {
    return Set(v, SUTypedValueType_Bool, [in](TypedValueImpl& t) { t.value = in; });
}
SUResult SUTypedValueGetColor(SUTypedValueRef v, SUColor* out) {
    return Get(v, SUTypedValueType_Color, out, [](const TypedValueImpl& t) { return t.color; });
}
SUResult SUTypedValueSetColor(SUTypedValueRef v, const SUColor* in) {
    if (!in) return SU_ERROR_NULL_POINTER_INPUT;
    SUColor c = *in;
    return Set(v, SUTypedValueType_Color, [c](TypedValueImpl& t) { t.color = c; });
}
SUResult SUTypedValueGetTime(SUTypedValueRef v, int64_t* out) {
    return Get(v, SUTypedValueType_Time, out, AsInteger);
}
SUResult SUTypedValueSetTime(SUTypedValueRef v, int64_t in) {
    return Set(v, SUTypedValueType_Time, [in](TypedValueImpl& t) { t.value = in; });
}

SUResult SUTypedValueGetString(SUTypedValueRef v, SUStringRef* out) {
    TypedValueImpl* t = AsHandle<TypedValueImpl>(v.ptr);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!out) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (!AsHandle<StringImpl>(out->ptr)) return SU_ERROR_INVALID_OUTPUT;
    if (t->type != SUTypedValueType_String) return SU_ERROR_NO_DATA;
    return SetString(out, std::get<std::string>(t->value));
}

SUResult SUTypedValueSetString(SUTypedValueRef v, const char* in) {
    if (!in) return SU_ERROR_NULL_POINTER_INPUT;
    std::string s = in;
    return Set(v, SUTypedValueType_String, [s](TypedValueImpl& t) { t.value = s; });
}

SUResult SUTypedValueGetVector3d(SUTypedValueRef v, double out[3]) {
    TypedValueImpl* t = AsHandle<TypedValueImpl>(v.ptr);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!out) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (t->type != SUTypedValueType_Vector3D) return SU_ERROR_NO_DATA;
    std::copy(t->vector, t->vector + 3, out);
    return SU_ERROR_NONE;
}

SUResult SUTypedValueSetVector3d(SUTypedValueRef v, const double in[3]) {
    if (!in) return SU_ERROR_NULL_POINTER_INPUT;
    double a = in[0], b = in[1], c = in[2];
    return Set(v, SUTypedValueType_Vector3D, [a, b, c](TypedValueImpl& t) {
        t.vector[0] = a;
        t.vector[1] = b;
        t.vector[2] = c;
    });
}

// hostsim keeps no arrays in typed values: the document's values are scalars and text.
SUResult SUTypedValueGetNumArrayItems(SUTypedValueRef v, size_t* count) {
    TypedValueImpl* t = AsHandle<TypedValueImpl>(v.ptr);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (t->type != SUTypedValueType_Array) return SU_ERROR_NO_DATA;
    *count = 0;
    return SU_ERROR_NONE;
}

SUResult SUTypedValueGetArrayItems(SUTypedValueRef v, size_t, SUTypedValueRef values[], size_t* count) {
    TypedValueImpl* t = AsHandle<TypedValueImpl>(v.ptr);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!values || !count) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (t->type != SUTypedValueType_Array) return SU_ERROR_NO_DATA;
    *count = 0;
    return SU_ERROR_NONE;
}

}  // extern "C"

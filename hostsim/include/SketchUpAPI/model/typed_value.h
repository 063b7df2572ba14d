// SUTypedValueRef: a caller-owned variant holding one attribute or option value.
#pragma once

#include <SketchUpAPI/color.h>
#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/unicodestring.h>

#ifdef __cplusplus
extern "C" {
#endif

enum SUTypedValueType {
    SUTypedValueType_Empty = 0,
    SUTypedValueType_Byte,
    SUTypedValueType_Short,
    SUTypedValueType_Int32,
    SUTypedValueType_Float,
    SUTypedValueType_Double,
    SUTypedValueType_Bool,
    SUTypedValueType_Color,
    SUTypedValueType_Time,
    SUTypedValueType_String,
    SUTypedValueType_Vector3D,
    SUTypedValueType_Array,
};

// Creates an empty value; release it with SUTypedValueRelease.
SU_RESULT SUTypedValueCreate(SUTypedValueRef* typed_value);
SU_RESULT SUTypedValueRelease(SUTypedValueRef* typed_value);

SU_RESULT SUTypedValueGetType(SUTypedValueRef typed_value, enum SUTypedValueType* type);

// Each getter returns SU_ERROR_NO_DATA when the value holds another type; each setter replaces
// the value and its type.

SU_RESULT SUTypedValueGetByte(SUTypedValueRef typed_value, char* byte_value);
SU_RESULT SUTypedValueSetByte(SUTypedValueRef typed_value, char byte_value);

SU_RESULT SUTypedValueGetInt16(SUTypedValueRef typed_value, int16_t* int16_value);
SU_RESULT SUTypedValueSetInt16(SUTypedValueRef typed_value, int16_t int16_value);

SU_RESULT SUTypedValueGetInt32(SUTypedValueRef typed_value, int32_t* int32_value);
SU_RESULT SUTypedValueSetInt32(SUTypedValueRef typed_value, int32_t int32_value);

SU_RESULT SUTypedValueGetFloat(SUTypedValueRef typed_value, float* float_value);
SU_RESULT SUTypedValueSetFloat(SUTypedValueRef typed_value, float float_value);

SU_RESULT SUTypedValueGetDouble(SUTypedValueRef typed_value, double* double_value);
SU_RESULT SUTypedValueSetDouble(SUTypedValueRef typed_value, double double_value);

SU_RESULT SUTypedValueGetBool(SUTypedValueRef typed_value, bool* bool_value);
SU_RESULT SUTypedValueSetBool(SUTypedValueRef typed_value, bool bool_value);

SU_RESULT SUTypedValueGetColor(SUTypedValueRef typed_value, SUColor* color);
SU_RESULT SUTypedValueSetColor(SUTypedValueRef typed_value, const SUColor* color);

// Seconds since 1970-01-01 UTC.
SU_RESULT SUTypedValueGetTime(SUTypedValueRef typed_value, int64_t* time_value);
SU_RESULT SUTypedValueSetTime(SUTypedValueRef typed_value, int64_t time_value);

// *string_value must be a string created by the caller; text is UTF-8.
SU_RESULT SUTypedValueGetString(SUTypedValueRef typed_value, SUStringRef* string_value);
SU_RESULT SUTypedValueSetString(SUTypedValueRef typed_value, const char* string_value);

SU_RESULT SUTypedValueGetVector3d(SUTypedValueRef typed_value, double vector3d_value[3]);
SU_RESULT SUTypedValueSetVector3d(SUTypedValueRef typed_value, const double vector3d_value[3]);

// Items of an array value stay owned by the array; do not release them.
SU_RESULT SUTypedValueGetNumArrayItems(SUTypedValueRef typed_value, size_t* count);
SU_RESULT SUTypedValueGetArrayItems(SUTypedValueRef typed_value, size_t len,
                                    SUTypedValueRef values[], size_t* count);

#ifdef __cplusplus
}  // extern "C"
#endif

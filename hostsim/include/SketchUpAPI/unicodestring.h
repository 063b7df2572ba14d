// SUStringRef: the API's owned text object, used for every string output.
#pragma once

#include <SketchUpAPI/defs.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Creates an empty string; release it with SUStringRelease.
SU_RESULT SUStringCreate(SUStringRef* out_string_ref);

// Creates a string holding a copy of NUL-terminated UTF-8 text.
SU_RESULT SUStringCreateFromUTF8(SUStringRef* out_string_ref, const char* char_array);

// Creates a string holding a copy of NUL-terminated UTF-16 text.
SU_RESULT SUStringCreateFromUTF16(SUStringRef* out_string_ref, const unichar* char_array);

// Frees the string and makes *string_ref invalid.
SU_RESULT SUStringRelease(SUStringRef* string_ref);

// Length in UTF-8 bytes, without the terminator.
SU_RESULT SUStringGetUTF8Length(SUStringRef string_ref, size_t* out_length);

// Length in UTF-16 code units, without the terminator.
SU_RESULT SUStringGetUTF16Length(SUStringRef string_ref, size_t* out_length);

// Replaces the text with a copy of NUL-terminated UTF-8 text.
SU_RESULT SUStringSetUTF8(SUStringRef string_ref, const char* char_array);

// Replaces the text with a copy of NUL-terminated UTF-16 text.
SU_RESULT SUStringSetUTF16(SUStringRef string_ref, const unichar* char_array);

// Copies the text as NUL-terminated UTF-8 into a caller buffer of char_array_length bytes.
SU_RESULT SUStringGetUTF8(SUStringRef string_ref, size_t char_array_length, char* out_char_array,
                          size_t* out_number_of_chars_copied);

// Copies the text as NUL-terminated UTF-16 into a caller buffer of char_array_length units.
SU_RESULT SUStringGetUTF16(SUStringRef string_ref, size_t char_array_length,
                           unichar* out_char_array, size_t* out_number_of_chars_copied);

#ifdef __cplusplus
}  // extern "C"
#endif

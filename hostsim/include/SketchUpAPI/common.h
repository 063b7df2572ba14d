// Result codes, reference helpers and export macros shared by every SketchUpAPI header.
//
// hostsim's copy of the SketchUp C API: names, values and signatures follow the SDK so a
// plug-in built against these headers builds unchanged against the real one.
#pragma once

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>  // The API passes bool in C too.
#endif

// Outcome of an API call. The order is fixed by the SDK: callers compare raw values.
enum SUResult {
    SU_ERROR_NONE = 0,             // Success.
    SU_ERROR_NULL_POINTER_INPUT,   // A required input pointer was NULL.
    SU_ERROR_INVALID_INPUT,        // An input reference does not name a live object.
    SU_ERROR_NULL_POINTER_OUTPUT,  // A required output pointer was NULL.
    SU_ERROR_INVALID_OUTPUT,       // An output object that had to exist does not.
    SU_ERROR_OVERWRITE_VALID,      // An output reference was expected to be SU_INVALID.
    SU_ERROR_GENERIC,              // Failure with no more specific code.
    SU_ERROR_SERIALIZATION,        // Reading or writing a file failed.
    SU_ERROR_OUT_OF_RANGE,         // An input value lies outside its allowed range.
    SU_ERROR_NO_DATA,              // The object has nothing of the requested kind.
    SU_ERROR_INSUFFICIENT_SIZE,    // An output buffer is too small.
    SU_ERROR_UNKNOWN_EXCEPTION,    // An exception was caught inside the API.
    SU_ERROR_MODEL_INVALID,        // The model file is not a valid model.
    SU_ERROR_MODEL_VERSION,        // The model file's version is not supported.
    SU_ERROR_LAYER_LOCKED,         // The layer to change is locked.
    SU_ERROR_DUPLICATE,            // The operation would create duplicate data.
    SU_ERROR_PARTIAL_SUCCESS,      // Only part of the operation was done.
    SU_ERROR_UNSUPPORTED,          // The operation is not supported.
    SU_ERROR_INVALID_ARGUMENT,     // An argument carries invalid information.
    SU_ERROR_ENTITY_LOCKED,        // The entity to change is locked.
    SU_ERROR_INVALID_OPERATION,    // The operation is not allowed in this state.
};

// 16-bit code unit of UTF-16 text.
#if defined(_WIN32)
typedef wchar_t unichar;
#else
typedef unsigned short unichar;
#endif

// hostsim builds the API as a shared library on Linux, so its entry points must stay visible
// even when a target compiles with -fvisibility=hidden.
#if defined(_WIN32)
#define SU_EXPORT
#else
#define SU_EXPORT __attribute__((visibility("default")))
#endif

// Every API object is handed out as an opaque one-pointer struct; a NULL pointer means invalid.
#define DEFINE_SU_TYPE(TYPENAME) \
    typedef struct {             \
        void* ptr;               \
    } TYPENAME;

#define SU_RESULT SU_EXPORT enum SUResult

// Initializer for reference variables: SUStringRef name = SU_INVALID;
#define SU_INVALID \
    { 0 }

#define SUIsValid(VARIABLE) ((VARIABLE).ptr != 0)
#define SUIsInvalid(VARIABLE) ((VARIABLE).ptr == 0)
#define SUSetInvalid(VARIABLE) (VARIABLE).ptr = 0
#define SUAreEqual(VARIABLE1, VARIABLE2) ((VARIABLE1).ptr == (VARIABLE2).ptr)

// Marks functions the SDK has deprecated, so plug-in code sees the same warnings here as there.
// Define SU_SUPPRESS_DEPRECATION_WARNINGS to silence them.
#ifndef SU_SUPPRESS_DEPRECATION_WARNINGS
#if defined(_WIN32)
#define SU_DEPRECATED_FUNCTION(version_num) \
    __declspec(deprecated("first deprecated in " version_num))
#else
#define SU_DEPRECATED_FUNCTION(version_num) \
    __attribute__((deprecated("first deprecated in " version_num)))
#endif
#else
#define SU_DEPRECATED_FUNCTION(version_num)
#endif

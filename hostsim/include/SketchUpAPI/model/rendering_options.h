// SURenderingOptionsRef: the model's display settings, read by key (e.g. "BackgroundColor").
#pragma once

#include <SketchUpAPI/color.h>
#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/unicodestring.h>

#ifdef __cplusplus
extern "C" {
#endif

SU_RESULT SURenderingOptionsGetNumKeys(SURenderingOptionsRef rendering_options, size_t* count);

// Each keys[i] must be a string created by the caller.
SU_RESULT SURenderingOptionsGetKeys(SURenderingOptionsRef rendering_options, size_t len,
                                    SUStringRef keys[], size_t* count);

// *value_out must come from SUTypedValueCreate.
SU_RESULT SURenderingOptionsGetValue(SURenderingOptionsRef rendering_options, const char* key,
                                     SUTypedValueRef* value_out);

#ifdef __cplusplus
}  // extern "C"
#endif

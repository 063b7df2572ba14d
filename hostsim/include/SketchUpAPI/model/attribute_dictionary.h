// SUAttributeDictionaryRef: named key/value storage attached to an entity.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/model/typed_value.h>
#include <SketchUpAPI/unicodestring.h>

#ifdef __cplusplus
extern "C" {
#endif

SU_EXPORT SUEntityRef SUAttributeDictionaryToEntity(SUAttributeDictionaryRef dictionary);
SU_EXPORT SUAttributeDictionaryRef SUAttributeDictionaryFromEntity(SUEntityRef entity);

SU_RESULT SUAttributeDictionaryGetName(SUAttributeDictionaryRef dictionary, SUStringRef* name);

// Copies the value into *value_out, which must come from SUTypedValueCreate.
// SU_ERROR_NO_DATA when the key is absent.
SU_RESULT SUAttributeDictionaryGetValue(SUAttributeDictionaryRef dictionary, const char* key,
                                        SUTypedValueRef* value_out);

SU_RESULT SUAttributeDictionaryGetNumKeys(SUAttributeDictionaryRef dictionary, size_t* count);

// Each keys[i] must be a string created by the caller.
SU_RESULT SUAttributeDictionaryGetKeys(SUAttributeDictionaryRef dictionary, size_t len,
                                       SUStringRef keys[], size_t* count);

#ifdef __cplusplus
}  // extern "C"
#endif

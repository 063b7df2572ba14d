// SUEntityRef: the common base of model objects.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>

#ifdef __cplusplus
extern "C" {
#endif

// Concrete kind of the entity; SURefType_Unknown for an invalid reference. Not an SUResult.
SU_EXPORT enum SURefType SUEntityGetType(SUEntityRef entity);

// Session-local id, unique within the model while it is open.
SU_RESULT SUEntityGetID(SUEntityRef entity, int32_t* entity_id);

// Id saved with the model; only some entity kinds have one.
SU_RESULT SUEntityGetPersistentID(SUEntityRef entity, int64_t* entity_pid);

SU_RESULT SUEntityGetNumAttributeDictionaries(SUEntityRef entity, size_t* count);

// Fills up to len dictionaries; *count receives how many were written.
SU_RESULT SUEntityGetAttributeDictionaries(SUEntityRef entity, size_t len,
                                           SUAttributeDictionaryRef dictionaries[], size_t* count);

// SU_ERROR_NO_DATA when the entity belongs to no model.
SU_RESULT SUEntityGetModel(SUEntityRef entity, SUModelRef* model);

#ifdef __cplusplus
}  // extern "C"
#endif

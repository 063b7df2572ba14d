// SUSceneRef: a saved view of the model (a "page" in the Ruby API).
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/unicodestring.h>

#ifdef __cplusplus
extern "C" {
#endif

SU_EXPORT SUEntityRef SUSceneToEntity(SUSceneRef scene);
SU_EXPORT SUSceneRef SUSceneFromEntity(SUEntityRef entity);

SU_RESULT SUSceneGetName(SUSceneRef scene, SUStringRef* name);

#ifdef __cplusplus
}  // extern "C"
#endif

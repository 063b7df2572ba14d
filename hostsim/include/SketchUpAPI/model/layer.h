// SULayerRef: a tag ("layer" in the API) that groups drawing elements for visibility.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/unicodestring.h>

#ifdef __cplusplus
extern "C" {
#endif

SU_EXPORT SUEntityRef SULayerToEntity(SULayerRef layer);
SU_EXPORT SULayerRef SULayerFromEntity(SUEntityRef entity);

// The stored name; the default layer is "Layer0" here even though the UI shows "Untagged".
SU_RESULT SULayerGetName(SULayerRef layer, SUStringRef* name);

SU_RESULT SULayerGetVisibility(SULayerRef layer, bool* visible);

// The layer owns its material (its colour swatch); do not release it.
SU_RESULT SULayerGetMaterial(SULayerRef layer, SUMaterialRef* material);

#ifdef __cplusplus
}  // extern "C"
#endif

// SUDrawingElementRef: an entity that is drawn and so has a layer, a material and a hidden flag.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>

#ifdef __cplusplus
extern "C" {
#endif

// Casts return an invalid reference when the object is not of the target kind.
SU_EXPORT SUEntityRef SUDrawingElementToEntity(SUDrawingElementRef elem);
SU_EXPORT SUDrawingElementRef SUDrawingElementFromEntity(SUEntityRef entity);

SU_RESULT SUDrawingElementGetHidden(SUDrawingElementRef elem, bool* hide_flag);

SU_RESULT SUDrawingElementGetLayer(SUDrawingElementRef elem, SULayerRef* layer);

// SU_ERROR_NO_DATA when no material is applied directly (the element shows its parent's).
SU_RESULT SUDrawingElementGetMaterial(SUDrawingElementRef elem, SUMaterialRef* material);

#ifdef __cplusplus
}  // extern "C"
#endif

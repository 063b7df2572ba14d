// SUComponentInstanceRef: one placement of a component definition.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/transformation.h>
#include <SketchUpAPI/unicodestring.h>

#ifdef __cplusplus
extern "C" {
#endif

// Casts return an invalid reference when the object is not of the target kind.
SU_EXPORT SUEntityRef SUComponentInstanceToEntity(SUComponentInstanceRef instance);
SU_EXPORT SUComponentInstanceRef SUComponentInstanceFromEntity(SUEntityRef entity);
SU_EXPORT SUDrawingElementRef SUComponentInstanceToDrawingElement(SUComponentInstanceRef instance);
SU_EXPORT SUComponentInstanceRef
SUComponentInstanceFromDrawingElement(SUDrawingElementRef drawing_elem);

// The instance's own name, often empty; the definition has its own.
SU_RESULT SUComponentInstanceGetName(SUComponentInstanceRef instance, SUStringRef* name);

SU_RESULT SUComponentInstanceGetDefinition(SUComponentInstanceRef instance,
                                           SUComponentDefinitionRef* component);

// Placement relative to the entities that contain the instance.
SU_RESULT SUComponentInstanceGetTransform(SUComponentInstanceRef instance,
                                          struct SUTransformation* transform);

SU_RESULT SUComponentInstanceGetGuid(SUComponentInstanceRef instance, SUStringRef* guid);

#ifdef __cplusplus
}  // extern "C"
#endif

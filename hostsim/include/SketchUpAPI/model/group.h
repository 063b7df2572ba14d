// SUGroupRef: an instance of a hidden, single-use definition.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/transformation.h>
#include <SketchUpAPI/unicodestring.h>

#ifdef __cplusplus
extern "C" {
#endif

// Casts return an invalid reference when the object is not of the target kind.
SU_EXPORT SUEntityRef SUGroupToEntity(SUGroupRef group);
SU_EXPORT SUGroupRef SUGroupFromEntity(SUEntityRef entity);
SU_EXPORT SUDrawingElementRef SUGroupToDrawingElement(SUGroupRef group);
SU_EXPORT SUGroupRef SUGroupFromDrawingElement(SUDrawingElementRef drawing_elem);
SU_EXPORT SUComponentInstanceRef SUGroupToComponentInstance(SUGroupRef group);
SU_EXPORT SUGroupRef SUGroupFromComponentInstance(SUComponentInstanceRef component_inst);

SU_RESULT SUGroupGetName(SUGroupRef group, SUStringRef* name);

// The group's hidden definition (SUComponentType_Group).
SU_RESULT SUGroupGetDefinition(SUGroupRef group, SUComponentDefinitionRef* component);

// Placement relative to the entities that contain the group.
SU_RESULT SUGroupGetTransform(SUGroupRef group, struct SUTransformation* transform);

// Same as the entities of the group's definition.
SU_RESULT SUGroupGetEntities(SUGroupRef group, SUEntitiesRef* entities);

#ifdef __cplusplus
}  // extern "C"
#endif

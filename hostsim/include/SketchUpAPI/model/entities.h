// SUEntitiesRef: the contents of a model, component definition or group.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/geometry.h>
#include <SketchUpAPI/model/defs.h>

#ifdef __cplusplus
extern "C" {
#endif

// Each getter fills up to len references and writes how many it wrote to *count.

SU_RESULT SUEntitiesGetNumFaces(SUEntitiesRef entities, size_t* count);
SU_RESULT SUEntitiesGetFaces(SUEntitiesRef entities, size_t len, SUFaceRef faces[], size_t* count);

// standalone_only: true counts only edges bound to no face and no curve.
SU_RESULT SUEntitiesGetNumEdges(SUEntitiesRef entities, bool standalone_only, size_t* count);
SU_RESULT SUEntitiesGetEdges(SUEntitiesRef entities, bool standalone_only, size_t len,
                             SUEdgeRef edges[], size_t* count);

SU_RESULT SUEntitiesGetNumGroups(SUEntitiesRef entities, size_t* count);
SU_RESULT SUEntitiesGetGroups(SUEntitiesRef entities, size_t len, SUGroupRef groups[],
                              size_t* count);

// Component instances only; groups and images are listed by their own getters.
SU_RESULT SUEntitiesGetNumInstances(SUEntitiesRef entities, size_t* count);
SU_RESULT SUEntitiesGetInstances(SUEntitiesRef entities, size_t len,
                                 SUComponentInstanceRef instances[], size_t* count);

SU_RESULT SUEntitiesGetNumImages(SUEntitiesRef entities, size_t* count);
SU_RESULT SUEntitiesGetImages(SUEntitiesRef entities, size_t len, SUImageRef images[],
                              size_t* count);

#ifdef __cplusplus
}  // extern "C"
#endif

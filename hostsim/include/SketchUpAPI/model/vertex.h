// SUVertexRef: a point shared by edges, loops and faces.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/geometry.h>
#include <SketchUpAPI/model/defs.h>

#ifdef __cplusplus
extern "C" {
#endif

SU_EXPORT SUEntityRef SUVertexToEntity(SUVertexRef vertex);
SU_EXPORT SUVertexRef SUVertexFromEntity(SUEntityRef entity);

SU_RESULT SUVertexGetPosition(SUVertexRef vertex, struct SUPoint3D* position);

#ifdef __cplusplus
}  // extern "C"
#endif

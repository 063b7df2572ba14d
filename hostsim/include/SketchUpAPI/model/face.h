// SUFaceRef: a planar face bounded by an outer loop, possibly with holes.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/geometry.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/transformation.h>

#ifdef __cplusplus
extern "C" {
#endif

// Casts return an invalid reference when the object is not of the target kind.
SU_EXPORT SUEntityRef SUFaceToEntity(SUFaceRef face);
SU_EXPORT SUFaceRef SUFaceFromEntity(SUEntityRef entity);
SU_EXPORT SUDrawingElementRef SUFaceToDrawingElement(SUFaceRef face);
SU_EXPORT SUFaceRef SUFaceFromDrawingElement(SUDrawingElementRef drawing_elem);

// Unit normal on the front side.
SU_RESULT SUFaceGetNormal(SUFaceRef face, struct SUVector3D* normal);

// Area net of holes and openings, in square inches.
SU_RESULT SUFaceGetArea(SUFaceRef face, double* area);

// Every edge of the face, inner loops included.
SU_RESULT SUFaceGetNumEdges(SUFaceRef face, size_t* count);
SU_RESULT SUFaceGetEdges(SUFaceRef face, size_t len, SUEdgeRef edges[], size_t* count);

SU_RESULT SUFaceGetNumVertices(SUFaceRef face, size_t* count);
SU_RESULT SUFaceGetVertices(SUFaceRef face, size_t len, SUVertexRef vertices[], size_t* count);

SU_RESULT SUFaceGetOuterLoop(SUFaceRef face, SULoopRef* loop);

// The holes.
SU_RESULT SUFaceGetNumInnerLoops(SUFaceRef face, size_t* count);
SU_RESULT SUFaceGetInnerLoops(SUFaceRef face, size_t len, SULoopRef loops[], size_t* count);

// The material painted on each side; callers test the result with SUIsValid.
SU_RESULT SUFaceGetFrontMaterial(SUFaceRef face, SUMaterialRef* material);
SU_RESULT SUFaceGetBackMaterial(SUFaceRef face, SUMaterialRef* material);

SU_RESULT SUFaceGetPlane(SUFaceRef face, struct SUPlane3D* plane);

#ifdef __cplusplus
}  // extern "C"
#endif

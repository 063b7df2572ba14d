// SUEdgeRef: a straight segment between two vertices.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/geometry.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/transformation.h>

#ifdef __cplusplus
extern "C" {
#endif

// Casts return an invalid reference when the object is not of the target kind.
SU_EXPORT SUEntityRef SUEdgeToEntity(SUEdgeRef edge);
SU_EXPORT SUEdgeRef SUEdgeFromEntity(SUEntityRef entity);
SU_EXPORT SUDrawingElementRef SUEdgeToDrawingElement(SUEdgeRef edge);
SU_EXPORT SUEdgeRef SUEdgeFromDrawingElement(SUDrawingElementRef drawing_elem);

SU_RESULT SUEdgeGetStartVertex(SUEdgeRef edge, SUVertexRef* vertex);
SU_RESULT SUEdgeGetEndVertex(SUEdgeRef edge, SUVertexRef* vertex);

SU_RESULT SUEdgeGetSoft(SUEdgeRef edge, bool* soft_flag);
SU_RESULT SUEdgeGetSmooth(SUEdgeRef edge, bool* smooth_flag);

SU_RESULT SUEdgeGetNumFaces(SUEdgeRef edge, size_t* count);
SU_RESULT SUEdgeGetFaces(SUEdgeRef edge, size_t len, SUFaceRef faces[], size_t* count);

// The SDK has no plain length getter; pass the identity for the edge's own length.
SU_RESULT SUEdgeGetLengthWithTransform(SUEdgeRef edge, const struct SUTransformation* transform,
                                       double* length);

#ifdef __cplusplus
}  // extern "C"
#endif

// SULoopRef: a closed chain of edges bounding a face, its outline or a hole.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>

#ifdef __cplusplus
extern "C" {
#endif

SU_RESULT SULoopGetNumVertices(SULoopRef loop, size_t* count);

// Vertices in loop order.
SU_RESULT SULoopGetVertices(SULoopRef loop, size_t len, SUVertexRef vertices[], size_t* count);

// Edges in loop order. The SDK has no edge count: a closed loop has as many edges as vertices.
SU_RESULT SULoopGetEdges(SULoopRef loop, size_t len, SUEdgeRef edges[], size_t* count);

SU_RESULT SULoopGetFace(SULoopRef loop, SUFaceRef* face);

#ifdef __cplusplus
}  // extern "C"
#endif

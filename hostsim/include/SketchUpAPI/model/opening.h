// SUOpeningRef: the outline of a hole a glued component cuts into a face. Caller-owned.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/geometry.h>
#include <SketchUpAPI/model/defs.h>

#ifdef __cplusplus
extern "C" {
#endif

SU_RESULT SUOpeningGetNumPoints(SUOpeningRef opening, size_t* count);
SU_RESULT SUOpeningGetPoints(SUOpeningRef opening, size_t len, struct SUPoint3D points[],
                             size_t* count);

SU_RESULT SUOpeningRelease(SUOpeningRef* opening);

#ifdef __cplusplus
}  // extern "C"
#endif

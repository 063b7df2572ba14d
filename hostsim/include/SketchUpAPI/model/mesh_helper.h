// SUMeshHelperRef: a face triangulated for rendering, with per-vertex normals and texture coords.
#pragma once

#include <SketchUpAPI/common.h>
#include <SketchUpAPI/geometry.h>
#include <SketchUpAPI/model/defs.h>

#ifdef __cplusplus
extern "C" {
#endif

// Triangulates face_ref; release the mesh with SUMeshHelperRelease.
SU_RESULT SUMeshHelperCreate(SUMeshHelperRef* mesh_ref, SUFaceRef face_ref);

SU_RESULT SUMeshHelperRelease(SUMeshHelperRef* mesh_ref);

SU_RESULT SUMeshHelperGetNumTriangles(SUMeshHelperRef mesh_ref, size_t* count);

SU_RESULT SUMeshHelperGetNumVertices(SUMeshHelperRef mesh_ref, size_t* count);

// Three indices per triangle into the vertex, normal and STQ arrays below.
SU_RESULT SUMeshHelperGetVertexIndices(SUMeshHelperRef mesh_ref, size_t len, size_t indices[],
                                       size_t* count);

SU_RESULT SUMeshHelperGetVertices(SUMeshHelperRef mesh_ref, size_t len, struct SUPoint3D vertices[],
                                  size_t* count);

// Homogeneous texture coordinates: u = s / q, v = t / q.
SU_RESULT SUMeshHelperGetFrontSTQCoords(SUMeshHelperRef mesh_ref, size_t len,
                                        struct SUPoint3D stq[], size_t* count);
SU_RESULT SUMeshHelperGetBackSTQCoords(SUMeshHelperRef mesh_ref, size_t len, struct SUPoint3D stq[],
                                       size_t* count);

SU_RESULT SUMeshHelperGetNormals(SUMeshHelperRef mesh_ref, size_t len, struct SUVector3D normals[],
                                 size_t* count);

#ifdef __cplusplus
}  // extern "C"
#endif

// SUMeshHelper: a face's triangles, computed once when the helper is created.
#include <chrono>

#include "capi/support.h"
#include "mesh/meshing_clock.h"

using namespace hostsim;
using namespace hostsim::capi;

namespace {

template <typename Out, typename Convert>
SUResult Copy(SUMeshHelperRef ref, size_t len, Out out[], size_t* count, const std::vector<Vec3> FaceMesh::*field,
              Convert convert) {
    MeshHelperImpl* h = AsHandle<MeshHelperImpl>(ref.ptr);
    if (!h) return SU_ERROR_INVALID_INPUT;
    if (!out || !count) return SU_ERROR_NULL_POINTER_OUTPUT;
    const std::vector<Vec3>& src = h->mesh.*field;
    *count = std::min(len, src.size());
    for (size_t i = 0; i < *count; ++i) out[i] = convert(src[i]);
    return SU_ERROR_NONE;
}

}  // namespace

extern "C" {

SUResult SUMeshHelperCreate(SUMeshHelperRef* mesh, SUFaceRef face) {
    if (!mesh) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (mesh->ptr) return SU_ERROR_OVERWRITE_VALID;
    Face* f = AsEntity<Face>(face.ptr, {RefType::Face});
    if (!f) return SU_ERROR_INVALID_INPUT;
    const auto started = std::chrono::steady_clock::now();
    auto* h = new MeshHelperImpl();
    h->mesh = MeshFace(*f);
    if (const auto frame = f->model->ReportedFrame(f->parent)) {
        for (Vec3& p : h->mesh.vertices) p = frame->ApplyPoint(p);
        for (Vec3& n : h->mesh.normals) n = frame->ApplyNormal(n).Normalized();
    }
    AddMeshingNanoseconds(static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - started).count()));
    mesh->ptr = h;
    return SU_ERROR_NONE;
}

SUResult SUMeshHelperRelease(SUMeshHelperRef* mesh) {
    if (!mesh) return SU_ERROR_NULL_POINTER_INPUT;
    MeshHelperImpl* h = AsHandle<MeshHelperImpl>(mesh->ptr);
    if (!h) return SU_ERROR_INVALID_INPUT;
    delete h;
    mesh->ptr = nullptr;
    return SU_ERROR_NONE;
}

SUResult SUMeshHelperGetNumTriangles(SUMeshHelperRef mesh, size_t* count) {
    MeshHelperImpl* h = AsHandle<MeshHelperImpl>(mesh.ptr);
    if (!h) return SU_ERROR_INVALID_INPUT;
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = h->mesh.TriangleCount();
    return SU_ERROR_NONE;
}

SUResult SUMeshHelperGetNumVertices(SUMeshHelperRef mesh, size_t* count) {
    MeshHelperImpl* h = AsHandle<MeshHelperImpl>(mesh.ptr);
    if (!h) return SU_ERROR_INVALID_INPUT;
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = h->mesh.vertices.size();
    return SU_ERROR_NONE;
}

SUResult SUMeshHelperGetVertexIndices(SUMeshHelperRef mesh, size_t len, size_t indices[], size_t* count) {
    MeshHelperImpl* h = AsHandle<MeshHelperImpl>(mesh.ptr);
    if (!h) return SU_ERROR_INVALID_INPUT;
    if (!indices || !count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = std::min(len, h->mesh.indices.size());
    std::copy_n(h->mesh.indices.begin(), *count, indices);
    return SU_ERROR_NONE;
}

SUResult SUMeshHelperGetVertices(SUMeshHelperRef mesh, size_t len, struct SUPoint3D out[], size_t* count) {
    return Copy(mesh, len, out, count, &FaceMesh::vertices, ToPoint);
}

SUResult SUMeshHelperGetFrontSTQCoords(SUMeshHelperRef mesh, size_t len, struct SUPoint3D out[], size_t* count) {
    return Copy(mesh, len, out, count, &FaceMesh::frontStq, ToPoint);
}

SUResult SUMeshHelperGetBackSTQCoords(SUMeshHelperRef mesh, size_t len, struct SUPoint3D out[], size_t* count) {
    return Copy(mesh, len, out, count, &FaceMesh::backStq, ToPoint);
}

SUResult SUMeshHelperGetNormals(SUMeshHelperRef mesh, size_t len, struct SUVector3D out[], size_t* count) {
    return Copy(mesh, len, out, count, &FaceMesh::normals, ToVector);
}

}  // extern "C"

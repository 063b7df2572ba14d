// SUEntities, SUFace, SUEdge, SUVertex and SULoop.
#include "capi/support.h"

using namespace hostsim;
using namespace hostsim::capi;

namespace {

Entities* AsEntities(SUEntitiesRef r) {
    Object* o = AsObject(r.ptr);
    return o && o->type == RefType::Entities ? static_cast<Entities*>(o) : nullptr;
}

Face* AsFace(SUFaceRef r) { return AsEntity<Face>(r.ptr, {RefType::Face}); }
Edge* AsEdge(SUEdgeRef r) { return AsEntity<Edge>(r.ptr, {RefType::Edge}); }

std::vector<Edge*> EdgesOf(const Entities& in, bool standaloneOnly) {
    std::vector<Edge*> out;
    for (Edge* e : in.OfType<Edge>(RefType::Edge))
        if (!standaloneOnly || e->faces.empty()) out.push_back(e);
    return out;
}

template <typename T, typename Ref>
SUResult ItemsOf(SUEntitiesRef entities, RefType type, size_t len, Ref out[], size_t* count) {
    Entities* in = AsEntities(entities);
    if (!in) return SU_ERROR_INVALID_INPUT;
    return FillArray(in->OfType<T>(type), len, out, count);
}

SUResult CountOf(SUEntitiesRef entities, RefType type, size_t* count) {
    Entities* in = AsEntities(entities);
    if (!in) return SU_ERROR_INVALID_INPUT;
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = in->CountOf(type);
    return SU_ERROR_NONE;
}

}  // namespace

extern "C" {

// ---- entities

SUResult SUEntitiesGetNumFaces(SUEntitiesRef e, size_t* count) { return CountOf(e, RefType::Face, count); }
SUResult SUEntitiesGetFaces(SUEntitiesRef e, size_t len, SUFaceRef out[], size_t* count) {
    return ItemsOf<Face>(e, RefType::Face, len, out, count);
}
SUResult SUEntitiesGetNumGroups(SUEntitiesRef e, size_t* count) { return CountOf(e, RefType::Group, count); }
SUResult SUEntitiesGetGroups(SUEntitiesRef e, size_t len, SUGroupRef out[], size_t* count) {
    return ItemsOf<ComponentInstance>(e, RefType::Group, len, out, count);
}
SUResult SUEntitiesGetNumInstances(SUEntitiesRef e, size_t* count) {
    return CountOf(e, RefType::ComponentInstance, count);
}
SUResult SUEntitiesGetInstances(SUEntitiesRef e, size_t len, SUComponentInstanceRef out[], size_t* count) {
    return ItemsOf<ComponentInstance>(e, RefType::ComponentInstance, len, out, count);
}
SUResult SUEntitiesGetNumImages(SUEntitiesRef e, size_t* count) { return CountOf(e, RefType::Image, count); }
SUResult SUEntitiesGetImages(SUEntitiesRef e, size_t len, SUImageRef out[], size_t* count) {
    return ItemsOf<Image>(e, RefType::Image, len, out, count);
}

SUResult SUEntitiesGetNumEdges(SUEntitiesRef e, bool standaloneOnly, size_t* count) {
    Entities* in = AsEntities(e);
    if (!in) return SU_ERROR_INVALID_INPUT;
    return Count(EdgesOf(*in, standaloneOnly), count);
}

SUResult SUEntitiesGetEdges(SUEntitiesRef e, bool standaloneOnly, size_t len, SUEdgeRef out[], size_t* count) {
    Entities* in = AsEntities(e);
    if (!in) return SU_ERROR_INVALID_INPUT;
    return FillArray(EdgesOf(*in, standaloneOnly), len, out, count);
}

// ---- faces

SUResult SUFaceGetNormal(SUFaceRef face, struct SUVector3D* normal) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    if (!normal) return SU_ERROR_NULL_POINTER_OUTPUT;
    const auto frame = f->model->ReportedFrame(f->parent);
    *normal = ToVector(frame ? frame->ApplyNormal(f->Normal()).Normalized() : f->Normal());
    return SU_ERROR_NONE;
}

SUResult SUFaceGetArea(SUFaceRef face, double* area) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    if (!area) return SU_ERROR_NULL_POINTER_OUTPUT;
    *area = f->Area();
    return SU_ERROR_NONE;
}

SUResult SUFaceGetPlane(SUFaceRef face, struct SUPlane3D* plane) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    if (!plane) return SU_ERROR_NULL_POINTER_OUTPUT;
    Vec3 n = f->Normal();
    Vec3 on = f->outer->vertices[0]->position;
    if (const auto frame = f->model->ReportedFrame(f->parent)) {
        n = frame->ApplyNormal(n).Normalized();
        on = frame->ApplyPoint(on);
    }
    *plane = {n.x, n.y, n.z, -n.Dot(on)};
    return SU_ERROR_NONE;
}

SUResult SUFaceGetNumEdges(SUFaceRef face, size_t* count) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    return Count(f->AllEdges(), count);
}

SUResult SUFaceGetEdges(SUFaceRef face, size_t len, SUEdgeRef out[], size_t* count) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    return FillArray(f->AllEdges(), len, out, count);
}

SUResult SUFaceGetNumVertices(SUFaceRef face, size_t* count) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    return Count(f->AllVertices(), count);
}

SUResult SUFaceGetVertices(SUFaceRef face, size_t len, SUVertexRef out[], size_t* count) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    return FillArray(f->AllVertices(), len, out, count);
}

SUResult SUFaceGetOuterLoop(SUFaceRef face, SULoopRef* loop) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    if (!loop) return SU_ERROR_NULL_POINTER_OUTPUT;
    loop->ptr = f->outer;
    return SU_ERROR_NONE;
}

SUResult SUFaceGetNumInnerLoops(SUFaceRef face, size_t* count) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    return Count(f->inner, count);
}

SUResult SUFaceGetInnerLoops(SUFaceRef face, size_t len, SULoopRef out[], size_t* count) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    return FillArray(f->inner, len, out, count);
}

SUResult SUFaceGetFrontMaterial(SUFaceRef face, SUMaterialRef* material) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    if (!material) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (!f->material) return SU_ERROR_NO_DATA;
    material->ptr = f->material;
    return SU_ERROR_NONE;
}

SUResult SUFaceGetBackMaterial(SUFaceRef face, SUMaterialRef* material) {
    Face* f = AsFace(face);
    if (!f) return SU_ERROR_INVALID_INPUT;
    if (!material) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (!f->backMaterial) return SU_ERROR_NO_DATA;
    material->ptr = f->backMaterial;
    return SU_ERROR_NONE;
}

// ---- edges

SUResult SUEdgeGetStartVertex(SUEdgeRef edge, SUVertexRef* vertex) {
    Edge* e = AsEdge(edge);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!vertex) return SU_ERROR_NULL_POINTER_OUTPUT;
    vertex->ptr = e->start;
    return SU_ERROR_NONE;
}

SUResult SUEdgeGetEndVertex(SUEdgeRef edge, SUVertexRef* vertex) {
    Edge* e = AsEdge(edge);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!vertex) return SU_ERROR_NULL_POINTER_OUTPUT;
    vertex->ptr = e->end;
    return SU_ERROR_NONE;
}

SUResult SUEdgeGetSoft(SUEdgeRef edge, bool* soft) {
    Edge* e = AsEdge(edge);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!soft) return SU_ERROR_NULL_POINTER_OUTPUT;
    *soft = e->soft;
    return SU_ERROR_NONE;
}

SUResult SUEdgeGetSmooth(SUEdgeRef edge, bool* smooth) {
    Edge* e = AsEdge(edge);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!smooth) return SU_ERROR_NULL_POINTER_OUTPUT;
    *smooth = e->smooth;
    return SU_ERROR_NONE;
}

SUResult SUEdgeGetNumFaces(SUEdgeRef edge, size_t* count) {
    Edge* e = AsEdge(edge);
    if (!e) return SU_ERROR_INVALID_INPUT;
    return Count(e->faces, count);
}

SUResult SUEdgeGetFaces(SUEdgeRef edge, size_t len, SUFaceRef out[], size_t* count) {
    Edge* e = AsEdge(edge);
    if (!e) return SU_ERROR_INVALID_INPUT;
    return FillArray(e->faces, len, out, count);
}

SUResult SUEdgeGetLengthWithTransform(SUEdgeRef edge, const struct SUTransformation* transform, double* length) {
    Edge* e = AsEdge(edge);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!transform) return SU_ERROR_NULL_POINTER_INPUT;
    if (!length) return SU_ERROR_NULL_POINTER_OUTPUT;
    Transform t;
    std::copy(transform->values, transform->values + 16, t.m.begin());
    *length = (t.ApplyPoint(e->end->position) - t.ApplyPoint(e->start->position)).Length();
    return SU_ERROR_NONE;
}

// ---- vertices and loops

SUResult SUVertexGetPosition(SUVertexRef vertex, struct SUPoint3D* position) {
    Vertex* v = AsEntity<Vertex>(vertex.ptr, {RefType::Vertex});
    if (!v) return SU_ERROR_INVALID_INPUT;
    if (!position) return SU_ERROR_NULL_POINTER_OUTPUT;
    const auto frame = v->model->ReportedFrame(v->collection);
    *position = ToPoint(frame ? frame->ApplyPoint(v->position) : v->position);
    return SU_ERROR_NONE;
}

SUResult SULoopGetNumVertices(SULoopRef loop, size_t* count) {
    Loop* l = AsEntity<Loop>(loop.ptr, {RefType::Loop});
    if (!l) return SU_ERROR_INVALID_INPUT;
    return Count(l->vertices, count);
}

SUResult SULoopGetVertices(SULoopRef loop, size_t len, SUVertexRef out[], size_t* count) {
    Loop* l = AsEntity<Loop>(loop.ptr, {RefType::Loop});
    if (!l) return SU_ERROR_INVALID_INPUT;
    return FillArray(l->vertices, len, out, count);
}

SUResult SULoopGetEdges(SULoopRef loop, size_t len, SUEdgeRef out[], size_t* count) {
    Loop* l = AsEntity<Loop>(loop.ptr, {RefType::Loop});
    if (!l) return SU_ERROR_INVALID_INPUT;
    return FillArray(l->edges, len, out, count);
}

SUResult SULoopGetFace(SULoopRef loop, SUFaceRef* face) {
    Loop* l = AsEntity<Loop>(loop.ptr, {RefType::Loop});
    if (!l) return SU_ERROR_INVALID_INPUT;
    if (!face) return SU_ERROR_NULL_POINTER_OUTPUT;
    face->ptr = l->face;
    return SU_ERROR_NONE;
}

}  // extern "C"

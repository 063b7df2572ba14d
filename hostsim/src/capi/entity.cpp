// SUEntity and SUDrawingElement, and the reference conversions between entity kinds.
#include "capi/support.h"

using namespace hostsim;
using namespace hostsim::capi;

namespace {

Entity* AnyEntity(const void* ptr) {
    Object* o = AsObject(ptr);
    if (!o || o->type == RefType::Entities || o->type == RefType::Model) return nullptr;
    auto* e = static_cast<Entity*>(o);
    return e->deleted ? nullptr : e;
}

DrawingElement* AnyDrawingElement(const void* ptr) {
    Object* o = AsObject(ptr);
    if (!o || !IsDrawingElementType(o->type) || o->type == RefType::ComponentDefinition) return nullptr;
    auto* e = static_cast<DrawingElement*>(o);
    return e->deleted ? nullptr : e;
}

template <typename Ref>
Ref Checked(const void* ptr, std::initializer_list<RefType> types) {
    Object* o = AsObject(ptr);
    Ref r{};
    if (o && std::find(types.begin(), types.end(), o->type) != types.end()) r.ptr = o;
    return r;
}

}  // namespace

// Every kind converts to an entity by keeping its pointer; back only when the kind matches.
#define HOSTSIM_ENTITY_CASTS(Prefix, RefName, ...)                                                   \
    SUEntityRef Prefix##ToEntity(RefName r) { return RefTo<SUEntityRef>(r.ptr); }                    \
    RefName Prefix##FromEntity(SUEntityRef e) { return Checked<RefName>(e.ptr, {__VA_ARGS__}); }
#define HOSTSIM_ELEMENT_CASTS(Prefix, RefName, ...)                                                        \
    SUDrawingElementRef Prefix##ToDrawingElement(RefName r) { return RefTo<SUDrawingElementRef>(r.ptr); } \
    RefName Prefix##FromDrawingElement(SUDrawingElementRef e) { return Checked<RefName>(e.ptr, {__VA_ARGS__}); }

extern "C" {

HOSTSIM_ENTITY_CASTS(SUFace, SUFaceRef, RefType::Face)
HOSTSIM_ENTITY_CASTS(SUEdge, SUEdgeRef, RefType::Edge)
HOSTSIM_ENTITY_CASTS(SUVertex, SUVertexRef, RefType::Vertex)
HOSTSIM_ENTITY_CASTS(SUGroup, SUGroupRef, RefType::Group)
HOSTSIM_ENTITY_CASTS(SUComponentInstance, SUComponentInstanceRef, RefType::ComponentInstance)
HOSTSIM_ENTITY_CASTS(SUImage, SUImageRef, RefType::Image)
HOSTSIM_ENTITY_CASTS(SUComponentDefinition, SUComponentDefinitionRef, RefType::ComponentDefinition)
HOSTSIM_ENTITY_CASTS(SUMaterial, SUMaterialRef, RefType::Material)
HOSTSIM_ENTITY_CASTS(SUTexture, SUTextureRef, RefType::Texture)
HOSTSIM_ENTITY_CASTS(SULayer, SULayerRef, RefType::Layer)
HOSTSIM_ENTITY_CASTS(SUScene, SUSceneRef, RefType::Scene)
HOSTSIM_ENTITY_CASTS(SUAttributeDictionary, SUAttributeDictionaryRef, RefType::AttributeDictionary)
HOSTSIM_ELEMENT_CASTS(SUFace, SUFaceRef, RefType::Face)
HOSTSIM_ELEMENT_CASTS(SUEdge, SUEdgeRef, RefType::Edge)
HOSTSIM_ELEMENT_CASTS(SUGroup, SUGroupRef, RefType::Group)
HOSTSIM_ELEMENT_CASTS(SUComponentInstance, SUComponentInstanceRef, RefType::ComponentInstance)
HOSTSIM_ELEMENT_CASTS(SUImage, SUImageRef, RefType::Image)

SUEntityRef SUDrawingElementToEntity(SUDrawingElementRef e) { return RefTo<SUEntityRef>(e.ptr); }
SUDrawingElementRef SUDrawingElementFromEntity(SUEntityRef e) {
    Object* o = AsObject(e.ptr);
    return RefTo<SUDrawingElementRef>(o && IsDrawingElementType(o->type) ? o : nullptr);
}
SUComponentInstanceRef SUGroupToComponentInstance(SUGroupRef g) { return RefTo<SUComponentInstanceRef>(g.ptr); }
SUGroupRef SUGroupFromComponentInstance(SUComponentInstanceRef c) { return Checked<SUGroupRef>(c.ptr, {RefType::Group}); }

enum SURefType SUEntityGetType(SUEntityRef entity) {
    Object* o = AsObject(entity.ptr);
    return o ? static_cast<SURefType>(o->type) : SURefType_Unknown;
}

SUResult SUEntityGetID(SUEntityRef entity, int32_t* id) {
    Entity* e = AnyEntity(entity.ptr);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!id) return SU_ERROR_NULL_POINTER_OUTPUT;
    *id = static_cast<int32_t>(e->id);
    return SU_ERROR_NONE;
}

SUResult SUEntityGetPersistentID(SUEntityRef entity, int64_t* pid) {
    Entity* e = AnyEntity(entity.ptr);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!pid) return SU_ERROR_NULL_POINTER_OUTPUT;
    *pid = e->id;
    return SU_ERROR_NONE;
}

SUResult SUEntityGetNumAttributeDictionaries(SUEntityRef entity, size_t* count) {
    Entity* e = AnyEntity(entity.ptr);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = static_cast<size_t>(std::count_if(e->dictionaries.begin(), e->dictionaries.end(),
                                               [](const AttributeDictionary* d) { return !d->deleted; }));
    return SU_ERROR_NONE;
}

SUResult SUEntityGetAttributeDictionaries(SUEntityRef entity, size_t len, SUAttributeDictionaryRef out[], size_t* count) {
    Entity* e = AnyEntity(entity.ptr);
    if (!e) return SU_ERROR_INVALID_INPUT;
    std::vector<AttributeDictionary*> live;
    for (AttributeDictionary* d : e->dictionaries)
        if (!d->deleted) live.push_back(d);
    return FillArray(live, len, out, count);
}

SUResult SUEntityGetModel(SUEntityRef entity, SUModelRef* model) {
    Entity* e = AnyEntity(entity.ptr);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!model) return SU_ERROR_NULL_POINTER_OUTPUT;
    model->ptr = e->model;
    return SU_ERROR_NONE;
}

SUResult SUDrawingElementGetHidden(SUDrawingElementRef elem, bool* hidden) {
    DrawingElement* e = AnyDrawingElement(elem.ptr);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!hidden) return SU_ERROR_NULL_POINTER_OUTPUT;
    *hidden = e->hidden;
    return SU_ERROR_NONE;
}

SUResult SUDrawingElementGetLayer(SUDrawingElementRef elem, SULayerRef* layer) {
    DrawingElement* e = AnyDrawingElement(elem.ptr);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!layer) return SU_ERROR_NULL_POINTER_OUTPUT;
    layer->ptr = e->layer ? e->layer : e->model->defaultLayer;
    return SU_ERROR_NONE;
}

SUResult SUDrawingElementGetMaterial(SUDrawingElementRef elem, SUMaterialRef* material) {
    DrawingElement* e = AnyDrawingElement(elem.ptr);
    if (!e) return SU_ERROR_INVALID_INPUT;
    if (!material) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (!e->material) return SU_ERROR_NO_DATA;
    material->ptr = e->material;
    return SU_ERROR_NONE;
}

}  // extern "C"

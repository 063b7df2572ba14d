// SUGroup, SUComponentInstance, SUComponentDefinition, SUImage and SUOpening. An image
// answers the component-instance calls on its own reference, being a placement too.
#include <functional>

#include "capi/support.h"

using namespace hostsim;
using namespace hostsim::capi;

namespace {

ComponentInstance* AsPlacement(const void* ptr, std::initializer_list<RefType> types) {
    return AsEntity<ComponentInstance>(ptr, types);
}
ComponentInstance* AsInstance(SUComponentInstanceRef r) {
    return AsPlacement(r.ptr, {RefType::ComponentInstance, RefType::Group, RefType::Image});
}
ComponentInstance* AsGroup(SUGroupRef r) { return AsPlacement(r.ptr, {RefType::Group}); }
Image* AsImage(SUImageRef r) { return AsEntity<Image>(r.ptr, {RefType::Image}); }
ComponentDefinition* AsDefinition(SUComponentDefinitionRef r) {
    return AsEntity<ComponentDefinition>(r.ptr, {RefType::ComponentDefinition});
}

SUResult DefinitionOf(ComponentInstance* inst, SUComponentDefinitionRef* out) {
    if (!inst) return SU_ERROR_INVALID_INPUT;
    if (!out) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (!inst->definition) return SU_ERROR_NO_DATA;
    out->ptr = inst->definition;
    return SU_ERROR_NONE;
}

SUResult TransformOf(ComponentInstance* inst, struct SUTransformation* out) {
    if (!inst) return SU_ERROR_INVALID_INPUT;
    if (!out) return SU_ERROR_NULL_POINTER_OUTPUT;
    const auto frame = inst->model->ReportedFrame(inst->parent);
    const Transform reported = frame ? *frame * inst->transform : inst->transform;
    std::copy(reported.m.begin(), reported.m.end(), out->values);
    return SU_ERROR_NONE;
}

// How often a definition occurs in the whole model: each placement counts as often as the
// definition that holds it occurs (once at the top level).
size_t Occurrences(const ComponentDefinition* def) {
    size_t total = 0;
    for (const ComponentInstance* inst : def->instances) {
        const Entities* holder = inst->parent;
        total += holder && holder->definition ? Occurrences(holder->definition) : 1;
    }
    return total;
}

}  // namespace

extern "C" {

SUResult SUGroupGetName(SUGroupRef group, SUStringRef* name) {
    ComponentInstance* g = AsGroup(group);
    if (!g) return SU_ERROR_INVALID_INPUT;
    return SetString(name, g->name);
}

SUResult SUGroupGetDefinition(SUGroupRef group, SUComponentDefinitionRef* def) { return DefinitionOf(AsGroup(group), def); }
SUResult SUGroupGetTransform(SUGroupRef group, struct SUTransformation* t) { return TransformOf(AsGroup(group), t); }

SUResult SUGroupGetEntities(SUGroupRef group, SUEntitiesRef* entities) {
    ComponentInstance* g = AsGroup(group);
    if (!g) return SU_ERROR_INVALID_INPUT;
    if (!entities) return SU_ERROR_NULL_POINTER_OUTPUT;
    entities->ptr = g->definition ? g->definition->entities : nullptr;
    return SU_ERROR_NONE;
}

SUResult SUComponentInstanceGetName(SUComponentInstanceRef instance, SUStringRef* name) {
    ComponentInstance* i = AsInstance(instance);
    if (!i) return SU_ERROR_INVALID_INPUT;
    return SetString(name, i->name);
}

SUResult SUComponentInstanceGetDefinition(SUComponentInstanceRef instance, SUComponentDefinitionRef* def) {
    return DefinitionOf(AsInstance(instance), def);
}

SUResult SUComponentInstanceGetTransform(SUComponentInstanceRef instance, struct SUTransformation* t) {
    return TransformOf(AsInstance(instance), t);
}

SUResult SUComponentInstanceGetGuid(SUComponentInstanceRef instance, SUStringRef* guid) {
    ComponentInstance* i = AsInstance(instance);
    if (!i) return SU_ERROR_INVALID_INPUT;
    return SetString(guid, i->guid);
}

SUResult SUComponentDefinitionGetName(SUComponentDefinitionRef def, SUStringRef* name) {
    ComponentDefinition* d = AsDefinition(def);
    if (!d) return SU_ERROR_INVALID_INPUT;
    return SetString(name, d->name);
}

SUResult SUComponentDefinitionGetEntities(SUComponentDefinitionRef def, SUEntitiesRef* entities) {
    ComponentDefinition* d = AsDefinition(def);
    if (!d) return SU_ERROR_INVALID_INPUT;
    if (!entities) return SU_ERROR_NULL_POINTER_OUTPUT;
    entities->ptr = d->entities;
    return SU_ERROR_NONE;
}

SUResult SUComponentDefinitionGetType(SUComponentDefinitionRef def, enum SUComponentType* type) {
    ComponentDefinition* d = AsDefinition(def);
    if (!d) return SU_ERROR_INVALID_INPUT;
    if (!type) return SU_ERROR_NULL_POINTER_OUTPUT;
    *type = d->kind == DefinitionKind::Group   ? SUComponentType_Group
            : d->kind == DefinitionKind::Image ? SUComponentType_Image
                                               : SUComponentType_Normal;
    return SU_ERROR_NONE;
}

SUResult SUComponentDefinitionGetNumInstances(SUComponentDefinitionRef def, size_t* count) {
    ComponentDefinition* d = AsDefinition(def);
    if (!d) return SU_ERROR_INVALID_INPUT;
    return Count(d->instances, count);
}

SUResult SUComponentDefinitionGetInstances(SUComponentDefinitionRef def, size_t len, SUComponentInstanceRef out[],
                                           size_t* count) {
    ComponentDefinition* d = AsDefinition(def);
    if (!d) return SU_ERROR_INVALID_INPUT;
    return FillArray(d->instances, len, out, count);
}

SUResult SUComponentDefinitionGetNumUsedInstances(SUComponentDefinitionRef def, size_t* count) {
    ComponentDefinition* d = AsDefinition(def);
    if (!d) return SU_ERROR_INVALID_INPUT;
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = Occurrences(d);
    return SU_ERROR_NONE;
}

SUResult SUComponentDefinitionGetNumOpenings(SUComponentDefinitionRef def, size_t* count) {
    ComponentDefinition* d = AsDefinition(def);
    if (!d) return SU_ERROR_INVALID_INPUT;
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = d->NumOpenings();
    return SU_ERROR_NONE;
}

SUResult SUComponentDefinitionGetOpenings(SUComponentDefinitionRef def, size_t len, SUOpeningRef out[], size_t* count) {
    ComponentDefinition* d = AsDefinition(def);
    if (!d) return SU_ERROR_INVALID_INPUT;
    if (!out || !count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = 0;
    std::vector<Vec3> ring = d->Opening();
    if (!ring.empty() && len > 0) {
        auto* o = new OpeningImpl();
        o->points = ring;
        out[0].ptr = o;
        *count = 1;
    }
    return SU_ERROR_NONE;
}

SUResult SUComponentDefinitionGetBehavior(SUComponentDefinitionRef def, struct SUComponentBehavior* behavior) {
    ComponentDefinition* d = AsDefinition(def);
    if (!d) return SU_ERROR_INVALID_INPUT;
    if (!behavior) return SU_ERROR_NULL_POINTER_OUTPUT;
    *behavior = {};
    behavior->component_cuts_opening = d->cutsOpening;
    behavior->component_always_face_camera = d->alwaysFaceCamera;
    return SU_ERROR_NONE;
}

SUResult SUOpeningGetNumPoints(SUOpeningRef opening, size_t* count) {
    OpeningImpl* o = AsHandle<OpeningImpl>(opening.ptr);
    if (!o) return SU_ERROR_INVALID_INPUT;
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = o->points.size();
    return SU_ERROR_NONE;
}

SUResult SUOpeningGetPoints(SUOpeningRef opening, size_t len, struct SUPoint3D points[], size_t* count) {
    OpeningImpl* o = AsHandle<OpeningImpl>(opening.ptr);
    if (!o) return SU_ERROR_INVALID_INPUT;
    if (!points || !count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = std::min(len, o->points.size());
    for (size_t i = 0; i < *count; ++i) points[i] = ToPoint(o->points[i]);
    return SU_ERROR_NONE;
}

SUResult SUOpeningRelease(SUOpeningRef* opening) {
    if (!opening) return SU_ERROR_NULL_POINTER_INPUT;
    OpeningImpl* o = AsHandle<OpeningImpl>(opening->ptr);
    if (!o) return SU_ERROR_INVALID_INPUT;
    delete o;
    opening->ptr = nullptr;
    return SU_ERROR_NONE;
}

// ---- images

SUResult SUImageGetName(SUImageRef image, SUStringRef* name) {
    Image* i = AsImage(image);
    if (!i) return SU_ERROR_INVALID_INPUT;
    return SetString(name, i->path);
}

SUResult SUImageGetTransform(SUImageRef image, struct SUTransformation* t) { return TransformOf(AsImage(image), t); }

SUResult SUImageGetDimensions(SUImageRef image, double* width, double* height) {
    Image* i = AsImage(image);
    if (!i) return SU_ERROR_INVALID_INPUT;
    if (!width || !height) return SU_ERROR_NULL_POINTER_OUTPUT;
    *width = Vec3{i->transform.At(0, 0), i->transform.At(1, 0), i->transform.At(2, 0)}.Length();
    *height = Vec3{i->transform.At(0, 1), i->transform.At(1, 1), i->transform.At(2, 1)}.Length();
    return SU_ERROR_NONE;
}

SUResult SUImageGetPixelDimensions(SUImageRef image, size_t* width, size_t* height) {
    Image* i = AsImage(image);
    if (!i) return SU_ERROR_INVALID_INPUT;
    if (!width || !height) return SU_ERROR_NULL_POINTER_OUTPUT;
    const Texture* t = i->imageMaterial ? i->imageMaterial->texture : nullptr;
    *width = t ? static_cast<size_t>(t->pixelWidth) : 0;
    *height = t ? static_cast<size_t>(t->pixelHeight) : 0;
    return SU_ERROR_NONE;
}

SUResult SUImageGetDefinition(SUImageRef image, SUComponentDefinitionRef* def) { return DefinitionOf(AsImage(image), def); }

}  // extern "C"

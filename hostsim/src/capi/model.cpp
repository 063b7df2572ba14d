// SUModel: the document's collections and statistics, and SUModelFromExisting.
#include "capi/support.h"

using namespace hostsim;
using namespace hostsim::capi;

namespace {

Model* AsModel(SUModelRef m) {
    Object* o = AsObject(m.ptr);
    return o && o->type == RefType::Model ? static_cast<Model*>(o) : nullptr;
}

std::vector<ComponentDefinition*> DefinitionsOf(const Model& m, DefinitionKind kind) {
    std::vector<ComponentDefinition*> out;
    for (ComponentDefinition* d : m.definitions)
        if (d->kind == kind) out.push_back(d);
    return out;
}

}  // namespace

extern "C" {

SUModelRef SUModelFromExisting(uintptr_t data) {
    auto* m = reinterpret_cast<Model*>(data);
    return RefTo<SUModelRef>(App::Instance().IsLive(m) ? m : nullptr);
}

SUResult SUModelGetEntities(SUModelRef model, SUEntitiesRef* entities) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (!entities) return SU_ERROR_NULL_POINTER_OUTPUT;
    entities->ptr = m->entities;
    return SU_ERROR_NONE;
}

SUResult SUModelGetNumMaterials(SUModelRef model, size_t* count) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return Count(m->materials, count);
}

SUResult SUModelGetMaterials(SUModelRef model, size_t len, SUMaterialRef out[], size_t* count) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return FillArray(m->materials, len, out, count);
}

SUResult SUModelGetNumLayers(SUModelRef model, size_t* count) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return Count(m->layers, count);
}

SUResult SUModelGetLayers(SUModelRef model, size_t len, SULayerRef out[], size_t* count) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return FillArray(m->layers, len, out, count);
}

SUResult SUModelGetDefaultLayer(SUModelRef model, SULayerRef* layer) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (!layer) return SU_ERROR_NULL_POINTER_OUTPUT;
    layer->ptr = m->defaultLayer;
    return SU_ERROR_NONE;
}

SUResult SUModelGetStatistics(SUModelRef model, struct SUModelStatistics* stats) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (!stats) return SU_ERROR_NULL_POINTER_OUTPUT;
    ModelCounts c = m->Counts();
    stats->entity_counts[SUModelStatistics::SUEntityType_Edge] = c.edges;
    stats->entity_counts[SUModelStatistics::SUEntityType_Face] = c.faces;
    stats->entity_counts[SUModelStatistics::SUEntityType_ComponentInstance] = c.instances;
    stats->entity_counts[SUModelStatistics::SUEntityType_Group] = c.groups;
    stats->entity_counts[SUModelStatistics::SUEntityType_Image] = c.images;
    stats->entity_counts[SUModelStatistics::SUEntityType_ComponentDefinition] = c.definitions;
    stats->entity_counts[SUModelStatistics::SUEntityType_Layer] = c.layers;
    stats->entity_counts[SUModelStatistics::SUEntityType_Material] = c.materials;
    return SU_ERROR_NONE;
}

SUResult SUModelGetRenderingOptions(SUModelRef model, SURenderingOptionsRef* options) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (!options) return SU_ERROR_NULL_POINTER_OUTPUT;
    options->ptr = m;  // the options live in the model
    return SU_ERROR_NONE;
}

SUResult SUModelGetNumComponentDefinitions(SUModelRef model, size_t* count) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return Count(DefinitionsOf(*m, DefinitionKind::Component), count);
}

SUResult SUModelGetComponentDefinitions(SUModelRef model, size_t len, SUComponentDefinitionRef out[], size_t* count) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return FillArray(DefinitionsOf(*m, DefinitionKind::Component), len, out, count);
}

SUResult SUModelGetNumGroupDefinitions(SUModelRef model, size_t* count) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return Count(DefinitionsOf(*m, DefinitionKind::Group), count);
}

SUResult SUModelGetGroupDefinitions(SUModelRef model, size_t len, SUComponentDefinitionRef out[], size_t* count) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return FillArray(DefinitionsOf(*m, DefinitionKind::Group), len, out, count);
}

SUResult SUModelGetName(SUModelRef model, SUStringRef* name) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return SetString(name, m->title);
}

SUResult SUModelGetNumScenes(SUModelRef model, size_t* count) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return Count(m->pages, count);
}

SUResult SUModelGetScenes(SUModelRef model, size_t len, SUSceneRef out[], size_t* count) {
    Model* m = AsModel(model);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (m->pages.empty()) return SU_ERROR_NO_DATA;
    return FillArray(m->pages, len, out, count);
}

}  // extern "C"

#include <SketchUpAPI/model/entity.h>
#include <SketchUpAPI/model/layer.h>
#include <SketchUpAPI/model/material.h>
#include <SketchUpAPI/model/model.h>
#include <SketchUpAPI/model/rendering_options.h>
#include <SketchUpAPI/model/typed_value.h>

#include <vector>

#include "appearance/layer_table.h"
#include "appearance/material_catalogue.h"

namespace korvan {

bool ReadColourByLayer(SUModelRef model) {
    SURenderingOptionsRef options = SU_INVALID;
    if (SUModelGetRenderingOptions(model, &options) != SU_ERROR_NONE) return false;
    SUTypedValueRef value = SU_INVALID;
    if (SUTypedValueCreate(&value) != SU_ERROR_NONE) return false;
    bool on = false;
    if (SURenderingOptionsGetValue(options, "DisplayColorByLayer", &value) == SU_ERROR_NONE &&
        SUTypedValueGetBool(value, &on) != SU_ERROR_NONE)
        on = false;
    SUTypedValueRelease(&value);
    return on;
}

void AddLayer(LayerTable& layers, MaterialCatalogue& materials, SULayerRef layer) {
    int32_t value = 0;
    const uint32_t id = SUEntityGetID(SULayerToEntity(layer), &value) == SU_ERROR_NONE
                            ? static_cast<uint32_t>(value)
                            : kNoId;
    LayerEntry& row = layers[id];
    row.id = id;
    bool visible = false;
    SULayerGetVisibility(layer, &visible);
    row.visible = visible;

    SUMaterialRef material = SU_INVALID;
    int32_t materialId = 0;
    if (SULayerGetMaterial(layer, &material) != SU_ERROR_NONE || material.ptr == nullptr ||
        SUEntityGetID(SUMaterialToEntity(material), &materialId) != SU_ERROR_NONE) {
        row.materialId = 0;
        return;
    }
    row.materialId = static_cast<uint32_t>(materialId);
    // The layer owns this entry: purging the model's materials must leave it alone.
    materials.AddMaterial(material, Qnil, id);
}

std::vector<uint32_t> RefreshLayerMaterials(MaterialCatalogue& materials, SUModelRef model) {
    std::vector<uint32_t> changed;
    size_t count = 0;
    if (SUModelGetNumLayers(model, &count) != SU_ERROR_NONE || count == 0) return changed;
    std::vector<SULayerRef> layers(count, SULayerRef{});
    size_t got = 0;
    if (SUModelGetLayers(model, count, layers.data(), &got) != SU_ERROR_NONE) return changed;
    for (size_t i = 0; i < got && i < count; ++i) {
        SUMaterialRef material = SU_INVALID;
        if (SULayerGetMaterial(layers[i], &material) != SU_ERROR_NONE || material.ptr == nullptr)
            continue;
        int32_t id = 0;
        if (materials.RefreshLayerMaterial(material) &&
            SUEntityGetID(SUMaterialToEntity(material), &id) == SU_ERROR_NONE)
            changed.push_back(static_cast<uint32_t>(id));
    }
    return changed;
}

}  // namespace korvan

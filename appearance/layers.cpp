#include <SketchUpAPI/model/entity.h>
#include <SketchUpAPI/model/layer.h>
#include <SketchUpAPI/model/material.h>
#include <SketchUpAPI/model/model.h>
#include <SketchUpAPI/model/rendering_options.h>
#include <SketchUpAPI/model/typed_value.h>

#include <vector>

#include "appearance/layer_table.h"
#include "appearance/material_catalogue.h"
#include "appearance/sketchup_reads.h"

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
    uint32_t id = kNoId;
    ReadEntityId(SULayerToEntity(layer), id);
    LayerEntry& row = layers[id];
    row.id = id;
    bool visible = false;
    SULayerGetVisibility(layer, &visible);
    row.visible = visible;

    SUMaterialRef material = SU_INVALID;
    uint32_t materialId = 0;
    if (SULayerGetMaterial(layer, &material) != SU_ERROR_NONE || material.ptr == nullptr ||
        !ReadEntityId(SUMaterialToEntity(material), materialId)) {
        row.materialId = 0;
        return;
    }
    row.materialId = materialId;
    // The layer owns this entry: purging the model's materials must leave it alone.
    materials.AddMaterial(material, Qnil, id);
}

std::vector<uint32_t> RefreshLayerMaterials(MaterialCatalogue& materials, SUModelRef model) {
    std::vector<uint32_t> changed;
    for (const SULayerRef layer : ReadSketchUpList<SULayerRef>(model, SUModelGetNumLayers, SUModelGetLayers)) {
        SUMaterialRef material = SU_INVALID;
        if (SULayerGetMaterial(layer, &material) != SU_ERROR_NONE || material.ptr == nullptr)
            continue;
        uint32_t id = 0;
        if (materials.RefreshLayerMaterial(material) && ReadEntityId(SUMaterialToEntity(material), id))
            changed.push_back(id);
    }
    return changed;
}

}  // namespace korvan

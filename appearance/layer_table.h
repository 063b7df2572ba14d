// SketchUp's layers as the mirror needs them: whether each is visible and which material its
// faces show while the model colours by layer. The table belongs to the scene.
#pragma once

#include <SketchUpAPI/model/defs.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace korvan {

class MaterialCatalogue;

struct LayerEntry {
    bool visible = false;
    uint32_t id = 0;          // 0: made by a lookup of a layer not read yet
    uint32_t materialId = 0;  // the layer's own material; 0 = none
};

// Looking a layer up with operator[] makes a zero row for one not read yet, which is what the
// mirror expects of an unknown layer.
using LayerTable = std::unordered_map<uint32_t, LayerEntry>;

// The model's "DisplayColorByLayer" rendering option; false when it cannot be read.
bool ReadColourByLayer(SUModelRef model);
// Enters the layer into the table and hands its own material, if any, to the catalogue as a
// material owned by the layer.
void AddLayer(LayerTable& layers, MaterialCatalogue& materials, SULayerRef layer);
// Reads the own material of every layer of the model again, so that a changed layer colour
// reaches Korvan while the model colours by layer. Returns the ids whose texture data changed:
// their geometry must be sent again.
std::vector<uint32_t> RefreshLayerMaterials(MaterialCatalogue& materials, SUModelRef model);

}  // namespace korvan

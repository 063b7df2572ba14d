// Layer edits brought into the mirror: a layer added, shown or hidden, removed, and the model's
// "colour by layer" switched. Each runs on the host's thread with the scene lock held for it.
#include <SketchUpAPI/model/entity.h>
#include <SketchUpAPI/model/layer.h>
#include <SketchUpAPI/model/model.h>

#include <unordered_set>
#include <vector>

#include "appearance/material_catalogue.h"
#include "appearance/sketchup_reads.h"
#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"
#include "scene/su_scene.h"

namespace korvan {

using rb::id;

namespace {

bool IsLive(VALUE value) {
    return !NIL_P(value) && !RTEST(rb_funcall(value, id.isDeleted, 0));
}

SULayerRef LayerRefOf(VALUE layer) {
    SULayerRef ref = SU_INVALID;
    ref.ptr = DATA_PTR(layer);
    return ref;
}

}  // namespace

bool SUScene::LayerAdded(VALUE layer) {
    if (!IsLive(layer)) return false;
    HoldSceneForHost();
    // A new layer holds nothing yet: no face is touched.
    AddLayer(layers, *materials, LayerRefOf(layer));
    return true;
}

bool SUScene::OnLayerVisibilityChanged(VALUE layer) {
    if (!IsLive(layer)) return false;
    const SULayerRef ref = LayerRefOf(layer);
    const uint32_t layerId = EntityIdOf(SULayerToEntity(ref));
    bool visible = false;
    SULayerGetVisibility(ref, &visible);
    LayerEntry& row = layers[layerId];
    if (row.visible == visible) return false;
    row.visible = visible;

    HoldSceneForHost();
    const bool onDefault = layerId == defaultLayerId;
    // The faces a component cuts an opening into are meshed again when it shows or hides.
    LeafSet cut;
    nodes.ForEach([&](TreeNode* node) {
        if (node->layerId == layerId) {
            node->onDefaultLayer = onDefault;
            SetLayerVisible(node, visible);
        }
        if (!node->IsLeaf() && static_cast<ContainerNode*>(node)->openings != 0 && node->parent != nullptr)
            node->parent->CollectLeafChildren(cut);
    });
    for (const LeafNode* leaf : cut) dirtyFaces.insert(leaf->entityId);
    root->SetParentVisible(true, &dirtyMaterials);
    return !dirtyMaterials.empty() || !cut.empty();
}

bool SUScene::PurgeRemovedLayers(VALUE layersValue) {
    if (NIL_P(layersValue) || SUIsInvalid(modelRef)) return false;
    const std::vector<SULayerRef> present =
        ReadSketchUpList<SULayerRef>(modelRef, SUModelGetNumLayers, SUModelGetLayers);
    if (present.empty()) return false;
    HoldSceneForHost();
    std::unordered_set<uint32_t> ids;
    for (const SULayerRef layer : present) ids.insert(EntityIdOf(SULayerToEntity(layer)));
    for (auto row = layers.begin(); row != layers.end();) {
        if (ids.contains(row->first)) {
            ++row;
            continue;
        }
        materials->RemoveLayerMaterial(row->first);
        row = layers.erase(row);
    }
    return true;
}

void SUScene::ApplyColourByLayerChange() {
    const bool on = ReadColourByLayer(modelRef);
    if (on == colourByLayer) return;
    HoldSceneForHost();
    colourByLayer = on;
    if (on)
        for (const uint32_t materialId : RefreshLayerMaterials(*materials, modelRef))
            dirtyMaterials.insert(materialId);
    nodes.ForEachLeaf([&](LeafNode* leaf) {
        if (leaf->face == nullptr) return;
        const auto [front, back] = ResolveEffectiveMaterials(*leaf->face, leaf->parent);
        SetLeafMaterials(leaf, front, back);
    });
}

}  // namespace korvan

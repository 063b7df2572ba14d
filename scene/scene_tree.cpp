#include <atomic>
#include <string>

#include "scene/su_scene.h"
#include "twinlink/parallel.h"

namespace korvan {

namespace {

void SetBit(uint8_t& flags, uint8_t bit, bool on) {
    flags = on ? static_cast<uint8_t>(flags | bit) : static_cast<uint8_t>(flags & ~bit);
}

bool IsLayer(uint32_t layerId) {
    return layerId != kNoId && layerId != kModelEntitiesId;
}

}  // namespace

TreeNode* SUScene::CreateNode(NodeType type, TreeNode* parent) {
    TreeNode* node = type == NodeType::Leaf ? new LeafNode() : new TreeNode();
    node->sequence = ++nodeCounter;
    node->type = type;
    if (parent != nullptr) {
        node->parent = parent;
        parent->children.insert(node);
    }
    nodes.insert(node);
    return node;
}

void SUScene::IndexByEntity(TreeNode* node) {
    nodesByEntity[node->entityId].insert(node);
}

void SUScene::DeleteNode(TreeNode* node) {
    if (node->type == NodeType::Leaf) {
        auto* leaf = static_cast<LeafNode*>(node);
        for (const uint32_t id : {leaf->materialId, leaf->backMaterialId}) {
            const auto shown = leavesByMaterial.find(id);
            if (shown != leavesByMaterial.end()) {
                shown->second.erase(leaf);
                if (shown->second.empty()) leavesByMaterial.erase(shown);
            }
            if (id != 0) dirtyMaterials.insert(id);
        }
        leavesToRewrite.unsafe_erase(leaf);
        FaceRecord* record = leaf->face;
        if (record != nullptr && --record->references < 1) {
            record->vertexCount = 0;
            record->indices.clear();
            record->positions.clear();
            record->normals.clear();
            record->frontUV.clear();
            record->backUV.clear();
            const auto entry = faces.find(record->faceId);
            if (entry != faces.end() && &entry->second == record) faces.erase(entry);
        }
        leaf->face = nullptr;
    }
    const auto mirrors = nodesByEntity.find(node->entityId);
    if (mirrors != nodesByEntity.end()) {
        mirrors->second.unsafe_erase(node);
        if (mirrors->second.empty()) nodesByEntity.erase(mirrors);
    }
    nodes.erase(node);
    delete node;
}

void SUScene::DeleteSubtree(TreeNode* node) {
    // The parent outlives the subtree and must not keep a pointer into it.
    if (node->parent != nullptr) node->parent->children.erase(node);
    NodeList doomed;
    node->CollectSubtree(doomed, true);
    for (TreeNode* each : doomed) DeleteNode(each);
}

void SUScene::SetVisibilityFlags(TreeNode* node, bool notHidden, bool layerVisible) {
    SetBit(node->flags, VisibilityFlags::NotHidden, notHidden);
    SetBit(node->flags, VisibilityFlags::LayerVisible, layerVisible);
    if (node->parent != nullptr)
        SetBit(node->flags, VisibilityFlags::ParentVisible, node->parent->EffectiveVisible());
}

namespace {

// Sets one visibility bit; a change of the effective visibility stays marked until reported.
bool SetVisibilityBit(TreeNode* node, uint8_t bit, bool on) {
    const bool before = node->EffectiveVisible();
    SetBit(node->flags, bit, on);
    const bool after = node->EffectiveVisible();
    if (after != before) node->flags |= VisibilityFlags::Dirty;
    return after;
}

}  // namespace

bool SUScene::SetNotHidden(TreeNode* node, bool notHidden) {
    return SetVisibilityBit(node, VisibilityFlags::NotHidden, notHidden);
}

bool SUScene::SetLayerVisible(TreeNode* node, bool layerVisible) {
    return SetVisibilityBit(node, VisibilityFlags::LayerVisible, layerVisible);
}

uint32_t SUScene::FindMaterialUp(const TreeNode* node) const {
    for (; node != nullptr; node = node->parent)
        if (node->materialId != 0) return node->materialId;
    return 0;
}

uint32_t SUScene::FindLayerUp(const TreeNode* node) const {
    for (; node != nullptr; node = node->parent)
        if (IsLayer(node->layerId)) return node->layerId;
    return kNoId;
}

std::u16string SUScene::CountVertices() const {
    std::atomic<uint32_t> total{0};
    twinlink::parallel::ForEach(nodes, [&](TreeNode* node) {
        if (node->type != NodeType::Leaf) return;
        const FaceRecord* record = static_cast<const LeafNode*>(node)->face;
        if (record != nullptr) total.fetch_add(2 * record->vertexCount, std::memory_order_relaxed);
    });
    // Signed decimal, as "%d" prints it.
    const std::string text = std::to_string(static_cast<int32_t>(total.load()));
    return std::u16string(text.begin(), text.end());
}

bool SUScene::SetLeafMaterials(LeafNode* leaf, MaterialEntry* front, MaterialEntry* back) {
    const uint32_t newFront = front != nullptr ? front->id : 0;
    const uint32_t newBack = back != nullptr ? back->id : 0;
    const bool frontChanged = leaf->materialId != newFront;
    const bool backChanged = leaf->backMaterialId != newBack;

    auto leave = [&](uint32_t oldId) {
        const auto shown = leavesByMaterial.find(oldId);
        if (shown != leavesByMaterial.end()) {
            shown->second.erase(leaf);
            if (shown->second.empty()) leavesByMaterial.erase(shown);
        }
        dirtyMaterials.insert(oldId);
    };
    if (frontChanged && leaf->materialId != 0) leave(leaf->materialId);
    if (backChanged && leaf->backMaterialId != 0) leave(leaf->backMaterialId);

    leaf->frontEntry = front;
    leaf->backEntry = back;
    leaf->materialId = newFront;
    leaf->backMaterialId = newBack;

    if (frontChanged && front != nullptr) dirtyMaterials.insert(newFront);
    if (backChanged && newBack != 0) dirtyMaterials.insert(newBack);
    if (newFront != 0) leavesByMaterial[newFront].insert(leaf);
    if (newBack != 0) leavesByMaterial[newBack].insert(leaf);
    return frontChanged || backChanged;
}

}  // namespace korvan

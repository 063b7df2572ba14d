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

TreeNode* SUScene::CreateNode(NodeType type, ContainerNode* parent) {
    TreeNode* node = type == NodeType::Leaf ? static_cast<TreeNode*>(nodes.MakeLeaf())
                                            : static_cast<TreeNode*>(nodes.MakeContainer());
    node->sequence = ++nodeCounter;
    node->type = type;
    if (parent != nullptr) parent->AddChild(node);
    return node;
}

ContainerNode* SUScene::CreateContainer(NodeType type, ContainerNode* parent) {
    return static_cast<ContainerNode*>(CreateNode(type, parent));
}

LeafNode* SUScene::CreateLeaf(ContainerNode* parent) {
    return static_cast<LeafNode*>(CreateNode(NodeType::Leaf, parent));
}

void SUScene::IndexByEntity(TreeNode* node) {
    nodesByEntity.Add(node->entityId, node);
}

void SUScene::DeleteNode(TreeNode* node) {
    if (node->IsLeaf()) {
        auto* leaf = static_cast<LeafNode*>(node);
        for (const uint32_t id : {leaf->materialId, leaf->backMaterialId}) {
            leavesByMaterial.Remove(id, leaf);
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
    nodesByEntity.Remove(node->entityId, node);
    nodes.Release(node);
}

void SUScene::DeleteSubtree(TreeNode* node) {
    // The parent outlives the subtree and must not keep a pointer into it.
    if (node->parent != nullptr) node->parent->RemoveChild(node);
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
    uint32_t total = 0;
    nodes.ForEachLeaf([&](const LeafNode* leaf) {
        if (leaf->face != nullptr) total += 2 * leaf->face->vertexCount;
    });
    // Signed decimal, as "%d" prints it.
    const std::string text = std::to_string(static_cast<int32_t>(total));
    return std::u16string(text.begin(), text.end());
}

bool SUScene::SetLeafMaterials(LeafNode* leaf, MaterialEntry* front, MaterialEntry* back) {
    const uint32_t newFront = front != nullptr ? front->id : 0;
    const uint32_t newBack = back != nullptr ? back->id : 0;
    const bool frontChanged = leaf->materialId != newFront;
    const bool backChanged = leaf->backMaterialId != newBack;
    leaf->frontEntry = front;
    leaf->backEntry = back;
    if (!frontChanged && !backChanged) return false;

    // Out of the lists under the old ids, into those under the new ones.
    const uint32_t oldFront = leaf->materialId;
    const uint32_t oldBack = leaf->backMaterialId;
    leavesByMaterial.Remove(oldFront, leaf);
    if (oldBack != oldFront) leavesByMaterial.Remove(oldBack, leaf);
    if (frontChanged && oldFront != 0) dirtyMaterials.insert(oldFront);
    if (backChanged && oldBack != 0) dirtyMaterials.insert(oldBack);

    leaf->materialId = newFront;
    leaf->backMaterialId = newBack;
    ListLeafUnderMaterials(leaf);
    if (frontChanged && newFront != 0) dirtyMaterials.insert(newFront);
    if (backChanged && newBack != 0) dirtyMaterials.insert(newBack);
    return true;
}

void SUScene::ListLeafUnderMaterials(LeafNode* leaf) {
    if (leaf->materialId != 0) leavesByMaterial.Add(leaf->materialId, leaf);
    if (leaf->backMaterialId != 0 && leaf->backMaterialId != leaf->materialId)
        leavesByMaterial.Add(leaf->backMaterialId, leaf);
}

}  // namespace korvan

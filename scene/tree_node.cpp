#include "scene/tree_node.h"

#include "twinlink/parallel.h"

namespace korvan {

namespace {

void SetBit(uint8_t& flags, uint8_t bit, bool on) {
    flags = on ? static_cast<uint8_t>(flags | bit) : static_cast<uint8_t>(flags & ~bit);
}

// Children run concurrently; each task writes only its own child or a concurrent container.
template <typename Body>
void ForEachChild(std::set<TreeNode*>& children, const Body& body) {
    twinlink::parallel::ForEach(children, [&](TreeNode* child) { body(child); });
}

}  // namespace

bool TreeNode::EffectiveVisible() const {
    const bool followsContainer = (parent == nullptr || parent->type != NodeType::Root) && onDefaultLayer;
    const uint8_t mask = followsContainer ? 0x7D : 0x7F;
    return (flags & mask) == mask;
}

void TreeNode::MarkMaterialsDirty(MaterialIdSet* dirty) {
    if (dirty != nullptr && materialId != 0) dirty->insert(materialId);
}

void TreeNode::SetParentVisible(bool visible, MaterialIdSet* dirty) {
    SetBit(flags, VisibilityFlags::ParentVisible, visible);
    const bool mine = EffectiveVisible();
    ForEachChild(children, [&](TreeNode* child) { child->SetParentVisible(mine, dirty); });
}

void TreeNode::SetLocalTransform(const Matrix4& matrix, MaterialIdSet* dirty, LeafSet* moved) {
    local = matrix;
    UpdateWorldTransform(dirty, moved);
}

void TreeNode::UpdateWorldTransform(MaterialIdSet* dirty, LeafSet* moved) {
    if (parent != nullptr) SetWorldTransform(Multiply(local, parent->world));
    ForEachChild(children, [&](TreeNode* child) { child->UpdateWorldTransform(dirty, moved); });
}

const Matrix4& TreeNode::SetWorldTransform(const Matrix4& matrix) {
    world = matrix;
    // A degenerate matrix (determinant exactly 0) does not count as mirrored.
    mirrored = Determinant3(world) < 0;
    return world;
}

void TreeNode::CollectSubtree(NodeList& nodes, bool includeSelf) {
    if (includeSelf) nodes.push_back(this);
    ForEachChild(children, [&](TreeNode* child) { child->CollectSubtree(nodes, true); });
}

void TreeNode::FindByEntityId(uint32_t id, NodeList& found) {
    if (entityId == id) found.push_back(this);
    ForEachChild(children, [&](TreeNode* child) { child->FindByEntityId(id, found); });
}

void TreeNode::CollectLeaves(LeafSet& leaves) {
    ForEachChild(children, [&](TreeNode* child) { child->CollectLeaves(leaves); });
}

void TreeNode::CollectLeafChildren(LeafSet& leaves) {
    for (TreeNode* child : children)
        if (child->type == NodeType::Leaf) leaves.insert(static_cast<LeafNode*>(child));
}

void LeafNode::MarkMaterialsDirty(MaterialIdSet* dirty) {
    if (dirty == nullptr) return;
    if (materialId != 0) dirty->insert(materialId);
    if (backMaterialId != 0) dirty->insert(backMaterialId);
}

void LeafNode::SetParentVisible(bool visible, MaterialIdSet* dirty) {
    const bool before = EffectiveVisible();
    SetBit(flags, VisibilityFlags::ParentVisible, visible);
    // A leaf whose earlier change was never reported is reported now even if it ends where it
    // started.
    if ((flags & VisibilityFlags::Dirty) == 0 && EffectiveVisible() == before) return;
    SetBit(flags, VisibilityFlags::Dirty, false);
    MarkMaterialsDirty(dirty);
}

void LeafNode::UpdateWorldTransform(MaterialIdSet* dirty, LeafSet* moved) {
    // A face has no transform of its own: it sits where its container puts it.
    if (parent != nullptr) {
        world = parent->world;
        mirrored = parent->mirrored;
    }
    if (moved != nullptr) moved->insert(this);
    else MarkMaterialsDirty(dirty);
}

void LeafNode::CollectLeaves(LeafSet& leaves) {
    leaves.insert(this);
}

}  // namespace korvan

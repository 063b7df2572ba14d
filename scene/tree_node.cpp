#include "scene/tree_node.h"

#include "twinlink/parallel.h"

namespace korvan {

namespace {

void SetBit(uint8_t& flags, uint8_t bit, bool on) {
    flags = on ? static_cast<uint8_t>(flags | bit) : static_cast<uint8_t>(flags & ~bit);
}

// Children run concurrently; each task writes only its own child or a concurrent container.
template <typename Body>
void ForEachChild(const std::vector<TreeNode*>& children, const Body& body) {
    twinlink::parallel::For(children.size(), [&](size_t i) { body(children[i]); });
}

}  // namespace

bool TreeNode::EffectiveVisible() const {
    // The flag first: most faces are on a layer of their own, and then the parent is not read.
    const bool followsContainer = onDefaultLayer && (parent == nullptr || parent->type != NodeType::Root);
    const uint8_t mask = followsContainer ? 0x7D : 0x7F;
    return (flags & mask) == mask;
}

void TreeNode::MarkMaterialsDirty(MaterialIdSet* dirty) {
    if (dirty != nullptr && materialId != 0) dirty->insert(materialId);
}

void TreeNode::CollectSubtree(NodeList& nodes, bool includeSelf) {
    if (includeSelf) nodes.push_back(this);
}

void TreeNode::FindByEntityId(uint32_t id, NodeList& found) {
    if (entityId == id) found.push_back(this);
}

// ---- containers

void ContainerNode::SetParentVisible(bool visible, MaterialIdSet* dirty) {
    SetBit(flags, VisibilityFlags::ParentVisible, visible);
    const bool mine = EffectiveVisible();
    ForEachChild(children, [&](TreeNode* child) { child->SetParentVisible(mine, dirty); });
}

void ContainerNode::SetLocalTransform(const Matrix4& matrix, MaterialIdSet* dirty, LeafSet* moved) {
    local = matrix;
    UpdateWorldTransform(dirty, moved);
}

void ContainerNode::UpdateWorldTransform(MaterialIdSet* dirty, LeafSet* moved) {
    if (parent != nullptr) SetWorldTransform(Multiply(local, parent->world));
    ForEachChild(children, [&](TreeNode* child) { child->UpdateWorldTransform(dirty, moved); });
}

const Matrix4& ContainerNode::SetWorldTransform(const Matrix4& matrix) {
    world = matrix;
    // A degenerate matrix (determinant exactly 0) does not count as mirrored.
    mirrored = Determinant3(world) < 0;
    return world;
}

void ContainerNode::CollectSubtree(NodeList& nodes, bool includeSelf) {
    TreeNode::CollectSubtree(nodes, includeSelf);
    ForEachChild(children, [&](TreeNode* child) { child->CollectSubtree(nodes, true); });
}

void ContainerNode::FindByEntityId(uint32_t id, NodeList& found) {
    TreeNode::FindByEntityId(id, found);
    ForEachChild(children, [&](TreeNode* child) { child->FindByEntityId(id, found); });
}

void ContainerNode::CollectLeaves(LeafSet& leaves) {
    ForEachChild(children, [&](TreeNode* child) { child->CollectLeaves(leaves); });
}

void ContainerNode::CollectLeafChildren(LeafSet& leaves) {
    for (TreeNode* child : children)
        if (child->IsLeaf()) leaves.insert(static_cast<LeafNode*>(child));
}

void ContainerNode::AddChild(TreeNode* child) {
    child->parent = this;
    child->placeInParent = static_cast<uint32_t>(children.size());
    children.push_back(child);
}

void ContainerNode::RemoveChild(TreeNode* child) {
    const uint32_t place = child->placeInParent;
    if (child->parent != this || place >= children.size() || children[place] != child) return;
    // The last child takes the place: removal costs the same however many children there are.
    TreeNode* last = children.back();
    children[place] = last;
    last->placeInParent = place;
    children.pop_back();
    child->parent = nullptr;
}

// ---- leaves

const Matrix4& LeafNode::World() const {
    return parent != nullptr ? parent->world : kIdentityMatrix;
}

bool LeafNode::Mirrored() const {
    return parent != nullptr && parent->mirrored;
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
    if (moved != nullptr) moved->insert(this);
    else MarkMaterialsDirty(dirty);
}

void LeafNode::CollectLeaves(LeafSet& leaves) {
    leaves.insert(this);
}

}  // namespace korvan

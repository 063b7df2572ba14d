// The nodes of the mirrored scene: the model root, groups, component instances and images as
// containers, and one leaf per placement of a face. Visibility, materials and transforms
// propagate down the tree, children in parallel.
#pragma once

#include <cstdint>
#include <vector>

#include "appearance/material_entry.h"
#include "scene/matrix.h"
#include "twinlink/concurrent.h"

namespace korvan {

struct FaceRecord;
struct LeafNode;

// Also kNoId minus one: where a parent is expected, the model's own entities collection.
inline constexpr uint32_t kModelEntitiesId = 0xFFFFFFFEu;

enum class NodeType : uint8_t {
    Root = 0,
    Group = 1,
    ComponentInstance = 2,
    Image = 3,
    Leaf = 4,
    None = 255,
};

// Bits of TreeNode::flags. Bits 3 to 6 are set at creation and never cleared.
namespace VisibilityFlags {
inline constexpr uint8_t NotHidden = 0x01;
inline constexpr uint8_t LayerVisible = 0x02;
inline constexpr uint8_t ParentVisible = 0x04;
inline constexpr uint8_t Initial = 0x7F;
inline constexpr uint8_t Dirty = 0x80;  // effective visibility changed, not yet reported
}  // namespace VisibilityFlags

// Material ids whose batches must be rebuilt. Concurrent: the parallel tree operations insert
// into it from many tasks.
using MaterialIdSet = twinlink::concurrent::UnorderedSet<uint32_t>;
using NodeList = twinlink::concurrent::Vector<struct TreeNode*>;
using LeafSet = twinlink::concurrent::UnorderedSet<LeafNode*>;

struct ContainerNode;

// What every node has: its place in the tree and in the scene's indexes, its layer, visibility
// and material. Nodes live in the scene's pools (node_pool.h); a leaf is most of the nodes, so it
// carries no more than a leaf needs.
struct TreeNode {
    TreeNode() = default;
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    ContainerNode* parent = nullptr;
    uint32_t sequence = kNoId;
    uint32_t layerId = kNoId;  // kNoId and kModelEntitiesId both mean "no layer"
    uint32_t entityId = kNoId;  // leaf: the face id; root: kNoId
    uint32_t materialId = 0;    // container: its own material; leaf: effective front
    uint32_t placeInParent = 0;  // index in the parent's children
    uint32_t placeInIndex = 0;   // index among the nodes mirroring the same entity
    NodeType type = NodeType::None;
    uint8_t flags = VisibilityFlags::Initial;
    bool onDefaultLayer = false;

    // The operations that run down the tree. A null dirty set marks nothing. Given a set of
    // moved leaves, the transforms put the leaves below there instead of marking their
    // materials: a leaf that only moved is written again where it lies in its batches.
    virtual void MarkMaterialsDirty(MaterialIdSet* dirty);
    virtual void SetParentVisible(bool visible, MaterialIdSet* dirty) = 0;
    virtual void UpdateWorldTransform(MaterialIdSet* dirty, LeafSet* moved = nullptr) = 0;
    virtual void CollectSubtree(NodeList& nodes, bool includeSelf);
    virtual void FindByEntityId(uint32_t id, NodeList& found);
    virtual void CollectLeaves(LeafSet& leaves) = 0;
    virtual ~TreeNode() = default;

    bool IsLeaf() const { return type == NodeType::Leaf; }
    // Entities on the default layer inside a group or component follow their container, so
    // for them the layer bit does not count.
    bool EffectiveVisible() const;
};

// The root, a group, a component instance or an image: a transform and what its definition
// holds.
struct ContainerNode : TreeNode {
    uint32_t definitionId = kNoId;  // the definition whose entities are the children
    bool mirrored = false;
    uint64_t openings = 0;
    std::vector<TreeNode*> children;  // not owned; a child knows its place here
    Matrix4 local = kIdentityMatrix;
    Matrix4 world = kIdentityMatrix;

    void SetParentVisible(bool visible, MaterialIdSet* dirty) override;
    void SetLocalTransform(const Matrix4& matrix, MaterialIdSet* dirty, LeafSet* moved = nullptr);
    void UpdateWorldTransform(MaterialIdSet* dirty, LeafSet* moved = nullptr) override;
    const Matrix4& SetWorldTransform(const Matrix4& matrix);
    void CollectSubtree(NodeList& nodes, bool includeSelf) override;
    void FindByEntityId(uint32_t id, NodeList& found) override;
    void CollectLeaves(LeafSet& leaves) override;
    void CollectLeafChildren(LeafSet& leaves);

    void AddChild(TreeNode* child);
    void RemoveChild(TreeNode* child);
};

// Where one side of a leaf lies in its material's batch, and how much room it has there, as the
// build stamped `layout` laid it out. Written and read by the sync worker only.
struct BatchSlot {
    uint32_t vertexOffset = 0;
    uint32_t indexOffset = 0;
    uint32_t vertexCount = 0;
    uint32_t indexCount = 0;
    uint32_t layout = 0;
};

// One placement of a face. It has no transform of its own: it sits where its container puts it.
struct LeafNode : TreeNode {
    FaceRecord* face = nullptr;  // one counted reference into the scene's face table
    uint32_t backMaterialId = 0;
    // Index in the scene's list of leaves of materialId, and of backMaterialId when that differs.
    uint32_t placeInFrontList = 0;
    uint32_t placeInBackList = 0;
    MaterialEntry* frontEntry = nullptr;
    MaterialEntry* backEntry = nullptr;
    mutable BatchSlot slots[2];  // front, back

    const Matrix4& World() const;
    bool Mirrored() const;

    void MarkMaterialsDirty(MaterialIdSet* dirty) override;
    void SetParentVisible(bool visible, MaterialIdSet* dirty) override;
    void UpdateWorldTransform(MaterialIdSet* dirty, LeafSet* moved = nullptr) override;
    void CollectLeaves(LeafSet& leaves) override;
};

// Where a node stands among the nodes mirroring its entity.
struct PlaceInEntityIndex {
    uint32_t& operator()(TreeNode* node, uint32_t) const { return node->placeInIndex; }
};

// Where a leaf stands in the list of one of its two materials.
struct PlaceInMaterialList {
    uint32_t& operator()(LeafNode* leaf, uint32_t materialId) const {
        return materialId == leaf->materialId ? leaf->placeInFrontList : leaf->placeInBackList;
    }
};

}  // namespace korvan

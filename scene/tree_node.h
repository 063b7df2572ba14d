// The nodes of the mirrored scene: the model root, groups, component instances and images as
// containers, and one leaf per placement of a face. Visibility, materials and transforms
// propagate down the tree through the nine operations below, children in parallel.
#pragma once

#include <tbb/concurrent_unordered_set.h>
#include <tbb/concurrent_vector.h>

#include <cstdint>
#include <set>

#include "appearance/material_entry.h"
#include "scene/matrix.h"

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
using MaterialIdSet = tbb::concurrent_unordered_set<uint32_t>;
using NodeList = tbb::concurrent_vector<struct TreeNode*>;
using LeafSet = tbb::concurrent_unordered_set<LeafNode*>;

struct TreeNode {
    TreeNode() = default;
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    uint32_t sequence = kNoId;
    NodeType type = NodeType::None;
    uint32_t layerId = kNoId;  // kNoId and kModelEntitiesId both mean "no layer"
    bool onDefaultLayer = false;
    uint8_t flags = VisibilityFlags::Initial;
    uint32_t entityId = kNoId;      // leaf: the face id; root: kNoId
    uint32_t definitionId = kNoId;  // the definition whose entities are the children
    TreeNode* parent = nullptr;
    std::set<TreeNode*> children;   // not owned; ordered by address
    uint32_t materialId = 0;        // container: its own material; leaf: effective front
    Matrix4 local = kIdentityMatrix;
    Matrix4 world = kIdentityMatrix;
    bool mirrored = false;
    uint64_t openings = 0;

    // The nine operations, in this order. A null dirty set marks nothing. Given a set of moved
    // leaves, the transforms put the leaves below there instead of marking their materials:
    // a leaf that only moved is written again where it lies in its batches.
    virtual void MarkMaterialsDirty(MaterialIdSet* dirty);
    virtual void SetParentVisible(bool visible, MaterialIdSet* dirty);
    virtual void SetLocalTransform(const Matrix4& matrix, MaterialIdSet* dirty, LeafSet* moved = nullptr);
    virtual void UpdateWorldTransform(MaterialIdSet* dirty, LeafSet* moved = nullptr);
    virtual const Matrix4& SetWorldTransform(const Matrix4& matrix);
    virtual void CollectSubtree(NodeList& nodes, bool includeSelf);
    virtual void FindByEntityId(uint32_t id, NodeList& found);
    virtual void CollectLeaves(LeafSet& leaves);
    virtual void CollectLeafChildren(LeafSet& leaves);
    virtual ~TreeNode() = default;

    // Entities on the default layer inside a group or component follow their container, so
    // for them the layer bit does not count.
    bool EffectiveVisible() const;
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

struct LeafNode : TreeNode {
    FaceRecord* face = nullptr;  // one counted reference into the scene's face table
    uint32_t backMaterialId = 0;
    MaterialEntry* frontEntry = nullptr;
    MaterialEntry* backEntry = nullptr;
    mutable BatchSlot slots[2];  // front, back

    void MarkMaterialsDirty(MaterialIdSet* dirty) override;
    void SetParentVisible(bool visible, MaterialIdSet* dirty) override;
    void UpdateWorldTransform(MaterialIdSet* dirty, LeafSet* moved = nullptr) override;
    void CollectLeaves(LeafSet& leaves) override;
};

}  // namespace korvan

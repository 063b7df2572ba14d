// The mirrored scene tree: visibility as the renderer must see it, which materials a change
// marks for re-sending, transforms down the tree, the indexes kept when nodes go, and the
// vertex count the descriptor reports.
#include <gtest/gtest.h>

#include <set>

// Last: Ruby's headers turn a few C library names into macros.
#include "scene/su_scene.h"
#include "scene_test_support.h"

namespace {

using namespace korvan;

using scene_test::Ids;
using scene_test::ScaleThenMove;
using scene_test::Scaling;
using scene_test::Translation;

class SceneTreeTest : public ::testing::Test {
  protected:
    // A leaf that shows `front` and `back`, registered as a placement of face `faceId`.
    LeafNode* Leaf(TreeNode* parent, uint32_t front, uint32_t back, uint32_t faceId = 0) {
        auto* leaf = static_cast<LeafNode*>(scene.CreateNode(NodeType::Leaf, parent));
        leaf->materialId = front;
        leaf->backMaterialId = back;
        leaf->entityId = faceId;
        if (faceId != 0) {
            FaceRecord& record = scene.faces[faceId];
            record.faceId = faceId;
            ++record.references;
            leaf->face = &record;
            scene.IndexByEntity(leaf);
        }
        if (front != 0) scene.leavesByMaterial[front].insert(leaf);
        if (back != 0) scene.leavesByMaterial[back].insert(leaf);
        return leaf;
    }

    TreeNode* Root() {
        scene.root = scene.CreateNode(NodeType::Root, nullptr);
        return scene.root;
    }

    SUScene scene{nullptr, nullptr, Qnil};
};

TEST_F(SceneTreeTest, TheDefaultLayerInsideAContainerFollowsTheContainerAndBuildingMarksNothing) {
    TreeNode* root = Root();
    TreeNode* group = scene.CreateNode(NodeType::Group, root);
    TreeNode* inGroup = scene.CreateNode(NodeType::Leaf, group);
    TreeNode* atTop = scene.CreateNode(NodeType::Leaf, root);
    TreeNode* otherLayerInGroup = scene.CreateNode(NodeType::Leaf, group);
    inGroup->onDefaultLayer = true;
    atTop->onDefaultLayer = true;

    EXPECT_TRUE(scene.SetLayerVisible(inGroup, false));
    EXPECT_EQ(inGroup->flags, 0x7D);  // nothing to report: it never went out of sight
    EXPECT_FALSE(scene.SetLayerVisible(atTop, false));
    EXPECT_EQ(atTop->flags, 0x7D | VisibilityFlags::Dirty);
    EXPECT_FALSE(scene.SetLayerVisible(otherLayerInGroup, false));
    EXPECT_EQ(otherLayerInGroup->flags, 0x7D | VisibilityFlags::Dirty);

    // Hidden entities on the default layer are hidden wherever they are.
    EXPECT_FALSE(scene.SetNotHidden(inGroup, false));
    EXPECT_EQ(inGroup->flags, 0x7C | VisibilityFlags::Dirty);
    // Back where it was: still dirty until the change has been reported.
    EXPECT_TRUE(scene.SetNotHidden(inGroup, true));
    EXPECT_EQ(inGroup->flags, 0x7D | VisibilityFlags::Dirty);

    // The flags a build sets take the parent's visibility and mark nothing.
    scene.SetVisibilityFlags(root, false, true);
    EXPECT_EQ(root->flags, 0x7E);  // without a parent the parent bit stays set
    TreeNode* built = scene.CreateNode(NodeType::Group, root);
    scene.SetVisibilityFlags(built, true, true);
    EXPECT_EQ(built->flags, 0x7B);
    TreeNode* leaf = scene.CreateNode(NodeType::Leaf, built);
    scene.SetVisibilityFlags(leaf, true, false);
    EXPECT_EQ(leaf->flags, 0x79);
    EXPECT_FALSE(leaf->EffectiveVisible());
}

TEST_F(SceneTreeTest, HidingAContainerMarksOnlyLeavesWhoseVisibilityChangedOrWasUnreported) {
    TreeNode* root = Root();
    TreeNode* group = scene.CreateNode(NodeType::Group, root);
    group->materialId = 50;
    LeafNode* alreadyHidden = Leaf(group, 10, 11);
    LeafNode* hiddenUnreported = Leaf(group, 20, 21);
    LeafNode* visible = Leaf(group, 30, 0);
    scene.SetVisibilityFlags(alreadyHidden, false, true);
    scene.SetNotHidden(hiddenUnreported, false);
    ASSERT_TRUE(hiddenUnreported->flags & VisibilityFlags::Dirty);

    MaterialIdSet dirty;
    group->SetParentVisible(false, &dirty);
    EXPECT_EQ(Ids(dirty), (std::set<uint32_t>{20, 21, 30}));
    EXPECT_EQ(hiddenUnreported->flags & VisibilityFlags::Dirty, 0);
    EXPECT_FALSE(visible->EffectiveVisible());

    // Already hidden everywhere and reported: a second pass finds nothing to send.
    dirty.clear();
    group->SetParentVisible(false, &dirty);
    EXPECT_TRUE(dirty.empty());

    // A hidden container passes its own visibility down, not the one it was given.
    scene.SetNotHidden(group, false);
    root->SetParentVisible(true, &dirty);
    EXPECT_TRUE(dirty.empty());
    EXPECT_FALSE(visible->EffectiveVisible());
    scene.SetNotHidden(group, true);
    root->SetParentVisible(true, &dirty);
    EXPECT_EQ(Ids(dirty), std::set<uint32_t>{30});
    EXPECT_TRUE(visible->EffectiveVisible());
    EXPECT_FALSE(hiddenUnreported->EffectiveVisible());  // still hidden itself

    // Without a set nothing is recorded, but the flags still move.
    root->SetParentVisible(false, nullptr);
    EXPECT_FALSE(visible->EffectiveVisible());
}

TEST_F(SceneTreeTest, MovingAGroupMarksTheMaterialsOfEveryLeafBelowItAndOnlyThose) {
    TreeNode* root = Root();
    root->SetWorldTransform(Translation(0, 0.5f, 0));  // the root's world is set, not derived
    TreeNode* moved = scene.CreateNode(NodeType::Group, root);
    moved->materialId = 99;
    TreeNode* nested = scene.CreateNode(NodeType::ComponentInstance, moved);
    nested->SetLocalTransform(Translation(1, 2, 3), nullptr);
    TreeNode* other = scene.CreateNode(NodeType::Group, root);
    Leaf(moved, 10, 11);
    Leaf(moved, 12, 0);
    LeafNode* deep = Leaf(nested, 13, 14);
    Leaf(other, 20, 21);
    Leaf(root, 30, 31);

    MaterialIdSet dirty;
    moved->SetLocalTransform(Translation(10, 0, 0), &dirty);
    EXPECT_EQ(Ids(dirty), (std::set<uint32_t>{10, 11, 12, 13, 14}));
    // world = local x parent world, all the way down; a leaf sits where its container is.
    EXPECT_EQ(moved->world, Translation(10, 0.5f, 0));
    EXPECT_EQ(nested->world, Translation(11, 2.5f, 3));
    EXPECT_EQ(deep->world, nested->world);
    EXPECT_FALSE(deep->mirrored);

    dirty.clear();
    moved->SetLocalTransform(Scaling(-1, 1, 1), &dirty);
    EXPECT_TRUE(moved->mirrored);
    EXPECT_TRUE(nested->mirrored);
    EXPECT_TRUE(deep->mirrored);
    EXPECT_EQ(deep->world, ScaleThenMove({-1, 1, 1}, {-1, 2.5f, 3}));
    EXPECT_EQ(Ids(dirty), (std::set<uint32_t>{10, 11, 12, 13, 14}));
}

TEST_F(SceneTreeTest, OnlyAStrictlyNegativeDeterminantMirrors) {
    TreeNode* node = scene.CreateNode(NodeType::Group, nullptr);
    EXPECT_FALSE(node->mirrored);
    node->SetWorldTransform(Scaling(1, -2, 1));
    EXPECT_TRUE(node->mirrored);
    node->SetWorldTransform(Scaling(1, 0, 1));  // flattened: determinant exactly 0
    EXPECT_FALSE(node->mirrored);
    node->SetWorldTransform(Scaling(-1, -1, 1));
    EXPECT_FALSE(node->mirrored);
    Matrix4 flipped = kIdentityMatrix;  // two axes swapped
    flipped[0] = 0, flipped[1] = 1, flipped[4] = 1, flipped[5] = 0;
    node->SetWorldTransform(flipped);
    EXPECT_TRUE(node->mirrored);
    EXPECT_EQ(node->world, flipped);
}

TEST_F(SceneTreeTest, TheLastPlacementOfAFaceTakesItsRecordWithIt) {
    TreeNode* root = Root();
    LeafNode* first = Leaf(root, 10, 11, 500);
    LeafNode* second = Leaf(root, 10, 12, 500);
    FaceRecord& record = scene.faces.at(500);
    record.vertexCount = 4;
    record.positions.assign(12, 1.0f);
    ASSERT_EQ(record.references, 2u);
    EXPECT_EQ(scene.CountVertices(), u"16");  // every placement, both sides

    scene.DeleteNode(first);
    EXPECT_EQ(Ids(scene.dirtyMaterials), (std::set<uint32_t>{10, 11}));
    ASSERT_TRUE(scene.faces.contains(500));
    EXPECT_EQ(scene.faces.at(500).references, 1u);
    EXPECT_EQ(scene.faces.at(500).positions.size(), 12u);
    EXPECT_EQ(scene.nodesByEntity.at(500).size(), 1u);
    EXPECT_EQ(scene.leavesByMaterial.at(10), std::unordered_set<LeafNode*>{second});
    EXPECT_FALSE(scene.leavesByMaterial.contains(11));
    EXPECT_EQ(scene.nodes.size(), 2u);
    EXPECT_EQ(scene.CountVertices(), u"8");

    // The parent drops it first, as the change handlers do.
    root->children.erase(second);
    scene.DeleteNode(second);
    EXPECT_FALSE(scene.faces.contains(500));
    EXPECT_FALSE(scene.nodesByEntity.contains(500));
    EXPECT_FALSE(scene.leavesByMaterial.contains(10));
    EXPECT_EQ(Ids(scene.dirtyMaterials), (std::set<uint32_t>{10, 11, 12}));
    EXPECT_EQ(scene.nodes, std::unordered_set<TreeNode*>{root});
    EXPECT_EQ(scene.CountVertices(), u"0");
}

TEST_F(SceneTreeTest, DeletingASubtreeLeavesTheRestAndItsParentIntact) {
    TreeNode* root = Root();
    TreeNode* group = scene.CreateNode(NodeType::Group, root);
    group->entityId = 70;
    scene.IndexByEntity(group);
    TreeNode* nested = scene.CreateNode(NodeType::Group, group);
    Leaf(group, 10, 0, 501);
    Leaf(nested, 11, 0, 502);
    LeafNode* kept = Leaf(root, 12, 0, 503);

    scene.DeleteSubtree(group);
    EXPECT_EQ(root->children, std::set<TreeNode*>{kept});
    EXPECT_EQ(scene.nodes, (std::unordered_set<TreeNode*>{root, kept}));
    EXPECT_EQ(Ids(scene.dirtyMaterials), (std::set<uint32_t>{10, 11}));
    EXPECT_FALSE(scene.nodesByEntity.contains(70));
    EXPECT_FALSE(scene.faces.contains(501));
    EXPECT_FALSE(scene.faces.contains(502));
    EXPECT_TRUE(scene.faces.contains(503));
}

TEST_F(SceneTreeTest, LeafMaterialsMoveBetweenIndexesAndMarkOldAndNew) {
    LeafNode* leaf = Leaf(Root(), 0, 0);
    MaterialEntry brick{.id = 7}, glass{.id = 8}, stone{.id = 9};

    EXPECT_TRUE(scene.SetLeafMaterials(leaf, &brick, &glass));
    EXPECT_EQ(leaf->materialId, 7u);
    EXPECT_EQ(leaf->backMaterialId, 8u);
    EXPECT_EQ(leaf->frontEntry, &brick);
    EXPECT_EQ(leaf->backEntry, &glass);
    EXPECT_EQ(Ids(scene.dirtyMaterials), (std::set<uint32_t>{7, 8}));
    EXPECT_TRUE(scene.leavesByMaterial.at(7).contains(leaf));
    EXPECT_TRUE(scene.leavesByMaterial.at(8).contains(leaf));

    scene.dirtyMaterials.clear();
    EXPECT_FALSE(scene.SetLeafMaterials(leaf, &brick, &glass));
    EXPECT_TRUE(scene.dirtyMaterials.empty());

    EXPECT_TRUE(scene.SetLeafMaterials(leaf, &stone, nullptr));
    EXPECT_EQ(Ids(scene.dirtyMaterials), (std::set<uint32_t>{7, 8, 9}));
    EXPECT_EQ(leaf->backMaterialId, 0u);
    EXPECT_EQ(leaf->backEntry, nullptr);
    EXPECT_FALSE(scene.leavesByMaterial.contains(7));
    EXPECT_FALSE(scene.leavesByMaterial.contains(8));
    EXPECT_EQ(scene.leavesByMaterial.at(9), std::unordered_set<LeafNode*>{leaf});

    // Same material on both sides: one index entry, and changing one side keeps it.
    EXPECT_TRUE(scene.SetLeafMaterials(leaf, &stone, &stone));
    scene.dirtyMaterials.clear();
    EXPECT_TRUE(scene.SetLeafMaterials(leaf, &stone, &brick));
    EXPECT_EQ(Ids(scene.dirtyMaterials), (std::set<uint32_t>{9, 7}));
    EXPECT_TRUE(scene.leavesByMaterial.at(9).contains(leaf));
}

TEST_F(SceneTreeTest, RecursiveCollectionsReachEveryLevelAndLeafChildrenOnlyOne) {
    TreeNode* root = Root();
    TreeNode* group = scene.CreateNode(NodeType::Group, root);
    group->entityId = 5;
    TreeNode* nested = scene.CreateNode(NodeType::ComponentInstance, group);
    nested->entityId = 5;  // a second placement of the same entity
    LeafNode* top = Leaf(root, 1, 0);
    LeafNode* middle = Leaf(group, 1, 0);
    LeafNode* deep = Leaf(nested, 1, 0);

    NodeList all;
    root->CollectSubtree(all, false);
    EXPECT_EQ(std::set<TreeNode*>(all.begin(), all.end()),
              (std::set<TreeNode*>{group, nested, top, middle, deep}));
    NodeList withSelf;
    group->CollectSubtree(withSelf, true);
    EXPECT_EQ(withSelf.size(), 4u);

    NodeList found;
    root->FindByEntityId(5, found);
    EXPECT_EQ(std::set<TreeNode*>(found.begin(), found.end()), (std::set<TreeNode*>{group, nested}));

    LeafSet leaves;
    root->CollectLeaves(leaves);
    EXPECT_EQ(std::set<LeafNode*>(leaves.begin(), leaves.end()), (std::set<LeafNode*>{top, middle, deep}));
    LeafSet children;
    group->CollectLeafChildren(children);
    EXPECT_EQ(std::set<LeafNode*>(children.begin(), children.end()), std::set<LeafNode*>{middle});
}

TEST_F(SceneTreeTest, WideNodesRunEveryChild) {
    TreeNode* root = Root();
    for (uint32_t i = 1; i <= 3000; ++i) Leaf(root, i, 0);
    MaterialIdSet dirty;
    root->SetLocalTransform(Translation(1, 0, 0), &dirty);
    EXPECT_EQ(dirty.size(), 3000u);
    LeafSet leaves;
    root->CollectLeaves(leaves);
    EXPECT_EQ(leaves.size(), 3000u);
}

}  // namespace

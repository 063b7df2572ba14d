// The mirrored scene tree: visibility as the renderer must see it, which materials a change
// marks for re-sending, transforms down the tree, and the indexes kept when nodes go. What an
// edit does to the whole tree is compared with what SketchUp draws in the live-edit host test.
#include <gtest/gtest.h>

#include <set>
#include <vector>

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
    LeafNode* Leaf(ContainerNode* parent, uint32_t front, uint32_t back, uint32_t faceId = 0) {
        LeafNode* leaf = scene.CreateLeaf(parent);
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
        scene.ListLeafUnderMaterials(leaf);
        return leaf;
    }

    ContainerNode* Root() {
        scene.root = scene.CreateContainer(NodeType::Root, nullptr);
        return scene.root;
    }

    // The leaves listed under a material id, each once.
    std::multiset<LeafNode*> Listed(uint32_t materialId) const {
        const auto list = scene.leavesByMaterial.Find(materialId);
        return {list.begin(), list.end()};
    }

    std::set<TreeNode*> AllNodes() const {
        std::set<TreeNode*> all;
        scene.nodes.ForEach([&](TreeNode* node) { all.insert(node); });
        return all;
    }

    SUScene scene{nullptr, nullptr, Qnil};
};

TEST_F(SceneTreeTest, TheDefaultLayerInsideAContainerFollowsTheContainer) {
    ContainerNode* root = Root();
    ContainerNode* group = scene.CreateContainer(NodeType::Group, root);
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
}

TEST_F(SceneTreeTest, HidingAContainerMarksOnlyLeavesWhoseVisibilityChangedOrWasUnreported) {
    ContainerNode* group = scene.CreateContainer(NodeType::Group, Root());
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
}

// One level below a moved group is the live-edit test's; here the levels below that.
TEST_F(SceneTreeTest, MovingAGroupCarriesEveryLevelBelowItAndMarksOnlyTheirMaterials) {
    ContainerNode* root = Root();
    ContainerNode* moved = scene.CreateContainer(NodeType::Group, root);
    ContainerNode* nested = scene.CreateContainer(NodeType::ComponentInstance, moved);
    nested->SetLocalTransform(Translation(1, 2, 3), nullptr);
    LeafNode* direct = Leaf(moved, 10, 0);
    LeafNode* deep = Leaf(nested, 11, 12);
    Leaf(root, 20, 21);

    MaterialIdSet dirty;
    moved->SetLocalTransform(Scaling(-1, 1, 1), &dirty);
    EXPECT_EQ(Ids(dirty), (std::set<uint32_t>{10, 11, 12}));
    EXPECT_TRUE(deep->Mirrored());
    EXPECT_EQ(deep->World(), ScaleThenMove({-1, 1, 1}, {-1, 2, 3}));

    // Painting a container reaches every level; an opening re-meshes only the faces beside it.
    LeafSet leaves, children;
    moved->CollectLeaves(leaves);
    moved->CollectLeafChildren(children);
    EXPECT_EQ(std::set<LeafNode*>(leaves.begin(), leaves.end()),
              (std::set<LeafNode*>{direct, deep}));
    EXPECT_EQ(std::set<LeafNode*>(children.begin(), children.end()), std::set<LeafNode*>{direct});
}

TEST_F(SceneTreeTest, OnlyAStrictlyNegativeDeterminantMirrors) {
    ContainerNode* node = scene.CreateContainer(NodeType::Group, nullptr);
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

TEST_F(SceneTreeTest, DeletingASubtreeKeepsAFacesRecordUntilItsLastPlacementGoes) {
    ContainerNode* root = Root();
    ContainerNode* group = scene.CreateContainer(NodeType::Group, root);
    group->entityId = 70;
    scene.IndexByEntity(group);
    ContainerNode* nested = scene.CreateContainer(NodeType::Group, group);
    Leaf(nested, 10, 11, 500);
    LeafNode* kept = Leaf(root, 10, 12, 500);  // the same face placed a second time
    scene.faces.at(500).positions.assign(12, 1.0f);

    scene.DeleteSubtree(group);
    EXPECT_EQ(root->children, std::vector<TreeNode*>{kept});
    EXPECT_EQ(kept->placeInParent, 0u);
    EXPECT_EQ(AllNodes(), (std::set<TreeNode*>{root, kept}));
    EXPECT_EQ(Ids(scene.dirtyMaterials), (std::set<uint32_t>{10, 11}));
    EXPECT_FALSE(scene.nodesByEntity.contains(70));
    ASSERT_TRUE(scene.faces.contains(500));
    EXPECT_EQ(scene.faces.at(500).references, 1u);
    EXPECT_EQ(scene.faces.at(500).positions.size(), 12u);
    EXPECT_EQ(scene.nodesByEntity.Find(500).size(), 1u);
    EXPECT_EQ(Listed(10), std::multiset<LeafNode*>{kept});
    EXPECT_FALSE(scene.leavesByMaterial.contains(11));

    scene.DeleteSubtree(kept);
    EXPECT_FALSE(scene.faces.contains(500));
    EXPECT_FALSE(scene.nodesByEntity.contains(500));
    EXPECT_FALSE(scene.leavesByMaterial.contains(10));
    EXPECT_EQ(Ids(scene.dirtyMaterials), (std::set<uint32_t>{10, 11, 12}));
    EXPECT_EQ(AllNodes(), std::set<TreeNode*>{root});
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
    EXPECT_EQ(Listed(7), std::multiset<LeafNode*>{leaf});
    EXPECT_EQ(Listed(8), std::multiset<LeafNode*>{leaf});

    scene.dirtyMaterials.clear();
    EXPECT_FALSE(scene.SetLeafMaterials(leaf, &brick, &glass));
    EXPECT_TRUE(scene.dirtyMaterials.empty());

    EXPECT_TRUE(scene.SetLeafMaterials(leaf, &stone, nullptr));
    EXPECT_EQ(Ids(scene.dirtyMaterials), (std::set<uint32_t>{7, 8, 9}));
    EXPECT_EQ(leaf->backMaterialId, 0u);
    EXPECT_EQ(leaf->backEntry, nullptr);
    EXPECT_FALSE(scene.leavesByMaterial.contains(7));
    EXPECT_FALSE(scene.leavesByMaterial.contains(8));
    EXPECT_EQ(Listed(9), std::multiset<LeafNode*>{leaf});

    // The same material on both sides lists the leaf once.
    EXPECT_TRUE(scene.SetLeafMaterials(leaf, &stone, &stone));
    EXPECT_EQ(Listed(9), std::multiset<LeafNode*>{leaf});
    EXPECT_TRUE(scene.SetLeafMaterials(leaf, &brick, nullptr));
    EXPECT_FALSE(scene.leavesByMaterial.contains(9));
    EXPECT_EQ(Listed(7), std::multiset<LeafNode*>{leaf});
}

// Nodes leave the children, entity and material lists from any place in them; what stays is
// listed exactly once, and a node made afterwards takes a freed slot.
TEST_F(SceneTreeTest, NodesLeaveEveryListFromAnyPlace) {
    ContainerNode* root = Root();
    std::vector<LeafNode*> leaves;
    for (uint32_t i = 0; i < 10; ++i) leaves.push_back(Leaf(root, 10, i % 2 == 0 ? 10 : 11, 500));
    for (const size_t gone : {0u, 5u, 9u, 4u}) scene.DeleteSubtree(leaves[gone]);

    const std::multiset<LeafNode*> kept{leaves[1], leaves[2], leaves[3], leaves[6], leaves[7], leaves[8]};
    EXPECT_EQ(Listed(10), kept);
    EXPECT_EQ(Listed(11), (std::multiset<LeafNode*>{leaves[1], leaves[3], leaves[7]}));
    const auto mirrors = scene.nodesByEntity.Find(500);
    EXPECT_EQ(std::multiset<TreeNode*>(mirrors.begin(), mirrors.end()),
              std::multiset<TreeNode*>(kept.begin(), kept.end()));
    EXPECT_EQ(std::multiset<TreeNode*>(root->children.begin(), root->children.end()),
              std::multiset<TreeNode*>(kept.begin(), kept.end()));
    for (size_t i = 0; i < root->children.size(); ++i) EXPECT_EQ(root->children[i]->placeInParent, i);
    EXPECT_EQ(scene.faces.at(500).references, 6u);
    EXPECT_EQ(scene.nodes.size(), 7u);

    LeafNode* again = Leaf(root, 12, 0);
    EXPECT_EQ(again, leaves[4]) << "the last slot given back is handed out first";
    EXPECT_EQ(again->face, nullptr);
    EXPECT_EQ(again->flags, VisibilityFlags::Initial);
    EXPECT_EQ(scene.nodes.size(), 8u);
}

TEST_F(SceneTreeTest, WideNodesRunEveryChild) {
    ContainerNode* root = Root();
    for (uint32_t i = 1; i <= 3000; ++i) Leaf(root, i, 0);
    MaterialIdSet dirty;
    root->SetLocalTransform(Translation(1, 0, 0), &dirty);
    EXPECT_EQ(dirty.size(), 3000u);
    LeafSet leaves;
    root->CollectLeaves(leaves);
    EXPECT_EQ(leaves.size(), 3000u);
}

}  // namespace

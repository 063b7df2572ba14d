// Walking SketchUp's entities into the scene tree: transforms converted to the renderer's axes
// and metres, what becomes a node and what does not, and the correction SketchUp's open editing
// context needs; and the load's status texts with the progress dots that follow a text while the
// tree is built. World matrices through nested placements are checked against what SketchUp
// draws, in the mirror oracle's host test.
#include <SketchUpAPI/sketchup.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "liveconnection/live_connection.h"
#include "model/model.h"
// Last: Ruby's headers turn memcpy into a macro that std::memcpy above must not meet.
#include "appearance/material_catalogue.h"
#include "scene/su_scene.h"
#include "scene_test_support.h"

namespace {

using namespace korvan;

using scene_test::kInch;
using scene_test::RefTo;

// The tree as the load builds it: a root raised by 1 mm with the model's entities below.
class SceneTraversalTest : public ::testing::Test {
  protected:
    void SetUp() override { catalogue.BeginLoad(Qnil, RefTo<SUModelRef>(&model), true, false); }

    void Build() {
        scene.modelRef = RefTo<SUModelRef>(&model);
        scene.defaultLayerId = model.defaultLayer->id;
        for (hostsim::Layer* layer : model.layers)
            AddLayer(scene.layers, catalogue, RefTo<SULayerRef>(layer));
        const SUEntityRef noEntity = SU_INVALID;
        scene.root = scene.CreateContainerNode(nullptr, noEntity, NodeType::Root, kNoId);
        scene.root->SetWorldTransform(scene_test::Translation(0, 0.001f, 0));
        scene.BuildEntities(RefTo<SUEntitiesRef>(model.entities), scene.root);
    }

    // The one container that mirrors the placement (placed once).
    ContainerNode* NodeOf(const hostsim::Entity* entity) {
        const auto found = scene.nodesByEntity.Find(entity->id);
        if (found.size() != 1 || found.front()->IsLeaf()) return nullptr;
        return static_cast<ContainerNode*>(found.front());
    }

    Matrix4 Converted(const hostsim::Transform& t, bool inOpenDefinition = false) {
        return scene.ConvertTransformation(t.m.data(), inOpenDefinition);
    }

    hostsim::Face* Square(hostsim::Entities* in, double size = 10) {
        return model.AddFace(in, {{0, 0, 0}, {size, 0, 0}, {size, size, 0}, {0, size, 0}});
    }

    hostsim::Model model;
    TwinLinkAPI::LiveConnection connection;
    MaterialCatalogue catalogue{&connection};
    SUScene scene{&connection, &catalogue, Qnil};
};

TEST_F(SceneTraversalTest, ConvertTransformationSwapsYAndZScalesTranslationAndDividesByW) {
    // Column by column, as SketchUp stores it: the images of x, y and z, then the translation.
    const double d[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 10, 20, 30, 1};
    // clang-format off
    const Matrix4 expected = {1, 3, 2, 4,     // x axis, y and z exchanged
                              9, 11, 10, 12,  // SketchUp's z axis is the renderer's second row
                              5, 7, 6, 8,     // and its y axis the third
                              10 * kInch, 30 * kInch, 20 * kInch, 1};
    // clang-format on
    EXPECT_EQ(scene.ConvertTransformation(d, false), expected);

    const double halved[16] = {2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 20, 40, 60, 2};
    EXPECT_EQ(scene.ConvertTransformation(halved, false), expected);

    // A weight of 0 is taken as it stands, without dividing; the weight becomes 1.
    const double unweighted[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 10, 20, 30, 0};
    EXPECT_EQ(scene.ConvertTransformation(unweighted, false), expected);

    EXPECT_EQ(scene.ConvertTransformation(nullptr, false), kIdentityMatrix);
    EXPECT_EQ(scene.ConvertTransformation(nullptr, true), kIdentityMatrix);
}

TEST_F(SceneTraversalTest, ContainerNodesCarryLayerVisibilityOwnMaterialAndOpeningsButImagesNoMaterial) {
    hostsim::Material* red = model.AddMaterial("Red");
    hostsim::Layer* hiddenLayer = model.AddLayer("Hidden");
    model.SetLayerVisible(hiddenLayer, false);

    hostsim::ComponentInstance* painted = model.AddGroup(model.entities);
    Square(painted->definition->entities);
    model.SetMaterial(painted, red);
    hostsim::ComponentInstance* tucked = model.AddGroup(model.entities);
    Square(tucked->definition->entities);
    model.SetLayer(tucked, hiddenLayer);
    model.SetHidden(tucked, true);

    hostsim::Texture* picture =
        model.CreateTexture(2, 2, 24, std::vector<uint8_t>(12, 0), 1, 1, "photo.png");
    hostsim::Image* image = model.AddImage(model.entities, picture, {0, 0, 0}, 40, 30);
    model.SetMaterial(image, red);

    // A window glued into a wall, cutting its opening there.
    hostsim::Face* wall = model.AddFace(model.entities, {{0, 0, 0}, {100, 0, 0}, {100, 0, 80}, {0, 0, 80}});
    hostsim::ComponentDefinition* window = model.AddDefinition("Window");
    model.AddFace(window->entities, {{0, 0, 0}, {20, 0, 0}, {20, 30, 0}, {0, 30, 0}});
    model.SetCutsOpening(window, true);
    const hostsim::Transform upright = hostsim::Transform::Translation({40, 0, 20}) *
                                       hostsim::Transform::Axes({0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0});
    hostsim::ComponentInstance* placedWindow = model.AddInstance(model.entities, window, upright);
    model.Glue(placedWindow, wall);
    Build();

    ContainerNode* paintedNode = NodeOf(painted);
    ContainerNode* tuckedNode = NodeOf(tucked);
    ContainerNode* imageNode = NodeOf(image);
    ASSERT_TRUE(paintedNode && tuckedNode && imageNode);

    EXPECT_EQ(paintedNode->materialId, red->id);
    EXPECT_EQ(paintedNode->layerId, model.defaultLayer->id);
    EXPECT_TRUE(paintedNode->onDefaultLayer);
    EXPECT_EQ(paintedNode->flags, VisibilityFlags::Initial);

    EXPECT_EQ(tuckedNode->layerId, hiddenLayer->id);
    EXPECT_FALSE(tuckedNode->onDefaultLayer);
    EXPECT_EQ(tuckedNode->flags, VisibilityFlags::Initial &
                                     ~(VisibilityFlags::NotHidden | VisibilityFlags::LayerVisible));

    EXPECT_EQ(imageNode->type, NodeType::Image);
    EXPECT_EQ(imageNode->definitionId, image->definition->id);
    EXPECT_EQ(imageNode->materialId, 0u);
    EXPECT_EQ(imageNode->local, Converted(image->transform));
    // The picture's face is placed under the image.
    EXPECT_EQ(imageNode->children.size(), 1u);

    ASSERT_TRUE(NodeOf(placedWindow));
    EXPECT_EQ(NodeOf(placedWindow)->openings, 1u);
    EXPECT_EQ(paintedNode->openings, 0u);
}

TEST_F(SceneTraversalTest, APlacementWhoseDefinitionCannotBeReadMakesNoNode) {
    hostsim::ComponentInstance* orphan = model.AddGroup(model.entities);
    hostsim::Face* inside = Square(orphan->definition->entities);
    hostsim::ComponentInstance* kept = model.AddGroup(model.entities);
    Square(kept->definition->entities);
    orphan->definition = nullptr;
    Build();

    EXPECT_EQ(NodeOf(orphan), nullptr);
    EXPECT_EQ(scene.nodesByEntity.Find(inside->id).size(), 0u);
    ASSERT_NE(NodeOf(kept), nullptr);
    EXPECT_EQ(scene.root->children.size(), 1u);
    EXPECT_EQ(scene.nodes.size(), 3u);  // root, the kept group and its face
}

// While SketchUp edits `outer`, it reports what lies in outer's definition in model
// coordinates: the inner instance's transform includes outer's. The edit inverse takes that
// back out, so the tree is the one the closed context gives.
TEST_F(SceneTraversalTest, AnOpenEditingContextGivesTheSameWorldMatricesAsAClosedOne) {
    hostsim::ComponentDefinition* room = model.AddDefinition("Room");
    hostsim::ComponentDefinition* chair = model.AddDefinition("Chair");
    Square(chair->entities, 2);
    const hostsim::Transform chairPlacement =
        hostsim::Transform::Translation({5, 6, 0}) *
        hostsim::Transform::Rotation({0, 0, 0}, {0, 0, 1}, 0.3);
    hostsim::ComponentInstance* seat = model.AddInstance(room->entities, chair, chairPlacement);
    const hostsim::Transform roomPlacement =
        hostsim::Transform::Translation({200, -40, 12}) *
        hostsim::Transform::Rotation({0, 0, 0}, {1, 0, 0}, 1.1) *
        hostsim::Transform::Scaling(1, 1, -2);
    hostsim::ComponentInstance* outer = model.AddInstance(model.entities, room, roomPlacement);
    Build();
    ASSERT_NE(NodeOf(seat), nullptr);
    const Matrix4 closedWorld = NodeOf(seat)->world;
    scene.ResetScene();

    seat->transform = roomPlacement * chairPlacement;
    scene.openDefinitionId = room->id;
    scene.editInverse = Inverse(Converted(roomPlacement));
    Build();
    ASSERT_NE(NodeOf(seat), nullptr);
    EXPECT_NE(NodeOf(seat)->local, Converted(seat->transform));
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(NodeOf(seat)->world[i], closedWorld[i], 1e-5f) << i;
    // Only what lies inside the open definition is corrected.
    EXPECT_EQ(NodeOf(outer)->local, Converted(roomPlacement));
    EXPECT_TRUE(NodeOf(outer)->mirrored);
}

// The texts the load shows, in order; the display is a plain function.
std::vector<std::u16string> shown;
using SceneLoadProgressTest = SceneTraversalTest;

// A text arms the dots, which wait for their time; a cleared text shows none.
TEST_F(SceneLoadProgressTest, DotsFollowATextFromOneToFiveThenStartOverWithNone) {
    scene.statusDisplay = [](std::u16string_view text) { shown.emplace_back(text); };
    scene.SetStatus(u"loading hierarchy");
    scene.nextDotTime = std::numeric_limits<int64_t>::max();  // not yet due
    scene.ProgressDots();
    for (int i = 0; i < 7; ++i) {
        scene.nextDotTime = 0;  // due whenever the next dot time lies in the past: nothing waits
        scene.ProgressDots();
    }
    EXPECT_GT(scene.nextDotTime, 0);
    scene.SetStatus(u"");
    scene.nextDotTime = 0;
    scene.ProgressDots();
    EXPECT_EQ(shown,
              (std::vector<std::u16string>{u"loading hierarchy", u"loading hierarchy.",
                                           u"loading hierarchy..", u"loading hierarchy...",
                                           u"loading hierarchy....", u"loading hierarchy.....",
                                           u"loading hierarchy", u"loading hierarchy.", u""}));
}

}  // namespace

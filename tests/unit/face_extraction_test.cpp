// Faces as Korvan receives them: positions in metres on the renderer's axes, texture
// coordinates divided by the scale of the material drawn, the winding flipped under a mirrored
// editing context, the materials a placement shows single-sided or coloured by layer, and the
// faces queued again after an edit. Own and inherited paint, and what an edit changes, are
// compared with what SketchUp draws in the mirror oracle's and the live-edit host tests.
#include <SketchUpAPI/sketchup.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <unordered_set>
#include <vector>

#include "liveconnection/live_connection.h"
#include "model/model.h"
// Last: Ruby's headers turn a few C library names into macros.
#include "appearance/layer_table.h"
#include "appearance/material_catalogue.h"
#include "appearance/sketchup_reads.h"
#include "scene/su_scene.h"
#include "scene_test_support.h"

namespace {

using namespace korvan;
using hostsim::Vec3;

using scene_test::HelperMesh;
using scene_test::Ids;
using scene_test::IdOf;
using scene_test::kInch;
using scene_test::Ref;

// Every array of the record sized for `vertices` vertices and `indices` indices.
void ExpectSizes(const FaceRecord& record, size_t vertices, size_t indices) {
    EXPECT_EQ(record.vertexCount, vertices);
    EXPECT_EQ(record.indexCount, indices);
    EXPECT_EQ(record.indices.size(), indices);
    EXPECT_EQ(record.positions.size(), 3 * vertices);
    EXPECT_EQ(record.normals.size(), 3 * vertices);
    EXPECT_EQ(record.frontUV.size(), 2 * vertices);
    EXPECT_EQ(record.backUV.size(), 2 * vertices);
}

class FaceExtractionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scene.defaultLayerId = IdOf(model.defaultLayer);
        AddLayer(scene.layers, catalogue, Ref(model.defaultLayer));
        root = scene.CreateContainer(NodeType::Root, nullptr);
        scene.root = root;
        root->SetWorldTransform(Raised());
    }
    void TearDown() override { catalogue.ClearCatalogue(); }

    static Matrix4 Raised() { return scene_test::Translation(0, 0.001f, 0); }

    hostsim::Face* Quad(hostsim::Entities* in, double z) {
        return model.AddFace(in, {{0, 0, z}, {100, 0, z}, {100, 50, z}, {0, 50, z}});
    }

    // A material the catalogue knows, drawn with the given texture scales.
    hostsim::Material* Material(const std::string& name, float uScale = 1, float vScale = 1) {
        hostsim::Material* material = model.AddMaterial(name);
        EXPECT_TRUE(catalogue.AddMaterial(Ref(material), Qnil, kNoId));
        MaterialEntry& entry = catalogue.entries.at(IdOf(material));
        entry.textureUScale = uScale;
        entry.textureVScale = vScale;
        return material;
    }

    ContainerNode* Container(NodeType type, ContainerNode* parent) {
        ContainerNode* node = scene.CreateContainer(type, parent);
        node->SetWorldTransform(parent->world);
        return node;
    }

    hostsim::Model model;
    TwinLinkAPI::LiveConnection connection;
    MaterialCatalogue catalogue{&connection};
    SUScene scene{&connection, &catalogue, Qnil};
    ContainerNode* root = nullptr;
};

TEST_F(FaceExtractionTest, AFaceBecomesMetresOnTheRenderersAxesWithScaledTextureCoordinates) {
    hostsim::Face* face = Quad(model.entities, 10);
    hostsim::Material* brick = Material("Brick", 0.5f, 0.25f);
    model.SetMaterial(face, brick);
    model.SetTextureAxes(face, {0, 0, 10}, {1, 0, 0}, {0, 1, 0});

    LeafNode* leaf = scene.CreateLeafNode(Ref(face), root);
    ASSERT_NE(leaf, nullptr);
    const FaceRecord& record = scene.faces.at(IdOf(face));
    ExpectSizes(record, 4, 6);
    ASSERT_FALSE(HasFailure());

    const double corners[4][2] = {{0, 0}, {100, 0}, {100, 50}, {0, 50}};
    for (int i = 0; i < 4; ++i) {
        const double x = corners[i][0], y = corners[i][1];
        SCOPED_TRACE(i);
        // SketchUp's (x, y, z) in inches is Korvan's (x, z, y) in metres.
        EXPECT_FLOAT_EQ(record.positions[3 * i], static_cast<float>(x * kInch));
        EXPECT_FLOAT_EQ(record.positions[3 * i + 1], 10 * kInch);
        EXPECT_FLOAT_EQ(record.positions[3 * i + 2], static_cast<float>(y * kInch));
        EXPECT_EQ(record.normals[3 * i], 0.0f);
        EXPECT_EQ(record.normals[3 * i + 1], 1.0f);
        EXPECT_EQ(record.normals[3 * i + 2], 0.0f);
        // s / (q * s scale): the brick's scales 0.5 and 0.25.
        EXPECT_FLOAT_EQ(record.frontUV[2 * i], static_cast<float>(x / 0.5));
        EXPECT_FLOAT_EQ(record.frontUV[2 * i + 1], static_cast<float>(y / 0.25));
        // The unpainted back is drawn with the default material, scales 1; seen from behind
        // the texture runs the other way.
        EXPECT_FLOAT_EQ(record.backUV[2 * i], static_cast<float>(-x));
        EXPECT_FLOAT_EQ(record.backUV[2 * i + 1], static_cast<float>(y));
    }
    const HelperMesh mesh(face);
    EXPECT_EQ(record.indices, std::vector<uint32_t>(mesh.indices.begin(), mesh.indices.end()));

    EXPECT_EQ(record.references, 1u);
    EXPECT_EQ(record.ownerDefinitionId, root->definitionId);
    EXPECT_EQ(record.frontMaterialId, IdOf(brick));
    EXPECT_EQ(record.backMaterialId, 0u);
    EXPECT_EQ(record.layerId, scene.defaultLayerId);
    EXPECT_TRUE(record.visible);
    EXPECT_EQ(leaf->face, &record);
    EXPECT_EQ(leaf->flags, 0x7F);  // shown, and nothing to report
    EXPECT_EQ(scene.CountVertices(), u"8");

    // A second placement outside any change shares the record and extracts it again.
    ContainerNode* group = Container(NodeType::Group, root);
    LeafNode* again = scene.CreateLeafNode(Ref(face), group);
    EXPECT_EQ(again->face, &record);
    EXPECT_EQ(record.references, 2u);
    EXPECT_EQ(scene.nodesByEntity.Find(IdOf(face)).size(), 2u);
    EXPECT_EQ(scene.CountVertices(), u"16");
}

// Within one change (a load is one) a face is meshed once, however many placements it has; the
// next change reads it again.
TEST_F(FaceExtractionTest, AFacePlacedTwiceInOneChangeIsMeshedOnce) {
    hostsim::Face* face = Quad(model.entities, 10);
    hostsim::Material* brick = Material("Brick");
    hostsim::Material* oak = Material("Oak");
    model.SetMaterial(face, brick);

    scene.BeginSceneChange();
    scene.CreateLeafNode(Ref(face), root);
    model.SetMaterial(face, oak);  // not seen until the face is meshed again
    ContainerNode* group = Container(NodeType::Group, root);
    LeafNode* second = scene.CreateLeafNode(Ref(face), group);
    EXPECT_EQ(second->face->frontMaterialId, IdOf(brick));
    EXPECT_EQ(second->materialId, IdOf(brick));
    scene.EndSceneChange();

    scene.BeginSceneChange();
    LeafNode* third = scene.CreateLeafNode(Ref(face), group);
    EXPECT_EQ(third->face->frontMaterialId, IdOf(oak));
    EXPECT_EQ(third->face->references, 3u);
    scene.EndSceneChange();
}

// A face large enough to be extracted on two threads comes out as a small one does.
TEST_F(FaceExtractionTest, ALargeFaceIsExtractedOnTwoThreadsToTheSameMesh) {
    std::vector<Vec3> ring;
    const size_t corners = 2 * SUScene::kParallelFaceVertices;
    for (size_t k = 0; k < corners; ++k) {
        const double angle = 2 * M_PI * static_cast<double>(k) / static_cast<double>(corners);
        ring.push_back({100 * std::cos(angle), 100 * std::sin(angle), 4});
    }
    hostsim::Face* face = model.AddFace(model.entities, ring);
    model.SetMaterial(face, Material("Tile", 2, 4));
    const HelperMesh mesh(face);
    ASSERT_GE(mesh.points.size(), SUScene::kParallelFaceVertices);

    FaceRecord record;
    scene.BuildFaceMesh(record, Ref(face), IdOf(face), root->definitionId);
    const size_t V = mesh.points.size();
    ExpectSizes(record, V, mesh.indices.size());
    ASSERT_FALSE(HasFailure());
    for (size_t i = 0; i < V; ++i) {
        const SUPoint3D& p = mesh.points[i];
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(record.positions[3 * i], static_cast<float>(p.x * kInch));
        EXPECT_FLOAT_EQ(record.positions[3 * i + 1], 4 * kInch);
        EXPECT_FLOAT_EQ(record.positions[3 * i + 2], static_cast<float>(p.y * kInch));
        EXPECT_EQ(record.normals[3 * i + 1], 1.0f);
    }
    EXPECT_EQ(record.indices, std::vector<uint32_t>(mesh.indices.begin(), mesh.indices.end()));
    EXPECT_EQ(record.frontMaterialId, IdOf(model.materials.back()));
    EXPECT_TRUE(record.visible);
}

TEST_F(FaceExtractionTest, AFaceWithoutTrianglesKeepsAnEmptyMesh) {
    hostsim::Face* real = Quad(model.entities, 0);
    hostsim::Face* empty = model.Make<hostsim::Face>();  // no loop: the helper finds nothing

    FaceRecord record;
    scene.BuildFaceMesh(record, Ref(real), IdOf(real), kNoId);
    ASSERT_EQ(record.vertexCount, 4u);
    scene.BuildFaceMesh(record, Ref(empty), IdOf(empty), kNoId);
    ExpectSizes(record, 0, 0);
    EXPECT_EQ(record.faceId, IdOf(empty));

    LeafNode* leaf = scene.CreateLeafNode(Ref(empty), root);
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->face->vertexCount, 0u);
    EXPECT_EQ(scene.CountVertices(), u"0");

    // Not a face at all: nothing is made.
    const size_t nodes = scene.nodes.size();
    EXPECT_EQ(scene.CreateLeafNode(SUFaceRef{}, root), nullptr);
    EXPECT_EQ(scene.nodes.size(), nodes);
}

TEST_F(FaceExtractionTest, SingleSidedAnUnpaintedBackIsNotDrawn) {
    scene.renderBackFaces = false;
    catalogue.renderBackFaces = false;
    LeafNode* single = scene.CreateLeafNode(Ref(Quad(model.entities, 2)), root);
    EXPECT_EQ(single->frontEntry, &catalogue.defaultEntry);
    EXPECT_EQ(single->materialId, kNoId);
    EXPECT_EQ(single->backEntry, &catalogue.noneEntry);
    EXPECT_EQ(single->backMaterialId, 0u);
    EXPECT_FALSE(scene.leavesByMaterial.contains(0));
    EXPECT_EQ(Ids(scene.dirtyMaterials), std::set<uint32_t>{kNoId});
}

TEST_F(FaceExtractionTest, ColourByLayerPaintsBothSidesWithTheLayersMaterial) {
    EXPECT_FALSE(ReadColourByLayer(SUModelRef{}));
    EXPECT_FALSE(ReadColourByLayer(Ref(model)));
    model.SetRenderingOption("DisplayColorByLayer", true);
    scene.colourByLayer = ReadColourByLayer(Ref(model));
    ASSERT_TRUE(scene.colourByLayer);
    hostsim::Layer* walls = model.AddLayer("Walls");
    hostsim::Layer* unread = model.AddLayer("Unread");
    AddLayer(scene.layers, catalogue, Ref(walls));
    hostsim::Material* brick = Material("Brick");
    const uint32_t wallsColour = IdOf(walls->material);

    hostsim::Face* onWalls = Quad(model.entities, 1);
    model.SetMaterial(onWalls, brick);
    model.SetLayer(onWalls, walls);
    LeafNode* painted = scene.CreateLeafNode(Ref(onWalls), root);
    EXPECT_EQ(painted->materialId, wallsColour);
    EXPECT_EQ(painted->backMaterialId, wallsColour);
    EXPECT_EQ(painted->frontEntry, &catalogue.entries.at(wallsColour));

    // On the default layer, the container's layer; a container without a layer of its own passes
    // the question further up.
    hostsim::Face* onDefault = Quad(model.entities, 2);
    ContainerNode* wallGroup = Container(NodeType::Group, root);
    wallGroup->layerId = IdOf(walls);
    ContainerNode* inner = Container(NodeType::ComponentInstance, wallGroup);
    inner->layerId = kModelEntitiesId;
    ContainerNode* innermost = Container(NodeType::Group, inner);
    EXPECT_EQ(scene.CreateLeafNode(Ref(onDefault), innermost)->materialId, wallsColour);

    // Images keep their own picture.
    ContainerNode* image = Container(NodeType::Image, wallGroup);
    LeafNode* picture = scene.CreateLeafNode(Ref(onWalls), image);
    EXPECT_EQ(picture->materialId, IdOf(brick));
    EXPECT_EQ(picture->backEntry, &catalogue.defaultEntry);

    // A layer the table never read gives the default material; so does a layer without
    // material of its own.
    hostsim::Face* onUnread = Quad(model.entities, 3);
    model.SetLayer(onUnread, unread);
    EXPECT_EQ(scene.CreateLeafNode(Ref(onUnread), root)->frontEntry, &catalogue.defaultEntry);
    scene.layers[IdOf(unread)] = LayerEntry{true, IdOf(unread), 0};
    EXPECT_EQ(scene.CreateLeafNode(Ref(onUnread), root)->frontEntry, &catalogue.defaultEntry);
}

TEST_F(FaceExtractionTest, TheOpenMirroredContextReversesVerticesAndIndices) {
    hostsim::ComponentDefinition* door = model.AddDefinition("Door");
    hostsim::Face* face =
        model.AddFace(door->entities, {{0, 0, 5}, {40, 0, 5}, {40, 20, 5}, {0, 30, 5}});
    const uint32_t doorId = IdOf(door);
    const HelperMesh mesh(face);
    const size_t V = mesh.points.size(), I = mesh.indices.size();
    ASSERT_EQ(V, 4u);
    ASSERT_EQ(I, 6u);

    // The context's inverse mirrors x and shifts by 2 m.
    Matrix4 inverse = kIdentityMatrix;
    inverse[0] = -1;
    inverse[12] = 2;
    scene.openDefinitionId = doorId;
    scene.editInverse = inverse;
    scene.editNormalMatrix = NormalMatrix(inverse);
    scene.editMirrored = true;

    FaceRecord record;
    scene.BuildFaceMesh(record, Ref(face), IdOf(face), doorId);
    ASSERT_EQ(record.positions.size(), 3 * V);
    for (size_t i = 0; i < V; ++i) {
        const SUPoint3D& p = mesh.points[V - 1 - i];
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(record.positions[3 * i], static_cast<float>(2 - p.x * kInch));
        EXPECT_FLOAT_EQ(record.positions[3 * i + 1], static_cast<float>(p.z * kInch));
        EXPECT_FLOAT_EQ(record.positions[3 * i + 2], static_cast<float>(p.y * kInch));
        EXPECT_FLOAT_EQ(record.normals[3 * i], 0.0f);
        EXPECT_FLOAT_EQ(record.normals[3 * i + 1], 1.0f);
        // Default material, scales 1: u and v are the host's s and t, source order reversed.
        EXPECT_FLOAT_EQ(record.frontUV[2 * i + 1], static_cast<float>(p.y));
    }
    // Output vertex i is the host's V - 1 - i: each triangle keeps its corners, wound the other way.
    std::vector<uint32_t> reversed;
    for (size_t k = 0; k < I; ++k) reversed.push_back(static_cast<uint32_t>(V - 1 - mesh.indices[I - 1 - k]));
    EXPECT_EQ(record.indices, reversed);
    // Not mirrored: same inverse applied, order kept.
    scene.editMirrored = false;
    scene.BuildFaceMesh(record, Ref(face), IdOf(face), doorId);
    EXPECT_EQ(record.indices, std::vector<uint32_t>(mesh.indices.begin(), mesh.indices.end()));
    EXPECT_FLOAT_EQ(record.positions[3], static_cast<float>(2 - mesh.points[1].x * kInch));
    // A face of another definition is read as it stands.
    scene.editMirrored = true;
    scene.BuildFaceMesh(record, Ref(face), IdOf(face), doorId + 1000);
    EXPECT_EQ(record.indices, std::vector<uint32_t>(mesh.indices.begin(), mesh.indices.end()));
    EXPECT_FLOAT_EQ(record.positions[3], static_cast<float>(mesh.points[1].x * kInch));
}

class CubeTest : public FaceExtractionTest {
  protected:
    void SetUp() override {
        FaceExtractionTest::SetUp();
        const Vec3 p[8] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0},
                           {0, 0, 10}, {10, 0, 10}, {10, 10, 10}, {0, 10, 10}};
        bottom = model.AddFace(model.entities, {p[0], p[3], p[2], p[1]});
        top = model.AddFace(model.entities, {p[4], p[5], p[6], p[7]});
        sides = {model.AddFace(model.entities, {p[0], p[1], p[5], p[4]}),
                 model.AddFace(model.entities, {p[1], p[2], p[6], p[5]}),
                 model.AddFace(model.entities, {p[2], p[3], p[7], p[6]}),
                 model.AddFace(model.entities, {p[3], p[0], p[4], p[7]})};
    }
    hostsim::Face* bottom = nullptr;
    hostsim::Face* top = nullptr;
    std::vector<hostsim::Face*> sides;
};

TEST_F(CubeTest, RemeshingExtractsEachQueuedFaceOncePerChange) {
    hostsim::Material* brick = Material("Brick");
    model.SetMaterial(top, brick);
    ContainerNode* first = Container(NodeType::Group, root);
    ContainerNode* second = Container(NodeType::Group, root);
    LeafNode* topInFirst = scene.CreateLeafNode(Ref(top), first);
    LeafNode* topInSecond = scene.CreateLeafNode(Ref(top), second);
    scene.CreateLeafNode(Ref(bottom), root);
    const float topY = scene.faces.at(IdOf(top)).positions[1];
    const float bottomY = scene.faces.at(IdOf(bottom)).positions[1];

    model.TransformEntities(hostsim::Transform::Translation({0, 0, 5}), {top, bottom});
    scene.openGeneration = 3;
    scene.faces.at(IdOf(bottom)).generation = 3;  // already extracted in this change
    scene.dirtyMaterials.clear();
    scene.dirtyFaces.insert(IdOf(top));
    scene.dirtyFaces.insert(IdOf(bottom));
    scene.dirtyFaces.insert(IdOf(sides[0]));  // never mirrored: nothing to mesh, no record made
    scene.RemeshDirtyFaces();
    EXPECT_EQ(scene.faces.count(IdOf(sides[0])), 0u);

    EXPECT_EQ(scene.faces.at(IdOf(top)).generation, 3u);
    EXPECT_FLOAT_EQ(scene.faces.at(IdOf(top)).positions[1], topY + 5 * kInch);
    EXPECT_EQ(scene.faces.at(IdOf(bottom)).positions[1], bottomY);
    // Meshed again to the same size: both placements are written again where they lie in the
    // batches, which are not rebuilt.
    EXPECT_TRUE(scene.dirtyMaterials.empty());
    EXPECT_EQ(std::set<LeafNode*>(scene.leavesToRewrite.begin(), scene.leavesToRewrite.end()),
              (std::set<LeafNode*>{topInFirst, topInSecond}));
}

TEST_F(CubeTest, ChangingOneFaceQueuesItsFourNeighboursAndEdgeStatesReportWhatChanged) {
    scene.MarkNeighbourFacesDirty(Ref(top));  // not the opposite face
    std::set<uint32_t> expected;
    for (hostsim::Face* side : sides) expected.insert(IdOf(side));
    EXPECT_EQ(Ids(scene.dirtyFaces), expected);

    hostsim::Edge* edge = top->outer->edges[0];
    scene.RegisterEdge(Ref(edge));
    EXPECT_EQ(scene.EdgeChanged(Ref(edge)), std::make_pair(false, false));

    model.SetEdgeFlags(edge, true, std::nullopt, std::nullopt);
    EXPECT_EQ(scene.EdgeChanged(Ref(edge)), std::make_pair(true, true));
    EXPECT_EQ(scene.EdgeChanged(Ref(edge)), std::make_pair(false, true));
    model.SetEdgeFlags(edge, false, std::nullopt, true);
    EXPECT_EQ(scene.EdgeChanged(Ref(edge)), std::make_pair(true, false));
    EXPECT_TRUE(scene.edgeStates.at(IdOf(edge)).hidden);

    // Met for the first time: registered, not a change.
    hostsim::Edge* other = bottom->outer->edges[0];
    model.SetEdgeFlags(other, std::nullopt, true, std::nullopt);
    EXPECT_EQ(scene.EdgeChanged(Ref(other)).first, false);
    EXPECT_TRUE(scene.edgeStates.at(IdOf(other)).smooth);
}

// A new paint is the live-edit host test's; here the face's layer and its hiding.
TEST_F(FaceExtractionTest, RefreshingALeafFollowsItsFacesLayerAndHiding) {
    hostsim::Layer* hiddenLayer = model.AddLayer("Hidden");
    model.SetLayerVisible(hiddenLayer, false);
    AddLayer(scene.layers, catalogue, Ref(hiddenLayer));
    hostsim::Face* face = Quad(model.entities, 1);
    LeafNode* leaf = scene.CreateLeafNode(Ref(face), root);

    model.SetLayer(face, hiddenLayer);
    FaceRecord& record = scene.faces.at(IdOf(face));
    scene.BuildFaceMesh(record, Ref(face), IdOf(face), kNoId);
    scene.RefreshLeaf(leaf);
    EXPECT_EQ(leaf->layerId, IdOf(hiddenLayer));
    EXPECT_FALSE(leaf->onDefaultLayer);
    EXPECT_FALSE(leaf->EffectiveVisible());
    EXPECT_TRUE(leaf->flags & VisibilityFlags::Dirty);

    model.SetLayer(face, model.defaultLayer);
    model.SetHidden(face, true);
    scene.BuildFaceMesh(record, Ref(face), IdOf(face), kNoId);
    scene.RefreshLeaf(leaf);
    EXPECT_TRUE(leaf->onDefaultLayer);
    EXPECT_EQ(leaf->flags & 0x7F, 0x7E);
    EXPECT_FALSE(leaf->EffectiveVisible());
}

// While the model colours by layer, every change that ends reads the layers' colours again:
// that is how a new layer colour reaches Korvan. Colouring by face, the layer's colour waits.
TEST_F(FaceExtractionTest, AChangeEndingWhileColouringByLayerSendsTheLayersNewColour) {
    hostsim::Layer* walls = model.AddLayer("Walls");
    AddLayer(scene.layers, catalogue, Ref(walls));
    const uint32_t colourId = IdOf(walls->material);
    // The layer's colour is a material of its own, named after the layer.
    EXPECT_EQ(scene.layers.at(IdOf(walls)).materialId, colourId);
    EXPECT_EQ(catalogue.entries.at(colourId).ownerLayerId, IdOf(walls));
    EXPECT_EQ(catalogue.entries.at(colourId).name, u"Walls");
    scene.modelRef.ptr = &model;
    catalogue.PendingMaterials.clear();
    model.SetLayerColor(walls, {200, 10, 20, 255});
    constexpr uint32_t kNewColour = 0xFFC80A14u;

    scene.BeginSceneChange();
    scene.EndSceneChange();
    EXPECT_NE(catalogue.entries.at(colourId).colour, kNewColour);
    EXPECT_TRUE(catalogue.PendingMaterials.empty());
    EXPECT_FALSE(scene.pending.load());

    scene.colourByLayer = true;
    scene.BeginSceneChange();
    scene.EndSceneChange();
    EXPECT_EQ(catalogue.entries.at(colourId).colour, kNewColour);
    EXPECT_EQ(catalogue.PendingMaterials, std::unordered_set<uint32_t>{colourId});
    EXPECT_TRUE(scene.pending.load());
    // A colour is not texture data: the layer's faces need not be sent again.
    EXPECT_TRUE(scene.dirtyMaterials.empty());
}

}  // namespace

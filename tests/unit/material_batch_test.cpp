// One material's batch as Korvan reads it from its data section: counts, world positions,
// normals through the normal matrix, scaled UVs and winding per side and mirroring; the record's
// geometry fields; section growth and release; and what is left alone.
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "hand_built_scene.h"

namespace {

using namespace scene_test;
using korvan::BatchPassContext;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<uint32_t> Sorted(const korvan::MaterialIdSet& set) {
    std::vector<uint32_t> ids(set.begin(), set.end());
    std::sort(ids.begin(), ids.end());
    return ids;
}

class MaterialBatchTest : public HandBuiltSceneTest {
  protected:
    void SetUp() override {
        HandBuiltSceneTest::SetUp();
        scene.pending = true;
    }

    // BuildMaterialBatch alone, as one task of a pass that has all the time it needs: the
    // materials it processed.
    std::vector<uint32_t> Build(uint32_t materialId) {
        BatchPassContext context;
        context.scene = &scene;
        context.deadline = std::chrono::steady_clock::now() + std::chrono::hours(1);
        scene.BuildMaterialBatch(context, materialId);
        return Sorted(context.processed);
    }

    // A whole pass over these dirty materials.
    bool Pass(std::initializer_list<uint32_t> dirty) {
        for (uint32_t id : dirty) scene.dirtyMaterials.insert(id);
        return scene.SyncPass(100);
    }

    static std::string Id(uint32_t id) { return std::to_string(id); }
};

TEST_F(MaterialBatchTest, FrontSideIsWrittenInWorldSpaceWithScaledUVsAndReversedIndices) {
    MaterialEntry* brick = AddMaterial(10, 2.0f, 0.5f);
    MaterialEntry* plaster = AddMaterial(11, 3.0f, 3.0f);
    AddLeaf(MakeSquare(AddFace(100)), brick, plaster, ScaleThenMove({2, 4, 1}, {10, 20, 30}));

    EXPECT_THAT(Build(10), ElementsAre(10u));

    const SurfaceRecord& record = RecordOf(10);
    EXPECT_EQ(record.geometryRevision, 1u);
    ASSERT_NE(record.geometrySectionId, 0u);
    EXPECT_EQ(record.geometrySectionSize, 328u);
    EXPECT_EQ(record.record.changeCounter, 1u);
    EXPECT_EQ(record.record.flags & TwinLinkAPI::kChangedFlag, TwinLinkAPI::kChangedFlag);
    EXPECT_EQ(RecordOf(11).geometryRevision, 0u);

    const BatchView batch(record.geometrySectionId);
    ASSERT_TRUE(batch.IsOpen());
    EXPECT_EQ(batch.Size(), 4096u) << "a section is mapped in whole pages";
    EXPECT_EQ(batch.V(), 4u);
    EXPECT_EQ(batch.I(), 6u);
    EXPECT_EQ(batch.S(), 1u);
    EXPECT_EQ(batch.Position(0), (Vec3{10, 20, 30}));
    EXPECT_EQ(batch.Position(1), (Vec3{12, 20, 30}));
    EXPECT_EQ(batch.Position(2), (Vec3{12, 24, 30}));
    EXPECT_EQ(batch.Position(3), (Vec3{10, 24, 30}));
    // The inverse transpose: a face stretched along an axis leans its normal away from it.
    for (uint32_t k = 0; k < 4; ++k) EXPECT_EQ(batch.Normal(k), (Vec3{0.5f, 0.25f, 1.0f})) << k;
    EXPECT_EQ(batch.UV(0), (Vec2{0, 1}));
    EXPECT_EQ(batch.UV(1), (Vec2{2, 1}));
    EXPECT_EQ(batch.UV(2), (Vec2{2, 0.5f}));
    EXPECT_EQ(batch.UV(3), (Vec2{0, 0.5f}));
    EXPECT_THAT(batch.Indices(), ElementsAre(3u, 2u, 0u, 2u, 1u, 0u));
}

TEST_F(MaterialBatchTest, AMirroredPlacementKeepsItsFrontWindingAndTurnsItsBack) {
    MaterialEntry* brick = AddMaterial(10);
    MaterialEntry* plaster = AddMaterial(11, 3.0f, 3.0f);
    AddLeaf(MakeSquare(AddFace(100)), brick, plaster, ScaleThenMove({-1, 1, 1}, {0, 0, 0}), true);

    Build(10);
    const BatchView front(RecordOf(10).geometrySectionId);
    ASSERT_TRUE(front.IsOpen());
    EXPECT_THAT(front.Indices(), ElementsAre(0u, 1u, 2u, 0u, 2u, 3u));
    EXPECT_EQ(front.Position(2), (Vec3{-1, 1, 0}));
    EXPECT_EQ(front.Normal(0), (Vec3{-1, 1, 1}));
    EXPECT_EQ(front.UV(2), (Vec2{1, 0}));

    Build(11);
    const BatchView back(RecordOf(11).geometrySectionId);
    ASSERT_TRUE(back.IsOpen());
    EXPECT_EQ(back.V(), 4u);
    EXPECT_THAT(back.Indices(), ElementsAre(3u, 2u, 0u, 2u, 1u, 0u));
    EXPECT_EQ(back.Normal(3), (Vec3{1, -1, -1}));
    // The back UVs with the back entry's scales.
    EXPECT_EQ(back.UV(0), (Vec2{1.5f, 0.25f}));
    EXPECT_EQ(back.UV(2), (Vec2{4.5f, -2.75f}));
}

TEST_F(MaterialBatchTest, ATurnedAndStretchedPlacementCarriesItsNormalsThroughTheNormalMatrix) {
    MaterialEntry* brick = AddMaterial(10);
    FaceRecord& face = MakeSquare(AddFace(100));
    face.normals = {0.3f, -0.2f, 0.9f, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    const float c = 0.8f, s = 0.6f;  // a turn about the up axis, stretched along x and y
    const Matrix4 world{1.5f * c, 0, -1.5f * s, 0, 0, 0.5f, 0, 0, s, 0, c, 0, 3, 4, 5, 1};
    AddLeaf(face, brick, nullptr, world);

    Build(10);
    const BatchView batch(RecordOf(10).geometrySectionId);
    ASSERT_TRUE(batch.IsOpen());
    // The corners turned, stretched and moved; the normals through the inverse transpose:
    // stretched along x by 1.5, the normal along x shrinks by as much, turned with the face.
    const Vec3 corners[4] = {{3, 4, 5}, {4.2f, 4, 4.1f}, {4.2f, 4.5f, 4.1f}, {3, 4.5f, 5}};
    const Vec3 normals[4] = {{0.7f, -0.4f, 0.6f}, {c / 1.5f, 0, -s / 1.5f}, {0, 2, 0}, {s, 0, c}};
    for (uint32_t k = 0; k < 4; ++k)
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(batch.Position(k)[axis], corners[k][axis], 1e-5f) << k << " " << axis;
            EXPECT_NEAR(batch.Normal(k)[axis], normals[k][axis], 1e-5f) << k << " " << axis;
        }
}

TEST_F(MaterialBatchTest, AMaterialWhoseOnlyLeafIsHiddenGetsAnEmptyBatch) {
    MaterialEntry* brick = AddMaterial(10);
    MaterialEntry* glass = AddMaterial(12);
    FaceRecord& face = MakeSquare(AddFace(100));
    LeafNode* wall = AddLeaf(face, brick, nullptr);
    LeafNode* pane = AddLeaf(face, glass, nullptr);
    pane->flags &= ~korvan::VisibilityFlags::NotHidden;

    // Hidden from the start: no section is ever made, but the revision counts.
    Build(12);
    EXPECT_EQ(RecordOf(12).geometryRevision, 1u);
    EXPECT_EQ(RecordOf(12).geometrySectionId, 0u);
    EXPECT_EQ(RecordOf(12).geometrySectionSize, 0u);
    EXPECT_THAT(connection.Calls({"create"}), IsEmpty());

    // Hidden later: the section it had goes back after the pass.
    Build(10);
    const uint32_t firstSection = RecordOf(10).geometrySectionId;
    ASSERT_NE(firstSection, 0u);
    wall->flags &= ~korvan::VisibilityFlags::NotHidden;
    EXPECT_TRUE(Pass({10}));
    EXPECT_EQ(RecordOf(10).geometryRevision, 2u);
    EXPECT_EQ(RecordOf(10).geometrySectionId, 0u);
    EXPECT_EQ(RecordOf(10).geometrySectionSize, 0u);
    const std::string mark = "mark record " + Id(RecordOf(10).record.recordId);
    EXPECT_THAT(connection.Calls(), ElementsAre("mark record " + Id(RecordOf(12).record.recordId),
                                                "create " + Id(firstSection), mark, mark,
                                                "release " + Id(firstSection), "mark header"));
    EXPECT_FALSE(BatchView(firstSection).IsOpen());
    EXPECT_TRUE(scene.dirtyMaterials.empty());
}

TEST_F(MaterialBatchTest, ASectionIsKeptUntilTheBatchOutgrowsTwiceItsFirstSize) {
    MaterialEntry* brick = AddMaterial(10);
    FaceRecord& face = AddFace(100);
    MakeStrip(face, 100);
    AddLeaf(face, brick, nullptr);

    Build(10);
    const uint32_t firstSection = RecordOf(10).geometrySectionId;
    ASSERT_NE(firstSection, 0u);
    // Twice the 4388 bytes of 100 vertices and 294 indices, as room to grow.
    EXPECT_EQ(RecordOf(10).geometrySectionSize, 8776u);

    MakeStrip(face, 101);
    EXPECT_TRUE(Pass({10}));
    EXPECT_EQ(RecordOf(10).geometrySectionId, firstSection);
    EXPECT_EQ(RecordOf(10).geometrySectionSize, 8776u);
    EXPECT_EQ(RecordOf(10).geometryRevision, 2u);
    EXPECT_EQ(BatchView(firstSection).V(), 101u);
    EXPECT_EQ(BatchView(firstSection).Position(100), (Vec3{100, 0, 0}));

    MakeStrip(face, 300);
    EXPECT_TRUE(Pass({10}));
    const uint32_t secondSection = RecordOf(10).geometrySectionId;
    EXPECT_NE(secondSection, firstSection);
    EXPECT_EQ(RecordOf(10).geometrySectionSize, 26376u);  // twice 300 vertices' 13188 bytes
    EXPECT_EQ(RecordOf(10).geometryRevision, 3u);
    // The old section outlives the writing of the pass and goes back after it.
    const std::string mark = "mark record " + Id(RecordOf(10).record.recordId);
    EXPECT_THAT(connection.Calls(), ElementsAre("create " + Id(firstSection), mark, mark,
                                                "mark header", "create " + Id(secondSection), mark,
                                                "release " + Id(firstSection), "mark header"));
    EXPECT_FALSE(BatchView(firstSection).IsOpen());
    const BatchView batch(secondSection);
    EXPECT_EQ(batch.V(), 300u);
    EXPECT_EQ(batch.I(), 894u);
    EXPECT_EQ(batch.Position(299), (Vec3{299, 0, 0}));
}

TEST_F(MaterialBatchTest, MaterialsWithoutARecordOfTheirOwnAreProcessedButNotWritten) {
    MaterialEntry* fallback = &catalogue.defaultEntry;
    fallback->record =
        reinterpret_cast<SurfaceRecord*>(connection.CreateRecord(TwinLinkAPI::kSurfaceTag));
    MaterialEntry* unsent = &catalogue.entries[12];
    unsent->id = 12;
    korvan::MaterialEntry unknown;  // an id the catalogue does not hold
    unknown.id = 13;
    FaceRecord& face = MakeSquare(AddFace(100));
    AddLeaf(face, nullptr, nullptr);  // no material on either side: id 0
    AddLeaf(face, unsent, &unknown);

    EXPECT_THAT(Build(0), ElementsAre(0u));
    EXPECT_THAT(Build(12), ElementsAre(12u));
    EXPECT_THAT(Build(13), ElementsAre(13u));
    EXPECT_THAT(connection.Calls(), IsEmpty());
    EXPECT_EQ(fallback->record->geometryRevision, 0u);
    EXPECT_EQ(fallback->record->geometrySectionId, 0u);
}

TEST_F(MaterialBatchTest, ASectionThatCannotBeHadLeavesTheMaterialDirtyForTheNextPass) {
    MaterialEntry* brick = AddMaterial(10);
    AddLeaf(MakeSquare(AddFace(100)), brick, nullptr);
    connection.mapFails = true;

    EXPECT_THAT(Build(10), IsEmpty());
    EXPECT_EQ(RecordOf(10).geometryRevision, 0u);
    EXPECT_THAT(connection.Calls({"mark record"}), IsEmpty());

    connection.mapFails = false;
    EXPECT_THAT(Build(10), ElementsAre(10u));
    EXPECT_EQ(RecordOf(10).geometryRevision, 1u);
    const BatchView batch(RecordOf(10).geometrySectionId);
    ASSERT_TRUE(batch.IsOpen());
    EXPECT_EQ(batch.V(), 4u);
}

TEST_F(MaterialBatchTest, PastTheDeadlineOrWithoutAPendingChangeNothingNewStartsAndAPassBuildsTheRest) {
    MaterialEntry* brick = AddMaterial(10);
    MaterialEntry* glass = AddMaterial(12);
    AddLeaf(MakeSquare(AddFace(100)), brick, glass);

    // The material already started finishes; then the pass stops taking new ones.
    BatchPassContext context;
    context.scene = &scene;
    context.deadline = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    scene.BuildMaterialBatch(context, 10);
    EXPECT_FALSE(context.keepGoing);
    scene.BuildMaterialBatch(context, 12);
    EXPECT_THAT(Sorted(context.processed), ElementsAre(10u));
    EXPECT_EQ(RecordOf(10).geometryRevision, 1u);
    EXPECT_EQ(RecordOf(12).geometryRevision, 0u);

    scene.pending = false;
    EXPECT_THAT(Build(12), IsEmpty());
    EXPECT_EQ(RecordOf(12).geometryRevision, 0u);

    // A whole pass builds every dirty material and empties the dirty set.
    scene.pending = true;
    EXPECT_TRUE(Pass({10, 12, 0}));
    EXPECT_TRUE(scene.dirtyMaterials.empty());
    EXPECT_EQ(RecordOf(10).geometryRevision, 2u);
    EXPECT_EQ(RecordOf(12).geometryRevision, 1u);
    EXPECT_THAT(connection.Calls({"mark header"}), ElementsAre("mark header"));
    EXPECT_EQ(BatchView(RecordOf(12).geometrySectionId).Normal(0), (Vec3{-1, -1, -1}));

    // Nothing dirty: nothing to do, and the pass is complete.
    EXPECT_TRUE(scene.SyncPass(100));
    EXPECT_THAT(connection.Calls({"mark header"}), ElementsAre("mark header"));
}

TEST_F(MaterialBatchTest, AChangeBegunDuringThePassLeavesAnEmptyUnannouncedBatchAndTheMaterialDirty) {
    MaterialEntry* brick = AddMaterial(10);
    AddLeaf(MakeSquare(AddFace(100)), brick, nullptr, ScaleThenMove({1, 1, 1}, {5, 5, 5}));
    // The host starts a change just as the writing begins.
    connection.onMap = [this] { scene.pending = false; };

    EXPECT_FALSE(Pass({10})) << "a pass cut short is not complete";
    EXPECT_THAT(Sorted(scene.dirtyMaterials), ElementsAre(10u));
    EXPECT_THAT(connection.Calls({"mark"}), IsEmpty());
    EXPECT_EQ(RecordOf(10).geometryRevision, 0u);
    // Nothing in the section claims vertices that were never written.
    const BatchView batch(RecordOf(10).geometrySectionId);
    ASSERT_TRUE(batch.IsOpen());
    EXPECT_EQ(batch.V(), 0u);
    EXPECT_EQ(batch.I(), 0u);
}

}  // namespace

namespace {

// Every word of a batch, as Korvan would copy it.
std::vector<uint32_t> Words(uint32_t sectionId) {
    const BatchView batch(sectionId);
    std::vector<uint32_t> words;
    for (uint64_t i = 0; i < batch.Size() / 4; ++i) words.push_back(batch.Word(i));
    return words;
}

TEST_F(MaterialBatchTest, AMovedLeafIsWrittenWhereItLiesAndTheBatchIsWhatARebuildWouldWrite) {
    MaterialEntry* brick = AddMaterial(10);
    MaterialEntry* plaster = AddMaterial(11);
    AddLeaf(MakeSquare(AddFace(100)), brick, plaster, ScaleThenMove({1, 1, 1}, {0, 0, 0}));
    LeafNode* moved = AddLeaf(MakeSquare(AddFace(101)), brick, nullptr, ScaleThenMove({1, 1, 1}, {5, 0, 0}));
    AddLeaf(MakeSquare(AddFace(102)), brick, nullptr, ScaleThenMove({2, 2, 2}, {9, 0, 0}));
    ASSERT_TRUE(Pass({10, 11}));
    const uint32_t section = RecordOf(10).geometrySectionId;
    const std::vector<uint32_t> before = Words(section);
    connection.ClearCalls();

    // Moved and turned over by a mirroring placement: same counts, new positions and winding.
    moved->parent->world = ScaleThenMove({-1, 1, 1}, {40, 50, 60});
    moved->parent->mirrored = true;
    scene.leavesToRewrite.insert(moved);
    scene.pending = true;
    EXPECT_TRUE(scene.SyncPass(100));

    EXPECT_EQ(RecordOf(10).geometryRevision, 2u);
    EXPECT_EQ(RecordOf(11).geometryRevision, 1u) << "the moved leaf shows no plaster";
    EXPECT_EQ(RecordOf(10).geometrySectionId, section);
    EXPECT_THAT(connection.Calls(), ElementsAre("mark record " + Id(RecordOf(10).record.recordId), "mark header"));
    EXPECT_TRUE(scene.leavesToRewrite.empty());
    const std::vector<uint32_t> inPlace = Words(section);
    size_t changedWords = 0;
    for (size_t i = 0; i < before.size(); ++i) changedWords += before[i] != inPlace[i] ? 1 : 0;
    EXPECT_GT(changedWords, 0u);
    // Four positions and four normals at most, and the six indices of its two triangles.
    EXPECT_LE(changedWords, 4u * 3 + 4u * 3 + 6u);

    ASSERT_TRUE(Pass({10}));
    EXPECT_EQ(Words(section), inPlace) << "a full rebuild writes the same batch";
}

// A material shown by thousands of leaves is counted and written in parts, side by side: every
// side lands at the place its slot records, and the places tile the batch without a gap or an
// overlap.
TEST_F(MaterialBatchTest, AMaterialOfManyLeavesIsWrittenInPartsThatMeetExactly) {
    MaterialEntry* brick = AddMaterial(10);
    FaceRecord& square = MakeSquare(AddFace(100));
    FaceRecord& strip = AddFace(101);
    MakeStrip(strip, 7);
    constexpr uint32_t kLeaves = 10000;
    std::vector<LeafNode*> leaves;
    for (uint32_t i = 0; i < kLeaves; ++i) {
        FaceRecord& face = i % 3 == 0 ? strip : square;
        // Every fifth leaf shows the material on both sides.
        leaves.push_back(AddLeaf(face, brick, i % 5 == 0 ? brick : nullptr,
                                 Translation(static_cast<float>(i), 0, 0)));
    }
    ASSERT_THAT(Build(10), ElementsAre(10u));

    const BatchView batch(RecordOf(10).geometrySectionId);
    const std::vector<uint32_t> indices = batch.Indices();
    std::vector<std::pair<uint32_t, uint32_t>> vertexRuns, indexRuns;
    for (uint32_t i = 0; i < kLeaves; ++i) {
        const LeafNode& leaf = *leaves[i];
        const FaceRecord& face = *leaf.face;
        for (int side = 0; side < (i % 5 == 0 ? 2 : 1); ++side) {
            const korvan::BatchSlot& slot = leaf.slots[side];
            ASSERT_EQ(slot.vertexCount, face.vertexCount) << i;
            ASSERT_EQ(slot.indexCount, face.indexCount) << i;
            vertexRuns.emplace_back(slot.vertexOffset, slot.vertexCount);
            indexRuns.emplace_back(slot.indexOffset, slot.indexCount);
            for (uint32_t k = 0; k < face.vertexCount; ++k) {
                const Vec3 at = batch.Position(slot.vertexOffset + k);
                ASSERT_EQ(at[0], face.positions[3 * k] + static_cast<float>(i)) << i << " " << side;
                ASSERT_EQ(at[1], face.positions[3 * k + 1]) << i;
            }
            for (uint32_t j = 0; j < face.indexCount; ++j) {
                const uint32_t index = indices.at(slot.indexOffset + j);
                ASSERT_GE(index, slot.vertexOffset) << i;
                ASSERT_LT(index, slot.vertexOffset + slot.vertexCount) << i;
            }
        }
    }
    const auto tiles = [](std::vector<std::pair<uint32_t, uint32_t>> runs, uint32_t total) {
        std::sort(runs.begin(), runs.end());
        uint32_t next = 0;
        for (const auto& [offset, count] : runs) {
            if (offset != next) return false;
            next += count;
        }
        return next == total;
    };
    EXPECT_TRUE(tiles(vertexRuns, batch.V()));
    EXPECT_TRUE(tiles(indexRuns, batch.I()));
    // 3334 strips and 6666 squares, and the back sides of 2000 of them (667 strips).
    EXPECT_EQ(batch.V(), (3334 + 667) * 7u + (6666 + 1333) * 4u);
}

// A leaf that only moved but whose place in the batch no longer holds rebuilds its material:
// hidden since the batch was laid out, or shown again after it was.
TEST_F(MaterialBatchTest, AMovedLeafThatCameOrWentSinceTheBatchWasLaidOutRebuildsTheBatch) {
    MaterialEntry* brick = AddMaterial(10);
    AddLeaf(MakeSquare(AddFace(100)), brick, nullptr);
    LeafNode* comes = AddLeaf(MakeSquare(AddFace(101)), brick, nullptr);
    comes->flags &= ~korvan::VisibilityFlags::NotHidden;
    ASSERT_TRUE(Pass({10}));
    ASSERT_EQ(BatchView(RecordOf(10).geometrySectionId).V(), 4u);

    comes->flags |= korvan::VisibilityFlags::NotHidden;
    scene.leavesToRewrite.insert(comes);
    scene.pending = true;
    EXPECT_TRUE(scene.SyncPass(100));
    EXPECT_EQ(BatchView(RecordOf(10).geometrySectionId).V(), 8u);

    comes->flags &= ~korvan::VisibilityFlags::NotHidden;
    scene.leavesToRewrite.insert(comes);
    scene.pending = true;
    EXPECT_TRUE(scene.SyncPass(100));
    EXPECT_EQ(BatchView(RecordOf(10).geometrySectionId).V(), 4u);
    EXPECT_EQ(RecordOf(10).geometryRevision, 3u);

    // Meshed again to other counts but only queued to be rewritten: it no longer fits its room,
    // so the batch is laid out again rather than written over.
    MakeStrip(scene.faces.at(100), 6);
    scene.leavesToRewrite.insert(static_cast<LeafNode*>(*std::find_if(
        root->children.begin(), root->children.end(), [&](TreeNode* n) { return n != comes; })));
    scene.pending = true;
    EXPECT_TRUE(scene.SyncPass(100));
    const BatchView grown(RecordOf(10).geometrySectionId);
    EXPECT_EQ(grown.V(), 6u);
    EXPECT_EQ(grown.I(), 12u);
}

}  // namespace

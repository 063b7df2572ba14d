// The scene lock between the host's changes and the worker, and what reaches the connection:
// which changes are published, how passes are batched and split, that Publish and Notify come
// once after the last pass, the debug text of a lock not obtained, and stopping the worker.
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "hand_built_scene.h"

namespace {

using namespace scene_test;
using korvan::SceneLock;
using korvan::SceneLockAnswer;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Longer than a pass's budget: a material that takes this long to map leaves the rest of its
// pass's materials for the next pass. Only a lower bound matters; nothing is timed.
constexpr auto kLongerThanAPass = std::chrono::milliseconds(150);

const std::string kNotify = "notify 2 0";

class SyncWorkerTest : public HandBuiltSceneTest {
  protected:
    // As the load leaves it: running, with the worker in its loop.
    void StartWorker() {
        scene.running = true;
        scene.worker = std::thread([this] { scene.WorkerLoop(); });
    }

    // A material with one visible square in the scene.
    void AddPaintedSquare(uint32_t materialId) {
        MaterialEntry* material = AddMaterial(materialId);
        AddLeaf(MakeSquare(AddFace(1000 + materialId)), material, nullptr);
    }

    // The calls that tell passes apart.
    std::vector<std::string> PassCalls() {
        return connection.Calls({"lock", "unlock", "mark header", "publish", "notify"});
    }
    // Waits until the renderer is told, once, after a single pass that held both locks.
    void ExpectOnePassThenTheRendererTold() {
        ASSERT_TRUE(connection.WaitFor(kNotify));
        EXPECT_THAT(PassCalls(), ElementsAre("lock", "mark header", "unlock", "publish", kNotify));
    }

    bool LockIsFree() {
        if (!scene.sceneLock.TryLockUntil(SceneLock::Clock::now())) return false;
        scene.sceneLock.Unlock();
        return true;
    }
};

TEST_F(SyncWorkerTest, AChangeThatDirtiesNothingPublishesNothingAndKeepsTheLockForTheNext) {
    AddPaintedSquare(10);
    StartWorker();

    EXPECT_EQ(scene.BeginSceneChange(), 2u);
    EXPECT_EQ(scene.openGeneration, 2u);
    EXPECT_TRUE(scene.remeshNeighbours);
    // While a change is open no other opens; a new beginning still gets a fresh generation.
    EXPECT_EQ(scene.TryLockScene(50), SceneLockAnswer::AlreadyOpen);
    EXPECT_EQ(scene.lastGeneration, 2u);
    EXPECT_EQ(scene.BeginSceneChange(), 3u);
    scene.EndSceneChange();
    EXPECT_EQ(scene.openGeneration, 0u);
    EXPECT_FALSE(scene.pending);
    EXPECT_TRUE(scene.lockHeld);
    EXPECT_FALSE(LockIsFree());

    // The lock is still the host's, so the next change has it without taking it again.
    EXPECT_EQ(scene.TryLockScene(50), SceneLockAnswer::Opened);
    EXPECT_EQ(scene.openGeneration, 4u);
    scene.dirtyMaterials.insert(10);
    scene.EndSceneChange();
    EXPECT_FALSE(scene.lockHeld);

    ExpectOnePassThenTheRendererTold();
    EXPECT_EQ(RecordOf(10).geometryRevision, 1u);
    EXPECT_TRUE(scene.dirtyMaterials.empty());
}

TEST_F(SyncWorkerTest, TwoChangesBeforeTheWorkerWakesAreSentInOnePass) {
    AddPaintedSquare(10);
    AddPaintedSquare(12);

    scene.BeginSceneChange();
    scene.dirtyMaterials.insert(10);
    scene.EndSceneChange();
    EXPECT_TRUE(scene.pending);
    scene.BeginSceneChange();
    EXPECT_TRUE(scene.lockHeld);
    EXPECT_FALSE(scene.pending);
    scene.dirtyMaterials.insert(10);
    scene.dirtyMaterials.insert(12);
    scene.EndSceneChange();
    StartWorker();

    ExpectOnePassThenTheRendererTold();
    EXPECT_EQ(RecordOf(10).geometryRevision, 1u);
    EXPECT_EQ(RecordOf(12).geometryRevision, 1u);
}

TEST_F(SyncWorkerTest, AMaterialChangeAloneIsSentThroughTheCatalogue) {
    MaterialEntry& brick = catalogue.entries[10];
    brick.id = 10;
    brick.name = u"Brick";
    brick.changed = true;
    StartWorker();

    scene.BeginSceneChange();
    catalogue.PendingMaterials.insert(10);
    scene.EndSceneChange();
    EXPECT_FALSE(scene.lockHeld);

    // The catalogue's flush marks the header; with no dirty material the pass has nothing to add.
    ExpectOnePassThenTheRendererTold();
    ASSERT_NE(brick.record, nullptr);
    EXPECT_EQ(brick.record->contentRevision, 1u);
    EXPECT_EQ(brick.record->name[0], u'B');
    EXPECT_EQ(brick.record->geometryRevision, 0u);
}

TEST_F(SyncWorkerTest, AModelTooLargeForOnePassIsSentOverSeveralAndNotifiedOnceAfterTheLast) {
    // More materials than can start at once, each slower than a whole pass.
    const uint32_t count = std::max(4u, std::thread::hardware_concurrency()) + 4;
    for (uint32_t i = 0; i < count; ++i) AddPaintedSquare(10 + i);
    connection.onMap = [] { std::this_thread::sleep_for(kLongerThanAPass); };

    scene.BeginSceneChange();
    for (uint32_t i = 0; i < count; ++i) scene.dirtyMaterials.insert(10 + i);
    scene.EndSceneChange();
    StartWorker();

    ASSERT_TRUE(connection.WaitFor(kNotify));
    const size_t passes = connection.Calls({"mark header"}).size();
    EXPECT_GE(passes, 2u);
    EXPECT_LE(passes, count);
    // Both locks are let go between passes, and the renderer hears of it once, at the end.
    std::vector<std::string> expected;
    for (size_t pass = 0; pass < passes; ++pass)
        expected.insert(expected.end(), {"lock", "mark header", "unlock"});
    expected.insert(expected.end(), {"publish", kNotify});
    EXPECT_THAT(PassCalls(), ElementsAreArray(expected));
    for (uint32_t i = 0; i < count; ++i) EXPECT_EQ(RecordOf(10 + i).geometryRevision, 1u) << i;
    EXPECT_TRUE(scene.dirtyMaterials.empty());
}

TEST_F(SyncWorkerTest, ResetSceneBetweenPassesReturnsOnceTheWorkerHasLeft) {
    AddPaintedSquare(10);
    // Korvan holds the channel lock: every pass is skipped and tried again.
    connection.refuseLock = true;
    StartWorker();
    scene.BeginSceneChange();
    scene.dirtyMaterials.insert(10);
    scene.EndSceneChange();
    ASSERT_TRUE(connection.WaitFor("lock refused", 2));
    EXPECT_TRUE(scene.pending);

    scene.ResetScene();
    EXPECT_FALSE(scene.worker.joinable());
    EXPECT_FALSE(scene.running);
    EXPECT_FALSE(scene.pending);
    const std::vector<std::string> calls = connection.Calls();
    EXPECT_TRUE(std::all_of(calls.begin(), calls.end(),
                            [](const std::string& c) { return c == "lock refused"; }));
    EXPECT_EQ(RecordOf(10).geometryRevision, 0u);
    EXPECT_TRUE(LockIsFree());
    // Everything mirrored is gone.
    EXPECT_EQ(scene.root, nullptr);
    EXPECT_TRUE(scene.nodes.empty());
    EXPECT_TRUE(scene.faces.empty());
    EXPECT_TRUE(scene.leavesByMaterial.empty());
    EXPECT_TRUE(scene.dirtyMaterials.empty());
    EXPECT_EQ(scene.lastGeneration, 0u);
    EXPECT_EQ(scene.openGeneration, 0u);
}

TEST_F(SyncWorkerTest, ResetSceneLetsGoOfALockTheHostKept) {
    StartWorker();
    scene.BeginSceneChange();
    scene.EndSceneChange();
    ASSERT_TRUE(scene.lockHeld);

    scene.ResetScene();
    EXPECT_FALSE(scene.worker.joinable());
    EXPECT_FALSE(scene.lockHeld);
    EXPECT_TRUE(LockIsFree());
    EXPECT_TRUE(connection.Calls().empty());
}

// The worker is parked inside a pass when the host begins a change: the host waits for it to
// stop at its next leaf, the cut-short pass wakes nobody, and the next pass sends both changes.
TEST_F(SyncWorkerTest, AHostChangeWaitsForThePassUnderWayAndNothingIsLost) {
    AddPaintedSquare(10);
    std::atomic<bool> parked{false};
    std::atomic<bool> first{true};
    // Told to stop, the worker still holds the lock for longer than the host's first try: the
    // host must wait rather than go on without it.
    connection.onMap = [&] {
        if (!first.exchange(false)) return;
        parked = true;
        while (scene.pending) std::this_thread::yield();
        std::this_thread::sleep_for(kLongerThanAPass);
    };
    StartWorker();
    scene.dirtyMaterials.insert(10);
    scene.EndSceneChange();
    while (!parked) std::this_thread::yield();

    scene.BeginSceneChange();
    EXPECT_TRUE(scene.lockHeld);
    AddPaintedSquare(11);
    scene.dirtyMaterials.insert(11);
    scene.EndSceneChange();

    ASSERT_TRUE(connection.WaitFor(kNotify));
    EXPECT_THAT(PassCalls(), ElementsAre("lock", "unlock", "lock", "mark header", "unlock",
                                         "publish", kNotify));
    for (const uint32_t id : {10u, 11u}) {
        const BatchView batch(RecordOf(id).geometrySectionId);
        ASSERT_TRUE(batch.IsOpen()) << id;
        EXPECT_EQ(batch.V(), 4u) << id;
        EXPECT_EQ(RecordOf(id).geometryRevision, 1u) << "the cut-short write counts nothing";
    }
}

TEST_F(SyncWorkerTest, AHostThatCannotGetTheLockSaysSoInTheDebugOutput) {
    scene.sceneLock.Lock();  // as the worker holds it during a pass
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(scene.TryLockScene(0), SceneLockAnswer::NotObtained);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "\n --- Can't lock mutex! ---\n");
    EXPECT_FALSE(scene.lockHeld);
    scene.sceneLock.Unlock();
}

}  // namespace

// The host's thread changes the mirror between BeginSceneChange (or TryLockScene) and
// EndSceneChange; the worker sends what changed. They meet at the scene lock: the host holds it
// from the first change until a change that needs sending ends, and the worker takes it, and
// then the cross-process lock, for each pass.
#include <chrono>
#include <thread>

#include "appearance/layer_table.h"
#include "appearance/material_catalogue.h"
#include "liveconnection/live_connection.h"
#include "scene/material_batch.h"
#include "scene/su_scene.h"
#include "twinlink/parallel.h"
#include "twinlink/platform.h"

namespace korvan {

namespace {

constexpr uint32_t kHostLockTimeoutMs = 50;
constexpr uint32_t kChannelLockTimeoutUs = 10000;
constexpr uint32_t kPassBudgetMs = 100;
constexpr auto kIdleSleep = std::chrono::milliseconds(50);
constexpr auto kSendingSleep = std::chrono::milliseconds(5);

void ReportSceneLockTimeout() {
    twinlink::platform::OutputDebugString(u"\n --- Can't lock mutex! ---\n");
}

}  // namespace

SceneLockAnswer SUScene::TryLockScene(uint32_t timeoutMs) {
    if (openGeneration != 0) return SceneLockAnswer::AlreadyOpen;
    openGeneration = ++lastGeneration;
    // The worker must not start a pass while the host is changing the tree, and one under way
    // stops at its next leaf.
    pending = false;
    if (!lockHeld) {
        const auto deadline = SceneLock::Clock::now() + std::chrono::milliseconds(timeoutMs);
        lockHeld = sceneLock.TryLockUntil(deadline);
        if (!lockHeld) ReportSceneLockTimeout();
    }
    return lockHeld ? SceneLockAnswer::Opened : SceneLockAnswer::NotObtained;
}

void SUScene::HoldSceneForHost() {
    if (TryLockScene(kHostLockTimeoutMs) == SceneLockAnswer::NotObtained) {
        // The worker is inside a pass, told to stop at its next leaf: wait for it.
        sceneLock.Lock();
        lockHeld = true;
    }
    WaitForSceneLock();  // an open change whose lock the host never got
}

void SUScene::WaitForSceneLock() {
    if (lockHeld) return;
    // A pass under way stops at its next leaf once pending is cleared; changing the tree before
    // the worker lets go would race it, so wait for it.
    pending = false;
    if (!sceneLock.TryLockUntil(SceneLock::Clock::now() + std::chrono::milliseconds(kHostLockTimeoutMs))) {
        ReportSceneLockTimeout();
        sceneLock.Lock();
    }
    lockHeld = true;
}

uint32_t SUScene::BeginSceneChange() {
    HoldSceneForHost();
    // A fresh generation even when a change was already open.
    openGeneration = ++lastGeneration;
    remeshNeighbours = true;
    return openGeneration;
}

void SUScene::EndSceneChange() {
    // The re-meshing and the catalogue below are the tree's: not while the worker sends.
    WaitForSceneLock();
    // While the model colours by layer, a layer's colour reaches Korvan as the layer's material.
    if (colourByLayer && materials != nullptr) {
        for (const uint32_t id : RefreshLayerMaterials(*materials, modelRef)) dirtyMaterials.insert(id);
    }
    if (!dirtyFaces.empty()) {
        RemeshDirtyFaces();
        dirtyFaces.clear();
    }
    openGeneration = 0;
    // Nothing to send: the host keeps the lock, and its next change starts without waiting.
    if (materials->PendingMaterials.empty() && dirtyMaterials.empty() && leavesToRewrite.empty()) return;
    pending = true;
    if (lockHeld) {
        lockHeld = false;
        sceneLock.Unlock();
    }
    WakeWorker();
}

void SUScene::WakeWorker() {
    {
        std::lock_guard<std::mutex> guard(wakeMutex);
        wakeRequested = true;
    }
    wake.notify_one();
}

void SUScene::WorkerSleep(std::chrono::milliseconds period) {
    std::unique_lock<std::mutex> guard(wakeMutex);
    wake.wait_for(guard, period, [this] { return wakeRequested || !running; });
    wakeRequested = false;
}

void SUScene::WorkerLoop() {
    bool passCompleted = false;
    while (running) {
        if (pending) {
            sceneLock.Lock();
            if (connection->Lock(kChannelLockTimeoutUs)) {
                if (running) {
                    materials->FlushMaterials();
                    if (SyncPass(kPassBudgetMs)) {
                        passCompleted = true;
                        pending = false;
                    }
                }
                connection->Unlock();
                if (passCompleted && running) {
                    passCompleted = false;
                    connection->Publish();
                    connection->Notify(TwinLinkAPI::kUpdateNotification, 0);
                }
            }
            sceneLock.Unlock();
        }
        if (!running) break;
        // A published change wakes the worker at once; the periods are what it waits otherwise.
        WorkerSleep(pending ? kSendingSleep : kIdleSleep);
    }
}

bool SUScene::SyncPass(uint32_t budgetMs) {
    // A change begun on the host side makes this pass one that must not be announced.
    if (!pending) return false;
    if (dirtyMaterials.empty() && leavesToRewrite.empty()) return true;

    // Decided first: a leaf that cannot be written where it lay adds its material to the
    // rebuilds below.
    const auto inPlace = SortLeavesToRewrite();
    BatchPassContext context;
    context.scene = this;
    context.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(budgetMs);
    context.processed.max_load_factor(4.0f);
    context.sectionsToRelease.max_load_factor(4.0f);
    twinlink::parallel::ForEach(
        dirtyMaterials, [&](uint32_t materialId) { BuildMaterialBatch(context, materialId); });
    for (uint32_t sectionId : context.sectionsToRelease) connection->ReleaseSection(sectionId);

    // A new change began meanwhile: it will be published again, dirty set and all, and Korvan
    // is not woken to read batches that were cut short.
    if (!pending) return false;
    RewriteLeavesInPlace(inPlace);
    if (!pending) return false;
    leavesToRewrite.clear();
    // Only the worker removes from the dirty set, and only while it holds the scene lock.
    for (uint32_t materialId : context.processed) dirtyMaterials.unsafe_erase(materialId);
    connection->MarkHeader(TwinLinkAPI::kChangedFlag);
    return dirtyMaterials.empty();
}

void SUScene::ResetScene() {
    running = false;
    pending = false;
    WakeWorker();
    if (lockHeld) {
        lockHeld = false;
        sceneLock.Unlock();
    }
    if (worker.joinable()) worker.join();

    model = Qnil;
    modelRef = SU_INVALID;
    root = nullptr;
    layers.clear();
    leavesByMaterial.clear();
    faces.clear();
    nodesByEntity.clear();
    keepDefinitionReadings = false;
    definitionReadings.clear();
    edgeStates.clear();
    dirtyMaterials.clear();
    leavesToRewrite.clear();
    // Faces of the old mirror must not be re-meshed into the next one.
    dirtyFaces.clear();
    // Children lists hold no ownership, so every node can go at once.
    nodes.clear();

    renderBackFaces = true;
    nodeCounter = 0;
    lastGeneration = 0;
    openGeneration = 0;
}

}  // namespace korvan

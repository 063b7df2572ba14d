// A scene whose tree a test builds leaf by leaf (root, face records, leaves, the leaves by
// material index), over a LiveConnection hosting a private main section and a catalogue whose
// entries the test makes itself, a connection that logs what Korvan would notice, and a view of
// a geometry section as Korvan reads it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "liveconnection/live_connection.h"
#include "liveconnection/section_names.h"
#include "liveconnection_test_support.h"
#include "model/model.h"
// Last: Ruby's headers turn memcpy into a macro that std::memcpy above must not meet.
#include "appearance/material_catalogue.h"
#include "scene/material_batch.h"
#include "scene/su_scene.h"
#include "scene_test_support.h"

namespace scene_test {

using korvan::FaceRecord;
using korvan::LeafNode;
using korvan::MaterialEntry;
using korvan::Matrix4;
using korvan::TreeNode;
using TwinLinkAPI::SurfaceRecord;

inline constexpr char16_t kModelPath[] = u"C:\\Models\\Batches.skp";

using Vec2 = std::array<float, 2>;

// A unit square in the z = 0 plane: four vertices, two triangles, normals leaning (1, 1, 1) so
// that every axis of the normal matrix shows.
inline FaceRecord& MakeSquare(FaceRecord& face) {
    face.vertexCount = 4;
    face.indexCount = 6;
    face.indices = {0, 1, 2, 0, 2, 3};
    face.positions = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    face.normals = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    face.frontUV = {0, 0, 1, 0, 1, 1, 0, 1};
    face.backUV = {0.5f, 0.25f, 1.5f, 0.25f, 1.5f, 1.25f, 0.5f, 1.25f};
    return face;
}

// A strip of `vertices` vertices along x, triangles (k, k + 1, k + 2).
inline void MakeStrip(FaceRecord& face, uint32_t vertices) {
    face.vertexCount = vertices;
    face.indexCount = vertices < 3 ? 0 : 3 * (vertices - 2);
    face.indices.clear();
    for (uint32_t k = 0; k + 2 < vertices; ++k)
        face.indices.insert(face.indices.end(), {k, k + 1, k + 2});
    face.positions.assign(3 * size_t{vertices}, 0.0f);
    for (uint32_t k = 0; k < vertices; ++k) face.positions[3 * k] = static_cast<float>(k);
    face.normals.assign(3 * size_t{vertices}, 1.0f);
    face.frontUV.assign(2 * size_t{vertices}, 0.0f);
    face.backUV.assign(2 * size_t{vertices}, 0.0f);
}

// Logs, in order, the section, marking, lock and wake-up calls that reach the connection. The map
// hook lets a test act (or wait) at the moment the writing begins; the mapping can fail, and the
// channel lock can be refused as when Korvan holds it.
class LoggingConnection : public TwinLinkAPI::LiveConnection {
  public:
    uint32_t CreateSection(uint32_t ownerRecordId, uint32_t size) override {
        const uint32_t id = LiveConnection::CreateSection(ownerRecordId, size);
        Log("create " + std::to_string(id));
        return id;
    }
    void ReleaseSection(uint32_t sectionId) override {
        Log("release " + std::to_string(sectionId));
        LiveConnection::ReleaseSection(sectionId);
    }
    void* MapSection(uint32_t sectionId) override {
        if (onMap) onMap();
        return mapFails ? nullptr : LiveConnection::MapSection(sectionId);
    }
    void MarkRecord(TwinLinkAPI::RecordHeader* record, uint32_t flags) override {
        Log("mark record " + std::to_string(record->recordId));
        LiveConnection::MarkRecord(record, flags);
    }
    void MarkHeader(uint32_t flags) override {
        Log("mark header");
        LiveConnection::MarkHeader(flags);
    }
    bool Lock(uint32_t timeoutMicroseconds) override {
        const bool taken = !refuseLock && LiveConnection::Lock(timeoutMicroseconds);
        Log(taken ? "lock" : "lock refused");
        return taken;
    }
    void Unlock() override {
        Log("unlock");
        LiveConnection::Unlock();
    }
    int32_t Publish() override {
        Log("publish");
        return LiveConnection::Publish();
    }
    int32_t Notify(intptr_t lParam, uintptr_t wParam) override {
        Log("notify " + std::to_string(lParam) + " " + std::to_string(wParam));
        return LiveConnection::Notify(lParam, wParam);
    }

    // Every call so far, or those that begin with one of `kinds`.
    std::vector<std::string> Calls(const std::vector<std::string>& kinds = {}) {
        std::lock_guard<std::mutex> guard(mutex);
        std::vector<std::string> found;
        for (const std::string& call : calls)
            if (kinds.empty() || std::any_of(kinds.begin(), kinds.end(),
                                             [&](const std::string& k) { return call.starts_with(k); }))
                found.push_back(call);
        return found;
    }
    void ClearCalls() {
        std::lock_guard<std::mutex> guard(mutex);
        calls.clear();
    }
    // True once `call` has been made `times` times; the minute is a net against a hung worker,
    // not a timing assumption.
    bool WaitFor(const std::string& call, size_t times = 1) {
        std::unique_lock<std::mutex> guard(mutex);
        return logged.wait_for(guard, std::chrono::seconds(60), [&] {
            return static_cast<size_t>(std::count(calls.begin(), calls.end(), call)) >= times;
        });
    }

    bool mapFails = false;
    std::function<void()> onMap;
    std::atomic<bool> refuseLock{false};

  private:
    void Log(std::string call) {
        {
            std::lock_guard<std::mutex> guard(mutex);
            calls.push_back(std::move(call));
        }
        logged.notify_all();
    }
    std::mutex mutex;
    std::condition_variable logged;
    std::vector<std::string> calls;
};

// The connection, the catalogue and the scene, with the root made. Nodes are made by the scene,
// as its own code makes them, and freed by ResetScene.
class HandBuiltSceneTest : public liveconnection_test::PrivateStateTest {
  protected:
    void SetUp() override {
        PrivateStateTest::SetUp();
        ASSERT_EQ(connection.Host(kModelPath, 256), 0);
        root = scene.CreateContainer(korvan::NodeType::Root, nullptr);
        scene.root = root;
    }
    void TearDown() override {
        scene.ResetScene();
        catalogue.ClearCatalogue();
        connection.Stop();
        PrivateStateTest::TearDown();
    }

    // A catalogue entry with its "SRFC" record, as the first flush leaves it.
    MaterialEntry* AddMaterial(uint32_t id, float uScale = 1.0f, float vScale = 1.0f) {
        MaterialEntry& entry = catalogue.entries[id];
        entry.id = id;
        entry.textureUScale = uScale;
        entry.textureVScale = vScale;
        entry.record =
            reinterpret_cast<SurfaceRecord*>(connection.CreateRecord(TwinLinkAPI::kSurfaceTag));
        EXPECT_NE(entry.record, nullptr);
        return &entry;
    }

    FaceRecord& AddFace(uint32_t faceId) {
        FaceRecord& face = scene.faces[faceId];
        face.faceId = faceId;
        face.visible = true;
        return face;
    }

    // A visible leaf showing `front` and `back` (null: no material): directly under the root,
    // or alone in a group placed at `world` when that is not the identity or is mirrored.
    LeafNode* AddLeaf(FaceRecord& face, MaterialEntry* front, MaterialEntry* back,
                      const Matrix4& world = korvan::kIdentityMatrix, bool mirrored = false) {
        korvan::ContainerNode* parent = root;
        if (world != korvan::kIdentityMatrix || mirrored) {
            parent = scene.CreateContainer(korvan::NodeType::Group, root);
            parent->world = world;
            parent->mirrored = mirrored;
        }
        LeafNode* leaf = scene.CreateLeaf(parent);
        leaf->entityId = face.faceId;
        leaf->face = &face;
        ++face.references;
        leaf->frontEntry = front;
        leaf->backEntry = back;
        leaf->materialId = front != nullptr ? front->id : 0;
        leaf->backMaterialId = back != nullptr ? back->id : 0;
        scene.ListLeafUnderMaterials(leaf);
        return leaf;
    }

    SurfaceRecord& RecordOf(uint32_t id) { return *catalogue.entries.at(id).record; }

    LoggingConnection connection;
    korvan::MaterialCatalogue catalogue{&connection};
    korvan::SUScene scene{&connection, &catalogue, Qnil};
    korvan::ContainerNode* root = nullptr;
};

// A geometry section opened by name, as Korvan opens it, read word by word.
class BatchView : public liveconnection_test::RawSection {
  public:
    explicit BatchView(uint32_t sectionId)
        : RawSection(
              TwinLinkAPI::DataSectionName(twinlink::platform::GetCurrentProcessId(), sectionId)) {}

    uint32_t Word(uint64_t index) const { return U32(4 * index); }
    float Float(uint64_t index) const { return F32(4 * index); }

    uint32_t V() const { return Word(0); }
    uint32_t I() const { return Word(1); }
    uint32_t S() const { return Word(2); }
    Vec3 Position(uint32_t k) const {
        return {Float(3 + 3 * k), Float(4 + 3 * k), Float(5 + 3 * k)};
    }
    Vec3 Normal(uint32_t k) const {
        const uint64_t at = 3 + 3 * uint64_t{V()} + 3 * k;
        return {Float(at), Float(at + 1), Float(at + 2)};
    }
    Vec2 UV(uint32_t k) const {
        const uint64_t at = 3 + 6 * uint64_t{V()} + 2 * k;
        return {Float(at), Float(at + 1)};
    }
    std::vector<uint32_t> Indices() const {
        std::vector<uint32_t> indices;
        const uint64_t at = 3 + 8 * uint64_t{V()};
        for (uint32_t j = 0; j < I(); ++j) indices.push_back(Word(at + j));
        return indices;
    }
};

}  // namespace scene_test

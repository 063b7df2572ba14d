// How fast one material's batch is rebuilt into its data section: one large material spread
// over many placed faces, counted and written in world space by BuildMaterialBatch, in
// triangles per second. The section already exists (as after the first send), so each run is
// the count pass, the transform-and-write pass and the record's marking.
//
// Faces are shared by groups of placements, as component instances share their definition's
// faces; each group has its own rotated, scaled and moved world matrix.
//
// Beside it, memcpy between buffers of the 128-triangles-a-face batch's size: the rate that
// batch is held against in ./run bench's table.
//
// All state lives in a private folder (the three TWINLINK_* variables), removed at the end.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/private_state.h"
#include "bench/summary.h"
#include "liveconnection/live_connection.h"
// Last: Ruby's headers turn memcpy into a macro that the standard headers above must not meet.
#include "appearance/material_catalogue.h"
#include "scene/material_batch.h"
#include "scene/su_scene.h"

namespace {

using korvan::FaceRecord;
using korvan::LeafNode;
using korvan::Matrix4;

constexpr uint32_t kMaterialId = 10;
constexpr uint32_t kTrianglesPerMaterial = 1 << 20;
constexpr uint32_t kPlacementsPerWorld = 64;
constexpr uint32_t kDistinctFaces = 256;


// A fan of `triangles` triangles around the origin in the z = 0 plane.
void MakeFan(FaceRecord& face, uint32_t triangles) {
    const uint32_t vertices = triangles + 2;
    face.vertexCount = vertices;
    face.indexCount = 3 * triangles;
    for (uint32_t t = 0; t < triangles; ++t)
        face.indices.insert(face.indices.end(), {0, t + 1, t + 2});
    for (uint32_t k = 0; k < vertices; ++k) {
        const float angle = 0.01f * static_cast<float>(k);
        face.positions.insert(face.positions.end(), {std::cos(angle), std::sin(angle), 0.0f});
        face.normals.insert(face.normals.end(), {0.0f, 0.0f, 1.0f});
        face.frontUV.insert(face.frontUV.end(), {std::cos(angle), std::sin(angle)});
        face.backUV.insert(face.backUV.end(), {std::cos(angle), std::sin(angle)});
    }
}

// A turn about the up axis, a scale and a move: what a component placement carries.
Matrix4 PlacementWorld(uint32_t placement) {
    const float angle = 0.1f * static_cast<float>(placement);
    const float c = std::cos(angle), s = std::sin(angle), scale = 1.0f + 0.001f * placement;
    return {scale * c,
            0,
            -scale * s,
            0,
            0,
            scale,
            0,
            0,
            scale * s,
            0,
            scale * c,
            0,
            static_cast<float>(placement),
            0.001f,
            2.0f,
            1};
}

// Args: triangles per face.
void BM_BuildOneLargeMaterial(benchmark::State& state) {
    const auto trianglesPerFace = static_cast<uint32_t>(state.range(0));
    const uint32_t leafCount = kTrianglesPerMaterial / trianglesPerFace;

    PrivateState privateState("twinlink-bench-batch");
    TwinLinkAPI::LiveConnection connection;
    if (connection.Host(u"C:\\Models\\BatchBench.skp", 64) != 0) {
        state.SkipWithError("cannot host the main section");
        return;
    }
    korvan::MaterialCatalogue catalogue(&connection);
    korvan::MaterialEntry& entry = catalogue.entries[kMaterialId];
    entry.id = kMaterialId;
    entry.textureUScale = 2.0f;
    entry.textureVScale = 0.5f;
    entry.record = reinterpret_cast<TwinLinkAPI::SurfaceRecord*>(
        connection.CreateRecord(TwinLinkAPI::kSurfaceTag));
    {
        korvan::SUScene scene(&connection, &catalogue, Qnil);
        korvan::ContainerNode* root = scene.CreateContainer(korvan::NodeType::Root, nullptr);
        scene.root = root;
        for (uint32_t f = 0; f < kDistinctFaces; ++f) MakeFan(scene.faces[f], trianglesPerFace);
        korvan::ContainerNode* placement = nullptr;
        for (uint32_t i = 0; i < leafCount; ++i) {
            if (i % kPlacementsPerWorld == 0) {
                placement = scene.CreateContainer(korvan::NodeType::ComponentInstance, root);
                placement->SetWorldTransform(PlacementWorld(i / kPlacementsPerWorld));
            }
            LeafNode* leaf = scene.CreateLeaf(placement);
            leaf->face = &scene.faces[i % kDistinctFaces];
            leaf->materialId = kMaterialId;
            leaf->frontEntry = &entry;
            scene.ListLeafUnderMaterials(leaf);
        }
        scene.pending = true;

        const auto buildOnce = [&] {
            korvan::BatchPassContext context;
            context.scene = &scene;
            context.deadline = std::chrono::steady_clock::now() + std::chrono::hours(1);
            scene.BuildMaterialBatch(context, kMaterialId);
        };
        buildOnce();  // makes the section, as the first send does
        if (entry.record->geometrySectionId == 0) {
            state.SkipWithError("no geometry section");
        } else {
            for (auto _ : state) buildOnce();
        }
        const double triangles = static_cast<double>(leafCount) * trianglesPerFace;
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * triangles));
        state.counters["triangles"] = triangles;
        state.counters["leaves"] = leafCount;
        state.counters["Mtriangles/s"] =
            benchmark::Counter(triangles / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    }
    catalogue.ClearCatalogue();
    connection.Stop();
}
// Five runs each, the median reported: one run on two shared cores can be a fifth off.
BENCHMARK(BM_BuildOneLargeMaterial)
    ->Arg(2)
    ->Arg(16)
    ->Arg(128)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The bytes BM_BuildOneLargeMaterial writes at `trianglesPerFace`: every leaf its own fan's
// vertices (two more than its triangles) and indices.
uint64_t BatchBytesAt(uint32_t trianglesPerFace) {
    const uint64_t leaves = kTrianglesPerMaterial / trianglesPerFace;
    return korvan::BatchBytes(leaves * (trianglesPerFace + 2), leaves * 3 * trianglesPerFace);
}

// This machine's memcpy between two buffers of a batch's size, the bound for a writer that only
// moves its bytes. Args: triangles per face of that batch.
void BM_MemcpyOfBatchSize(benchmark::State& state) {
    const uint64_t bytes = BatchBytesAt(static_cast<uint32_t>(state.range(0)));
    // Filled, so that no copy pays for first touching a page.
    std::vector<char> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        // The builtin: Ruby's headers turn memcpy into a wrapper of their own.
        __builtin_memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_MemcpyOfBatchSize)
    ->Arg(128)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The figures for ./run bench's table: small faces are bounded by the per-leaf work, large ones
// should come near a plain copy of their bytes.
void Summarize(const bench::KeptRuns& runs) {
    constexpr double kSmallFaceTarget = 40;      // million triangles a second, 2 per leaf
    constexpr double kLargeFaceTarget = 0.40;    // of memcpy's bytes a second, 128 per leaf
    const char* small = "batch writing, 2 triangles per leaf";
    const std::string smallTarget = bench::Format("at least %.0f M triangles/s", kSmallFaceTarget);
    if (const auto* run = runs.Find("BM_BuildOneLargeMaterial", "2")) {
        const double rate = run->counters.at("Mtriangles/s");
        bench::AppendFigure(small, bench::Format("%.1f M triangles/s", rate), smallTarget,
                            rate >= kSmallFaceTarget);
    } else {
        bench::AppendUnmeasured(small, smallTarget);
    }

    const char* large = "batch writing, 128 triangles per leaf / memcpy";
    const std::string largeTarget = bench::Format("at least %.2f x", kLargeFaceTarget);
    const auto* batch = runs.Find("BM_BuildOneLargeMaterial", "128");
    const auto* copy = runs.Find("BM_MemcpyOfBatchSize", "128");
    if (batch == nullptr || copy == nullptr) return bench::AppendUnmeasured(large, largeTarget);
    const double bytes = static_cast<double>(BatchBytesAt(128));
    const double batchRate = bytes / bench::KeptRuns::SecondsPerIteration(*batch);
    const double copyRate = bytes / bench::KeptRuns::SecondsPerIteration(*copy);
    const double ratio = batchRate / copyRate;
    bench::AppendFigure(large, bench::Format("%.2f x (%.2f / %.2f GB/s)", ratio, batchRate / 1e9, copyRate / 1e9),
                        largeTarget, ratio >= kLargeFaceTarget);
}

}  // namespace

int main(int argc, char** argv) { return bench::RunAndSummarize(argc, argv, Summarize); }

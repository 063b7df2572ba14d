// What the SketchUp stand-in itself costs: meshing every face of a city of about a million
// triangles with MeshFace (once per face, as a reader that meshes each definition once does),
// on one thread and spread over the worker threads, and building the city. Figures for the
// plug-in can subtract these to tell its own cost from hostsim's.
#include <benchmark/benchmark.h>

#include "mesh/face_mesh.h"
#include "mesh/placed_faces.h"
#include "model/app.h"
#include "samples/city.h"
#include "twinlink/parallel.h"

namespace hostsim {
namespace {

constexpr uint32_t kSeed = 1;
constexpr uint64_t kTriangles = 1'000'000;

struct City {
    std::unique_ptr<Model> model = App::Instance().CreateDetached();
    std::vector<const Face*> faces;   // every face the model stores, definitions included
    std::vector<const Face*> placed;  // every face once per place it is drawn

    City() {
        BuildCity(*model, kSeed, kTriangles);
        model->ForgetHistory();
        auto collect = [this](const Entities* in) {
            for (const DrawingElement* e : in->items)
                if (e->type == RefType::Face) faces.push_back(static_cast<const Face*>(e));
        };
        collect(model->entities);
        for (const ComponentDefinition* d : model->definitions) collect(d->entities);
        ForEachPlacedFace(*model, [this](const PlacedFace& pf) { placed.push_back(pf.face); });
    }
};

const City& TheCity() {
    static City city;
    return city;
}

void Report(benchmark::State& state, size_t faces, size_t triangles) {
    state.counters["faces"] = static_cast<double>(faces);
    state.counters["triangles"] = static_cast<double>(triangles);
    state.counters["faces/s"] = benchmark::Counter(static_cast<double>(faces),
                                                   benchmark::Counter::kIsIterationInvariantRate);
    state.counters["triangles/s"] = benchmark::Counter(
        static_cast<double>(triangles), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MeshEveryFace(benchmark::State& state) {
    const City& city = TheCity();
    size_t triangles = 0;
    for (auto _ : state) {
        triangles = 0;
        for (const Face* f : city.faces) triangles += MeshFace(*f).TriangleCount();
        benchmark::DoNotOptimize(triangles);
    }
    Report(state, city.faces.size(), triangles);
}
BENCHMARK(BM_MeshEveryFace)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MeshEveryFaceInParallel(benchmark::State& state) {
    const City& city = TheCity();
    std::vector<size_t> counts(city.faces.size());
    size_t triangles = 0;
    for (auto _ : state) {
        twinlink::parallel::For(city.faces.size(),
                                [&](size_t i) { counts[i] = MeshFace(*city.faces[i]).TriangleCount(); });
        triangles = 0;
        for (size_t c : counts) triangles += c;
        benchmark::DoNotOptimize(triangles);
    }
    Report(state, city.faces.size(), triangles);
}
BENCHMARK(BM_MeshEveryFaceInParallel)->Unit(benchmark::kMillisecond)->UseRealTime();

// A mirror that meshes each face again for every place it appears (as the plug-in's load does)
// asks the host for this much.
void BM_MeshEveryPlacedFace(benchmark::State& state) {
    const City& city = TheCity();
    size_t triangles = 0;
    for (auto _ : state) {
        triangles = 0;
        for (const Face* f : city.placed) triangles += MeshFace(*f).TriangleCount();
        benchmark::DoNotOptimize(triangles);
    }
    Report(state, city.placed.size(), triangles);
}
BENCHMARK(BM_MeshEveryPlacedFace)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BuildCity(benchmark::State& state) {
    CityStats stats;
    for (auto _ : state) {
        std::unique_ptr<Model> model = App::Instance().CreateDetached();
        stats = BuildCity(*model, kSeed, kTriangles);
        model->ForgetHistory();
        benchmark::DoNotOptimize(model.get());
        state.PauseTiming();
        model.reset();  // freeing is not part of building
        state.ResumeTiming();
    }
    state.counters["triangles"] = static_cast<double>(stats.triangles);
    state.counters["stored faces"] = static_cast<double>(stats.storedFaces);
    state.counters["placements"] = static_cast<double>(stats.buildings + stats.trees + stats.lamps);
}
BENCHMARK(BM_BuildCity)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace hostsim

BENCHMARK_MAIN();

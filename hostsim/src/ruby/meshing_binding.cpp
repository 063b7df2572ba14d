// HostSim's meshing figures, for benchmarks that tell the host's work from a plug-in's:
//   HostSim.meshing_seconds / reset_meshing_clock: the time spent triangulating faces for the
//     C API (SUMeshHelperCreate) on every thread since the last reset;
//   HostSim.time_meshing(model): what meshing every face once per place it is drawn costs on
//     one thread, as a mirror that meshes each placement asks of the host.
#include <chrono>
#include <vector>

#include "mesh/face_mesh.h"
#include "mesh/meshing_clock.h"
#include "mesh/placed_faces.h"
#include "ruby/bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

VALUE MeshingSeconds(VALUE) { return DBL2NUM(static_cast<double>(MeshingNanoseconds()) / 1e9); }

VALUE ResetMeshing(VALUE) {
    ResetMeshingClock();
    return Qnil;
}

struct MeshingRun {
    double seconds = 0;
    size_t triangles = 0;
    bool outOfMemory = false;
};

// The faces are gathered first so that only MeshFace is timed. MeshFace is called directly,
// not through the C API, so the meshing clock above is left as it was.
MeshingRun MeshEveryPlacedFace(const Model& model) noexcept {
    MeshingRun run;
    try {
        std::vector<const Face*> placed;
        ForEachPlacedFace(model, [&placed](const PlacedFace& pf) { placed.push_back(pf.face); });
        const auto started = std::chrono::steady_clock::now();
        for (const Face* face : placed) run.triangles += MeshFace(*face).TriangleCount();
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    } catch (...) {
        run.outOfMemory = true;
    }
    return run;
}

// {seconds:, triangles:}: the time and the triangles meshed, hidden faces included.
VALUE TimeMeshing(VALUE, VALUE model) {
    const MeshingRun run = MeshEveryPlacedFace(*UnwrapModel(model));
    if (run.outOfMemory) rb_raise(rb_eNoMemError, "no memory left to mesh the model");
    VALUE h = rb_hash_new();
    rb_hash_aset(h, ID2SYM(rb_intern("seconds")), DBL2NUM(run.seconds));
    rb_hash_aset(h, ID2SYM(rb_intern("triangles")), SIZET2NUM(run.triangles));
    return h;
}

}  // namespace

void DefineMeshing() {
    rb_define_module_function(k.mHostSim, "meshing_seconds", MeshingSeconds, 0);
    rb_define_module_function(k.mHostSim, "reset_meshing_clock", ResetMeshing, 0);
    rb_define_module_function(k.mHostSim, "time_meshing", TimeMeshing, 1);
}

}  // namespace hostsim::ruby

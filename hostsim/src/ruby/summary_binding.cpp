// HostSim.summary(model): what a model holds, as the demo prints it. Triangles are counted
// as drawn: each face once per place it appears.
#include <map>

#include "mesh/face_mesh.h"
#include "mesh/placed_faces.h"
#include "ruby/bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

struct Summary {
    ModelCounts counts;
    size_t trianglesPlaced = 0, trianglesShown = 0, facesPlaced = 0, hiddenFaces = 0;
};

Summary Summarize(const Model& m) {
    Summary s;
    s.counts = m.Counts();
    std::map<const Face*, size_t> triangles;  // each face meshed once
    ForEachPlacedFace(m, [&](const PlacedFace& pf) {
        auto it = triangles.find(pf.face);
        if (it == triangles.end()) it = triangles.emplace(pf.face, MeshFace(*pf.face).TriangleCount()).first;
        ++s.facesPlaced;
        s.trianglesPlaced += it->second;
        if (pf.visible) s.trianglesShown += it->second;
        else ++s.hiddenFaces;
    });
    return s;
}

VALUE SummaryOf(VALUE, VALUE model) {
    Model* m = UnwrapModel(model);
    Summary s = Summarize(*m);
    VALUE h = rb_hash_new();
    auto put = [h](const char* key, size_t v) { rb_hash_aset(h, ID2SYM(rb_intern(key)), SIZET2NUM(v)); };
    put("faces", static_cast<size_t>(s.counts.faces));
    put("edges", static_cast<size_t>(s.counts.edges));
    put("groups", static_cast<size_t>(s.counts.groups));
    put("component_instances", static_cast<size_t>(s.counts.instances));
    put("images", static_cast<size_t>(s.counts.images));
    put("definitions", static_cast<size_t>(s.counts.definitions));
    put("materials", static_cast<size_t>(s.counts.materials));
    put("layers", static_cast<size_t>(s.counts.layers));
    put("placed_faces", s.facesPlaced);
    put("hidden_placed_faces", s.hiddenFaces);
    put("triangles", s.trianglesPlaced);
    put("visible_triangles", s.trianglesShown);
    return h;
}

}  // namespace

void DefineSummary() {
    rb_define_module_function(k.mHostSim, "summary", SummaryOf, 1);
}

}  // namespace hostsim::ruby

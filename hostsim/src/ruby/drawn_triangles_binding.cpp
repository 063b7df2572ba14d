// HostSim.drawn_triangles(model, path, render_back_faces = true): writes every triangle the
// model shows, grouped by the material it is drawn with, to path, and returns the vertex and
// index counts per material name ({name => [vertices, indices]}). Tests compare a mirror of the
// model against it. File format, one group per material:
//   material <entity id, 4294967295 for the default material> <name>
//   x y z nx ny nz u v   (three times, on one line per triangle)
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "mesh/drawn_triangles.h"
#include "model/appearance.h"
#include "ruby/bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

constexpr char kDefaultMaterialName[] = "Default material";

std::string NameOf(const Material* m) { return m ? m->name : kDefaultMaterialName; }
unsigned long IdOf(const Material* m) { return m ? m->id : 0xFFFFFFFFul; }

// Writes the file; false when it cannot be written.
bool WriteDrawnTriangles(const Model& model, const std::string& path, bool renderBackFaces) {
    std::map<const Material*, std::vector<DrawnTriangle>> byMaterial;
    ForEachDrawnTriangle(model, renderBackFaces, [&](const DrawnTriangle& t) { byMaterial[t.material].push_back(t); });
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    for (const auto& [material, triangles] : byMaterial) {
        std::fprintf(out, "material %lu %s\n", IdOf(material), NameOf(material).c_str());
        for (const DrawnTriangle& t : triangles) {
            for (int k = 0; k < 3; ++k) {
                const DrawnVertex& v = t.vertices[k];
                std::fprintf(out, "%s%.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g", k ? " " : "", v.position.x, v.position.y,
                             v.position.z, v.normal.x, v.normal.y, v.normal.z, v.u, v.v);
            }
            std::fputc('\n', out);
        }
    }
    return std::fclose(out) == 0;
}

VALUE CountsOf(const Model& model, bool renderBackFaces) {
    VALUE counts = rb_hash_new();
    for (const auto& [material, c] : CountDrawnGeometry(model, renderBackFaces)) {
        rb_hash_aset(counts, Utf8(NameOf(material)), rb_ary_new_from_args(2, SIZET2NUM(c.vertices), SIZET2NUM(c.indices)));
    }
    return counts;
}

VALUE DrawnTriangles(int argc, VALUE* argv, VALUE) {
    VALUE model, path, backFaces;
    rb_scan_args(argc, argv, "21", &model, &path, &backFaces);
    const bool renderBackFaces = NIL_P(backFaces) || RTEST(backFaces);
    Model* m = UnwrapModel(model);
    // No C++ object may be alive in this frame when Ruby raises.
    if (!WriteDrawnTriangles(*m, StringOf(path), renderBackFaces)) rb_raise(rb_eIOError, "cannot write %s", StringValueCStr(path));
    return CountsOf(*m, renderBackFaces);
}

}  // namespace

void DefineDrawnTriangles() { rb_define_module_function(k.mHostSim, "drawn_triangles", DrawnTriangles, -1); }

}  // namespace hostsim::ruby

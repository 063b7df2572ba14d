#include "mesh/drawn_triangles.h"

#include <map>

#include "mesh/face_mesh.h"
#include "mesh/placed_faces.h"
#include "model/appearance.h"

namespace hostsim {

namespace {

constexpr double kMetresPerInch = 0.0254;
constexpr double kRaise = 0.001;  // the model stands 1 mm above the renderer's ground

Vec3 ToRenderer(const Vec3& p) { return {p.x * kMetresPerInch, p.z * kMetresPerInch + kRaise, p.y * kMetresPerInch}; }
Vec3 AxesToRenderer(const Vec3& n) { return {n.x, n.z, n.y}; }

double TextureWidth(const Material* m) { return m && m->texture ? m->texture->width : 1.0; }
double TextureHeight(const Material* m) { return m && m->texture ? m->texture->height : 1.0; }

// One side of one placed face: the material it is drawn with, or nothing when it is not drawn.
struct Side {
    bool drawn = false;
    const Material* material = nullptr;  // null: the default material
    const Material* own = nullptr;       // what the face itself carries on that side
};

bool ColoursByLayer(const Model& model) {
    const auto option = model.renderingOptions.find("DisplayColorByLayer");
    return option != model.renderingOptions.end() && std::holds_alternative<bool>(option->second) &&
           std::get<bool>(option->second);
}

// Colouring by layer paints both sides in the layer's colour; an image keeps its picture.
Side SideOf(const PlacedFace& pf, bool back, bool renderBackFaces, bool byLayer) {
    Side side;
    side.own = back ? pf.face->backMaterial : pf.face->material;
    side.material = side.own ? side.own : pf.inherited;
    if (byLayer && !(pf.parent && pf.parent->type == RefType::Image)) side.material = pf.colourLayer->material;
    side.drawn = side.material || !back || renderBackFaces;
    return side;
}

template <typename Visit>
void ForEachDrawnSide(const Model& model, bool renderBackFaces, const Visit& visit) {
    std::map<const Face*, FaceMesh> meshes;
    const bool byLayer = ColoursByLayer(model);
    ForEachPlacedFace(model, [&](const PlacedFace& pf) {
        if (!pf.visible) return;
        auto it = meshes.find(pf.face);
        if (it == meshes.end()) it = meshes.emplace(pf.face, MeshFace(*pf.face)).first;
        for (bool back : {false, true}) {
            const Side side = SideOf(pf, back, renderBackFaces, byLayer);
            if (side.drawn) visit(pf, it->second, side, back);
        }
    });
}

}  // namespace

void ForEachDrawnTriangle(const Model& model, bool renderBackFaces,
                          const std::function<void(const DrawnTriangle&)>& visit) {
    ForEachDrawnSide(model, renderBackFaces, [&](const PlacedFace& pf, const FaceMesh& mesh, const Side& side, bool back) {
        // The mesh's texture coordinates are in repeats of the face's own texture on that side
        // (inches without one); the side shows them in repeats of the material it is drawn with.
        const double uScale = TextureWidth(side.own) / TextureWidth(side.material);
        const double vScale = TextureHeight(side.own) / TextureHeight(side.material);
        const std::vector<Vec3>& stq = back ? mesh.backStq : mesh.frontStq;
        // Exchanging two axes turns counter-clockwise into clockwise, and so does a mirroring
        // placement: a front side keeps the mesh's order only when exactly one of them applies.
        // A back side is seen from the other way round.
        const bool keepOrder = pf.world.IsMirrored() != back;
        for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
            DrawnTriangle tri{side.material, {}};
            for (int k = 0; k < 3; ++k) {
                const size_t i = mesh.indices[t + (keepOrder ? k : 2 - k)];
                DrawnVertex& v = tri.vertices[k];
                v.position = ToRenderer(pf.world.ApplyPoint(mesh.vertices[i]));
                const Vec3 n = AxesToRenderer(pf.world.ApplyNormal(mesh.normals[i]));
                v.normal = back ? -n : n;
                v.u = stq[i].x / stq[i].z * uScale;
                v.v = 1.0 - stq[i].y / stq[i].z * vScale;
            }
            visit(tri);
        }
    });
}

std::map<const Material*, DrawnCounts> CountDrawnGeometry(const Model& model, bool renderBackFaces) {
    std::map<const Material*, DrawnCounts> counts;
    ForEachDrawnSide(model, renderBackFaces, [&](const PlacedFace&, const FaceMesh& mesh, const Side& side, bool) {
        if (mesh.indices.empty()) return;
        counts[side.material].vertices += mesh.vertices.size();
        counts[side.material].indices += mesh.indices.size();
    });
    return counts;
}

}  // namespace hostsim

#include "mesh/face_mesh.h"

#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_set>

#include "model/appearance.h"
#include "model/components.h"

namespace hostsim {

namespace {

// Texture coordinates of a point for one side of a face: distances along the placement's
// axes in texture repeats (the texture's size in inches), or in inches without a texture.
struct TextureProjection {
    Vec3 origin, u, v;
    double width = 1, height = 1;

    Vec3 Stq(const Vec3& p) const {
        Vec3 d = p - origin;
        return {d.Dot(u) / width, d.Dot(v) / height, 1.0};
    }
};

TextureProjection Projection(const Face& face, const Material* m, bool back) {
    TextureProjection tp;
    if (face.textureU.Length() > 0 && face.textureV.Length() > 0) {
        tp.origin = face.textureOrigin;
        tp.u = face.textureU.Normalized();
        tp.v = face.textureV.Normalized();
    } else {
        face.PlaneAxes(tp.u, tp.v);
    }
    if (back) tp.u = -tp.u;  // seen from behind, the texture runs the other way
    if (m && m->texture) {
        tp.width = m->texture->width > 0 ? m->texture->width : 1;
        tp.height = m->texture->height > 0 ? m->texture->height : 1;
    }
    return tp;
}

// The normal at vertex v of face: the face's own normal averaged with the normals of the faces
// reached through edges at v that are both soft and smooth.
Vec3 SmoothNormal(const Face& face, const Vertex* v, const Vec3& faceNormal) {
    std::vector<const Face*> group{&face};
    std::unordered_set<const Face*> seen{&face};
    for (size_t i = 0; i < group.size(); ++i) {
        for (const Edge* e : v->edges) {
            if (!(e->soft && e->smooth) || e->deleted) continue;
            if (std::find(e->faces.begin(), e->faces.end(), group[i]) == e->faces.end()) continue;
            for (const Face* other : e->faces)
                if (!other->deleted && seen.insert(other).second) group.push_back(other);
        }
    }
    if (group.size() == 1) return faceNormal;
    Vec3 sum;
    for (const Face* f : group) sum += f->Normal();
    return sum.Length() > 0 ? sum.Normalized() : faceNormal;
}

bool IsConvex(const std::vector<Vec3>& ring, const Vec3& normal) {
    for (size_t i = 0; i < ring.size(); ++i) {
        const Vec3& a = ring[i];
        const Vec3& b = ring[(i + 1) % ring.size()];
        const Vec3& c = ring[(i + 2) % ring.size()];
        if ((b - a).Cross(c - b).Dot(normal) < -1e-12) return false;
    }
    return true;
}

struct Tessellation {
    std::vector<Vec3>* points;
    std::vector<size_t>* indices;
    std::vector<size_t> pending;
    bool failed = false;
};

void TessBegin(GLenum, void*) {}
void TessEdgeFlag(GLboolean, void*) {}  // its presence makes GLU emit plain triangles only
void TessVertex(void* vertex, void* data) {
    auto* t = static_cast<Tessellation*>(data);
    t->indices->push_back(reinterpret_cast<size_t>(vertex));
}
void TessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data) {
    auto* t = static_cast<Tessellation*>(data);
    t->points->push_back({coords[0], coords[1], coords[2]});
    *out = reinterpret_cast<void*>(t->points->size() - 1);
}
void TessError(GLenum, void* data) { static_cast<Tessellation*>(data)->failed = true; }

using TessCallback = void (*)();

GLUtesselator* ThreadTessellator() {
    struct Holder {
        GLUtesselator* tess = gluNewTess();
        ~Holder() { gluDeleteTess(tess); }
    };
    thread_local Holder holder;
    GLUtesselator* tess = holder.tess;
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(TessBegin));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<TessCallback>(TessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(TessVertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(TessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(TessError));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
    return tess;
}

// Triangulates rings whose points are numbered consecutively from 0 in `points`.
bool Tessellate(const std::vector<std::vector<Vec3>>& rings, const Vec3& normal, std::vector<Vec3>& points,
                std::vector<size_t>& indices) {
    GLUtesselator* tess = ThreadTessellator();
    Tessellation t{&points, &indices, {}, false};
    // GLU keeps pointers to the coordinates until the polygon ends.
    std::vector<std::array<GLdouble, 3>> coords(points.size());
    for (size_t i = 0; i < points.size(); ++i) coords[i] = {points[i].x, points[i].y, points[i].z};
    gluTessNormal(tess, normal.x, normal.y, normal.z);
    gluTessBeginPolygon(tess, &t);
    size_t next = 0;
    for (const auto& ring : rings) {
        gluTessBeginContour(tess);
        for (size_t i = 0; i < ring.size(); ++i, ++next)
            gluTessVertex(tess, coords[next].data(), reinterpret_cast<void*>(next));
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    return !t.failed && indices.size() % 3 == 0;
}

// The tessellator may emit zero-area triangles whose third vertex lies on their longest side.
// Each is merged with its neighbour across that side and split again at the vertex, which keeps
// the triangle count and the covered area.
void RemoveSlivers(const std::vector<Vec3>& points, std::vector<size_t>& idx, const Vec3& normal) {
    auto area = [&](size_t t) {
        const Vec3 &a = points[idx[t]], &b = points[idx[t + 1]], &c = points[idx[t + 2]];
        return (b - a).Cross(c - a).Dot(normal) / 2;
    };
    for (int pass = 0; pass < 4; ++pass) {
        bool changed = false;
        for (size_t t = 0; t < idx.size(); t += 3) {
            if (std::fabs(area(t)) > 1e-9) continue;
            // The longest side (a, b) and the vertex c lying on it.
            size_t best = 0;
            double longest = -1;
            for (size_t k = 0; k < 3; ++k) {
                double len = (points[idx[t + (k + 1) % 3]] - points[idx[t + k]]).Length();
                if (len > longest) longest = len, best = k;
            }
            size_t a = idx[t + best], b = idx[t + (best + 1) % 3], c = idx[t + (best + 2) % 3];
            for (size_t u = 0; u < idx.size(); u += 3) {
                if (u == t) continue;
                size_t* tri = &idx[u];
                bool hasA = tri[0] == a || tri[1] == a || tri[2] == a;
                bool hasB = tri[0] == b || tri[1] == b || tri[2] == b;
                if (!hasA || !hasB) continue;
                size_t d = tri[0] != a && tri[0] != b ? tri[0] : tri[1] != a && tri[1] != b ? tri[1] : tri[2];
                idx[t] = a, idx[t + 1] = c, idx[t + 2] = d;
                tri[0] = c, tri[1] = b, tri[2] = d;
                changed = true;
                break;
            }
        }
        if (!changed) break;
    }
}

std::vector<Vec3> OpeningOnFace(const Face& face, const ComponentInstance& inst, const Vec3& normal) {
    if (inst.deleted || !inst.definition) return {};
    std::vector<Vec3> ring;
    const Vec3 onPlane = face.outer->vertices[0]->position;
    for (const Vec3& p : inst.definition->Opening()) {
        Vec3 q = inst.transform.ApplyPoint(p);
        q = q - normal * normal.Dot(q - onPlane);  // onto the face's plane
        if (!face.Contains(q)) return {};         // only openings wholly inside the face cut it
        ring.push_back(q);
    }
    return ring;
}

}  // namespace

std::vector<std::vector<Vec3>> FaceRings(const Face& face) {
    std::vector<std::vector<Vec3>> rings{face.outer->Points()};
    for (const Loop* hole : face.inner) rings.push_back(hole->Points());
    Vec3 normal = face.Normal();
    for (const ComponentInstance* inst : face.glued) {
        std::vector<Vec3> ring = OpeningOnFace(face, *inst, normal);
        if (!ring.empty()) rings.push_back(std::move(ring));
    }
    return rings;
}

FaceMesh MeshFace(const Face& face) {
    FaceMesh mesh;
    if (!face.outer || face.outer->vertices.size() < 3) return mesh;
    const Vec3 normal = face.Normal();
    std::vector<std::vector<Vec3>> rings = FaceRings(face);

    // The loops' own vertices, in loop order, so that smoothing can find their edges.
    const std::vector<Vertex*> loopVertices = face.AllVertices();
    for (const auto& ring : rings) mesh.vertices.insert(mesh.vertices.end(), ring.begin(), ring.end());

    if (rings.size() == 1 && IsConvex(rings[0], normal)) {
        for (size_t i = 1; i + 1 < rings[0].size(); ++i) mesh.indices.insert(mesh.indices.end(), {0, i, i + 1});
    } else if (!Tessellate(rings, normal, mesh.vertices, mesh.indices)) {
        mesh.indices.clear();
    } else {
        RemoveSlivers(mesh.vertices, mesh.indices, normal);
    }
    // Keep every triangle counter-clockwise about the face normal.
    for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        const Vec3& a = mesh.vertices[mesh.indices[i]];
        const Vec3& b = mesh.vertices[mesh.indices[i + 1]];
        const Vec3& c = mesh.vertices[mesh.indices[i + 2]];
        if ((b - a).Cross(c - a).Dot(normal) < 0) std::swap(mesh.indices[i + 1], mesh.indices[i + 2]);
    }

    TextureProjection front = Projection(face, face.material, false);
    TextureProjection back = Projection(face, face.backMaterial, true);
    mesh.normals.reserve(mesh.vertices.size());
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        mesh.normals.push_back(i < loopVertices.size() ? SmoothNormal(face, loopVertices[i], normal) : normal);
        mesh.frontStq.push_back(front.Stq(mesh.vertices[i]));
        mesh.backStq.push_back(back.Stq(mesh.vertices[i]));
    }
    return mesh;
}

}  // namespace hostsim

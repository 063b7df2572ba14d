// Editing geometry: faces, edges, erasing and moving.
#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <unordered_set>

#include "model/model.h"
#include "model/operation_scope.h"

namespace hostsim {

namespace {

uint64_t GridKey(long long x, long long y, long long z) {
    auto part = [](long long v) { return static_cast<uint64_t>(v) & 0x1FFFFF; };
    return part(x) | (part(y) << 21) | (part(z) << 42);
}

long long Cell(double v) { return std::llround(v / kTolerance); }

std::vector<Vec3> CleanRing(const std::vector<Vec3>& ring) {
    std::vector<Vec3> out;
    for (const Vec3& p : ring)
        if (out.empty() || !SamePoint(out.back(), p)) out.push_back(p);
    while (out.size() > 1 && SamePoint(out.front(), out.back())) out.pop_back();
    return out;
}

void GridInsert(Vertex* v) {
    const Vec3& p = v->position;
    v->collection->vertexGrid[GridKey(Cell(p.x), Cell(p.y), Cell(p.z))].push_back(v);
}

void GridRemove(Vertex* v) {
    const Vec3& p = v->position;
    auto it = v->collection->vertexGrid.find(GridKey(Cell(p.x), Cell(p.y), Cell(p.z)));
    if (it != v->collection->vertexGrid.end()) std::erase(it->second, v);
}

// Puts each vertex at its place in `where`, for doing and undoing a move.
std::function<void()> PlaceVertices(const std::vector<Vertex*>& moved, std::vector<Vec3> where) {
    return [moved, where = std::move(where)] {
        for (size_t i = 0; i < moved.size(); ++i) {
            GridRemove(moved[i]);
            moved[i]->position = where[i];
            GridInsert(moved[i]);
        }
    };
}

}  // namespace

Vertex* Model::FindOrAddVertex(Entities* in, const Vec3& p, std::vector<DrawingElement*>&) {
    long long cx = Cell(p.x), cy = Cell(p.y), cz = Cell(p.z);
    auto look = [&](long long x, long long y, long long z) -> Vertex* {
        auto it = in->vertexGrid.find(GridKey(x, y, z));
        if (it == in->vertexGrid.end()) return nullptr;
        for (Vertex* v : it->second)
            if (SamePoint(v->position, p)) return v;
        return nullptr;
    };
    if (Vertex* v = look(cx, cy, cz)) return v;
    for (long long dx = -1; dx <= 1; ++dx)
        for (long long dy = -1; dy <= 1; ++dy)
            for (long long dz = -1; dz <= 1; ++dz)
                if (Vertex* v = (dx || dy || dz) ? look(cx + dx, cy + dy, cz + dz) : nullptr) return v;
    Vertex* v = Make<Vertex>(in, p);
    GridInsert(v);
    return v;
}

Edge* Model::FindOrAddEdge(Entities* in, Vertex* a, Vertex* b, std::vector<DrawingElement*>& added) {
    for (Edge* e : a->edges)
        if (!e->deleted && e->parent == in && e->Connects(a, b)) return e;
    Edge* e = Make<Edge>(a, b);
    RecordAttach(e, in);
    added.push_back(e);
    return e;
}

Loop* Model::MakeLoop(Entities* in, const std::vector<Vec3>& ring, std::vector<DrawingElement*>& added) {
    Loop* loop = Make<Loop>();
    for (const Vec3& p : ring) loop->vertices.push_back(FindOrAddVertex(in, p, added));
    for (size_t i = 0; i < loop->vertices.size(); ++i)
        loop->edges.push_back(FindOrAddEdge(in, loop->vertices[i], loop->vertices[(i + 1) % loop->vertices.size()], added));
    return loop;
}

Face* Model::FindEnclosingFace(Entities* in, const std::vector<Vec3>& ring, const Vec3& normal) const {
    for (Face* f : in->OfType<Face>(RefType::Face)) {
        Vec3 fn = f->Normal();
        if (std::fabs(std::fabs(fn.Dot(normal)) - 1) > 1e-9) continue;
        if (std::fabs(fn.Dot(ring[0] - f->outer->vertices[0]->position)) > kTolerance) continue;
        bool inside = std::all_of(ring.begin(), ring.end(), [&](const Vec3& p) {
            // A point of the new ring must lie strictly inside, not on an existing vertex.
            return f->Contains(p) && std::none_of(f->outer->vertices.begin(), f->outer->vertices.end(),
                                                  [&](const Vertex* v) { return SamePoint(v->position, p); });
        });
        if (inside) return f;
    }
    return nullptr;
}

Face* Model::AddFace(Entities* in, const std::vector<Vec3>& outer) {
    std::vector<Vec3> ring = CleanRing(outer);
    if (ring.size() < 3) return nullptr;
    Vec3 normal = PolygonNormal(ring);
    if (normal.Length() < 1e-12) return nullptr;
    normal = normal.Normalized();
    Face* enclosing = FindEnclosingFace(in, ring, normal);

    OperationScope scope(*this, "Add Face");
    Face* face = AddFaceWithHoles(in, ring, {});
    if (enclosing && face) {
        // The new face fills a hole that it cuts into the face around it.
        Loop* hole = Make<Loop>();
        hole->face = enclosing;
        hole->vertices = face->outer->vertices;
        hole->edges = face->outer->edges;
        auto link = [enclosing, hole] {
            enclosing->inner.push_back(hole);
            for (Edge* e : hole->edges) e->faces.push_back(enclosing);
        };
        auto unlink = [enclosing, hole] {
            std::erase(enclosing->inner, hole);
            for (Edge* e : hole->edges) {
                auto it = std::find(e->faces.begin(), e->faces.end(), enclosing);
                if (it != e->faces.end()) e->faces.erase(it);
            }
        };
        link();
        Record({unlink, link, {{EventKind::ElementModified, in, enclosing}}});
        EmitModified(enclosing);
    }
    return face;
}

Face* Model::AddFaceWithHoles(Entities* in, const std::vector<Vec3>& outer, const std::vector<std::vector<Vec3>>& holes) {
    std::vector<Vec3> ring = CleanRing(outer);
    if (ring.size() < 3 || PolygonNormal(ring).Length() < 1e-12) return nullptr;
    OperationScope scope(*this, "Add Face");
    std::vector<DrawingElement*> added;
    Face* face = Make<Face>();
    face->outer = MakeLoop(in, ring, added);
    face->outer->face = face;
    for (const auto& h : holes) {
        std::vector<Vec3> hr = CleanRing(h);
        if (hr.size() < 3) continue;
        Loop* loop = MakeLoop(in, hr, added);
        loop->face = face;
        face->inner.push_back(loop);
    }
    RecordAttach(face, in);
    return face;
}

Edge* Model::AddEdge(Entities* in, const Vec3& a, const Vec3& b) {
    if (SamePoint(a, b)) return nullptr;
    OperationScope scope(*this, "Add Edge");
    std::vector<DrawingElement*> added;
    Vertex* va = FindOrAddVertex(in, a, added);
    Vertex* vb = FindOrAddVertex(in, b, added);
    return FindOrAddEdge(in, va, vb, added);
}

void Model::Erase(const std::vector<DrawingElement*>& doomed) {
    // Faces go first, then edges, then the rest: undo restores them in the opposite order,
    // so a face always comes back after the edges that bound it.
    std::vector<DrawingElement*> faces, edges, others;
    std::unordered_set<DrawingElement*> seen;
    auto take = [&](DrawingElement* e) {
        if (!e || e->deleted || !seen.insert(e).second) return;
        if (e->type == RefType::Face) faces.push_back(e);
        else if (e->type == RefType::Edge) edges.push_back(e);
        else others.push_back(e);
    };
    for (DrawingElement* e : doomed) {
        take(e);
        if (e && e->type == RefType::Edge)
            for (Face* f : static_cast<Edge*>(e)->faces) take(f);
    }
    if (faces.empty() && edges.empty() && others.empty()) return;
    OperationScope scope(*this, "Erase");
    for (auto* group : {&faces, &edges, &others}) {
        for (DrawingElement* e : *group) {
            Entities* in = e->parent;
            size_t index = Detach(e);
            Record({[this, e, in, index] { Attach(e, in, index); }, [this, e] { Detach(e); },
                    {{EventKind::ElementAdded, in, e}}});
            Emit({EventKind::ElementRemoved, in, nullptr, e->id});
        }
    }
}

void Model::SetEdgeFlags(Edge* e, std::optional<bool> soft, std::optional<bool> smooth, std::optional<bool> hidden) {
    bool s0 = e->soft, m0 = e->smooth, h0 = e->hidden;
    bool s1 = soft.value_or(s0), m1 = smooth.value_or(m0), h1 = hidden.value_or(h0);
    if (s0 == s1 && m0 == m1 && h0 == h1) return;
    OperationScope scope(*this, "Edit Edge");
    auto set = [e](bool s, bool m, bool h) {
        return [e, s, m, h] {
            e->soft = s;
            e->smooth = m;
            e->hidden = h;
        };
    };
    set(s1, m1, h1)();
    Record({set(s0, m0, h0), set(s1, m1, h1), {{EventKind::ElementModified, e->parent, e}}});
    EmitModified(e);
}

void Model::ReverseFace(Face* f) {
    OperationScope scope(*this, "Reverse Faces");
    auto flip = [f] {
        std::reverse(f->outer->vertices.begin(), f->outer->vertices.end());
        std::reverse(f->outer->edges.begin(), f->outer->edges.end());
        // Keep edges[i] between vertices[i] and vertices[i + 1].
        std::rotate(f->outer->edges.begin(), f->outer->edges.begin() + 1, f->outer->edges.end());
        std::swap(f->material, f->backMaterial);
    };
    flip();
    Record({flip, flip, {{EventKind::ElementModified, f->parent, f}}});
    EmitModified(f);
}

void Model::SetTextureAxes(Face* f, const Vec3& origin, const Vec3& u, const Vec3& v) {
    OperationScope scope(*this, "Position Texture");
    Vec3 o0 = f->textureOrigin, u0 = f->textureU, v0 = f->textureV;
    auto set = [f](Vec3 o, Vec3 uu, Vec3 vv) {
        return [f, o, uu, vv] {
            f->textureOrigin = o;
            f->textureU = uu;
            f->textureV = vv;
        };
    };
    set(origin, u, v)();
    Record({set(o0, u0, v0), set(origin, u, v), {{EventKind::ElementModified, f->parent, f}}});
    EmitModified(f);
}

std::vector<Face*> Model::FacesUsing(const std::vector<Vertex*>& moved) const {
    std::vector<Face*> out;
    std::set<uint32_t> seen;
    for (const Vertex* v : moved)
        for (const Edge* e : v->edges)
            for (Face* f : e->faces)
                if (seen.insert(f->id).second) out.push_back(f);
    return out;
}

void Model::TransformEntities(const Transform& t, const std::vector<DrawingElement*>& which) {
    if (which.empty()) return;
    OperationScope scope(*this, "Move");
    std::vector<Vertex*> moved;
    std::set<uint32_t> seen;
    auto addVertex = [&](Vertex* v) {
        if (seen.insert(v->id).second) moved.push_back(v);
    };
    for (DrawingElement* e : which) {
        if (e->deleted) continue;
        if (e->type == RefType::Face) {
            for (Vertex* v : static_cast<Face*>(e)->AllVertices()) addVertex(v);
        } else if (e->type == RefType::Edge) {
            addVertex(static_cast<Edge*>(e)->start);
            addVertex(static_cast<Edge*>(e)->end);
        } else if (e->type == RefType::ComponentInstance || e->type == RefType::Group || e->type == RefType::Image) {
            auto* inst = static_cast<ComponentInstance*>(e);
            SetTransform(inst, t * inst->transform);
        }
    }
    if (moved.empty()) return;
    std::vector<Vec3> before, after;
    for (Vertex* v : moved) {
        before.push_back(v->position);
        after.push_back(t.ApplyPoint(v->position));
    }
    PlaceVertices(moved, after)();
    // Every edge and face that touches a moved vertex changed shape.
    std::vector<Event> events;
    std::set<uint32_t> edgeSeen;
    for (Vertex* v : moved)
        for (Edge* e : v->edges)
            if (edgeSeen.insert(e->id).second) events.push_back({EventKind::ElementModified, e->parent, e});
    for (Face* f : FacesUsing(moved)) events.push_back({EventKind::ElementModified, f->parent, f});
    Record({PlaceVertices(moved, before), PlaceVertices(moved, after), events});
    for (const Event& ev : events) Emit(ev);
}

bool Model::PushPull(Face* f, double distance) {
    const Vec3 normal = f->Normal().Normalized();
    auto across = [&](const Edge* e) {
        return std::any_of(e->faces.begin(), e->faces.end(), [&](const Face* other) {
            return other != f && std::fabs(other->Normal().Normalized().Dot(normal)) < 1e-9;
        });
    };
    const std::vector<Edge*> edges = f->AllEdges();
    if (!std::all_of(edges.begin(), edges.end(), across)) return false;
    OperationScope scope(*this, "Push/Pull");
    const std::vector<Vertex*> moved = f->AllVertices();
    std::vector<Vec3> before, after;
    for (const Vertex* v : moved) {
        before.push_back(v->position);
        after.push_back(v->position + normal * distance);
    }
    PlaceVertices(moved, after)();
    // SketchUp reports the pushed face alone: the neighbours it stretched change unannounced.
    const std::vector<Event> events{{EventKind::ElementModified, f->parent, f}};
    Record({PlaceVertices(moved, before), PlaceVertices(moved, after), events});
    Emit(events.front());
    return true;
}

}  // namespace hostsim

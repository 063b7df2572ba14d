// Vertices, edges, loops and faces: the geometry inside an Entities collection.
// Edges and vertices are shared by the faces they bound, as in SketchUp, so that
// neighbouring faces can be found through their common edges.
#pragma once

#include <vector>

#include "model/geometry.h"
#include "model/object.h"

namespace hostsim {

struct Edge;
struct Face;
struct ComponentInstance;

struct Entities;

struct Vertex : Entity {
    Vertex(Model* m, uint32_t entityId, Entities* in, const Vec3& p)
        : Entity(RefType::Vertex, m, entityId), collection(in), position(p) {}

    Entities* const collection;
    Vec3 position;
    std::vector<Edge*> edges;
};

struct Edge : DrawingElement {
    Edge(Model* m, uint32_t entityId, Vertex* a, Vertex* b) : DrawingElement(RefType::Edge, m, entityId), start(a), end(b) {}

    Vertex* start;
    Vertex* end;
    bool soft = false;
    bool smooth = false;
    std::vector<Face*> faces;  // live faces bounded by this edge

    bool Connects(const Vertex* a, const Vertex* b) const {
        return (start == a && end == b) || (start == b && end == a);
    }
};

// A closed ring of vertices; edges[i] joins vertices[i] and vertices[i + 1].
struct Loop : Entity {
    Loop(Model* m, uint32_t entityId) : Entity(RefType::Loop, m, entityId) {}

    Face* face = nullptr;
    std::vector<Vertex*> vertices;
    std::vector<Edge*> edges;

    std::vector<Vec3> Points() const;
};

struct Face : DrawingElement {
    Face(Model* m, uint32_t entityId) : DrawingElement(RefType::Face, m, entityId) {}

    Loop* outer = nullptr;
    std::vector<Loop*> inner;
    Material* backMaterial = nullptr;  // the front material is DrawingElement::material
    // Texture placement: where texture coordinate (0, 0) lies and which in-plane axes
    // run along u and v. Empty axes mean the default placement derived from the plane.
    Vec3 textureOrigin;
    Vec3 textureU, textureV;
    // Components glued to this face; those whose definition cuts openings make holes.
    std::vector<ComponentInstance*> glued;

    Vec3 Normal() const;
    double Area() const;
    std::vector<Edge*> AllEdges() const;
    std::vector<Vertex*> AllVertices() const;
    // Two unit axes in the face's plane, the default texture directions.
    void PlaneAxes(Vec3& u, Vec3& v) const;
    // True when p (in the same coordinates) lies inside the outer loop and outside every hole.
    bool Contains(const Vec3& p) const;
};

// Newell's method: the (unnormalised) normal of a polygon, robust for non-convex rings.
Vec3 PolygonNormal(const std::vector<Vec3>& ring);
// Point in polygon for a ring in a plane with the given normal.
bool PolygonContains(const std::vector<Vec3>& ring, const Vec3& normal, const Vec3& p);

}  // namespace hostsim

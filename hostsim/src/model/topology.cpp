#include "model/topology.h"

#include <algorithm>
#include <cmath>

namespace hostsim {

std::vector<Vec3> Loop::Points() const {
    std::vector<Vec3> pts;
    pts.reserve(vertices.size());
    for (const Vertex* v : vertices) pts.push_back(v->position);
    return pts;
}

Vec3 PolygonNormal(const std::vector<Vec3>& ring) {
    Vec3 n;
    for (size_t i = 0; i < ring.size(); ++i) {
        const Vec3& a = ring[i];
        const Vec3& b = ring[(i + 1) % ring.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

bool PolygonContains(const std::vector<Vec3>& ring, const Vec3& normal, const Vec3& p) {
    // Project onto the coordinate plane where the normal is largest, then count crossings.
    double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    auto project = [&](const Vec3& q) -> std::pair<double, double> {
        if (az >= ax && az >= ay) return {q.x, q.y};
        if (ay >= ax) return {q.z, q.x};
        return {q.y, q.z};
    };
    auto [px, py] = project(p);
    bool inside = false;
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        auto [xi, yi] = project(ring[i]);
        auto [xj, yj] = project(ring[j]);
        if (((yi > py) != (yj > py)) && (px < (xj - xi) * (py - yi) / (yj - yi) + xi)) inside = !inside;
    }
    return inside;
}

Vec3 Face::Normal() const { return PolygonNormal(outer->Points()).Normalized(); }

double Face::Area() const {
    double area = PolygonNormal(outer->Points()).Length() / 2;
    for (const Loop* hole : inner) area -= PolygonNormal(hole->Points()).Length() / 2;
    return area;
}

std::vector<Edge*> Face::AllEdges() const {
    std::vector<Edge*> all = outer->edges;
    for (const Loop* hole : inner) all.insert(all.end(), hole->edges.begin(), hole->edges.end());
    return all;
}

std::vector<Vertex*> Face::AllVertices() const {
    std::vector<Vertex*> all = outer->vertices;
    for (const Loop* hole : inner) all.insert(all.end(), hole->vertices.begin(), hole->vertices.end());
    return all;
}

void Face::PlaneAxes(Vec3& u, Vec3& v) const {
    Vec3 n = Normal();
    // SketchUp's default placement: u runs along the world x axis projected into the plane,
    // or along y for faces whose plane is perpendicular to x.
    Vec3 ref = std::fabs(n.z) > 0.999 ? Vec3{1, 0, 0} : Vec3{0, 0, 1}.Cross(n);
    if (std::fabs(n.z) > 0.999 && n.z < 0) ref = Vec3{-1, 0, 0};
    u = (ref - n * ref.Dot(n)).Normalized();
    v = n.Cross(u).Normalized();
}

bool Face::Contains(const Vec3& p) const {
    Vec3 n = Normal();
    if (!PolygonContains(outer->Points(), n, p)) return false;
    return std::none_of(inner.begin(), inner.end(),
                        [&](const Loop* hole) { return PolygonContains(hole->Points(), n, p); });
}

}  // namespace hostsim

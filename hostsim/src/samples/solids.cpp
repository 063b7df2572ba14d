#include "samples/solids.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_set>

namespace hostsim {

Material* AddColourMaterial(Model& model, const std::string& name, Color colour) {
    Material* m = model.AddMaterial(name);
    model.SetMaterialColor(m, colour);
    return m;
}

Solid AddPrism(Model& model, Entities* in, const std::vector<Vec3>& ring, double height,
               const PrismStyle& style) {
    Solid solid;
    const size_t n = ring.size();
    const int rows = std::max(1, style.rows);
    const Vec3 up{0, 0, height / rows};
    for (int row = 0; row < rows; ++row) {
        Vec3 low = up * row, high = up * (row + 1);
        for (size_t i = 0; i < n; ++i) {
            const Vec3& a = ring[i];
            const Vec3& b = ring[(i + 1) % n];
            Face* f = model.AddFaceWithHoles(in, {a + low, b + low, b + high, a + high}, {});
            if (!f) continue;
            if (style.sideMaterial)
                if (Material* m = style.sideMaterial(i, row)) model.SetMaterial(f, m);
            solid.sides.push_back(f);
        }
    }
    if (style.top) {
        std::vector<Vec3> top;
        for (const Vec3& p : ring) top.push_back(p + up * rows);
        solid.top = model.AddFaceWithHoles(in, top, {});
        if (solid.top && style.topMaterial) model.SetMaterial(solid.top, style.topMaterial);
    }
    if (style.bottom) {
        std::vector<Vec3> bottom(ring.rbegin(), ring.rend());
        solid.bottom = model.AddFaceWithHoles(in, bottom, {});
    }
    if (style.smoothSides) SmoothSharedEdges(model, solid.sides);
    return solid;
}

Solid AddBox(Model& model, Entities* in, const Vec3& lo, const Vec3& hi, Material* paint,
             bool withBottom) {
    PrismStyle style;
    style.bottom = withBottom;
    style.topMaterial = paint;
    style.sideMaterial = [paint](size_t, int) { return paint; };
    Solid box =
        AddPrism(model, in, RectangleRing(lo, hi.x - lo.x, hi.y - lo.y), hi.z - lo.z, style);
    if (box.bottom) model.SetMaterial(box.bottom, paint);
    return box;
}

std::vector<Face*> AddCone(Model& model, Entities* in, const Vec3& baseCentre, double radius,
                           double height, int segments, Material* paint) {
    std::vector<Vec3> ring = CircleRing(baseCentre, radius, segments);
    std::vector<Face*> faces;
    Face* base = model.AddFaceWithHoles(in, {ring.rbegin(), ring.rend()}, {});
    if (base) {
        model.SetMaterial(base, paint);
        faces.push_back(base);
    }
    Vec3 apex = baseCentre + Vec3{0, 0, height};
    std::vector<Face*> sides;
    for (size_t i = 0; i < ring.size(); ++i) {
        Face* f = model.AddFaceWithHoles(in, {ring[i], ring[(i + 1) % ring.size()], apex}, {});
        if (!f) continue;
        model.SetMaterial(f, paint);
        sides.push_back(f);
    }
    SmoothSharedEdges(model, sides);
    faces.insert(faces.end(), sides.begin(), sides.end());
    return faces;
}

std::vector<Vec3> CircleRing(const Vec3& centre, double radius, int segments) {
    std::vector<Vec3> ring;
    for (int i = 0; i < segments; ++i) {
        double a = 2 * std::numbers::pi * i / segments;
        ring.push_back(centre + Vec3{radius * std::cos(a), radius * std::sin(a), 0});
    }
    return ring;
}

std::vector<Vec3> RectangleRing(const Vec3& lo, double width, double depth) {
    return {lo, lo + Vec3{width, 0, 0}, lo + Vec3{width, depth, 0}, lo + Vec3{0, depth, 0}};
}

std::vector<Vec3> SplitSides(const std::vector<Vec3>& ring, int parts) {
    std::vector<Vec3> out;
    for (size_t i = 0; i < ring.size(); ++i) {
        const Vec3& a = ring[i];
        const Vec3& b = ring[(i + 1) % ring.size()];
        for (int k = 0; k < parts; ++k)
            out.push_back(a + (b - a) * (static_cast<double>(k) / parts));
    }
    return out;
}

void SmoothSharedEdges(Model& model, const std::vector<Face*>& faces) {
    std::unordered_set<const Face*> members(faces.begin(), faces.end());
    std::unordered_set<Edge*> done;
    for (Face* f : faces) {
        for (Edge* e : f->AllEdges()) {
            if (!done.insert(e).second) continue;
            size_t inside = std::count_if(e->faces.begin(), e->faces.end(),
                                          [&](const Face* g) { return members.count(g) > 0; });
            if (inside >= 2) model.SetEdgeFlags(e, true, true, std::nullopt);
        }
    }
}

}  // namespace hostsim

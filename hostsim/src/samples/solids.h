// What the built-in models are made of: plain materials, and solids drawn with the document's
// mutators so that every face and edge is an ordinary, undoable part of the model. Faces
// point outwards.
#pragma once

#include <functional>
#include <vector>

#include "model/model.h"

namespace hostsim {

// A new material of one colour.
Material* AddColourMaterial(Model& model, const std::string& name, Color colour);

struct Solid {
    Face* bottom = nullptr;
    Face* top = nullptr;
    std::vector<Face*> sides;  // row by row from the bottom, each row in the ring's order
};

struct PrismStyle {
    int rows = 1;        // bands up the sides, e.g. one per floor
    bool bottom = true;  // false for a solid standing on something else
    bool top = true;
    bool smoothSides = false;  // soft and smooth edges between side faces, as on a cylinder
    Material* topMaterial = nullptr;
    // The material of side face (ring edge i, band row); null paints nothing.
    std::function<Material*(size_t edge, int row)> sideMaterial;
};

// A prism standing on `ring` (counter-clockwise seen from above, all at one height).
Solid AddPrism(Model& model, Entities* in, const std::vector<Vec3>& ring, double height,
               const PrismStyle& style);

// An axis-aligned box with every face painted `paint`.
Solid AddBox(Model& model, Entities* in, const Vec3& lo, const Vec3& hi, Material* paint,
             bool withBottom = true);

// A cone on a circle; its sides are soft and smooth. Returns the side faces, base first.
std::vector<Face*> AddCone(Model& model, Entities* in, const Vec3& baseCentre, double radius,
                           double height, int segments, Material* paint);

// Points on a circle in the plane z = centre.z, counter-clockwise seen from above.
std::vector<Vec3> CircleRing(const Vec3& centre, double radius, int segments);
// A rectangle in the plane z = lo.z, counter-clockwise seen from above.
std::vector<Vec3> RectangleRing(const Vec3& lo, double width, double depth);
// The same ring with every side split into `parts` equal pieces.
std::vector<Vec3> SplitSides(const std::vector<Vec3>& ring, int parts);

// Marks every edge shared by two of the given faces soft and smooth.
void SmoothSharedEdges(Model& model, const std::vector<Face*>& faces);

}  // namespace hostsim

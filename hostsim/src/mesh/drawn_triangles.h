// Every triangle the model shows, side by side, as a renderer beside SketchUp would draw it:
// in the renderer's frame (SketchUp's y and z exchanged, metres, the model raised 1 mm), wound
// counter-clockwise about the side's normal, with the material the side is drawn with. Written
// from the model alone, to check what a mirror of the model sends.
#pragma once

#include <array>
#include <functional>
#include <map>

#include "model/model.h"

namespace hostsim {

struct DrawnVertex {
    Vec3 position;  // renderer frame, metres
    Vec3 normal;    // renderer axes, not normalised
    double u = 0, v = 0;
};

struct DrawnTriangle {
    const Material* material;  // null: the default material
    std::array<DrawnVertex, 3> vertices;
};

// Calls visit for every shown face side with every triangle of its mesh. When back faces are
// not rendered, unpainted back sides are left out.
void ForEachDrawnTriangle(const Model& model, bool renderBackFaces,
                          const std::function<void(const DrawnTriangle&)>& visit);

// Vertex and index count of each drawn side's mesh, summed per material (null: default).
struct DrawnCounts {
    size_t vertices = 0, indices = 0;
};
std::map<const Material*, DrawnCounts> CountDrawnGeometry(const Model& model, bool renderBackFaces);

}  // namespace hostsim

#include "mesh/placed_faces.h"

namespace hostsim {

namespace {

bool Shown(const DrawingElement* e) { return !e->hidden && (!e->layer || e->layer->visible); }

// The layer an element shows the colour of: its own, unless that is the default layer, which
// takes on the colour of what holds it.
const Layer* ColourLayer(const DrawingElement* e, const Layer* outer) {
    const Layer* own = e->layer;
    if (!own || own == e->model->defaultLayer) return outer ? outer : e->model->defaultLayer;
    return own;
}

void Walk(const Entities* in, const Transform& world, const Material* inherited, bool visible,
          const ComponentInstance* parent, const Layer* outerLayer,
          const std::function<void(const PlacedFace&)>& visit) {
    for (const DrawingElement* e : in->items) {
        if (e->type == RefType::Face) {
            visit({static_cast<const Face*>(e), world, inherited, visible && Shown(e), parent,
                   ColourLayer(e, outerLayer)});
        } else if (e->type == RefType::Group || e->type == RefType::ComponentInstance || e->type == RefType::Image) {
            auto* inst = static_cast<const ComponentInstance*>(e);
            if (!inst->definition) continue;
            // Images keep their own paint; groups and components pass theirs down.
            const Material* paint = e->type != RefType::Image && inst->material ? inst->material : inherited;
            const Layer* layer = ColourLayer(e, outerLayer);
            Walk(inst->definition->entities, world * inst->transform, paint, visible && Shown(e), inst,
                 layer == e->model->defaultLayer ? outerLayer : layer, visit);
        }
    }
}

}  // namespace

void ForEachPlacedFace(const Model& model, const std::function<void(const PlacedFace&)>& visit) {
    Walk(model.entities, Transform::Identity(), nullptr, true, nullptr, nullptr, visit);
}

}  // namespace hostsim

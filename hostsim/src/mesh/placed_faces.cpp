#include "mesh/placed_faces.h"

namespace hostsim {

namespace {

bool Shown(const DrawingElement* e) { return !e->hidden && (!e->layer || e->layer->visible); }

void Walk(const Entities* in, const Transform& world, const Material* inherited, bool visible,
          const ComponentInstance* parent, const std::function<void(const PlacedFace&)>& visit) {
    for (const DrawingElement* e : in->items) {
        if (e->type == RefType::Face) {
            visit({static_cast<const Face*>(e), world, inherited, visible && Shown(e), parent});
        } else if (e->type == RefType::Group || e->type == RefType::ComponentInstance || e->type == RefType::Image) {
            auto* inst = static_cast<const ComponentInstance*>(e);
            if (!inst->definition) continue;
            // Images keep their own paint; groups and components pass theirs down.
            const Material* paint = e->type != RefType::Image && inst->material ? inst->material : inherited;
            Walk(inst->definition->entities, world * inst->transform, paint, visible && Shown(e), inst, visit);
        }
    }
}

}  // namespace

void ForEachPlacedFace(const Model& model, const std::function<void(const PlacedFace&)>& visit) {
    Walk(model.entities, Transform::Identity(), nullptr, true, nullptr, visit);
}

}  // namespace hostsim

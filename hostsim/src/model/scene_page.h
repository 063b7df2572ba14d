// Cameras and scene pages.
#pragma once

#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/object.h"

namespace hostsim {

struct Camera {
    Vec3 eye{-400, -400, 300};
    Vec3 target{0, 0, 0};
    Vec3 up{0, 0, 1};
    double fov = 35.0;  // degrees, vertical
    bool perspective = true;
    bool is2d = false;
    bool operator==(const Camera&) const = default;
};

struct Layer;

// A scene page: a saved camera plus the entities and layers it hides.
struct Page : Entity {
    Page(Model* m, uint32_t entityId) : Entity(RefType::Scene, m, entityId) {}

    std::string name;
    Camera camera;
    std::vector<Entity*> hiddenEntities;
    std::vector<Layer*> hiddenLayers;
};

}  // namespace hostsim

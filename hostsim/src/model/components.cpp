#include "model/components.h"

#include <algorithm>
#include <cmath>

#include "model/entities.h"
#include "model/topology.h"

namespace hostsim {

size_t Entities::CountOf(RefType t) const {
    return static_cast<size_t>(std::count_if(items.begin(), items.end(), [t](const DrawingElement* e) { return e->type == t; }));
}

std::vector<Vec3> ComponentDefinition::Opening() const {
    if (!cutsOpening || !entities) return {};
    bool any = false;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (const Edge* e : entities->OfType<Edge>(RefType::Edge)) {
        for (const Vertex* v : {e->start, e->end}) {
            if (std::fabs(v->position.z) > kTolerance) continue;
            if (!any) {
                minX = maxX = v->position.x;
                minY = maxY = v->position.y;
                any = true;
            }
            minX = std::min(minX, v->position.x);
            maxX = std::max(maxX, v->position.x);
            minY = std::min(minY, v->position.y);
            maxY = std::max(maxY, v->position.y);
        }
    }
    if (!any || maxX - minX < kTolerance || maxY - minY < kTolerance) return {};
    return {{minX, minY, 0}, {maxX, minY, 0}, {maxX, maxY, 0}, {minX, maxY, 0}};
}

}  // namespace hostsim

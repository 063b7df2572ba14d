#include "peer/peer_scene.h"

namespace korvan::peer {

SceneTotals TotalsOf(const PeerScene& scene) {
    SceneTotals totals;
    for (const SceneMaterial& material : scene.materials) {
        ++totals.materials;
        totals.vertices += material.mesh->VertexCount();
        totals.indices += material.mesh->indices.size();
        totals.triangles += material.mesh->TriangleCount();
    }
    return totals;
}

}  // namespace korvan::peer

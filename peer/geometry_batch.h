// A material's triangle batch as the peer keeps it after checking a copy of its geometry section:
// whole triangles, every index below the vertex count, every float finite. Nothing here points
// back into shared memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "peer/problems.h"

namespace korvan::peer {

struct MaterialMesh {
    std::vector<float> positions;  // x, y, z per vertex: world, metres, y up
    std::vector<float> normals;    // x, y, z per vertex, as sent (not normalised)
    std::vector<float> uvs;        // u, v per vertex
    std::vector<uint32_t> indices;  // three per triangle

    size_t VertexCount() const { return positions.size() / 3; }
    size_t TriangleCount() const { return indices.size() / 3; }
};

// Checks and decodes the copied content (declared size) of geometry section `sectionId`. Each
// failed check adds one problem under `where`; the batch is then rejected as a whole.
std::optional<MaterialMesh> DecodeGeometryBatch(const std::vector<uint8_t>& bytes,
                                                uint32_t sectionId, const std::string& where,
                                                Problems& problems);

}  // namespace korvan::peer

// A material's triangle batch as the peer keeps it after checking a copy of its geometry section:
// whole triangles, every index below the vertex count, every float finite. Nothing here points
// back into shared memory.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "liveconnection/shared_layout.h"
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

// A batch copied out of its section straight into its arrays (the first UV set only), with the
// counts it declared, before any check.
struct CopiedGeometry {
    TwinLinkAPI::GeometryCounts counts{};
    std::shared_ptr<MaterialMesh> mesh;
};

// Copies the batch in `size` bytes (the declared size) when its counts fit in them; nothing
// otherwise. Reads each count once, so that a writer changing them meanwhile cannot make the
// copy run past `size`.
std::optional<CopiedGeometry> CopyGeometryBatch(const uint8_t* bytes, uint64_t size);

// Checks a copied batch. Each failed check adds one problem under `where`; the batch is then
// rejected as a whole (null).
std::shared_ptr<const MaterialMesh> CheckGeometryBatch(const CopiedGeometry& copied, const std::string& where,
                                                       Problems& problems);

// Both, for a section copied whole, with the problems of a section too small for its counts.
std::shared_ptr<const MaterialMesh> DecodeGeometryBatch(const std::vector<uint8_t>& bytes,
                                                        uint32_t sectionId, const std::string& where,
                                                        Problems& problems);

}  // namespace korvan::peer

// Writes the polygons of imported meshes into one Entities collection as faces. A flat polygon
// becomes one face; a polygon that is not flat becomes a fan of triangles; polygons without
// area and polygons over the same corners as an earlier one are left out. Once every mesh of
// the collection is written, edges between two faces that share their vertex normals (smooth
// shading, or corners the file itself shares) are made soft and smooth.
#pragma once

#include <assimp/mesh.h>

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "import/importer.h"
#include "import/texture_fitter.h"
#include "model/model.h"

namespace hostsim {

struct Bounds {
    Vec3 min{1e300, 1e300, 1e300}, max{-1e300, -1e300, -1e300};
    bool Empty() const { return min.x > max.x; }
    void Add(const Vec3& p);
    // The bounds of this box's eight corners carried by t.
    void AddTransformed(const Bounds& box, const Transform& t);
};

class FaceWriter {
  public:
    // `place` takes the meshes' coordinates to the collection's.
    FaceWriter(Model& model, Entities* in, const Transform& place, ImportReport& report,
               TextureFitter& fitter);

    void AddMesh(const aiMesh& mesh, unsigned meshIndex, Material* paint);
    // Softens and smooths the edges; call once after the last mesh.
    void Finish();

    const Bounds& Extent() const { return bounds_; }

  private:
    struct Corner {
        Vec3 point;
        Vec3 normal;  // zero when the mesh has none
        uint64_t id;  // mesh and vertex index: corners the file itself shares
        double s = 0, t = 0;
    };
    struct EdgeUse {
        Vertex* a;
        Vertex* b;
        const Corner* ca;
        const Corner* cb;
    };

    void AddPolygon(const std::vector<Corner>& ring, Material* paint, bool textured);
    void AddFace(const std::vector<Corner>& ring, Material* paint, bool textured);
    bool SeenBefore(const std::vector<Corner>& ring);

    Model& model_;
    Entities* const in_;
    const Transform place_;
    const bool mirrored_;
    Transform normals_;  // the inverse transpose of place_, for normals
    ImportReport& report_;
    TextureFitter& fitter_;
    Bounds bounds_;
    std::unordered_set<uint64_t> seen_;
    std::vector<std::unique_ptr<std::vector<Corner>>>
        rings_;  // corners of the faces made, kept for Finish
    std::unordered_map<Edge*, std::vector<EdgeUse>> uses_;
};

}  // namespace hostsim

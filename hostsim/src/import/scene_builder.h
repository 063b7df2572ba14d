// Turns an assimp scene into the contents of a model. The root node's own meshes go into the
// model's entities; every other node holding geometry becomes a group carrying the node's
// transformation. A set of meshes that several nodes use becomes one component definition,
// placed once per node. Coordinates are converted to inches and z up throughout: geometry
// by the file-to-SketchUp similarity C, node transformations T as C T C^-1, so placements
// keep their rotations and carry no unit scaling.
#pragma once

#include <assimp/scene.h>

#include <map>
#include <string>
#include <vector>

#include "import/face_writer.h"
#include "import/importer.h"
#include "import/material_table.h"
#include "import/texture_fitter.h"

namespace hostsim {

class SceneBuilder {
  public:
    SceneBuilder(Model& model, const aiScene& scene, const std::string& path, ImportReport& report);
    void Build();

  private:
    using MeshSet = std::vector<unsigned>;

    MeshSet MeshesOf(const aiNode& node) const;
    void CountUses(const aiNode& node);
    bool HoldsGeometry(const aiNode& node);
    // The node's transformation in SketchUp's coordinates.
    Transform Converted(const aiMatrix4x4& m) const;
    void PlaceNode(const aiNode& node, Entities* in, const Transform& local,
                   const Transform& parentWorld);
    void WriteMeshes(const MeshSet& meshes, Entities* in, const Transform& place,
                     const Transform& world);
    ComponentDefinition* Shared(const MeshSet& meshes, const std::string& name);
    void Place(ComponentDefinition* def, Entities* in, const Transform& local,
               const Transform& world, const std::string& name);
    void AimCamera();

    Model& model_;
    const aiScene& scene_;
    ImportReport& report_;
    MaterialTable materials_;
    TextureFitter fitter_;
    Transform toSketchUp_, fromSketchUp_;
    std::map<MeshSet, int> uses_;
    std::map<MeshSet, ComponentDefinition*> shared_;
    std::map<const ComponentDefinition*, Bounds> extents_;  // of each shared definition's geometry
    std::map<const aiNode*, bool> holdsGeometry_;
    Bounds world_;
};

}  // namespace hostsim

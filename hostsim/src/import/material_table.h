// The materials of an imported scene, each made the first time a mesh uses it, with its
// diffuse (or base) colour, its opacity and its texture.
#pragma once

#include <assimp/scene.h>

#include <string>
#include <vector>

#include "import/importer.h"
#include "model/model.h"

namespace hostsim {

class MaterialTable {
  public:
    MaterialTable(Model& model, const aiScene& scene, std::string sceneDir, ImportReport& report);

    // The material for assimp's material index; null for the stand-in that assimp gives
    // meshes without a material of their own (their faces stay unpainted).
    Material* For(unsigned index);

  private:
    Material* Make(const aiMaterial& source);

    Model& model_;
    const aiScene& scene_;
    const std::string sceneDir_;
    ImportReport& report_;
    std::vector<Material*> made_;
    std::vector<bool> tried_;
};

}  // namespace hostsim

#include "import/material_table.h"

#include <assimp/material.h>

#include <algorithm>
#include <cmath>

#include "import/scene_axes.h"
#include "import/texture_source.h"

namespace hostsim {

namespace {

uint8_t Channel(float v) {
    if (!std::isfinite(v)) return 255;
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

std::string TexturePath(const aiMaterial& m) {
    aiString path;
    for (aiTextureType type : {aiTextureType_BASE_COLOR, aiTextureType_DIFFUSE})
        if (m.GetTextureCount(type) > 0 && m.GetTexture(type, 0, &path) == AI_SUCCESS &&
            path.length > 0)
            return path.C_Str();
    return {};
}

}  // namespace

MaterialTable::MaterialTable(Model& model, const aiScene& scene, std::string sceneDir,
                             ImportReport& report)
    : model_(model),
      scene_(scene),
      sceneDir_(std::move(sceneDir)),
      report_(report),
      made_(scene.mNumMaterials, nullptr),
      tried_(scene.mNumMaterials, false) {}

Material* MaterialTable::For(unsigned index) {
    if (index >= made_.size() || !scene_.mMaterials[index]) return nullptr;
    if (!tried_[index]) {
        tried_[index] = true;
        made_[index] = Make(*scene_.mMaterials[index]);
    }
    return made_[index];
}

Material* MaterialTable::Make(const aiMaterial& source) {
    aiString name;
    source.Get(AI_MATKEY_NAME, name);
    if (std::string(name.C_Str()) == AI_DEFAULT_MATERIAL_NAME) return nullptr;

    Material* m = model_.AddMaterial(name.length ? name.C_Str() : "Material");
    ++report_.materials;
    // PBR formats (glTF) state a base colour; the others a diffuse one.
    aiColor4D colour(1, 1, 1, 1);
    if (source.Get(AI_MATKEY_BASE_COLOR, colour) != AI_SUCCESS)
        source.Get(AI_MATKEY_COLOR_DIFFUSE, colour);
    model_.SetMaterialColor(m, {Channel(colour.r), Channel(colour.g), Channel(colour.b), 255});
    float opacity = colour.a;
    source.Get(AI_MATKEY_OPACITY, opacity);
    if (std::isfinite(opacity) && opacity < 1.0f)
        model_.SetMaterialAlpha(m, std::max(0.0f, opacity));

    std::string reference = TexturePath(source);
    if (!reference.empty()) {
        if (std::optional<TextureImage> found = LoadTextureImage(scene_, reference, sceneDir_)) {
            ImagePixels& img = found->image;
            // One metre a repeat until the faces' texture coordinates tell the real size.
            Texture* t = model_.CreateTexture(img.pixelWidth, img.pixelHeight, img.bitsPerPixel,
                                              std::move(img.pixels), kInchesPerMetre,
                                              kInchesPerMetre, found->fileName);
            model_.SetMaterialTexture(m, t);
            ++report_.textures;
        } else {
            ++report_.missingTextures;
        }
    }
    return m;
}

}  // namespace hostsim

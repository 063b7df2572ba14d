// Finding and decoding the image a material of an imported scene refers to: a file next to
// the scene (however the exporter wrote its path) or a picture embedded in the scene.
#pragma once

#include <assimp/scene.h>

#include <optional>
#include <string>

#include "model/image_file.h"

namespace hostsim {

struct TextureImage {
    ImagePixels image;
    std::string fileName;  // the name SketchUp reports for the texture: the file's own name
};

// `reference` is the path as the material holds it ("*0" for an embedded picture); relative
// paths are taken from `sceneDir`. Nothing when the image cannot be found or decoded.
std::optional<TextureImage> LoadTextureImage(const aiScene& scene, const std::string& reference,
                                             const std::string& sceneDir);

}  // namespace hostsim

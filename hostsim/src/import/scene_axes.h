// Where an imported scene's units and up axis lead: the similarity that takes the file's
// coordinates to SketchUp's (inches, z up).
#pragma once

#include <assimp/matrix4x4.h>
#include <assimp/scene.h>

#include <string>

#include "model/geometry.h"

namespace hostsim {

inline constexpr double kInchesPerMetre = 1.0 / 0.0254;

// The file's length unit in metres and its up axis, from the scene's metadata when it has
// them (FBX does), else from the format's convention. assimp itself already brings COLLADA,
// 3DS, IFC, DXF and a few others to metres and y up in their root node.
Transform FileToSketchUp(const aiScene& scene, const std::string& path);

Transform TransformOf(const aiMatrix4x4& m);

}  // namespace hostsim

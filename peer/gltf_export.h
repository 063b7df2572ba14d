// The scene as a glTF 2.0 file: one mesh with one triangle primitive per material that has
// triangles, its vertices, normals, UVs and indices in one buffer embedded in the file as base64.
#pragma once

#include <string>

#include "peer/peer_scene.h"

namespace korvan::peer {

// `name` names the scene, its node and its mesh. False, with the reason, when the file cannot
// be written.
bool WriteGltfFile(const std::string& path, const PeerScene& scene, const std::string& name,
                   std::string* error);

// The colour channel (0 to 255, sRGB as sent) as glTF's linear factor.
float LinearChannel(uint32_t srgb);

}  // namespace korvan::peer

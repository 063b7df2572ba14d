// The scene as a Wavefront OBJ file with its material library beside it (same name, ".mtl"):
// one group of faces per material that has triangles, colour as Kd and opacity as d.
#pragma once

#include <string>

#include "peer/peer_scene.h"

namespace korvan::peer {

// False, with the reason, when either file cannot be written.
bool WriteObjFiles(const std::string& path, const PeerScene& scene, const std::string& name,
                   std::string* error);

}  // namespace korvan::peer

// The scene's triangles as plain text, one material after the other, so that a test can compare
// them with triangles it computed itself:
//   material <record id> <name>
//   x y z nx ny nz u v  (three times: the triangle's vertices in index order; %.6g each)
// Line breaks in names are written as blanks so that every material stays on one line.
#pragma once

#include <string>

#include "peer/peer_scene.h"

namespace korvan::peer {

std::string TriangleDump(const PeerScene& scene);

}  // namespace korvan::peer

// The peer's scene in its JSON forms (see peer/README.md): the per-material counts of `counts`
// and the totals that `watch` adds to each line.
#pragma once

#include <cstddef>

#include "peer/json_writer.h"
#include "peer/link_snapshot.h"
#include "peer/peer_scene.h"

namespace korvan::peer {

// {"link":..,"lockTaken":..,"materials":[..],"totals":{..},"problems":[..]}
void WriteSceneCounts(JsonWriter& json, const LinkSnapshot& snapshot, const PeerScene& scene);

// {"materials":N,"vertices":V,"indices":I,"triangles":T,"batchesRead":K}
void WriteSceneTotals(JsonWriter& json, const PeerScene& scene, size_t batchesRead);

}  // namespace korvan::peer

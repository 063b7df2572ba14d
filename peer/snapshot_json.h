// The snapshot as the peer prints it: one JSON object, field names and order as documented in
// peer/README.md.
#pragma once

#include <string>

#include "peer/json_writer.h"
#include "peer/link_snapshot.h"

namespace korvan::peer {

// PROBLEM objects in an array.
void WriteProblems(JsonWriter& json, const Problems& problems);
void WriteSnapshot(JsonWriter& json, const LinkSnapshot& snapshot);
std::string SnapshotJson(const LinkSnapshot& snapshot);

}  // namespace korvan::peer

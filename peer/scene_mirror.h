// Keeps the peer's scene current: each update reads the link once (under its lock, like every
// read of the peer) and copies only the batches whose material record moved on since the last
// update; the others are taken over from the scene as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "peer/link_snapshot.h"
#include "peer/peer_connection.h"
#include "peer/peer_scene.h"

namespace korvan::peer {

class SceneMirror {
  public:
    // Reads the link and rebuilds the scene from it. The snapshot returned is the one the scene
    // was built from, its kept batches filled in, so it reads as if everything had been copied.
    // When the lock is not taken the scene stays as it was.
    LinkSnapshot Update(PeerConnection& connection, uint32_t lockTimeoutMicroseconds);

    const PeerScene& Scene() const { return scene_; }
    // Batches copied and checked by the last update (the others were kept).
    size_t BatchesRead() const { return batchesRead_; }

  private:
    PeerScene scene_;
    size_t batchesRead_ = 0;
};

}  // namespace korvan::peer

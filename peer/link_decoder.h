// From copied bytes to a checked snapshot of a link, and the two steps together.
#pragma once

#include <cstdint>

#include "peer/captured_link.h"
#include "peer/link_snapshot.h"
#include "peer/peer_connection.h"

namespace korvan::peer {

// Checks and decodes what CaptureLink copied. Reads only the copies.
LinkSnapshot DecodeLink(const CapturedLink& captured);

// CaptureLink, then DecodeLink: what a renderer does after each wake-up.
LinkSnapshot TakeSnapshot(PeerConnection& connection, uint32_t lockTimeoutMicroseconds);

}  // namespace korvan::peer

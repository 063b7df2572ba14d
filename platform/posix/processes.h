// What the layer knows of a process beyond its id: when it started, so that a record left by a
// process that ended is not taken for a later process that happens to get the same id.
#pragma once

#include <cstdint>
#include <optional>

namespace twinlink::platform::posix {

// The start time (clock ticks after boot) of a running process; nothing when there is no such
// process or it has ended and only waits to be reaped.
std::optional<uint64_t> ProcessStartTime(uint32_t pid);

}  // namespace twinlink::platform::posix

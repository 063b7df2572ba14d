// Where the record slots of a main section are and how many of them may be read. The header's
// offset, slot count and highest slot come from another process; the scan believes them only as
// far as the mapping reaches.
#pragma once

#include <cstdint>
#include <optional>

#include "liveconnection/shared_layout.h"
#include "peer/problems.h"

namespace korvan::peer {

struct SlotScan {
    uint32_t areaOffset;  // byte offset of slot 0 in the main section
    uint32_t slotCount;   // slots 0 to slotCount - 1 are read
    bool clipped;         // the header asked for more than can be read
};

// The slots to read, given a copy of the header and the mapped size of the main section. Every
// claim that does not fit is reported; nothing when the record area itself cannot be found.
std::optional<SlotScan> PlanSlotScan(const TwinLinkAPI::SharedHeader& header, uint64_t mappedSize,
                                     Problems& problems);

}  // namespace korvan::peer

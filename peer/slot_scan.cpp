#include "peer/slot_scan.h"

#include <algorithm>

namespace korvan::peer {

using namespace TwinLinkAPI;

std::optional<SlotScan> PlanSlotScan(const SharedHeader& header, uint64_t mappedSize,
                                     Problems& problems) {
    if (header.totalSize > mappedSize) {
        problems.push_back(
            {"header", Format("total size %u is larger than the mapped section (%llu bytes)",
                              header.totalSize, static_cast<unsigned long long>(mappedSize))});
    }
    const uint32_t offset = header.recordAreaOffset;
    if (offset < sizeof(SharedHeader) || offset % alignof(RecordHeader) != 0 ||
        offset > mappedSize) {
        problems.push_back({"header", Format("record area offset %u is not inside the section "
                                             "after the header; no records are read",
                                             offset)});
        return std::nullopt;
    }

    SlotScan scan{offset, header.slotCount, false};
    const uint64_t slotsInMapping = (mappedSize - offset) / kSlotSize;
    if (header.slotCount > slotsInMapping) {
        const uint64_t needed = offset + uint64_t{header.slotCount} * kSlotSize;
        problems.push_back(
            {"header", Format("slot count %u needs %llu bytes but the section maps %llu; only %llu "
                              "slots are read",
                              header.slotCount, static_cast<unsigned long long>(needed),
                              static_cast<unsigned long long>(mappedSize),
                              static_cast<unsigned long long>(slotsInMapping))});
        scan.slotCount = static_cast<uint32_t>(slotsInMapping);
        scan.clipped = true;
    }
    if (header.highestSlot >= header.slotCount && header.slotCount > 0) {
        problems.push_back({"header", Format("highest slot %u is beyond the slot count %u",
                                             header.highestSlot, header.slotCount)});
        scan.clipped = true;
    } else {
        scan.slotCount = static_cast<uint32_t>(
            std::min<uint64_t>(scan.slotCount, uint64_t{header.highestSlot} + 1));
    }
    return scan;
}

}  // namespace korvan::peer

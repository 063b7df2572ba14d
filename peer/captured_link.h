// What the peer copies out of shared memory in one pass before it looks at any of it: the header
// block, the record slots of the scan and the data sections that the records name. Records and
// sections are copied while the header lock is held, so they belong to one consistent state, and
// nothing another process writes afterwards can change what is being checked.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "liveconnection/shared_layout.h"
#include "peer/geometry_batch.h"
#include "peer/peer_connection.h"
#include "peer/problems.h"
#include "peer/section_references.h"
#include "peer/slot_scan.h"

namespace korvan::peer {

struct CapturedSection {
    uint32_t slot = 0;  // the record that names it
    SectionReference reference{};
    std::u16string name;
    bool opened = false;
    uint64_t mappedSize = 0;
    // The declared size's worth of content, read only for uses whose content is checked and only
    // when the declared size fits the mapping.
    bool contentRead = false;
    // The caller's filter declined the content: the section was opened and measured only.
    bool contentSkipped = false;
    // A geometry batch whose counts fit is copied straight into its arrays (no second copy for
    // the largest contents); any other content read is kept as bytes.
    std::optional<CopiedGeometry> geometry;
    std::vector<uint8_t> bytes;
};

struct CapturedLink {
    std::u16string name;
    uint64_t mappedSize = 0;
    std::array<uint8_t, TwinLinkAPI::kSlotSize> headerBlock{};  // zero past the mapping
    bool lockTaken = false;
    uint32_t lockOwner = 0;  // the owner word when the lock was refused
    std::optional<SlotScan> scan;
    std::vector<uint8_t> slots;  // slot i at i * kSlotSize; empty unless the lock was taken
    std::vector<CapturedSection> sections;
    Problems problems;  // what was found while deciding what to copy
};

// Whether the content of a section that a record (its whole slot copy) names is to be copied;
// a reader that already holds it says no and saves the copy.
using ContentFilter = std::function<bool(const uint8_t* slotBytes, const SectionReference&)>;

// Copies the attached link. Waits for the header lock at most `lockTimeoutMicroseconds`; without
// it only the header is copied. Without a filter every content that is checked is copied.
CapturedLink CaptureLink(PeerConnection& connection, uint32_t lockTimeoutMicroseconds,
                         const ContentFilter& wanted = {});

}  // namespace korvan::peer

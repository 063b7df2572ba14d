// Copying a link out of shared memory: the header, then under the lock the slots and sections.
#include <algorithm>
#include <cstring>

#include "liveconnection/section_names.h"
#include "peer/captured_link.h"

namespace korvan::peer {

using namespace TwinLinkAPI;

namespace {

void CaptureSections(PeerConnection& connection, uint32_t creatorProcessId,
                     const ContentFilter& wanted, CapturedLink& link) {
    for (uint32_t slot = 0; slot < link.scan->slotCount; ++slot) {
        const uint8_t* slotBytes = link.slots.data() + size_t{slot} * kSlotSize;
        for (const SectionReference& reference : SectionReferencesOf(slotBytes)) {
            CapturedSection section;
            section.slot = slot;
            section.reference = reference;
            section.name = DataSectionName(creatorProcessId, reference.id);
            const auto* view = static_cast<const uint8_t*>(connection.MapSection(reference.id));
            section.opened = view != nullptr;
            if (view != nullptr) {
                section.mappedSize = connection.SectionViewSize(reference.id);
                const bool read = IsContentRead(reference.use) &&
                                  reference.declaredSize <= section.mappedSize;
                section.contentSkipped = read && wanted && !wanted(slotBytes, reference);
                if (read && !section.contentSkipped) {
                    if (reference.use == SectionUse::Geometry)
                        section.geometry = CopyGeometryBatch(view, reference.declaredSize);
                    if (!section.geometry) section.bytes.assign(view, view + reference.declaredSize);
                    section.contentRead = true;
                }
            }
            // The copy is all the peer keeps: holding the mapping would keep a section alive
            // after its writer released it.
            connection.CloseSection(reference.id);
            link.sections.push_back(std::move(section));
        }
    }
}

}  // namespace

CapturedLink CaptureLink(PeerConnection& connection, uint32_t lockTimeoutMicroseconds,
                         const ContentFilter& wanted) {
    CapturedLink link;
    link.name = connection.GetName();
    if (!connection.IsOpen()) {
        link.problems.push_back({"link", "no link is attached"});
        return link;
    }
    link.mappedSize = connection.MainViewSize();
    if (link.mappedSize < sizeof(SharedHeader)) {
        link.problems.push_back(
            {"header", Format("the main section maps only %llu bytes, too few for the header",
                              static_cast<unsigned long long>(link.mappedSize))});
        return link;
    }

    // The lock is re-entrant for this process: a lock this process already held is left to its
    // taker.
    const bool heldBefore = connection.LockOwner() == connection.OwnProcessId();
    link.lockTaken = connection.Lock(lockTimeoutMicroseconds);
    if (!link.lockTaken) link.lockOwner = connection.LockOwner();

    std::memcpy(link.headerBlock.data(), connection.MainView(),
                std::min<uint64_t>(link.mappedSize, kSlotSize));
    SharedHeader header;
    std::memcpy(&header, link.headerBlock.data(), sizeof header);
    link.scan = PlanSlotScan(header, link.mappedSize, link.problems);

    if (!link.lockTaken) {
        link.problems.push_back(
            {"lock", Format("header lock not taken within %u microseconds: held by process %u; "
                            "records not read",
                            lockTimeoutMicroseconds, link.lockOwner)});
        return link;
    }
    if (link.scan) {
        const uint8_t* area = connection.MainView() + link.scan->areaOffset;
        link.slots.assign(area, area + size_t{link.scan->slotCount} * kSlotSize);
        CaptureSections(connection, header.creatorProcessId, wanted, link);
    }
    if (!heldBefore) connection.Unlock();
    return link;
}

}  // namespace korvan::peer

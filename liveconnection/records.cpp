// Records: fixed 2048-byte slots after the header block, found by index arithmetic. The header's
// highest slot bounds every scan. A free slot (tag 0) is all zeros and holds no record, so lookups
// by id pass over it and tag 0 is never given to a new record.
#include <cstring>

#include "liveconnection/live_connection.h"
#include "liveconnection/shared_word.h"

namespace TwinLinkAPI {
namespace {

bool Matches(RecordHeader& record, uint32_t tag, uint32_t mask, uint32_t value) {
    if (LoadShared(record.tag) != tag) return false;
    return mask == 0 || (LoadShared(record.flags) & mask) == (mask & value);
}

void RaiseHighestSlot(SharedHeader& header, uint32_t index) {
    auto highest = SharedWord(header.highestSlot);
    uint32_t current = highest.load();
    while (index > current && !highest.compare_exchange_weak(current, index)) {
    }
}

}  // namespace

RecordHeader* LiveConnection::CreateRecord(uint32_t tag) {
    if (!IsOpen() || tag == kHeaderTag || tag == 0) return nullptr;
    const uint32_t slotCount = UsableSlotCount();
    for (uint32_t index = 0; index < slotCount; ++index) {
        RecordHeader* record = SlotAt(index);
        // Claiming the slot by its tag keeps two threads from taking the same free slot.
        uint32_t freeTag = 0;
        if (!SharedWord(record->tag).compare_exchange_strong(freeTag, tag)) continue;

        RaiseHighestSlot(*header, index);
        std::memset(reinterpret_cast<uint8_t*>(record) + sizeof(record->tag), 0,
                    kSlotSize - sizeof(record->tag));
        record->size = RecordSizeForTag(tag);
        record->recordId = recordIdCounter.fetch_add(1) + 1;
        record->flags = 0;
        record->changeCounter = 0;
        SharedWord(header->recordCount).fetch_add(1);
        return record;
    }
    return nullptr;
}

int32_t LiveConnection::DeleteRecord(uint32_t recordId) {
    if (!IsOpen()) return -1;
    const uint32_t scanned = ScannedSlotCount();
    for (uint32_t index = 0; index < scanned; ++index) {
        RecordHeader* record = SlotAt(index);
        if (LoadShared(record->tag) == 0 || record->recordId != recordId) continue;
        // Body first, tag last: a slot whose tag reads 0 is always blank.
        std::memset(reinterpret_cast<uint8_t*>(record) + sizeof(record->tag), 0,
                    kSlotSize - sizeof(record->tag));
        StoreShared(record->tag, 0);
        SharedWord(header->recordCount).fetch_sub(1);
        // With slot 0 gone nothing is left to scan, and 0 is the smallest index a scan can stop at.
        uint32_t wasHighest = index;
        SharedWord(header->highestSlot)
            .compare_exchange_strong(wasHighest, index > 0 ? index - 1 : 0);
        break;
    }

    std::vector<uint32_t> ownedSections;
    {
        OwnerTable::accessor owner;
        if (owners.find(owner, recordId)) {
            ownedSections = std::move(owner->second);
            owners.erase(owner);
        }
    }
    for (uint32_t sectionId : ownedSections) CloseSection(sectionId);
    return 0;
}

RecordHeader* LiveConnection::FindRecord(uint32_t recordId) const {
    if (!IsOpen()) return nullptr;
    const uint32_t scanned = ScannedSlotCount();
    for (uint32_t index = 0; index < scanned; ++index) {
        RecordHeader* record = SlotAt(index);
        if (LoadShared(record->tag) != 0 && record->recordId == recordId) return record;
    }
    return nullptr;
}

uint32_t LiveConnection::CountRecords(uint32_t tag, uint32_t mask, uint32_t value) const {
    if (!IsOpen()) return 0;
    uint32_t count = 0;
    const uint32_t scanned = ScannedSlotCount();
    for (uint32_t index = 0; index < scanned; ++index) {
        if (Matches(*SlotAt(index), tag, mask, value)) ++count;
    }
    return count;
}

std::vector<RecordHeader*> LiveConnection::ListRecords(uint32_t tag, uint32_t mask,
                                                       uint32_t value) const {
    std::vector<RecordHeader*> records;
    if (!IsOpen()) return records;
    const uint32_t scanned = ScannedSlotCount();
    for (uint32_t index = 0; index < scanned; ++index) {
        if (Matches(*SlotAt(index), tag, mask, value)) records.push_back(SlotAt(index));
    }
    return records;
}

void LiveConnection::MarkRecord(RecordHeader* record, uint32_t flags) {
    if (record == nullptr) return;
    if (flags & kChangedFlag) SharedWord(record->changeCounter).fetch_add(1);
    SharedWord(record->flags).fetch_or(flags);
}

void LiveConnection::ClearRecordFlags(RecordHeader* record, uint32_t flags) {
    if (record == nullptr) return;
    SharedWord(record->flags).fetch_and(~flags);
}

uint32_t LiveConnection::TestRecordFlags(RecordHeader* record, uint32_t flags) const {
    if (record == nullptr) return 0;
    return LoadShared(record->flags) & flags;
}

}  // namespace TwinLinkAPI

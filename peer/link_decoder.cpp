#include "peer/link_decoder.h"

#include <cstring>
#include <map>

#include "peer/record_decoders.h"
#include "peer/record_tags.h"
#include "peer/shared_text.h"

namespace korvan::peer {

using namespace TwinLinkAPI;

namespace {

std::string HeaderText(const char16_t* field, size_t capacity, const char* what,
                       Problems& problems) {
    const FieldText text = ReadTextField(field, capacity);
    if (!text.terminated) {
        problems.push_back(
            {"header", Format("%s is not terminated within its %zu units", what, capacity)});
    }
    return ToUtf8(text.units);
}

HeaderSnapshot DecodeHeader(const SharedHeader& header, Problems& problems) {
    HeaderSnapshot snapshot;
    snapshot.tag = TagText(header.record.tag);
    if (header.record.tag != kHeaderTag) {
        problems.push_back(
            {"header", Format("header tag is %s, expected HEAD", snapshot.tag.c_str())});
    }
    snapshot.size = header.record.size;
    if (header.record.size != sizeof(SharedHeader)) {
        problems.push_back({"header", Format("header size is %u, expected %zu", header.record.size,
                                             sizeof(SharedHeader))});
    }
    snapshot.flags = header.record.flags;
    snapshot.changeCounter = header.record.changeCounter;
    snapshot.lockOwner = header.lockOwner;
    snapshot.totalSize = header.totalSize;
    snapshot.recordAreaOffset = header.recordAreaOffset;
    snapshot.slotCount = header.slotCount;
    snapshot.recordCount = header.recordCount;
    snapshot.highestSlot = header.highestSlot;
    snapshot.creatorProcessId = header.creatorProcessId;
    snapshot.modelGuid = HeaderText(header.modelGuid, kModelGuidUnits, "model guid", problems);
    snapshot.updateCount = header.updateCount;
    snapshot.peerPathA = HeaderText(header.peerPathA, kPeerPathUnits, "peer path A", problems);
    snapshot.peerPathB = HeaderText(header.peerPathB, kPeerPathUnits, "peer path B", problems);
    snapshot.peerValue = header.peerValue;
    return snapshot;
}

// The record's common header, and its fields when the tag and size allow reading them.
RecordSnapshot DecodeRecord(uint32_t slot, const uint8_t* slotBytes, const RecordSections& sections,
                            Problems& problems) {
    RecordHeader header;
    std::memcpy(&header, slotBytes, sizeof header);
    RecordSnapshot record{slot,         header.tag,          header.size, header.recordId,
                          header.flags, header.changeCounter};
    const std::string where = SlotPlace(slot);
    if (!IsPrintableTag(header.tag)) {
        problems.push_back(
            {where, Format("tag 0x%08X is not four printable ASCII characters", header.tag)});
        return record;
    }
    if (header.tag == kHeaderTag) {
        problems.push_back({where, "tag HEAD belongs to the header, not to a record slot"});
        return record;
    }
    if (header.size != ExpectedRecordSize(header.tag)) {
        problems.push_back(
            {where, Format("%s record size is %u, expected %u", TagText(header.tag).c_str(),
                           header.size, ExpectedRecordSize(header.tag))});
        return record;
    }
    record.readable = true;
    if (header.recordId == 0) problems.push_back({where, "record id 0 is not a valid id"});
    if (header.tag == kViewTag) {
        record.view = DecodeView(slotBytes, where, problems);
    } else if (header.tag == kStatusTag) {
        record.status = DecodeStatus(slotBytes, sections, where, problems);
    } else if (header.tag == kSurfaceTag || header.tag == kRemovedSurfaceTag) {
        record.surface =
            DecodeSurface(slotBytes, header.tag == kRemovedSurfaceTag, sections, where, problems);
    }
    return record;
}

void CheckUniqueRecordIds(const std::vector<RecordSnapshot>& records, Problems& problems) {
    std::map<uint32_t, uint32_t> slotOfId;
    for (const RecordSnapshot& record : records) {
        if (record.id == 0) continue;
        const auto [first, inserted] = slotOfId.emplace(record.id, record.slot);
        if (!inserted) {
            problems.push_back(
                {SlotPlace(record.slot),
                 Format("record id %u is also used by slot %u", record.id, first->second)});
        }
    }
}

void CheckUniqueSections(const std::vector<CapturedSection>& sections, Problems& problems) {
    std::map<uint32_t, uint32_t> slotOfSection;
    for (const CapturedSection& section : sections) {
        const auto [first, inserted] = slotOfSection.emplace(section.reference.id, section.slot);
        if (!inserted) {
            problems.push_back(
                {SlotPlace(section.slot), Format("%s section %u is also named by slot %u",
                                                 SectionUseName(section.reference.use),
                                                 section.reference.id, first->second)});
        }
    }
}

}  // namespace

LinkSnapshot DecodeLink(const CapturedLink& captured) {
    LinkSnapshot snapshot;
    snapshot.link = ToUtf8(captured.name);
    snapshot.mappedSize = captured.mappedSize;
    snapshot.lockTaken = captured.lockTaken;
    snapshot.problems = captured.problems;
    if (captured.mappedSize < sizeof(SharedHeader)) return snapshot;

    SharedHeader header;
    std::memcpy(&header, captured.headerBlock.data(), sizeof header);
    snapshot.header = DecodeHeader(header, snapshot.problems);
    if (!captured.lockTaken || !captured.scan) return snapshot;

    for (uint32_t slot = 0; slot < captured.scan->slotCount; ++slot) {
        const uint8_t* slotBytes = captured.slots.data() + size_t{slot} * kSlotSize;
        uint32_t tag;
        std::memcpy(&tag, slotBytes, sizeof tag);
        if (tag == 0) continue;  // a free slot
        RecordSections sections;
        for (const CapturedSection& section : captured.sections) {
            if (section.slot == slot) sections.push_back(&section);
        }
        snapshot.records.push_back(DecodeRecord(slot, slotBytes, sections, snapshot.problems));
    }
    CheckUniqueRecordIds(snapshot.records, snapshot.problems);
    CheckUniqueSections(captured.sections, snapshot.problems);
    // The count can only be compared when every slot up to the highest one was read.
    const uint64_t counted = snapshot.records.size() + 1;
    if (!captured.scan->clipped && header.recordCount != counted) {
        snapshot.problems.push_back(
            {"header", Format("record count %u differs from %llu, the records found and the "
                              "header",
                              header.recordCount, static_cast<unsigned long long>(counted))});
    }
    return snapshot;
}

LinkSnapshot TakeSnapshot(PeerConnection& connection, uint32_t lockTimeoutMicroseconds) {
    return DecodeLink(CaptureLink(connection, lockTimeoutMicroseconds));
}

}  // namespace korvan::peer

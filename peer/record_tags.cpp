#include "peer/record_tags.h"

#include "peer/problems.h"

namespace korvan::peer {

using namespace TwinLinkAPI;

uint32_t ExpectedRecordSize(uint32_t tag) {
    // A removed material keeps the layout of the material record it was.
    if (tag == kRemovedSurfaceTag) return kSurfaceRecordSize;
    return RecordSizeForTag(tag);
}

bool IsPrintableTag(uint32_t tag) {
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t character = (tag >> shift) & 0xFF;
        if (character < 0x20 || character > 0x7E) return false;
    }
    return true;
}

std::string TagText(uint32_t tag) {
    if (!IsPrintableTag(tag)) return Format("0x%08X", tag);
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) text += static_cast<char>((tag >> shift) & 0xFF);
    return text;
}

bool IsReadableRecord(const RecordHeader& record) {
    return IsPrintableTag(record.tag) && record.tag != kHeaderTag &&
           record.size == ExpectedRecordSize(record.tag);
}

}  // namespace korvan::peer

// The link descriptor text in the data section named by the "STAT" record. The section is made
// twice as large as needed so that a text that grows a little keeps its section.
#include <cstring>

#include "liveconnection/live_connection.h"

namespace TwinLinkAPI {

void LiveConnection::SendDescriptor(const DescriptorMap& descriptor) {
    if (!IsOpen() || statusRecord == nullptr) return;
    const std::u16string text = BuildDescriptorText(descriptor);
    const size_t neededBytes = (text.size() + 1) * sizeof(char16_t);  // with the terminating zero

    uint32_t sectionId = statusRecord->descriptorSectionId;
    uint32_t sectionSize = statusRecord->descriptorSectionSize;
    if (sectionId == 0 || sectionSize < neededBytes) {
        if (sectionId != 0) ReleaseSection(sectionId);
        sectionSize = static_cast<uint32_t>(2 * neededBytes);
        sectionId = CreateSection(statusRecord->record.recordId, sectionSize);
        statusRecord->descriptorSectionId = sectionId;
        statusRecord->descriptorSectionSize = sectionSize;
    }

    if (void* view = MapSection(sectionId)) {
        std::memset(view, 0, sectionSize);
        std::memcpy(view, text.c_str(), neededBytes);
    }
    MarkRecord(&statusRecord->record, kChangedFlag);
}

}  // namespace TwinLinkAPI

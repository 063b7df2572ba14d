#include "peer/section_references.h"

#include <cstring>

#include "liveconnection/shared_layout.h"
#include "peer/record_tags.h"

namespace korvan::peer {

using namespace TwinLinkAPI;

std::vector<SectionReference> SectionReferencesOf(const uint8_t* slotBytes) {
    std::vector<SectionReference> references;
    RecordHeader header;
    std::memcpy(&header, slotBytes, sizeof header);
    if (!IsReadableRecord(header)) return references;
    const auto add = [&](SectionUse use, uint32_t id, uint32_t size) {
        if (id != 0) references.push_back({use, id, size});
    };
    if (header.tag == kStatusTag) {
        StatusRecord status;
        std::memcpy(&status, slotBytes, sizeof status);
        add(SectionUse::Descriptor, status.descriptorSectionId, status.descriptorSectionSize);
    } else if (header.tag == kSurfaceTag || header.tag == kRemovedSurfaceTag) {
        SurfaceRecord surface;
        std::memcpy(&surface, slotBytes, sizeof surface);
        add(SectionUse::Texture, surface.textureSectionId, surface.textureSectionSize);
        add(SectionUse::Geometry, surface.geometrySectionId, surface.geometrySectionSize);
    }
    return references;
}

bool IsContentRead(SectionUse) {
    return true;
}

const char* SectionUseName(SectionUse use) {
    switch (use) {
        case SectionUse::Descriptor:
            return "descriptor";
        case SectionUse::Texture:
            return "texture";
        case SectionUse::Geometry:
            return "geometry";
    }
    return "unknown";
}

}  // namespace korvan::peer

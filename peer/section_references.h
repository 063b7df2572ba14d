// The data sections a record names. A section is listed nowhere but in the id fields of its
// record, so this is the one place that knows which fields those are.
#pragma once

#include <cstdint>
#include <vector>

namespace korvan::peer {

enum class SectionUse {
    Descriptor,  // the link descriptor text of the "STAT" record
    Texture,     // an in-memory texture image of a material record
    Geometry,    // the triangle batch of a material record
};

struct SectionReference {
    SectionUse use;
    uint32_t id;
    uint32_t declaredSize;  // the size the record gives for it
};

// The non-zero section ids named by the record in `slotBytes` (one whole slot), provided its
// header is readable (IsReadableRecord); nothing for any other record.
std::vector<SectionReference> SectionReferencesOf(const uint8_t* slotBytes);

// Every use's content is copied and checked: descriptor texts, geometry batches and the BMP of an
// in-memory texture.
bool IsContentRead(SectionUse use);

// "descriptor", "texture", "geometry"
const char* SectionUseName(SectionUse use);

}  // namespace korvan::peer

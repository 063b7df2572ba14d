// Record tags and the fixed size that belongs to each. A tag is four ASCII characters; the four
// known tags have their own layouts, any other tag is a bare 20-byte record header.
#pragma once

#include <cstdint>
#include <string>

#include "liveconnection/shared_layout.h"

namespace korvan::peer {

// The size a record of this tag must have.
uint32_t ExpectedRecordSize(uint32_t tag);

// Four printable ASCII characters (space to tilde).
bool IsPrintableTag(uint32_t tag);

// "VIEW" for a printable tag, "0x01020304" for any other.
std::string TagText(uint32_t tag);

// A record whose header lets its content be read: a printable tag other than "HEAD" and the
// size that belongs to that tag.
bool IsReadableRecord(const TwinLinkAPI::RecordHeader& record);

}  // namespace korvan::peer

// The fields of the record kinds whose layout the peer knows, decoded from a copy of their slot
// and of the sections they name. Everything rejected is added to `problems` under `where`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "peer/captured_link.h"
#include "peer/link_snapshot.h"

namespace korvan::peer {

// The captured sections of one record.
using RecordSections = std::vector<const CapturedSection*>;

ViewSnapshot DecodeView(const uint8_t* slotBytes, const std::string& where, Problems& problems);
StatusSnapshot DecodeStatus(const uint8_t* slotBytes, const RecordSections& sections,
                            const std::string& where, Problems& problems);
// A material record; `removed` for one re-tagged "SRFI", which must no longer name a batch.
SurfaceSnapshot DecodeSurface(const uint8_t* slotBytes, bool removed,
                              const RecordSections& sections, const std::string& where,
                              Problems& problems);

}  // namespace korvan::peer

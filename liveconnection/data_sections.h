// The in-process bookkeeping of data sections. Both tables take concurrent insertion and lookup:
// the worker's per-material tasks create and map sections for different records at once.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "twinlink/concurrent.h"
#include "twinlink/platform.h"

namespace TwinLinkAPI {

struct SectionEntry {
    twinlink::platform::MappingHandle handle = 0;
    void* view = nullptr;  // null until mapped: a section opened by id is mapped on first use
    // The record the section was created for; none for sections opened by id. A section has at
    // most one owner, so releasing it finds its owner here instead of walking the OwnerTable.
    std::optional<uint32_t> ownerRecordId;
};

// Section id → every data section this process has created or opened.
using SectionTable = twinlink::concurrent::HashMap<uint32_t, SectionEntry>;
// Record id → ids of the sections created for that record.
using OwnerTable = twinlink::concurrent::HashMap<uint32_t, std::vector<uint32_t>>;

}  // namespace TwinLinkAPI

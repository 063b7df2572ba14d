// Data sections hold the bulk data that records refer to by id. They are never resized: a writer
// that needs more room releases its section and creates a new one under a new id.
#include <algorithm>

#include "liveconnection/live_connection.h"
#include "liveconnection/section_names.h"

namespace platform = twinlink::platform;

namespace TwinLinkAPI {
namespace {

// Ids start again at 1 with every Host, so a peer that still holds a section of an earlier link
// of this process can keep a name alive. Such a section is left to the peer and the next id is
// taken instead, which also guarantees a fresh, zero-filled section of the requested size.
constexpr int kMaxNameCollisions = 64;

}  // namespace

uint32_t LiveConnection::CreateSection(uint32_t ownerRecordId, uint32_t size) {
    if (!IsOpen()) return 0;
    const uint32_t creatorProcessId = header->creatorProcessId;
    for (int attempt = 0; attempt < kMaxNameCollisions; ++attempt) {
        const uint32_t sectionId = sectionIdCounter.fetch_add(1) + 1;
        if (sectionId == 0) continue;  // 0 means "no section" in every record
        bool alreadyExisted = false;
        const platform::MappingHandle handle = platform::CreateFileMapping(
            DataSectionName(creatorProcessId, sectionId), size, &alreadyExisted);
        if (handle == 0) return 0;
        if (alreadyExisted) {
            platform::CloseHandle(handle);
            continue;
        }
        void* view = platform::MapViewOfFile(handle);
        if (view == nullptr) {
            platform::CloseHandle(handle);
            return 0;
        }
        sections.insert({sectionId, SectionEntry{handle, view, ownerRecordId}});
        OwnerTable::accessor owner;
        owners.insert(owner, ownerRecordId);
        owner->second.push_back(sectionId);
        return sectionId;
    }
    return 0;
}

void* LiveConnection::MapSection(uint32_t sectionId) {
    if (!IsOpen() || sectionId == 0) return nullptr;
    SectionTable::accessor entry;
    if (sections.insert(entry, sectionId)) {
        const platform::MappingHandle handle =
            platform::OpenFileMapping(DataSectionName(header->creatorProcessId, sectionId));
        if (handle == 0) {
            sections.erase(entry);
            return nullptr;
        }
        entry->second.handle = handle;
    }
    // A view that could not be mapped is tried again on the next call; the handle stays.
    if (entry->second.view == nullptr)
        entry->second.view = platform::MapViewOfFile(entry->second.handle);
    return entry->second.view;
}

void LiveConnection::ReleaseSection(uint32_t sectionId) {
    if (sectionId == 0) return;
    std::optional<uint32_t> ownerRecordId;
    {
        SectionTable::const_accessor entry;
        if (sections.find(entry, sectionId)) ownerRecordId = entry->second.ownerRecordId;
    }
    if (ownerRecordId) {
        OwnerTable::accessor owner;
        if (owners.find(owner, *ownerRecordId)) std::erase(owner->second, sectionId);
    }
    CloseSection(sectionId);
}

void LiveConnection::CloseSection(uint32_t sectionId) {
    if (sectionId == 0) return;
    SectionTable::accessor entry;
    if (!sections.find(entry, sectionId)) return;
    if (entry->second.view != nullptr) platform::UnmapViewOfFile(entry->second.view);
    if (entry->second.handle != 0) platform::CloseHandle(entry->second.handle);
    sections.erase(entry);
}

}  // namespace TwinLinkAPI

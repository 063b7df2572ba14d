#include "liveconnection/live_connection.h"

#include <algorithm>

#include "liveconnection/shared_word.h"

namespace platform = twinlink::platform;

namespace TwinLinkAPI {

LiveConnection::LiveConnection() : processId(platform::GetCurrentProcessId()) {}

LiveConnection::~LiveConnection() {
    LiveConnection::Close();
}

void LiveConnection::Stop() {
    DeleteDirectoryEntry(name);
    Close();
}

void LiveConnection::Close() {
    if (IsOpen() && LoadShared(header->lockOwner) == processId) Unlock();
    for (auto& [sectionId, entry] : sections) {
        if (entry.view != nullptr) platform::UnmapViewOfFile(entry.view);
        if (entry.handle != 0) platform::CloseHandle(entry.handle);
    }
    sections.clear();
    owners.clear();
    if (mainView != nullptr) platform::UnmapViewOfFile(mainView);
    if (mainHandle != 0) platform::CloseHandle(mainHandle);
    mainHandle = 0;
    mainView = nullptr;
    header = nullptr;
    recordArea = nullptr;
    viewRecord = nullptr;
    statusRecord = nullptr;
    name.clear();
}

bool LiveConnection::IsOpen() const {
    return mainView != nullptr;
}

std::u16string LiveConnection::GetName() const {
    return name;
}

bool LiveConnection::IsReady() const {
    return IsOpen() && (LoadShared(header->record.flags) & kPeerClosedFlag) == 0;
}

bool LiveConnection::IsPeerAttached() const {
    return IsOpen() && header->peerPathA[0] != 0 && header->peerPathB[0] != 0;
}

bool LiveConnection::IsPeerForeground() const {
    if (!IsOpen()) return false;
    const uint32_t creator = header->creatorProcessId;
    if (creator == processId) return false;
    const platform::WindowHandle foreground = platform::GetForegroundWindow();
    return foreground != 0 && platform::GetWindowProcessId(foreground) == creator;
}

RecordHeader* LiveConnection::SlotAt(uint32_t index) const {
    return reinterpret_cast<RecordHeader*>(recordArea + static_cast<size_t>(index) * kSlotSize);
}

uint32_t LiveConnection::UsableSlotCount() const {
    const size_t viewSize = platform::MappingSize(mainHandle);
    const size_t areaOffset = static_cast<size_t>(recordArea - static_cast<uint8_t*>(mainView));
    const size_t slotsInView = viewSize > areaOffset ? (viewSize - areaOffset) / kSlotSize : 0;
    return static_cast<uint32_t>(std::min<size_t>(header->slotCount, slotsInView));
}

uint32_t LiveConnection::ScannedSlotCount() const {
    const uint64_t throughHighest = static_cast<uint64_t>(LoadShared(header->highestSlot)) + 1;
    return static_cast<uint32_t>(std::min<uint64_t>(throughHighest, UsableSlotCount()));
}

}  // namespace TwinLinkAPI

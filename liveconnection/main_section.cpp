// Creating (as the host) or opening (as a peer) the main section of a connection.
#include <cstring>

#include "liveconnection/live_connection.h"
#include "liveconnection/section_names.h"

namespace platform = twinlink::platform;

namespace TwinLinkAPI {
namespace {

// The ids of the attaching side's sections start here, so they never meet the host's.
constexpr uint32_t kAttachedSectionIdBase = 0x80000000u;

void WriteFreshHeader(SharedHeader& header, uint32_t totalSize, uint32_t slotCount,
                      uint32_t creatorProcessId) {
    header.record.tag = kHeaderTag;
    header.record.size = sizeof(SharedHeader);
    header.record.recordId = 0;
    header.record.flags = 0;
    header.record.changeCounter = 1;
    header.constantOne = 1;
    header.lockOwner = 0;
    header.totalSize = totalSize;
    header.recordAreaOffset = kRecordAreaOffset;
    header.slotCount = slotCount;
    header.recordCount = 1;
    header.highestSlot = 1;
    header.creatorProcessId = creatorProcessId;
    header.updateCount = 1;
    header.peerValue = 0;
}

}  // namespace

int32_t LiveConnection::Host(const std::u16string& connectionName, uint32_t slotCount) {
    if (IsOpen()) Close();
    EnumerateConnections(0);  // only to sweep entries that crashed links left behind

    // The section's size is a 32-bit quantity; a table too large for it cannot be created.
    if (slotCount > kMaxSlotCount) return -1;
    const uint32_t totalSize = (slotCount + 1) * kSlotSize;

    bool alreadyExisted = false;
    const platform::MappingHandle handle =
        platform::CreateFileMapping(MainSectionName(connectionName), totalSize, &alreadyExisted);
    if (handle == 0) return -1;
    if (alreadyExisted) {
        // Normally a second SketchUp with the same model open.
        platform::CloseHandle(handle);
        return -2;
    }
    void* view = platform::MapViewOfFile(handle);
    if (view == nullptr) {
        platform::CloseHandle(handle);
        return -1;
    }

    std::memset(view, 0, totalSize);
    mainHandle = handle;
    mainView = view;
    header = static_cast<SharedHeader*>(view);
    WriteFreshHeader(*header, totalSize, slotCount, processId);
    recordArea = static_cast<uint8_t*>(view) + kRecordAreaOffset;
    sectionIdCounter = 0;
    name = connectionName;
    published = false;
    windowListStale = true;

    viewRecord = reinterpret_cast<ViewRecord*>(CreateRecord(kViewTag));
    statusRecord = reinterpret_cast<StatusRecord*>(CreateRecord(kStatusTag));
    return 0;
}

int32_t LiveConnection::Attach(const std::u16string& connectionName) {
    if (IsOpen()) Close();
    const platform::MappingHandle handle =
        platform::OpenFileMapping(MainSectionName(connectionName));
    if (handle == 0) return -1;
    void* view = platform::MapViewOfFile(handle);
    if (view == nullptr) {
        platform::CloseHandle(handle);
        return -1;
    }
    // The header comes from another process: a record area that is not inside the section (or
    // not word-aligned) would send every scan astray, so such a section is no connection.
    const size_t viewSize = platform::MappingSize(handle);
    const uint32_t areaOffset =
        viewSize >= sizeof(SharedHeader) ? static_cast<SharedHeader*>(view)->recordAreaOffset : 0;
    if (areaOffset < sizeof(SharedHeader) || areaOffset % alignof(RecordHeader) != 0 ||
        areaOffset > viewSize) {
        platform::UnmapViewOfFile(view);
        platform::CloseHandle(handle);
        return -1;
    }

    mainHandle = handle;
    mainView = view;
    header = static_cast<SharedHeader*>(view);
    recordArea = static_cast<uint8_t*>(view) + areaOffset;
    sectionIdCounter = kAttachedSectionIdBase;
    name = connectionName;
    return 0;
}

}  // namespace TwinLinkAPI

// The camera in the "VIEW" record. Rewritten in place without the cross-process lock: the
// record's change counter and changed bit tell the reader that it was rewritten.
#include <cstring>

#include "liveconnection/live_connection.h"

namespace TwinLinkAPI {

void LiveConnection::SendView(bool follow, const void* cameraData) {
    if (!IsOpen() || viewRecord == nullptr) return;
    RecordHeader* record = &viewRecord->record;
    if (follow && cameraData != nullptr) {
        ClearRecordFlags(record, kChangedFlag);
        viewRecord->follow = 1;
        std::memcpy(viewRecord->camera, cameraData, kCameraDataSize);
        MarkRecord(record, kChangedFlag);
        Notify(kUpdateNotification, 0);
        return;
    }
    viewRecord->follow = 0;
    if (cameraData != nullptr) std::memcpy(viewRecord->camera, cameraData, kCameraDataSize);
    MarkRecord(record, kChangedFlag);
}

}  // namespace TwinLinkAPI

// The one object through which the plug-in talks to Korvan: the directory of live connections,
// the shared-memory channel (main section, records, data sections, cross-process lock) and the
// window message that wakes Korvan after each update.
//
// Every operation is virtual and the operations reach one another through the same table, so an
// override changes every path that uses it. Failures are results: 0 success, -1 failure, -2 name
// in use, or a null pointer, 0 or false. Everything that touches shared memory does nothing
// while no main section is open.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "liveconnection/data_sections.h"
#include "liveconnection/descriptor_text.h"
#include "liveconnection/notify_gate.h"
#include "liveconnection/renderer_windows.h"
#include "liveconnection/shared_layout.h"
#include "twinlink/platform.h"

namespace TwinLinkAPI {

// The message posted to Korvan's main windows (in the WM_APP range).
inline constexpr uint32_t kUpdateMessage = 0x8729;
// The lParam of every notification the plug-in posts; wParam is 0.
inline constexpr intptr_t kUpdateNotification = 2;

class LiveConnection {
  public:
    LiveConnection();
    virtual ~LiveConnection();
    LiveConnection(const LiveConnection&) = delete;
    LiveConnection& operator=(const LiveConnection&) = delete;

    // Names of live connections in the directory; entries whose main section is gone are
    // deleted on the way. `filter` 0 accepts every entry, otherwise only those whose value equals
    // it.
    virtual std::vector<std::u16string> EnumerateConnections(uint32_t filter);
    // Creates the main section named after `name` and becomes its host.
    virtual int32_t Host(const std::u16string& name, uint32_t slotCount);
    // Removes the directory entry and closes everything.
    virtual void Stop();
    // Opens an existing main section, as a peer does. Writes nothing.
    virtual int32_t Attach(const std::u16string& name);
    virtual void Close();
    // True when the foreground window belongs to the section's creator and that is not us.
    virtual bool IsPeerForeground() const;
    virtual bool IsOpen() const;
    virtual std::u16string GetName() const;

    virtual RecordHeader* CreateRecord(uint32_t tag);
    virtual int32_t DeleteRecord(uint32_t recordId);
    // Records of `tag` whose flags satisfy (flags & mask) == (mask & value); mask 0 matches all.
    virtual uint32_t CountRecords(uint32_t tag, uint32_t mask, uint32_t value) const;
    virtual RecordHeader* FindRecord(uint32_t recordId) const;
    virtual std::vector<RecordHeader*> ListRecords(uint32_t tag, uint32_t mask,
                                                   uint32_t value) const;
    virtual void MarkRecord(RecordHeader* record, uint32_t flags);
    virtual void ClearRecordFlags(RecordHeader* record, uint32_t flags);
    virtual uint32_t TestRecordFlags(RecordHeader* record, uint32_t flags) const;

    virtual void MarkHeader(uint32_t flags);
    virtual void ClearHeaderFlags(uint32_t flags);
    virtual uint32_t TestHeaderFlags(uint32_t flags) const;
    virtual void SetUpdateCount(uint32_t count);
    virtual uint32_t GetUpdateCount() const;
    virtual void SetModelGuid(const std::u16string& guid);
    virtual const char16_t* GetModelGuid() const;

    // The cross-process lock: re-entrant for this process and not counted.
    virtual bool Lock(uint32_t timeoutMicroseconds);
    virtual void Unlock();

    // A new zero-filled data section for the record; its id, or 0 on failure.
    virtual uint32_t CreateSection(uint32_t ownerRecordId, uint32_t size);
    // Detaches the section from its record and closes it.
    virtual void ReleaseSection(uint32_t sectionId);
    // The section's view, opening it by name when another process created it.
    virtual void* MapSection(uint32_t sectionId);
    // Closes this process's mapping of the section.
    virtual void CloseSection(uint32_t sectionId);

    // Writes the directory entry of the hosted connection, once per Host.
    virtual int32_t Publish();
    // Open, and the peer has not ended the connection.
    virtual bool IsReady() const;
    // Posts the message to Korvan's main windows: 0 when at least one post was made.
    virtual int32_t Notify(intptr_t lParam, uintptr_t wParam);
    // Writes the camera (kCameraDataSize bytes) into the "VIEW" record; following views wake
    // Korvan.
    virtual void SendView(bool follow, const void* cameraData);
    // Writes the descriptor text into the data section of the "STAT" record.
    virtual void SendDescriptor(const DescriptorMap& descriptor);

    virtual void SetPeerPathA(const std::u16string& path);
    virtual const char16_t* GetPeerPathA() const;
    virtual void SetPeerPathB(const std::u16string& path);
    virtual const char16_t* GetPeerPathB() const;
    virtual void SetPeerValue(uint32_t value);
    virtual uint32_t GetPeerValue() const;
    // Both peer paths of the header are filled in.
    virtual bool IsPeerAttached() const;

    // A main section of that connection name can be opened now.
    virtual bool ConnectionExists(const std::u16string& name) const;
    virtual int32_t WriteDirectoryEntry(const std::u16string& name);
    virtual int32_t DeleteDirectoryEntry(const std::u16string& name);

  protected:
    uint32_t processId;
    std::u16string name;
    bool published = false;
    twinlink::platform::MappingHandle mainHandle = 0;
    void* mainView = nullptr;
    SharedHeader* header = nullptr;
    uint8_t* recordArea = nullptr;
    ViewRecord* viewRecord = nullptr;
    StatusRecord* statusRecord = nullptr;
    std::atomic<uint32_t> recordIdCounter{0};
    std::atomic<uint32_t> sectionIdCounter{0};
    OwnerTable owners;
    SectionTable sections;
    // Set at first, by Host and when a known window has gone, so that the next Notify looks for
    // windows afresh; read inside the gate.
    std::atomic<bool> windowListStale{true};
    NotifyGate notifyGate;
    WindowList windows;
    // platform::WindowChangeCount when `windows` was looked for.
    uint64_t windowChanges = 0;

  private:
    RecordHeader* SlotAt(uint32_t index) const;
    // Slots that exist in the mapped view, whatever the header claims.
    uint32_t UsableSlotCount() const;
    // Slots a scan looks at: up to the header's highest slot, inside the view.
    uint32_t ScannedSlotCount() const;
};

}  // namespace TwinLinkAPI

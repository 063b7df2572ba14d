// A window as other processes find it: in the runtime folder (private_folders.h), the window
// with handle H is the datagram socket "<H>.sock", bound by its process, and the record
// "<H>.window" with its attributes (H in eight lower-case hex digits). A record is written in
// one step after its socket is bound, so a window that can be listed can be posted to. A
// window is gone when its process is: the record names the process by id and start time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "twinlink/platform.h"

namespace twinlink::platform::posix {

struct WindowRecord {
    WindowInfo info;
    uint64_t startTime = 0;  // of the owning process, to tell it from a later one with its id
    uint64_t created = 0;    // monotonic nanoseconds; windows are listed newest first
};

inline constexpr std::string_view kRecordSuffix = ".window";
inline constexpr std::string_view kSocketSuffix = ".sock";

std::string HandleText(WindowHandle handle);
std::optional<WindowHandle> HandleFromRecordName(std::string_view fileName);

std::string RecordText(const WindowRecord& record);
std::optional<WindowRecord> ParseRecord(std::string_view text);

// The record of window `handle` in `folder` when its process still runs. A record whose
// process has ended is removed with its socket, as is met.
std::optional<WindowRecord> LoadLiveRecord(const std::string& folder, WindowHandle handle);
void RemoveWindowFiles(const std::string& folder, WindowHandle handle);

}  // namespace twinlink::platform::posix

// Processes through psapi and kernel32: K32EnumProcesses with a buffer that grows until every
// process fits, and QueryFullProcessImageNameW for the executable's path.
#include <vector>

#include "failure.h"
#include "windows_api.h"

namespace twinlink::platform {

using namespace win32;

uint32_t GetCurrentProcessId() {
    return ::GetCurrentProcessId();
}

std::vector<uint32_t> EnumProcesses(size_t maxCount) {
    ClearFailure();
    std::vector<DWORD> ids(1024);
    for (;;) {
        DWORD bytes = 0;
        const auto capacity = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        if (!::K32EnumProcesses(ids.data(), capacity, &bytes)) {
            SetFailureFromSystem("cannot list the processes", ::GetLastError());
            return {};
        }
        // A full buffer may have cut the list short: ask again with more room.
        if (bytes < capacity) {
            ids.resize(bytes / sizeof(DWORD));
            break;
        }
        ids.resize(ids.size() * 2);
    }
    if (ids.size() > maxCount) ids.resize(maxCount);
    return std::vector<uint32_t>(ids.begin(), ids.end());
}

std::optional<std::u16string> ProcessImagePath(uint32_t pid) {
    ClearFailure();
    const std::string what = "cannot read the image path of process " + std::to_string(pid);
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) {
        SetFailureFromSystem(what, ::GetLastError());
        return std::nullopt;
    }
    std::vector<wchar_t> path(MAX_PATH);
    std::optional<std::u16string> result;
    for (;;) {
        DWORD length = static_cast<DWORD>(path.size());
        if (::QueryFullProcessImageNameW(process, 0, path.data(), &length)) {
            result = FromWide(path.data(), length);
            break;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || path.size() >= 32768) {
            SetFailureFromSystem(what, error);
            break;
        }
        path.resize(path.size() * 2);
    }
    ::CloseHandle(process);
    return result;
}

}  // namespace twinlink::platform

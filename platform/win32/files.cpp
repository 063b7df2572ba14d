// Files and folders through the W functions of kernel32.
#include <algorithm>

#include "failure.h"
#include "windows_api.h"

namespace twinlink::platform {

using namespace win32;

namespace {

// Closes a file handle when it goes out of scope.
struct FileHandle {
    HANDLE handle;
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    }
};

}  // namespace

std::u16string GetTempPath() {
    ClearFailure();
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) {
        SetFailureFromSystem("cannot read the temporary folder", ::GetLastError());
        return u"";
    }
    return FromWide(buffer, length);
}

bool FileExists(const std::u16string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::u16string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateDirectory(const std::u16string& path) {
    ClearFailure();
    if (::CreateDirectoryW(Wide(path), nullptr)) return true;
    SetFailureFromSystem("cannot create the folder " + Utf16ToUtf8(path), ::GetLastError());
    return false;
}

bool DeleteFile(const std::u16string& path) {
    ClearFailure();
    if (::DeleteFileW(Wide(path))) return true;
    SetFailureFromSystem("cannot delete " + Utf16ToUtf8(path), ::GetLastError());
    return false;
}

std::optional<uint64_t> GetFileLastWriteTime(const std::u16string& path) {
    ClearFailure();
    const FileHandle file{::CreateFileW(Wide(path), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    FILETIME written{};
    if (file.handle == INVALID_HANDLE_VALUE ||
        !::GetFileTime(file.handle, nullptr, nullptr, &written)) {
        SetFailureFromSystem("cannot read the times of " + Utf16ToUtf8(path), ::GetLastError());
        return std::nullopt;
    }
    return uint64_t{written.dwHighDateTime} << 32 | written.dwLowDateTime;
}

bool WriteFile(const std::u16string& path, const void* data, size_t size) {
    ClearFailure();
    const FileHandle file{::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) {
        SetFailureFromSystem("cannot write " + Utf16ToUtf8(path), ::GetLastError());
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file.handle, bytes, chunk, &written, nullptr) || written == 0) {
            SetFailureFromSystem("cannot write " + Utf16ToUtf8(path), ::GetLastError());
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

char16_t PathSeparator() {
    return u'\\';
}

}  // namespace twinlink::platform

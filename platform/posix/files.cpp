// Files and folders through std::filesystem and POSIX calls. Folders made here are the user's
// own (0700) and files 0600, like the rest of what this layer creates.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "failure.h"
#include "twinlink/platform.h"

namespace twinlink::platform {

namespace {

// Seconds between 1601-01-01 (FILETIME's origin) and 1970-01-01.
constexpr uint64_t kUnixEpochInFileTimeSeconds = 11644473600ull;

std::string Native(const std::u16string& path) {
    return Utf16ToUtf8(path);
}

}  // namespace

std::u16string GetTempPath() {
    ClearFailure();
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/') path += '/';
    return Utf8ToUtf16(path);
}

bool FileExists(const std::u16string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(Native(path), error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

bool DirectoryExists(const std::u16string& path) {
    std::error_code error;
    return std::filesystem::is_directory(Native(path), error);
}

bool CreateDirectory(const std::u16string& path) {
    ClearFailure();
    const std::string native = Native(path);
    if (mkdir(native.c_str(), 0700) != 0) {
        SetFailureFromErrno("cannot create the folder " + native, errno);
        return false;
    }
    chmod(native.c_str(), 0700);
    return true;
}

bool DeleteFile(const std::u16string& path) {
    ClearFailure();
    const std::string native = Native(path);
    struct stat st;
    if (lstat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetFailure("cannot delete " + native + " as a file: it is a folder");
        return false;
    }
    if (unlink(native.c_str()) != 0) {
        SetFailureFromErrno("cannot delete " + native, errno);
        return false;
    }
    return true;
}

std::optional<uint64_t> GetFileLastWriteTime(const std::u16string& path) {
    ClearFailure();
    const std::string native = Native(path);
    struct stat st;
    if (stat(native.c_str(), &st) != 0) {
        SetFailureFromErrno("cannot read the times of " + native, errno);
        return std::nullopt;
    }
    const auto seconds = static_cast<uint64_t>(st.st_mtim.tv_sec) + kUnixEpochInFileTimeSeconds;
    return seconds * 10000000ull + static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100;
}

bool WriteFile(const std::u16string& path, const void* data, size_t size) {
    ClearFailure();
    const std::string native = Native(path);
    const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        SetFailureFromErrno("cannot write " + native, errno);
        return false;
    }
    const auto* bytes = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
        const ssize_t written = write(fd, bytes, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            SetFailureFromErrno("cannot write " + native, errno);
            close(fd);
            return false;
        }
        bytes += written;
        left -= static_cast<size_t>(written);
    }
    if (close(fd) != 0) {
        SetFailureFromErrno("cannot write " + native, errno);
        return false;
    }
    return true;
}

char16_t PathSeparator() {
    return u'/';
}

}  // namespace twinlink::platform

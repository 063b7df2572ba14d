// Processes from /proc: the ids are its numeric entries, the image path is /proc/<pid>/exe.
#include "processes.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <string>

#include "failure.h"
#include "private_folders.h"
#include "twinlink/platform.h"

namespace twinlink::platform {

namespace posix {

std::optional<uint64_t> ProcessStartTime(uint32_t pid) {
    if (pid == 0) return std::nullopt;
    int error = 0;
    // /proc/<pid>/stat: "pid (name) state ppid ..."; the name may hold anything, so the fields
    // are counted from the last ')'. The start time is the 22nd field.
    const std::optional<std::string> stat =
        ReadRegularFile("/proc/" + std::to_string(pid) + "/stat", &error);
    if (!stat) return std::nullopt;
    const size_t close = stat->rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat->substr(close + 1));
    std::string state;
    fields >> state;
    if (state == "Z" || state == "X" || state == "x") return std::nullopt;
    std::string field;
    for (int i = 4; i <= 22 && fields >> field; ++i) {
        if (i == 22) return std::strtoull(field.c_str(), nullptr, 10);
    }
    return std::nullopt;
}

}  // namespace posix

uint32_t GetCurrentProcessId() {
    return static_cast<uint32_t>(getpid());
}

std::vector<uint32_t> EnumProcesses(size_t maxCount) {
    ClearFailure();
    std::vector<uint32_t> ids;
    DIR* proc = opendir("/proc");
    if (!proc) {
        SetFailureFromErrno("cannot list /proc", errno);
        return ids;
    }
    while (const dirent* entry = readdir(proc)) {
        const std::string name = entry->d_name;
        if (name.empty() ||
            !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        ids.push_back(static_cast<uint32_t>(std::strtoul(name.c_str(), nullptr, 10)));
    }
    closedir(proc);
    std::sort(ids.begin(), ids.end());
    if (ids.size() > maxCount) ids.resize(maxCount);
    return ids;
}

std::optional<std::u16string> ProcessImagePath(uint32_t pid) {
    ClearFailure();
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::string target(4096, '\0');
    const ssize_t length = readlink(link.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<size_t>(length) >= target.size()) {
        SetFailureFromErrno("cannot read the image path of process " + std::to_string(pid),
                                   length < 0 ? errno : ENAMETOOLONG);
        return std::nullopt;
    }
    target.resize(static_cast<size_t>(length));
    return Utf8ToUtf16(target);
}

}  // namespace twinlink::platform

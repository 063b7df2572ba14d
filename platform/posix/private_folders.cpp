#include "private_folders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "failure.h"
#include "name_encoding.h"

namespace twinlink::platform::posix {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string UserSuffix() {
    return "twinlink-" + std::to_string(geteuid());
}

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "0%03o", static_cast<unsigned>(mode & 07777));
    return text;
}

FolderState Refuse(const std::string& path, const std::string& reason) {
    SetFailure("refusing the folder " + path + ": " + reason);
    return FolderState::Refused;
}

FolderState Judge(const std::string& path, const struct stat& st) {
    if (S_ISLNK(st.st_mode)) return Refuse(path, "it is a symbolic link");
    if (!S_ISDIR(st.st_mode)) return Refuse(path, "it is not a folder");
    if (st.st_uid != geteuid()) {
        return Refuse(path, "it belongs to user " + std::to_string(st.st_uid) + ", not to user " +
                                std::to_string(geteuid()));
    }
    if ((st.st_mode & 077) != 0) {
        return Refuse(path, "it is open to other users (mode " + OctalMode(st.st_mode) + ")");
    }
    return FolderState::Ready;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

}  // namespace

std::string StateFolder(StatePlace place) {
    switch (place) {
        case StatePlace::Registry: {
            std::string root = Environment("TWINLINK_REGISTRY_ROOT");
            if (!root.empty()) return root;
            std::string config = Environment("XDG_CONFIG_HOME");
            if (config.empty()) {
                std::string home = Environment("HOME");
                if (home.empty()) {
                    const passwd* user = getpwuid(geteuid());
                    home = user && user->pw_dir ? user->pw_dir : "";
                }
                config = home + "/.config";
            }
            return config + "/twinlink/registry";
        }
        case StatePlace::SharedMemory: {
            std::string folder = Environment("TWINLINK_SHM_DIR");
            return folder.empty() ? "/dev/shm/" + UserSuffix() : folder;
        }
        case StatePlace::Runtime: {
            std::string folder = Environment("TWINLINK_RUNTIME_DIR");
            if (!folder.empty()) return folder;
            std::string runtime = Environment("XDG_RUNTIME_DIR");
            return (runtime.empty() ? std::string("/tmp") : runtime) + "/" + UserSuffix();
        }
    }
    return {};
}

FolderState CheckPrivateFolder(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return FolderState::Missing;
        SetFailureFromErrno("cannot look at the folder " + path, errno);
        return FolderState::Failed;
    }
    return Judge(path, st);
}

FolderState EnsurePrivateFolder(const std::string& path) {
    const FolderState state = CheckPrivateFolder(path);
    if (state != FolderState::Missing) return state;
    // Make each missing level; the ones that exist above the last are not the layer's to judge
    // (they are /tmp, $HOME/.config and the like).
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (mkdir(level.c_str(), 0700) == 0) {
            chmod(level.c_str(), 0700);  // the umask may have taken bits away
        } else if (errno != EEXIST) {
            SetFailureFromErrno("cannot create the folder " + level, errno);
            return FolderState::Failed;
        }
        if (slash == std::string::npos) break;
    }
    const FolderState made = CheckPrivateFolder(path);
    if (made == FolderState::Missing) {
        SetFailure("the folder " + path + " vanished while it was being created");
        return FolderState::Failed;
    }
    return made;
}

int WritePrivateFileAtomically(const std::string& folder, const std::string& leaf,
                               std::string_view bytes, bool replace) {
    const std::string temporary = folder + "/" + TemporaryFileName();
    const int fd =
        open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    fchmod(fd, 0600);
    const bool written = WriteAll(fd, bytes);
    const int writeError = errno;
    close(fd);
    if (!written) {
        unlink(temporary.c_str());
        return writeError;
    }
    const std::string final = folder + "/" + leaf;
    int result = 0;
    if (replace) {
        if (rename(temporary.c_str(), final.c_str()) != 0) result = errno;
    } else if (link(temporary.c_str(), final.c_str()) != 0) {
        result = errno;
    }
    if (result != 0 || !replace) unlink(temporary.c_str());
    return result;
}

std::optional<std::string> ReadRegularFile(const std::string& path, int* error) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return std::nullopt;
    }
    struct stat st;
    const bool stated = fstat(fd, &st) == 0;
    if (!stated || !S_ISREG(st.st_mode)) {
        *error = stated ? (S_ISDIR(st.st_mode) ? EISDIR : EINVAL) : errno;
        close(fd);
        return std::nullopt;
    }
    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            *error = errno;
            close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        content.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    *error = 0;
    return content;
}

}  // namespace twinlink::platform::posix

#include "stale_section_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "name_encoding.h"

namespace twinlink::platform::posix {

bool RemoveIfUnheld(int fd, const std::string& path) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
    // The name may meanwhile lead to a new file, which its creator holds: leave that one alone.
    struct stat mine, named;
    if (fstat(fd, &mine) == 0 && stat(path.c_str(), &named) == 0 && named.st_dev == mine.st_dev &&
        named.st_ino == mine.st_ino) {
        unlink(path.c_str());
    }
    return true;
}

void SweepUnheldSectionFiles(const std::string& folder) {
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return;
    while (const dirent* entry = readdir(listing)) {
        const std::string leaf = entry->d_name;
        if (leaf == "." || leaf == ".." || IsTemporaryEntry(leaf)) continue;
        const std::string path = folder + "/" + leaf;
        // O_NONBLOCK: whatever else was put here, opening it must not wait.
        const int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) RemoveIfUnheld(fd, path);
        close(fd);
    }
    closedir(listing);
}

}  // namespace twinlink::platform::posix

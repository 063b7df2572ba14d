// What moves the window change count (platform.h WindowChangeCount) on this system: an entry of
// the runtime folder made, renamed or removed (a window published or destroyed), the folder
// itself removed, moved or another one named by TWINLINK_RUNTIME_DIR, and the end of a process
// whose windows EnumWindows listed (its windows go with it, as on Windows). The folder is
// watched through inotify and each such process through a pidfd, all in one epoll set, so that
// asking costs one epoll_wait that returns at once.
#pragma once

#include <cstdint>

namespace twinlink::platform::posix {

// Called for each window EnumWindows lists: the end of its process will move the count.
void WatchWindowProcess(uint32_t processId, uint64_t startTime);

}  // namespace twinlink::platform::posix

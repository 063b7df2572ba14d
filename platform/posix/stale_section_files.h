// Section files that nobody holds any more. Every holder keeps a shared flock on its descriptor,
// so a file on which an exclusive flock is granted at once is held by no one: its last holder
// closed it, or ended, perhaps by a crash. Windows destroys such a section with its last handle;
// here its file is removed by whoever finds it so, holding that exclusive lock while it checks
// that the name still leads to the same file and unlinks it. A process that is joining the file
// meanwhile waits for its shared lock and then sees the file unlinked.
#pragma once

#include <string>

namespace twinlink::platform::posix {

// Removes the file at `path` when nobody holds it; `fd` is an open descriptor of that file.
// A shared lock that this descriptor holds itself is given up for the test (flock converts it),
// so the last holder calls this on its way out. True when the file was found unheld.
bool RemoveIfUnheld(int fd, const std::string& path);

// Removes every unheld section file of `folder`: the sections a crashed process left behind,
// which nobody would ever meet by name again.
void SweepUnheldSectionFiles(const std::string& folder);

}  // namespace twinlink::platform::posix

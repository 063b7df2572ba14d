// Where the layer keeps its state, and the rule that keeps it the user's own: every folder it
// creates is mode 0700, every file 0600, and a folder that already exists but is a symbolic
// link, is not a folder, belongs to another user or is open to group or others is refused
// (with LastErrorText naming it and why) instead of used. The three places come from the
// environment at every call, so tests can move them between cases:
//   TWINLINK_REGISTRY_ROOT  default ${XDG_CONFIG_HOME:-$HOME/.config}/twinlink/registry
//   TWINLINK_SHM_DIR        default /dev/shm/twinlink-<uid>
//   TWINLINK_RUNTIME_DIR    default ${XDG_RUNTIME_DIR:-/tmp}/twinlink-<uid>
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace twinlink::platform::posix {

enum class StatePlace { Registry, SharedMemory, Runtime };

std::string StateFolder(StatePlace place);

enum class FolderState { Ready, Missing, Refused, Failed };

// Makes `path` and any missing parents, or checks the folder that is already there.
FolderState EnsurePrivateFolder(const std::string& path);
// Checks an existing folder; Missing (with no failure text) when there is none.
FolderState CheckPrivateFolder(const std::string& path);

// Writes `bytes` to folder/leaf through a temporary file in the same folder, so that readers
// see the old content or the new one, never a part. With replace false an existing folder/leaf
// is kept and the result is EEXIST. Returns 0 or the errno of the step that failed.
int WritePrivateFileAtomically(const std::string& folder, const std::string& leaf,
                               std::string_view bytes, bool replace);

// The whole content of a regular file (symbolic links are not followed); errno when it cannot.
std::optional<std::string> ReadRegularFile(const std::string& path, int* error);

}  // namespace twinlink::platform::posix

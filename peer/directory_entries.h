// The connection directory as it stands: every entry the plug-ins wrote, live or not. Unlike
// EnumerateConnections this checks no section and deletes nothing, so it shows what a host
// left behind as well as what it published.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvan::peer {

struct DirectoryEntry {
    std::u16string name;
    std::optional<uint32_t> value;  // none when the entry is not a 4-byte REG_DWORD
};

// The entries in registry enumeration order; empty when the directory key does not exist.
// Entries that cannot be read are left out.
std::vector<DirectoryEntry> ReadDirectoryEntries();

}  // namespace korvan::peer

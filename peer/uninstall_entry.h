// Korvan's uninstall entry, as an installer writes it: under HKEY_LOCAL_MACHINE's Uninstall key,
// a DisplayName containing "Korvan", a DisplayVersion and an InstallLocation that holds
// "Korvan.exe". The plug-in reads these to learn which Korvan is installed, and starts
// InstallLocation + "Korvan.exe" (no separator added) to launch it. Here Korvan.exe is a copy of
// korvan-peer that runs watch (launcher.h).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvan::peer {

inline constexpr char16_t kUninstallKey[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Entries written by korvan-peer are the subkeys "KorvanPeer-<version>".
inline constexpr char16_t kEntryKeyPrefix[] = u"KorvanPeer-";

struct InstalledEntry {
    std::string key;              // subkey name below kUninstallKey
    std::string displayName;      // "Korvan <version>"
    std::string displayVersion;   // <version>
    std::string installLocation;  // absolute, with a trailing separator
    std::string launcher;         // installLocation + "Korvan.exe"
};

// Creates `location` when missing, writes the launcher, a copy of `peerExecutable` that runs as
// "watch --version <version>" (its output goes to korvan-peer.log beside it), and writes the
// entry. Nothing, with the reason in `error`, when a step fails.
std::optional<InstalledEntry> InstallEntry(const std::string& version, const std::string& location,
                                           const std::filesystem::path& peerExecutable,
                                           std::string* error);

// Empties the entries that InstallEntry wrote (only that version's when one is given) and
// deletes their launchers (only launchers that install wrote); the keys that were emptied. The
// platform's registry cannot delete a key, so the emptied key stays; without a DisplayName it is
// no Korvan entry any more.
std::vector<std::string> RemoveEntries(const std::optional<std::string>& version);

}  // namespace korvan::peer

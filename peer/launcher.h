// Korvan.exe as korvan-peer installs it: a copy of korvan-peer itself, with a launch file beside
// it that says which Korvan it stands for. Started under that name, the copy runs as the
// installed Korvan would: "watch --version <version>" with the arguments it was given, its
// output appended to korvan-peer.log in the same folder. One program serves every platform, so
// that Windows starts a real executable, as it starts Korvan's.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvan::peer {

inline constexpr char kLauncherName[] = "Korvan.exe";
inline constexpr char kLaunchFileName[] = "korvan-launch.txt";
inline constexpr char kLauncherLogName[] = "korvan-peer.log";

// Copies `peerExecutable` to folder/Korvan.exe and writes the launch file for `version`. False,
// with the reason in `error` and nothing left behind, when either cannot be written, or when a
// Korvan.exe that is not ours is there: that one stays as it is.
bool WriteLauncher(const std::filesystem::path& folder, const std::filesystem::path& peerExecutable,
                   const std::string& version, std::string* error);

// Whether folder/Korvan.exe is a launcher that WriteLauncher wrote: its launch file is there, and
// it is still the copy that file describes.
bool IsOurLauncher(const std::filesystem::path& folder);

// Removes the launcher and its launch file; the log stays.
void RemoveLauncher(const std::filesystem::path& folder);

struct LauncherRun {
    std::vector<std::string> arguments;  // the command line it stands for
    std::filesystem::path log;
};

// What the program at `program`, started with `arguments`, runs as a launcher; nothing when it is
// not one of ours (another name, or no launch file beside it).
std::optional<LauncherRun> AsLauncher(const std::filesystem::path& program,
                                      const std::vector<std::string>& arguments);

}  // namespace korvan::peer

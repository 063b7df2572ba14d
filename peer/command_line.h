// The command line of korvan-peer: one subcommand and its options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvan::peer {

enum class PeerCommand { Help, List, Directory, Inspect, Watch, End, HoldLock, Install, Uninstall };

inline constexpr uint32_t kDefaultLockTimeoutMicroseconds =
    10000;  // as long as the plug-in's worker waits
inline constexpr char kDefaultVersion[] = "8.5";

struct PeerOptions {
    PeerCommand command = PeerCommand::Help;
    std::optional<std::u16string> link;  // none: the first live link
    uint32_t lockTimeoutMicroseconds = kDefaultLockTimeoutMicroseconds;
    std::optional<std::string> version;
    std::optional<uint64_t> count;
    std::optional<uint64_t> timeoutMilliseconds;
    std::optional<uint64_t> holdMilliseconds;
    std::optional<std::string> location;
};

struct CommandLine {
    std::optional<PeerOptions> options;
    std::string error;  // why the command line was refused
};

// The arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

const char* UsageText();

}  // namespace korvan::peer

// The command line of korvan-peer: one subcommand and its options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "peer/view_camera.h"

namespace korvan::peer {

enum class PeerCommand {
    Help,
    List,
    Directory,
    Windows,
    Inspect,
    Watch,
    End,
    HoldLock,
    Install,
    Uninstall,
    Counts,
    Render,
    Export,
    Triangles,
};

// A sync pass holds the lock for its 100 ms budget plus the material it was writing; a read
// waits that out rather than fail beside a busy plug-in.
inline constexpr uint32_t kDefaultLockTimeoutMicroseconds = 2000000;
inline constexpr char kDefaultVersion[] = "8.5";
inline constexpr uint32_t kDefaultImageWidth = 1024;
inline constexpr uint32_t kDefaultImageHeight = 768;
inline constexpr uint32_t kMaxImageSide = 16384;

enum class ExportFormat { Gltf, Obj };

struct PeerOptions {
    PeerCommand command = PeerCommand::Help;
    std::optional<std::u16string> link;  // none: the first live link
    uint32_t lockTimeoutMicroseconds = kDefaultLockTimeoutMicroseconds;
    std::optional<std::string> version;
    std::optional<uint64_t> count;
    std::optional<uint64_t> timeoutMilliseconds;
    std::optional<uint64_t> holdMilliseconds;
    std::optional<std::string> location;
    std::optional<std::string> out;  // the file that render, export and triangles write
    ExportFormat exportFormat = ExportFormat::Gltf;  // from the extension of --out
    uint32_t imageWidth = kDefaultImageWidth;
    uint32_t imageHeight = kDefaultImageHeight;
    CameraChoice camera;  // what is not given is fitted to the scene
};

struct CommandLine {
    std::optional<PeerOptions> options;
    std::string error;  // why the command line was refused
};

// The arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

const char* UsageText();

}  // namespace korvan::peer

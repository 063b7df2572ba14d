// The subcommands of korvan-peer. Each prints JSON on `out` (one object, or one per line for the
// long-running ones), explains failures on `err`, and returns the process exit code.
#pragma once

#include <ostream>

#include "peer/command_line.h"
#include "peer/json_writer.h"
#include "peer/peer_connection.h"

namespace korvan::peer {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitGaveUp = 3;

int RunPeerCommand(const PeerOptions& options, std::ostream& out, std::ostream& err);

int ListLinks(std::ostream& out);
int ShowDirectory(std::ostream& out);
int ShowWindows(std::ostream& out);
int InspectLink(const PeerOptions& options, std::ostream& out, std::ostream& err);
int EndLinkCommand(const PeerOptions& options, std::ostream& out, std::ostream& err);
int HoldLock(const PeerOptions& options, std::ostream& out, std::ostream& err);
int WatchLinks(const PeerOptions& options, std::ostream& out, std::ostream& err);
int InstallCommand(const PeerOptions& options, std::ostream& out, std::ostream& err);
int UninstallCommand(const PeerOptions& options, std::ostream& out, std::ostream& err);
int CountsCommand(const PeerOptions& options, std::ostream& out, std::ostream& err);
int RenderCommand(const PeerOptions& options, std::ostream& out, std::ostream& err);
int ExportCommand(const PeerOptions& options, std::ostream& out, std::ostream& err);
int TrianglesCommand(const PeerOptions& options, std::ostream& out, std::ostream& err);

// Attaches to the link the options name (or the first one); false with the reason on `err`.
bool AttachOrExplain(PeerConnection& connection, const PeerOptions& options, std::ostream& err);
// One JSON object as one line, flushed, so that a reader sees it at once.
void PrintLine(std::ostream& out, const JsonWriter& json);

}  // namespace korvan::peer

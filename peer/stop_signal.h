// SIGINT and SIGTERM (and on Windows Ctrl+Break) ask the long-running commands (watch, hold-lock) to finish normally, so
// that the window is unpublished and a held lock is released. SIGKILL, by design, does neither.
#pragma once

namespace korvan::peer {

void InstallStopHandlers();
bool StopRequested();

}  // namespace korvan::peer

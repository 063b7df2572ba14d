#include "peer/stop_signal.h"

#include <csignal>

namespace korvan::peer {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

}  // namespace

void InstallStopHandlers() {
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
#if defined(SIGBREAK)
    // Windows has no SIGTERM from outside: Ctrl+Break sent to the peer's process group asks it.
    std::signal(SIGBREAK, RequestStop);
#endif
}

bool StopRequested() {
    return stopRequested != 0;
}

}  // namespace korvan::peer

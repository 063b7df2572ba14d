// korvan-peer: the stand-in for the Korvan renderer (see peer/README.md).
#include <malloc.h>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "peer/command_line.h"
#include "peer/peer_commands.h"
#include "peer/stop_signal.h"

int main(int argc, char** argv) {
    using namespace korvan::peer;
#if defined(_WIN32)
    // Its lines are data for programs (JSON, one per line): the same bytes as on any platform,
    // without the carriage returns of Windows' text mode.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.options) {
        std::cerr << "korvan-peer: " << line.error << "\n\n" << UsageText();
        return kExitUsage;
    }
    InstallStopHandlers();
#if defined(__GLIBC__)
    // A watching peer copies every changed batch out of the link, tens of megabytes at a time
    // for a large model. glibc would map blocks that size afresh and hand them back when freed,
    // so that every read paid a page fault per page; kept in the heap they are reused.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
    return RunPeerCommand(*line.options, std::cout, std::cerr);
}

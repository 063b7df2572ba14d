// korvan-peer: the stand-in for the Korvan renderer (see peer/README.md).
#include <malloc.h>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "peer/command_line.h"
#include "peer/launcher.h"
#include "peer/peer_commands.h"
#include "peer/stop_signal.h"
#include "twinlink/platform.h"

int main(int argc, char** argv) {
    using namespace korvan::peer;
#if defined(_WIN32)
    // Its lines are data for programs (JSON, one per line): the same bytes as on any platform,
    // without the carriage returns of Windows' text mode.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // Installed as Korvan.exe, it runs as that Korvan, writing to its log.
    std::ofstream log;
    const std::optional<std::u16string> self =
        twinlink::platform::ProcessImagePath(twinlink::platform::GetCurrentProcessId());
    if (const std::optional<LauncherRun> launcher =
            self ? AsLauncher(std::filesystem::path(*self), arguments) : std::nullopt) {
        arguments = launcher->arguments;
        log.open(launcher->log, std::ios::binary | std::ios::app);
        // Started by SketchUp it has no console: without its log it could tell nothing.
        if (!log.is_open()) return kExitFailed;
    }
    std::ostream& out = log.is_open() ? log : std::cout;
    std::ostream& err = log.is_open() ? log : std::cerr;

    const CommandLine line = ParseCommandLine(arguments);
    if (!line.options) {
        err << "korvan-peer: " << line.error << "\n\n" << UsageText();
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
    return RunPeerCommand(*line.options, out, err);
}

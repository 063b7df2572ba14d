// korvan-peer: the stand-in for the Korvan renderer (see peer/README.md).
#include <iostream>
#include <string>
#include <vector>

#include "peer/command_line.h"
#include "peer/peer_commands.h"
#include "peer/stop_signal.h"

int main(int argc, char** argv) {
    using namespace korvan::peer;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.options) {
        std::cerr << "korvan-peer: " << line.error << "\n\n" << UsageText();
        return kExitUsage;
    }
    InstallStopHandlers();
    return RunPeerCommand(*line.options, std::cout, std::cerr);
}

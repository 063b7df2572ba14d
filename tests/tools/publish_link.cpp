// twinlink-publish-link NAME: writes the directory entry of the link NAME (UTF-8), as the plug-in
// does once the scene's sync worker has finished its first pass.
//
// That worker does not exist yet, so a link the plug-in starts is never published and the host
// tests could not see the plug-in remove an entry (at a stop) or another process sweep the entry
// of a host that died. This tool writes the entry through WriteDirectoryEntry, the very call
// that Publish makes, so the registry holds exactly what the plug-in will write; which process
// writes it leaves no trace in the entry. Exit status 0 written, 1 refused, 2 wrong command line.
#include <cstdio>
#include <string>

#include "liveconnection/live_connection.h"
#include "twinlink/platform.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s NAME\n", argv[0]);
        return 2;
    }
    TwinLinkAPI::LiveConnection connection;
    return connection.WriteDirectoryEntry(twinlink::platform::Utf8ToUtf16(argv[1])) == 0 ? 0 : 1;
}

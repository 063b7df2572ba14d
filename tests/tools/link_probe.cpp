// twinlink-link-probe: looks at a link from another process, as Korvan would, so that host
// tests can check what the plug-in wrote and act as the renderer's side.
//
//   twinlink-link-probe header <name>       the main section's header as JSON
//   twinlink-link-probe descriptor <name>   the link descriptor text
//   twinlink-link-probe end <name>          ends the link from the renderer's side (header flag 2)
//   twinlink-link-probe publish <name>      writes the directory entry of <name>
//   twinlink-link-probe directory           the directory's entries as a JSON list, unswept
//
// Names and texts are UTF-8 on the command line and in the output. Exit status 0 on success,
// 1 when the link cannot be opened, 2 for a wrong command line.
#include <cstdio>
#include <string>

#include "liveconnection/live_connection.h"
#include "twinlink/platform.h"

namespace platform = twinlink::platform;

namespace {

// The attaching side, with the header readable.
class Probe : public TwinLinkAPI::LiveConnection {
  public:
    const TwinLinkAPI::SharedHeader& Header() const { return *header; }
};

std::string Json(const std::u16string& text) {
    std::string out = "\"";
    for (char c : platform::Utf16ToUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

int PrintHeader(Probe& probe) {
    const TwinLinkAPI::SharedHeader& h = probe.Header();
    std::printf(
        "{\"slotCount\":%u,\"flags\":%u,\"recordCount\":%u,\"creatorProcessId\":%u,\"modelGuid\":%"
        "s}\n",
        h.slotCount, h.record.flags, h.recordCount, h.creatorProcessId,
        Json(probe.GetModelGuid()).c_str());
    return 0;
}

int PrintDescriptor(Probe& probe) {
    const auto records = probe.ListRecords(TwinLinkAPI::kStatusTag, 0, 0);
    if (records.empty()) return 1;
    const auto* status = reinterpret_cast<const TwinLinkAPI::StatusRecord*>(records.front());
    if (status->descriptorSectionId == 0) return 1;
    const auto* text = static_cast<const char16_t*>(probe.MapSection(status->descriptorSectionId));
    if (!text) return 1;
    std::printf("%s\n", platform::Utf16ToUtf8(text).c_str());
    return 0;
}

int PrintDirectory() {
    platform::RegistryKey key;
    std::string out = "[";
    if (platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser,
                                    u"Software\\Qentra\\LiveConnections",
                                    key) == platform::kSuccess) {
        uint32_t count = 0;
        key.CountValues(&count);
        for (uint32_t index = 0; index < count; ++index) {
            platform::RegistryValue value;
            if (key.EnumValue(index, 32768, 64, value) != platform::kSuccess) continue;
            if (out.size() > 1) out += ",";
            out += Json(value.name);
        }
    }
    std::printf("%s]\n", out.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "directory" && argc == 2) return PrintDirectory();
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s header|descriptor|end|publish <name> | directory\n",
                     argv[0]);
        return 2;
    }
    const std::u16string name = platform::Utf8ToUtf16(argv[2]);
    Probe probe;
    if (command == "publish") return probe.WriteDirectoryEntry(name) == 0 ? 0 : 1;
    if (probe.Attach(name) != 0) {
        std::fprintf(stderr, "no link named %s\n", argv[2]);
        return 1;
    }
    if (command == "header") return PrintHeader(probe);
    if (command == "descriptor") return PrintDescriptor(probe);
    if (command == "end") {
        probe.MarkHeader(TwinLinkAPI::kPeerClosedFlag);
        return 0;
    }
    std::fprintf(stderr, "unknown command %s\n", argv[1]);
    return 2;
}

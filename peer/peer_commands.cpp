#include "peer/peer_commands.h"

#include "peer/json_writer.h"
#include "peer/uninstall_entry.h"
#include "twinlink/platform.h"

namespace korvan::peer {

int RunPeerCommand(const PeerOptions& options, std::ostream& out, std::ostream& err) {
    switch (options.command) {
        case PeerCommand::Help:
            out << UsageText();
            return kExitDone;
        case PeerCommand::List:
            return ListLinks(out);
        case PeerCommand::Directory:
            return ShowDirectory(out);
        case PeerCommand::Windows:
            return ShowWindows(out);
        case PeerCommand::Inspect:
            return InspectLink(options, out, err);
        case PeerCommand::Watch:
            return WatchLinks(options, out, err);
        case PeerCommand::End:
            return EndLinkCommand(options, out, err);
        case PeerCommand::HoldLock:
            return HoldLock(options, out, err);
        case PeerCommand::Install:
            return InstallCommand(options, out, err);
        case PeerCommand::Uninstall:
            return UninstallCommand(options, out, err);
        case PeerCommand::Counts:
            return CountsCommand(options, out, err);
        case PeerCommand::Render:
            return RenderCommand(options, out, err);
        case PeerCommand::Export:
            return ExportCommand(options, out, err);
        case PeerCommand::Triangles:
            return TrianglesCommand(options, out, err);
    }
    return kExitUsage;
}

int InstallCommand(const PeerOptions& options, std::ostream& out, std::ostream& err) {
    namespace platform = twinlink::platform;
    const std::optional<std::u16string> self =
        platform::ProcessImagePath(platform::GetCurrentProcessId());
    if (!self) {
        err << "korvan-peer: cannot tell where korvan-peer itself is\n";
        return kExitFailed;
    }
    std::string error;
    const std::optional<InstalledEntry> entry =
        InstallEntry(*options.version, *options.location, std::filesystem::path(*self), &error);
    if (!entry) {
        err << "korvan-peer: " << error << "\n";
        return kExitFailed;
    }
    JsonWriter json;
    json.BeginObject();
    json.Key("key").String(entry->key);
    json.Key("displayName").String(entry->displayName);
    json.Key("displayVersion").String(entry->displayVersion);
    json.Key("installLocation").String(entry->installLocation);
    json.Key("launcher").String(entry->launcher);
    json.EndObject();
    out << json.Text() << '\n';
    return kExitDone;
}

int UninstallCommand(const PeerOptions& options, std::ostream& out, std::ostream&) {
    JsonWriter json;
    json.BeginObject().Key("removed").BeginArray();
    for (const std::string& key : RemoveEntries(options.version)) json.String(key);
    json.EndArray().EndObject();
    out << json.Text() << '\n';
    return kExitDone;
}

}  // namespace korvan::peer

#include "peer/command_line.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <set>

#include "twinlink/platform.h"

namespace korvan::peer {
namespace {

struct CommandSpec {
    const char* name;
    PeerCommand command;
    std::set<std::string> options;
};

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands = {
        {"help", PeerCommand::Help, {}},
        {"list", PeerCommand::List, {}},
        {"directory", PeerCommand::Directory, {}},
        {"windows", PeerCommand::Windows, {}},
        {"inspect", PeerCommand::Inspect, {"--link", "--lock-timeout-us"}},
        {"watch",
         PeerCommand::Watch,
         {"--link", "--version", "--count", "--timeout-ms", "--lock-timeout-us"}},
        {"end", PeerCommand::End, {"--link"}},
        {"hold-lock", PeerCommand::HoldLock, {"--link", "--ms", "--lock-timeout-us"}},
        {"install", PeerCommand::Install, {"--version", "--location"}},
        {"uninstall", PeerCommand::Uninstall, {"--version"}},
        {"counts", PeerCommand::Counts, {"--link", "--lock-timeout-us"}},
        {"render",
         PeerCommand::Render,
         {"--link", "--lock-timeout-us", "--out", "--size", "--eye", "--target", "--up", "--fov"}},
        {"export", PeerCommand::Export, {"--link", "--lock-timeout-us", "--out"}},
        {"triangles", PeerCommand::Triangles, {"--link", "--lock-timeout-us", "--out"}},
    };
    return commands;
}

std::optional<uint64_t> ParseNumber(const std::string& text, uint64_t maximum) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || value > maximum)
        return std::nullopt;
    return value;
}

// "x,y,z": three finite numbers.
std::optional<Vec3> ParseVector(const std::string& text) {
    double values[3];
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (size_t i = 0; i < 3; ++i) {
        if (i > 0) {
            if (at == end || *at != ',') return std::nullopt;
            ++at;
        }
        const auto result = std::from_chars(at, end, values[i]);
        if (result.ec != std::errc() || !std::isfinite(values[i])) return std::nullopt;
        at = result.ptr;
    }
    if (at != end) return std::nullopt;
    return Vec3{values[0], values[1], values[2]};
}

// "WxH", each side from 1 to kMaxImageSide.
bool ParseImageSize(const std::string& text, uint32_t& width, uint32_t& height) {
    const size_t cross = text.find('x');
    if (cross == std::string::npos) return false;
    const std::optional<uint64_t> w = ParseNumber(text.substr(0, cross), kMaxImageSide);
    const std::optional<uint64_t> h = ParseNumber(text.substr(cross + 1), kMaxImageSide);
    if (!w || !h || *w == 0 || *h == 0) return false;
    width = static_cast<uint32_t>(*w);
    height = static_cast<uint32_t>(*h);
    return true;
}

bool EndsWith(const std::string& text, const std::string& ending) {
    if (text.size() < ending.size()) return false;
    return std::equal(ending.rbegin(), ending.rend(), text.rbegin(), [](char wanted, char given) {
        return std::tolower(static_cast<unsigned char>(given)) == wanted;
    });
}

// Versions name registry keys and go into a launch file: letters, digits, dots, '_' and '-'.
bool IsVersionText(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == '.' || c == '_' || c == '-';
    });
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (arguments.empty()) {
        line.error = "no command given";
        return line;
    }
    std::string name = arguments[0];
    if (name == "--help" || name == "-h") name = "help";
    const auto definition =
        std::find_if(Commands().begin(), Commands().end(),
                     [&](const CommandSpec& candidate) { return name == candidate.name; });
    if (definition == Commands().end()) {
        line.error = "unknown command \"" + arguments[0] + "\"";
        return line;
    }

    PeerOptions options;
    options.command = definition->command;
    for (size_t i = 1; i < arguments.size(); i += 2) {
        const std::string& option = arguments[i];
        if (definition->options.count(option) == 0) {
            line.error = "option \"" + option + "\" does not belong to " + definition->name;
            return line;
        }
        if (i + 1 >= arguments.size()) {
            line.error = "option " + option + " needs a value";
            return line;
        }
        const std::string& value = arguments[i + 1];
        const auto number = [&](uint64_t maximum) {
            const std::optional<uint64_t> parsed = ParseNumber(value, maximum);
            if (!parsed)
                line.error =
                    "option " + option + " needs a whole number up to " + std::to_string(maximum);
            return parsed;
        };
        if (option == "--link") {
            if (value.empty()) {
                line.error = "option --link needs a link name";
                return line;
            }
            options.link = twinlink::platform::Utf8ToUtf16(value);
        } else if (option == "--version") {
            if (!IsVersionText(value)) {
                line.error =
                    "version \"" + value + "\" may hold only letters, digits, '.', '_' and '-'";
                return line;
            }
            options.version = value;
        } else if (option == "--location") {
            if (value.empty()) {
                line.error = "option --location needs a folder";
                return line;
            }
            options.location = value;
        } else if (option == "--out") {
            if (value.empty()) {
                line.error = "option --out needs a file name";
                return line;
            }
            options.out = value;
        } else if (option == "--size") {
            if (!ParseImageSize(value, options.imageWidth, options.imageHeight)) {
                line.error = "option --size needs WxH, each from 1 to " +
                             std::to_string(kMaxImageSide) + " pixels";
                return line;
            }
        } else if (option == "--eye" || option == "--target" || option == "--up") {
            const std::optional<Vec3> vector = ParseVector(value);
            if (!vector) {
                line.error = "option " + option + " needs three numbers x,y,z";
                return line;
            }
            if (option == "--eye") options.camera.eye = vector;
            if (option == "--target") options.camera.target = vector;
            if (option == "--up") options.camera.up = vector;
        } else if (option == "--fov") {
            double degrees = 0;
            const auto result = std::from_chars(value.data(), value.data() + value.size(), degrees);
            if (result.ec != std::errc() || result.ptr != value.data() + value.size() ||
                !(degrees > 0 && degrees < 180)) {
                line.error = "option --fov needs degrees between 0 and 180";
                return line;
            }
            options.camera.fieldOfViewDegrees = degrees;
        } else if (option == "--lock-timeout-us") {
            const auto parsed = number(std::numeric_limits<uint32_t>::max());
            if (!parsed) return line;
            options.lockTimeoutMicroseconds = static_cast<uint32_t>(*parsed);
        } else {
            const auto parsed = number(std::numeric_limits<uint32_t>::max());
            if (!parsed) return line;
            if (option == "--count") options.count = parsed;
            if (option == "--timeout-ms") options.timeoutMilliseconds = parsed;
            if (option == "--ms") options.holdMilliseconds = parsed;
        }
    }
    if (options.command == PeerCommand::Install && (!options.version || !options.location)) {
        line.error = "install needs --version and --location";
        return line;
    }
    const bool writesFile = options.command == PeerCommand::Render ||
                            options.command == PeerCommand::Export ||
                            options.command == PeerCommand::Triangles;
    if (writesFile && !options.out) {
        line.error = std::string(definition->name) + " needs --out";
        return line;
    }
    if (options.command == PeerCommand::Export) {
        if (EndsWith(*options.out, ".obj")) {
            options.exportFormat = ExportFormat::Obj;
        } else if (!EndsWith(*options.out, ".gltf")) {
            line.error = "export writes .gltf or .obj files, not \"" + *options.out + "\"";
            return line;
        }
    }
    line.options = options;
    return line;
}

const char* UsageText() {
    return R"(usage: korvan-peer <command> [options]

Stands in for the Korvan renderer: reads the links that the TwinLink plug-in hosts,
as Korvan does, and prints what it finds as JSON on standard output.

commands:
  list
      the live links in the connection directory (entries whose link is gone are deleted)
  directory
      every entry of the connection directory as it stands, live or not; deletes nothing
  windows
      the top-level windows of the desktop (Korvan's among them, once watch runs), with
      their process, class, title, visibility and owner
  inspect [--link NAME] [--lock-timeout-us N]
      one snapshot of a link: header, records, sections and problems
  watch [--link NAME] [--version V] [--count N] [--timeout-ms T] [--lock-timeout-us N]
      publishes Korvan's main window, titled "Korvan V" (V defaults to 8.5), and prints
      one line per wake-up message with a snapshot of the link; attaches when a link
      appears; ends after N messages, after T milliseconds, or on SIGINT or SIGTERM
  end [--link NAME]
      ends a link from Korvan's side (sets header flag 2)
  hold-lock [--link NAME] [--ms N] [--lock-timeout-us N]
      takes the header lock and keeps it for N milliseconds, or until SIGINT or SIGTERM
  install --version V --location DIR
      writes the uninstall entry of Korvan V and a Korvan.exe in DIR that runs as
      "korvan-peer watch --version V", its output appended to DIR/korvan-peer.log
  uninstall [--version V]
      removes the entries that install wrote (all of them without --version)
  counts [--link NAME] [--lock-timeout-us N]
      vertex, index and triangle counts of every material's batch, and their totals
  render --out FILE.png [--link NAME] [--size WxH] [--eye x,y,z] [--target x,y,z]
         [--up x,y,z] [--fov DEGREES] [--lock-timeout-us N]
      draws the link's scene into a PNG image (1024x768 by default); what the camera
      options leave out is fitted to the scene, looking at it from above a corner
  export --out FILE.gltf|FILE.obj [--link NAME] [--lock-timeout-us N]
      writes the scene as glTF 2.0 (buffer embedded) or as OBJ with a .mtl beside it
  triangles --out FILE [--link NAME] [--lock-timeout-us N]
      writes every material's triangles as text, one line per triangle
  help
      this text

Without --link the first live link of the directory is used. A link name is the
model's path exactly as the directory lists it. --lock-timeout-us defaults to 2000000.

exit codes:
  0  done
  1  failed: no such link, the window, the registry entry or the file could not be
     written, or the camera cannot be used
  2  the command line was not understood
  3  gave up waiting: the lock was not taken in time, or watch ran out of time
     before N messages came
)";
}

}  // namespace korvan::peer

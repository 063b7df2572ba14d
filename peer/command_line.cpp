#include "peer/command_line.h"

#include <algorithm>
#include <charconv>
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
        {"inspect", PeerCommand::Inspect, {"--link", "--lock-timeout-us"}},
        {"watch",
         PeerCommand::Watch,
         {"--link", "--version", "--count", "--timeout-ms", "--lock-timeout-us"}},
        {"end", PeerCommand::End, {"--link"}},
        {"hold-lock", PeerCommand::HoldLock, {"--link", "--ms", "--lock-timeout-us"}},
        {"install", PeerCommand::Install, {"--version", "--location"}},
        {"uninstall", PeerCommand::Uninstall, {"--version"}},
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

// Versions name registry keys and go into a launcher script: letters, digits, dots, '_' and '-'.
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
      writes the uninstall entry of Korvan V and a Korvan.exe in DIR that starts
      "korvan-peer watch --version V"
  uninstall [--version V]
      removes the entries that install wrote (all of them without --version)
  help
      this text

Without --link the first live link of the directory is used. A link name is the
model's path exactly as the directory lists it. --lock-timeout-us defaults to 10000.

exit codes:
  0  done
  1  failed: no such link, or the window or the registry entry could not be written
  2  the command line was not understood
  3  gave up waiting: the lock was not taken in time, or watch ran out of time
     before N messages came
)";
}

}  // namespace korvan::peer

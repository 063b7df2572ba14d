// The one-shot commands on links: list, directory, inspect, end, and hold-lock.
#include <chrono>
#include <thread>

#include "peer/directory_entries.h"
#include "peer/json_writer.h"
#include "peer/link_decoder.h"
#include "peer/peer_commands.h"
#include "peer/peer_connection.h"
#include "peer/snapshot_json.h"
#include "peer/stop_signal.h"
#include "twinlink/platform.h"

namespace platform = twinlink::platform;

namespace korvan::peer {
namespace {

// Sleeps for `milliseconds`, or with none until a stop is requested.
void HoldFor(const std::optional<uint64_t>& milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = milliseconds ? Clock::now() + std::chrono::milliseconds(*milliseconds)
                                       : Clock::time_point::max();
    while (!StopRequested() && Clock::now() < deadline) {
        const auto left = deadline - Clock::now();
        std::this_thread::sleep_for(std::min<Clock::duration>(left, std::chrono::milliseconds(50)));
    }
}

}  // namespace

bool AttachOrExplain(PeerConnection& connection, const PeerOptions& options, std::ostream& err) {
    std::string error;
    if (AttachLink(connection, options.link, &error)) return true;
    err << "korvan-peer: " << error << "\n";
    return false;
}

void PrintLine(std::ostream& out, const JsonWriter& json) {
    out << json.Text() << '\n' << std::flush;
}

int ListLinks(std::ostream& out) {
    PeerConnection connection;
    JsonWriter json;
    json.BeginObject().Key("links").BeginArray();
    for (const std::u16string& link : connection.EnumerateConnections(0))
        json.String(platform::Utf16ToUtf8(link));
    json.EndArray().EndObject();
    PrintLine(out, json);
    return kExitDone;
}

int ShowDirectory(std::ostream& out) {
    JsonWriter json;
    json.BeginObject().Key("entries").BeginArray();
    for (const DirectoryEntry& entry : ReadDirectoryEntries()) {
        json.BeginObject().Key("name").String(platform::Utf16ToUtf8(entry.name)).Key("value");
        if (entry.value) {
            json.Unsigned(*entry.value);
        } else {
            json.Null();
        }
        json.EndObject();
    }
    json.EndArray().EndObject();
    PrintLine(out, json);
    return kExitDone;
}

int ShowWindows(std::ostream& out) {
    JsonWriter json;
    json.BeginObject().Key("windows").BeginArray();
    for (const platform::WindowInfo& window : platform::EnumWindows()) {
        json.BeginObject()
            .Key("processId").Unsigned(window.processId)
            .Key("className").String(platform::Utf16ToUtf8(window.className))
            .Key("title").String(platform::Utf16ToUtf8(window.title))
            .Key("visible").Bool(window.visible)
            .Key("owner").Unsigned(window.owner)
            .EndObject();
    }
    json.EndArray().EndObject();
    PrintLine(out, json);
    return kExitDone;
}

int InspectLink(const PeerOptions& options, std::ostream& out, std::ostream& err) {
    PeerConnection connection;
    if (!AttachOrExplain(connection, options, err)) return kExitFailed;
    const LinkSnapshot snapshot = TakeSnapshot(connection, options.lockTimeoutMicroseconds);
    JsonWriter json;
    WriteSnapshot(json, snapshot);
    PrintLine(out, json);
    return snapshot.lockTaken ? kExitDone : kExitGaveUp;
}

int EndLinkCommand(const PeerOptions& options, std::ostream& out, std::ostream& err) {
    PeerConnection connection;
    if (!AttachOrExplain(connection, options, err)) return kExitFailed;
    EndLink(connection);
    JsonWriter json;
    json.BeginObject()
        .Key("link")
        .String(platform::Utf16ToUtf8(connection.GetName()))
        .Key("ended")
        .Bool(true)
        .EndObject();
    PrintLine(out, json);
    return kExitDone;
}

int HoldLock(const PeerOptions& options, std::ostream& out, std::ostream& err) {
    PeerConnection connection;
    if (!AttachOrExplain(connection, options, err)) return kExitFailed;
    const std::string link = platform::Utf16ToUtf8(connection.GetName());
    const bool held = connection.Lock(options.lockTimeoutMicroseconds);
    JsonWriter taken;
    taken.BeginObject().Key("link").String(link).Key("held").Bool(held).Key("owner").Unsigned(
        connection.LockOwner());
    taken.EndObject();
    PrintLine(out, taken);
    if (!held) return kExitGaveUp;

    HoldFor(options.holdMilliseconds);
    connection.Unlock();
    JsonWriter released;
    released.BeginObject().Key("link").String(link).Key("held").Bool(false).Key("owner").Unsigned(
        connection.LockOwner());
    released.EndObject();
    PrintLine(out, released);
    return kExitDone;
}

}  // namespace korvan::peer

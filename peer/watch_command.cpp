// watch: what Korvan does while it runs. It shows its main window, sleeps until the plug-in posts
// the update message, and then reads the link; it lets go of a link once its host has ended it.
#include <algorithm>
#include <chrono>

#include "liveconnection/live_connection.h"
#include "peer/json_writer.h"
#include "peer/peer_commands.h"
#include "peer/peer_connection.h"
#include "peer/scene_json.h"
#include "peer/scene_mirror.h"
#include "peer/snapshot_json.h"
#include "peer/stop_signal.h"
#include "twinlink/platform.h"

namespace platform = twinlink::platform;

namespace korvan::peer {
namespace {

using Clock = std::chrono::steady_clock;

// The plug-in finds Korvan's main window by its class name containing "START" and reads the
// version from its title.
constexpr char16_t kWindowClass[] = u"KORVAN_START_WINDOW";
// Between messages the watcher wakes this often to notice a stop request or an ended link.
constexpr auto kIdleSlice = std::chrono::milliseconds(100);

class LinkWatcher {
  public:
    explicit LinkWatcher(const PeerOptions& options) : options_(options) {}

    // Attaches when not attached yet; quietly stays detached while there is no link.
    void AttachIfNeeded() {
        if (connection_.IsOpen()) return;
        seenInDirectory_ = false;
        // A link attached afresh may be another host's: nothing of the old scene is kept.
        mirror_ = SceneMirror();
        AttachLink(connection_, options_.link, nullptr);
    }

    // A link stays open as long as the peer holds it, so the peer must let go once the host
    // has stopped it (its directory entry went) or has gone, or the host could not link the
    // same model again.
    void DetachIfEnded() {
        if (!connection_.IsOpen()) return;
        const std::vector<std::u16string> listed = connection_.EnumerateConnections(0);
        const bool listedNow =
            std::find(listed.begin(), listed.end(), connection_.GetName()) != listed.end();
        const std::vector<uint32_t> processes = platform::EnumProcesses(4096);
        const bool hostAlive = std::find(processes.begin(), processes.end(),
                                         connection_.CreatorProcessId()) != processes.end();
        if ((seenInDirectory_ && !listedNow) || !hostAlive) {
            connection_.Close();
            return;
        }
        seenInDirectory_ = seenInDirectory_ || listedNow;
    }

    // One line for one wake-up message, received at `woken`. The scene is brought up to date by
    // the same read.
    std::string Report(const platform::WindowMessage& message, Clock::time_point woken) {
        JsonWriter json;
        json.BeginObject();
        json.Key("message").Unsigned(message.message);
        json.Key("wParam").Unsigned(message.wParam);
        json.Key("lParam").Signed(message.lParam);
        json.Key("snapshot");
        if (connection_.IsOpen()) {
            WriteSnapshot(json, mirror_.Update(connection_, options_.lockTimeoutMicroseconds));
            json.Key("scene");
            WriteSceneTotals(json, mirror_.Scene(), mirror_.BatchesRead());
        } else {
            json.Null();
            json.Key("scene").Null();
        }
        // The monotonic clock, which every process on the machine shares: a writer can tell how
        // long the wake-up and the read took after its change.
        const auto nanoseconds = [](Clock::time_point at) {
            return static_cast<uint64_t>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count());
        };
        json.Key("clock").BeginObject();
        json.Key("wokenNs").Unsigned(nanoseconds(woken));
        json.Key("readNs").Unsigned(nanoseconds(Clock::now()));
        json.EndObject();
        json.EndObject();
        return json.Text();
    }

  private:
    const PeerOptions& options_;
    PeerConnection connection_;
    SceneMirror mirror_;
    bool seenInDirectory_ = false;
};

}  // namespace

int WatchLinks(const PeerOptions& options, std::ostream& out, std::ostream& err) {
    const std::string version = options.version.value_or(kDefaultVersion);
    platform::OwnWindow window;
    std::string error;
    if (!window.Create(kWindowClass, u"Korvan " + platform::Utf8ToUtf16(version), true, 0,
                       &error)) {
        err << "korvan-peer: cannot publish the main window: " << error << "\n";
        return kExitFailed;
    }

    LinkWatcher watcher(options);
    watcher.AttachIfNeeded();
    const std::optional<Clock::time_point> deadline =
        options.timeoutMilliseconds
            ? std::optional<Clock::time_point>(
                  Clock::now() + std::chrono::milliseconds(*options.timeoutMilliseconds))
            : std::nullopt;
    uint64_t received = 0;
    while (!StopRequested()) {
        if (options.count && received >= *options.count) return kExitDone;
        auto slice = std::chrono::duration_cast<Clock::duration>(kIdleSlice);
        if (deadline) {
            const auto left = *deadline - Clock::now();
            if (left <= Clock::duration::zero()) return options.count ? kExitGaveUp : kExitDone;
            slice = std::min(slice, left);
        }
        const std::optional<platform::WindowMessage> message =
            window.Receive(std::chrono::ceil<std::chrono::milliseconds>(slice));
        if (!message) {
            watcher.DetachIfEnded();
            continue;
        }
        if (message->message != TwinLinkAPI::kUpdateMessage) continue;
        const Clock::time_point woken = Clock::now();
        watcher.AttachIfNeeded();
        out << watcher.Report(*message, woken) << '\n' << std::flush;
        ++received;
    }
    return kExitDone;
}

}  // namespace korvan::peer

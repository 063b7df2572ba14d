// Waking Korvan: a message posted to its main windows. All data stays in shared memory; the post
// never waits for the receiver.
#include <chrono>

#include "liveconnection/live_connection.h"

namespace platform = twinlink::platform;

namespace TwinLinkAPI {
namespace {

// A thread that finds another one inside Notify gives up after this; the next pass notifies again.
constexpr std::chrono::milliseconds kGateWait{25};

}  // namespace

int32_t LiveConnection::Notify(intptr_t lParam, uintptr_t wParam) {
    if (!notifyGate.Enter(kGateWait)) return -1;

    // Korvan's windows are looked for again whenever a top-level window has come or gone since
    // the last look: a Korvan started later is found by the next call even while another one is
    // known, and a closed one is dropped. The count is read before the look, so a window that
    // comes during it moves the count for the next call.
    const uint64_t changes = platform::WindowChangeCount();
    if (windowListStale.exchange(false) || changes != windowChanges) {
        windows = FindRendererWindows();
        windowChanges = changes;
    }

    // A post counts when its window was there, whatever the post itself gave (a full queue
    // still counts). Only a failed post asks after its window; one that has gone is not counted
    // and makes the next call look again.
    bool posted = false;
    for (platform::WindowHandle window : windows) {
        if (platform::PostMessage(window, kUpdateMessage, wParam, lParam) || platform::IsWindow(window))
            posted = true;
        else
            windowListStale = true;
    }

    notifyGate.Leave();
    return posted ? 0 : -1;
}

}  // namespace TwinLinkAPI

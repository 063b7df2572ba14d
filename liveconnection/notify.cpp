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

    if (windowListStale.exchange(false)) windows.clear();
    for (platform::WindowHandle window : windows) {
        if (!platform::IsWindow(window)) {
            windows.clear();
            break;
        }
    }
    // The list is rebuilt whenever it is empty, so a Korvan started later is found on the next
    // call.
    if (windows.empty()) windows = FindRendererWindows();

    // A post counts when its window was there, whatever the post itself gave (a full queue
    // still counts). The list was just checked, so a window is looked at again only when its
    // post failed.
    bool posted = false;
    for (platform::WindowHandle window : windows) {
        if (platform::PostMessage(window, kUpdateMessage, wParam, lParam) || platform::IsWindow(window))
            posted = true;
    }

    notifyGate.Leave();
    return posted ? 0 : -1;
}

}  // namespace TwinLinkAPI

// The window change count (platform.h WindowChangeCount). An out-of-context WinEvent hook on
// EVENT_OBJECT_CREATE .. EVENT_OBJECT_HIDE (create, destroy, show, hide) counts every event of
// a top-level window of any process into an atomic. Such a hook calls back on the thread that
// installed it, from that thread's message loop; the callers (the plug-in's sync worker) pump
// no messages, so the layer installs the hook on a small thread of its own, started at the
// first ask, which does nothing but pump. Windows this process makes or destroys through
// OwnWindow move the count at once as well, without waiting for their events to come round.
//
// The hook is trusted only when the system delivers its events: as the thread starts, it makes
// and destroys a hidden window of its own and waits for that window's EVENT_OBJECT_DESTROY.
// Wine 8.0 delivers EVENT_OBJECT_CREATE (for windows of this and of other processes) but
// neither EVENT_OBJECT_DESTROY nor EVENT_OBJECT_SHOW nor EVENT_OBJECT_HIDE, not even for the
// hook's own process: a window that went away or was shown would go unseen. Where the probe
// sees no destroy event the count moves on every call instead, which the contract allows (it
// costs the caller a fresh EnumWindows each time) and which never tells a caller that stale
// windows still hold.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "windows_api.h"

namespace twinlink::platform {

namespace win32 {
namespace {

constexpr auto kProbeWait = std::chrono::milliseconds(500);

class WindowChanges {
  public:
    uint64_t Count() {
        std::call_once(started_, [this] { Start(); });
        if (everyCall_.load(std::memory_order_acquire)) return count_.fetch_add(1) + 1;
        return count_.load(std::memory_order_acquire);
    }

    void Note() { count_.fetch_add(1, std::memory_order_acq_rel); }

    void OnEvent(DWORD event, HWND window) {
        if (window == probe_ && event == EVENT_OBJECT_DESTROY) probeDestroyed_ = true;
        // Child windows come and go inside windows all the time and are not listed; a window
        // that is gone can no longer tell, and counts.
        if (::IsWindow(window) && ::GetAncestor(window, GA_PARENT) != ::GetDesktopWindow()) return;
        count_.fetch_add(1, std::memory_order_acq_rel);
    }

  private:
    // Starts the hook's thread and waits until it knows whether the hook can be trusted.
    void Start() {
        std::unique_lock lock(mutex_);
        std::thread([this] { Run(); }).detach();
        if (!ready_.wait_for(lock, std::chrono::seconds(5), [this] { return decided_; }))
            everyCall_.store(true, std::memory_order_release);
    }

    void Decide(bool trustHook) {
        std::lock_guard lock(mutex_);
        if (!trustHook) everyCall_.store(true, std::memory_order_release);
        decided_ = true;
        ready_.notify_all();
    }

    void Run();

    std::once_flag started_;
    std::mutex mutex_;
    std::condition_variable ready_;
    bool decided_ = false;
    std::atomic<bool> everyCall_{false};
    std::atomic<uint64_t> count_{0};
    HWND probe_ = nullptr;         // the hook thread's own
    bool probeDestroyed_ = false;  // the hook thread's own
};

// Never destroyed: the hook's thread runs until the process ends.
WindowChanges& Changes() {
    static WindowChanges* const changes = new WindowChanges;
    return *changes;
}

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                         DWORD) {
    if (object == OBJID_WINDOW && child == CHILDID_SELF && window) Changes().OnEvent(event, window);
}

void WindowChanges::Run() {
    // The thread needs a message queue before the hook can post to it.
    MSG message{};
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    const HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_HIDE, nullptr,
                                                 OnWinEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
    if (!hook) {
        Decide(false);
        return;
    }
    probe_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               ThisModule(), nullptr);
    if (probe_) ::DestroyWindow(probe_);
    const auto until = std::chrono::steady_clock::now() + kProbeWait;
    while (probe_ && !probeDestroyed_ && std::chrono::steady_clock::now() < until) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        if (probeDestroyed_) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    Decide(probe_ && probeDestroyed_);
    probe_ = nullptr;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
}

}  // namespace

void NoteOwnWindowChange() {
    Changes().Note();
}

}  // namespace win32

uint64_t WindowChangeCount() {
    return win32::Changes().Count();
}

}  // namespace twinlink::platform

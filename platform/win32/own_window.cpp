// A window of this process that others find with EnumWindows and post to: a real top-level
// window of a class registered under the name given, owned by the thread that creates it. Its
// posted messages wait in that thread's queue, so Receive must be called on that thread; while
// it waits it pumps the queue, so that the thread's windows stay responsive.
#include <algorithm>

#include "failure.h"
#include "windows_api.h"

namespace twinlink::platform {

using namespace win32;

struct OwnWindow::State {
    HWND window = nullptr;
    DWORD thread = 0;
};

namespace {

LRESULT CALLBACK OwnWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) NoteOwnWindowChange();
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// Registers the class once per name; a class of that name that this module registered earlier
// is used again.
bool RegisterWindowClass(const std::u16string& className) {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (::GetClassInfoExW(ThisModule(), Wide(className), &known)) return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = OwnWindowProcedure;
    windowClass.hInstance = ThisModule();
    windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = Wide(className);
    if (::RegisterClassExW(&windowClass) != 0) return true;
    const DWORD error = ::GetLastError();
    if (error == ERROR_CLASS_ALREADY_EXISTS) return true;
    SetFailureFromSystem("cannot register the window class " + Utf16ToUtf8(className), error);
    return false;
}

}  // namespace

OwnWindow::OwnWindow() = default;

OwnWindow::~OwnWindow() {
    Destroy();
}

bool OwnWindow::Create(const std::u16string& className, const std::u16string& title, bool visible,
                       WindowHandle owner, std::string* error) {
    ClearFailure();
    Destroy();
    const auto fail = [&] {
        if (error) *error = LastErrorText();
        return false;
    };
    if (className.empty()) {
        SetFailure("a window needs a class name");
        return fail();
    }
    if (!RegisterWindowClass(className)) return fail();
    HWND window = ::CreateWindowExW(0, Wide(className), Wide(title),
                                    WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), CW_USEDEFAULT,
                                    CW_USEDEFAULT, 640, 480, ToHwnd(owner), nullptr, ThisModule(), nullptr);
    if (!window) {
        SetFailureFromSystem("cannot create the window " + Utf16ToUtf8(title), ::GetLastError());
        return fail();
    }
    NoteOwnWindowChange();
    state_ = std::make_unique<State>(State{window, ::GetCurrentThreadId()});
    handle_ = FromHwnd(window);
    return true;
}

// Only the creating thread may destroy a window; from another thread it is asked to close.
void OwnWindow::Destroy() {
    if (state_ && ::IsWindow(state_->window)) {
        if (state_->thread == ::GetCurrentThreadId())
            ::DestroyWindow(state_->window);
        else
            ::PostMessageW(state_->window, WM_CLOSE, 0, 0);
    }
    state_.reset();
    handle_ = 0;
}

// Messages below WM_USER (painting, timers, the system's) go to the window procedures of this
// thread as a message loop would send them; the first one from WM_USER up posted to this window
// is returned. Posted messages of the thread's other windows stay queued for them.
std::optional<WindowMessage> OwnWindow::Receive(std::chrono::milliseconds timeout) {
    if (!state_ || !::IsWindow(state_->window)) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, WM_USER - 1, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (::PeekMessageW(&message, state_->window, WM_USER, 0xFFFF, PM_REMOVE)) {
            return WindowMessage{message.message, static_cast<uintptr_t>(message.wParam),
                                 static_cast<intptr_t>(message.lParam)};
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !::IsWindow(state_->window)) return std::nullopt;
        // Wakes for input that came after the peeks above.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                    static_cast<DWORD>(std::min<long long>(left.count(), 1 << 30)),
                                    QS_ALLINPUT);
    }
}

}  // namespace twinlink::platform

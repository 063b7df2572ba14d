// Top-level windows and posted messages through user32.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

#include "failure.h"
#include "windows_api.h"

namespace twinlink::platform {

using namespace win32;

namespace {

std::string HandleText(WindowHandle handle) {
    char text[24];
    std::snprintf(text, sizeof text, "%08llx", static_cast<unsigned long long>(handle));
    return text;
}

// GetWindowTextW sends WM_GETTEXT to a window of this process, and waits for its thread to
// answer. For a window of another thread of this process (which may be waiting for the caller)
// the stored title is read instead, without a message.
std::u16string TitleOf(HWND window) {
    wchar_t title[512];
    DWORD processId = 0;
    const DWORD thread = ::GetWindowThreadProcessId(window, &processId);
    int length = 0;
    if (processId == ::GetCurrentProcessId() && thread != ::GetCurrentThreadId())
        length = ::InternalGetWindowText(window, title, static_cast<int>(std::size(title)));
    else
        length = ::GetWindowTextW(window, title, static_cast<int>(std::size(title)));
    return FromWide(title, static_cast<size_t>(std::max(length, 0)));
}

std::u16string ClassOf(HWND window) {
    wchar_t name[257];
    const int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return FromWide(name, static_cast<size_t>(std::max(length, 0)));
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

bool Exists(WindowHandle w) {
    if (w != 0 && ::IsWindow(ToHwnd(w))) return true;
    SetFailure("no window " + HandleText(w));
    return false;
}

}  // namespace

std::vector<WindowInfo> EnumWindows() {
    ClearFailure();
    std::vector<HWND> handles;
    if (!::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&handles))) {
        SetFailureFromSystem("cannot list the windows", ::GetLastError());
        return {};
    }
    std::vector<WindowInfo> windows;
    windows.reserve(handles.size());
    for (HWND handle : handles) {
        WindowInfo info;
        info.handle = FromHwnd(handle);
        DWORD processId = 0;
        if (::GetWindowThreadProcessId(handle, &processId) == 0) continue;  // gone meanwhile
        info.processId = processId;
        info.className = ClassOf(handle);
        info.title = TitleOf(handle);
        info.visible = ::IsWindowVisible(handle) != FALSE;
        info.owner = FromHwnd(::GetWindow(handle, GW_OWNER));
        windows.push_back(std::move(info));
    }
    return windows;
}

bool IsWindow(WindowHandle w) {
    return w != 0 && ::IsWindow(ToHwnd(w));
}

bool IsWindowVisible(WindowHandle w) {
    return w != 0 && ::IsWindowVisible(ToHwnd(w));
}

uint32_t GetWindowProcessId(WindowHandle w) {
    DWORD processId = 0;
    if (w == 0 || ::GetWindowThreadProcessId(ToHwnd(w), &processId) == 0) return 0;
    return processId;
}

WindowHandle GetWindowOwner(WindowHandle w) {
    return w == 0 ? 0 : FromHwnd(::GetWindow(ToHwnd(w), GW_OWNER));
}

std::optional<std::u16string> GetClassName(WindowHandle w) {
    ClearFailure();
    if (!Exists(w)) return std::nullopt;
    return ClassOf(ToHwnd(w));
}

std::optional<std::u16string> GetWindowText(WindowHandle w) {
    ClearFailure();
    if (!Exists(w)) return std::nullopt;
    return TitleOf(ToHwnd(w));
}

WindowHandle GetForegroundWindow() {
    return FromHwnd(::GetForegroundWindow());
}

bool PostMessage(WindowHandle w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    ClearFailure();
    if (w != 0 && ::PostMessageW(ToHwnd(w), message, wParam, lParam)) return true;
    const DWORD error = w == 0 ? ERROR_INVALID_WINDOW_HANDLE : ::GetLastError();
    if (error == ERROR_INVALID_WINDOW_HANDLE)
        SetFailure("no window " + HandleText(w));
    else if (error == ERROR_NOT_ENOUGH_QUOTA)
        SetFailure("the message queue of window " + HandleText(w) + " is full");
    else
        SetFailureFromSystem("cannot post to window " + HandleText(w), error);
    return false;
}

}  // namespace twinlink::platform

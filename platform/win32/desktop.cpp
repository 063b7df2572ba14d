// Message boxes through MessageBoxW. A box that should carry the plug-in's icon is shown with a
// computer-based-training hook on this thread: when the box is activated and its caption
// contains the text asked for, the hook gives it the plug-in's small icon (WM_SETICON). The
// hook lives for the one call.
#include <algorithm>
#include <iterator>

#include "failure.h"
#include "windows_api.h"

namespace twinlink::platform {

using namespace win32;

namespace {

struct IconHook {
    HHOOK hook = nullptr;
    HICON icon = nullptr;
    const std::u16string* caption = nullptr;
};

thread_local IconHook iconHook;

LRESULT CALLBACK OnCbtNotification(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && iconHook.icon && iconHook.caption) {
        const auto window = reinterpret_cast<HWND>(wParam);
        wchar_t title[256];
        const int length = ::GetWindowTextW(window, title, static_cast<int>(std::size(title)));
        if (FromWide(title, static_cast<size_t>(std::max(length, 0))).find(*iconHook.caption) !=
            std::u16string::npos)
            ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconHook.icon));
    }
    return ::CallNextHookEx(iconHook.hook, code, wParam, lParam);
}

int ShowBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
            uint32_t flags) {
    const int answer = ::MessageBoxW(ToHwnd(owner), Wide(text), Wide(caption), flags);
    if (answer == 0) SetFailureFromSystem("cannot show the message box", ::GetLastError());
    return answer;
}

}  // namespace

int MessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
               uint32_t flags) {
    ClearFailure();
    return ShowBox(owner, text, caption, flags);
}

int MessageBoxWithPluginIcon(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                             uint32_t flags, const std::u16string& iconCaption) {
    ClearFailure();
    const HICON icon = PluginSmallIcon();
    // Without the icon, or inside a box that is already hooked (a box from a box), no hook.
    if (!icon || iconHook.hook) return ShowBox(owner, text, caption, flags);
    iconHook.hook = ::SetWindowsHookExW(WH_CBT, OnCbtNotification, nullptr, ::GetCurrentThreadId());
    iconHook.icon = icon;
    iconHook.caption = &iconCaption;
    const int answer = ShowBox(owner, text, caption, flags);
    if (iconHook.hook) ::UnhookWindowsHookEx(iconHook.hook);
    iconHook = IconHook{};
    return answer;
}

}  // namespace twinlink::platform

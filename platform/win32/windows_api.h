// The Windows headers as this layer includes them, and the few helpers every file of it uses.
#pragma once

#include <cwchar>
#include <string>

#include "twinlink/platform.h"
#include "windows_headers.h"

namespace twinlink::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text is passed to Windows as it is");

inline const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline std::u16string FromWide(const wchar_t* text, size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}
inline std::u16string FromWide(const wchar_t* text) {
    return FromWide(text, std::wcslen(text));
}

inline HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}
inline WindowHandle FromHwnd(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

// SetFailure with the system's words for a Win32 error code appended ("...: Access denied.").
void SetFailureFromSystem(std::string text, DWORD error);

// The module that holds this code: the plug-in's DLL, or the executable it is linked into.
HMODULE ThisModule();

// The plug-in's small icon (kPluginIconResource of ThisModule), loaded once; null when the
// module has no such resource.
HICON PluginSmallIcon();

// Moves the window change count at once: this process created or destroyed a window itself.
void NoteOwnWindowChange();

}  // namespace twinlink::platform::win32

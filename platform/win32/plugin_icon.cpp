// The module that holds the platform code, and the plug-in's icon among its resources.
#include "windows_api.h"

namespace twinlink::platform::win32 {

HMODULE ThisModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// Loaded once, at the system's small-icon size, and kept for the life of the process.
HICON PluginSmallIcon() {
    static const HICON icon = static_cast<HICON>(
        ::LoadImageW(ThisModule(), MAKEINTRESOURCEW(kPluginIconResource), IMAGE_ICON,
                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    return icon;
}

}  // namespace twinlink::platform::win32

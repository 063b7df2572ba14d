#include "desktop.h"

#include <dlfcn.h>

#include <cstdio>

#include "failure.h"
#include "twinlink/message_box_rules.h"
#include "twinlink/platform.h"

namespace twinlink::platform {

namespace posix {

namespace {

using HostMessageBox = int (*)(const char16_t* text, const char16_t* caption, unsigned flags);

HostMessageBox FindHostDesktop() {
    return reinterpret_cast<HostMessageBox>(dlsym(RTLD_DEFAULT, "hostsim_desktop_message_box"));
}

}  // namespace

int PrintedMessageBox(const std::u16string& text, const std::u16string& caption, uint32_t flags) {
    const int answer = DefaultMessageBoxButton(flags);
    const std::string line = "[twinlink message box] \"" + Utf16ToUtf8(caption) +
                             "\": " + Utf16ToUtf8(text) + " -> " + std::to_string(answer) + " (" +
                             MessageBoxButtonName(answer) + ", default)\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return answer;
}

}  // namespace posix

int MessageBox(WindowHandle /*owner*/, const std::u16string& text, const std::u16string& caption,
               uint32_t flags) {
    posix::ClearFailure();
    if (const posix::HostMessageBox host = posix::FindHostDesktop()) {
        const int answer = host(text.c_str(), caption.c_str(), flags);
        if (answer == 0) posix::SetFailure("the host's desktop could not show the message box");
        return answer;
    }
    return posix::PrintedMessageBox(text, caption, flags);
}

}  // namespace twinlink::platform

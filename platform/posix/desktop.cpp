#include "desktop.h"

#include <dlfcn.h>

#include <cstdio>

#include "failure.h"
#include "twinlink/host_desktop.h"
#include "twinlink/message_box_rules.h"
#include "twinlink/platform.h"

namespace twinlink::platform {

namespace posix {

namespace {

HostMessageBoxEntry FindHostDesktop() {
    return reinterpret_cast<HostMessageBoxEntry>(dlsym(RTLD_DEFAULT, kHostMessageBoxEntry));
}

HostIconMessageBoxEntry FindHostIconBoxes() {
    return reinterpret_cast<HostIconMessageBoxEntry>(dlsym(RTLD_DEFAULT, kHostIconMessageBoxEntry));
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
    ClearFailure();
    if (const HostMessageBoxEntry host = posix::FindHostDesktop()) {
        const int answer = host(text.c_str(), caption.c_str(), flags);
        if (answer == 0) SetFailure("the host's desktop could not show the message box");
        return answer;
    }
    return posix::PrintedMessageBox(text, caption, flags);
}

int MessageBoxWithPluginIcon(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                             uint32_t flags, const std::u16string& iconCaption) {
    ClearFailure();
    const HostIconMessageBoxEntry host = posix::FindHostIconBoxes();
    if (!host) return MessageBox(owner, text, caption, flags);
    const bool icon = caption.find(iconCaption) != std::u16string::npos;
    const int answer = host(text.c_str(), caption.c_str(), flags, icon ? 1 : 0);
    if (answer == 0) SetFailure("the host's desktop could not show the message box");
    return answer;
}

}  // namespace twinlink::platform

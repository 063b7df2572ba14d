#include "desktop.h"

#include <dlfcn.h>

#include <cstdio>

#include "failure.h"
#include "twinlink/platform.h"

namespace twinlink::platform {

namespace posix {

namespace {

enum : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdAbort = 3,
    kIdRetry = 4,
    kIdIgnore = 5,
    kIdYes = 6,
    kIdNo = 7,
    kIdTryAgain = 10,
    kIdContinue = 11
};

struct ButtonSet {
    int ids[3];
    int count;
};

// The buttons of each MB_* type (the low four bits of the flags), left to right.
ButtonSet ButtonsOf(uint32_t flags) {
    switch (flags & 0xF) {
        case 1:
            return {{kIdOk, kIdCancel}, 2};
        case 2:
            return {{kIdAbort, kIdRetry, kIdIgnore}, 3};
        case 3:
            return {{kIdYes, kIdNo, kIdCancel}, 3};
        case 4:
            return {{kIdYes, kIdNo}, 2};
        case 5:
            return {{kIdRetry, kIdCancel}, 2};
        case 6:
            return {{kIdCancel, kIdTryAgain, kIdContinue}, 3};
        default:
            return {{kIdOk}, 1};
    }
}

const char* ButtonName(int id) {
    switch (id) {
        case kIdOk:
            return "OK";
        case kIdCancel:
            return "Cancel";
        case kIdAbort:
            return "Abort";
        case kIdRetry:
            return "Retry";
        case kIdIgnore:
            return "Ignore";
        case kIdYes:
            return "Yes";
        case kIdNo:
            return "No";
        case kIdTryAgain:
            return "Try Again";
        case kIdContinue:
            return "Continue";
        default:
            return "?";
    }
}

using HostMessageBox = int (*)(const char16_t* text, const char16_t* caption, unsigned flags);

HostMessageBox FindHostDesktop() {
    return reinterpret_cast<HostMessageBox>(dlsym(RTLD_DEFAULT, "hostsim_desktop_message_box"));
}

}  // namespace

int DefaultButton(uint32_t flags) {
    const ButtonSet buttons = ButtonsOf(flags);
    const uint32_t chosen = (flags >> 8) & 0xF;
    return chosen < static_cast<uint32_t>(buttons.count) ? buttons.ids[chosen] : buttons.ids[0];
}

int PrintedMessageBox(const std::u16string& text, const std::u16string& caption, uint32_t flags) {
    const int answer = DefaultButton(flags);
    const std::string line = "[twinlink message box] \"" + Utf16ToUtf8(caption) +
                             "\": " + Utf16ToUtf8(text) + " -> " + std::to_string(answer) + " (" +
                             ButtonName(answer) + ", default)\n";
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

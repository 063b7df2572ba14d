// OutputDebugStringW goes to stderr, where a person running the host sees it, and the failure
// text of each thread backs LastErrorText.
#include <cstdio>
#include <cstring>
#include <string>

#include "failure.h"
#include "twinlink/platform.h"

namespace twinlink::platform {

namespace {
thread_local std::string lastFailure;
}

void OutputDebugString(const std::u16string& text) {
    const std::string utf8 = Utf16ToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

const std::string& LastErrorText() {
    return lastFailure;
}

namespace posix {

void ClearFailure() {
    lastFailure.clear();
}

void SetFailure(std::string text) {
    lastFailure = std::move(text);
}

void SetFailureFromErrno(std::string text, int error) {
    SetFailure(std::move(text) + ": " + std::strerror(error));
}

}  // namespace posix
}  // namespace twinlink::platform

// The failure text of each thread, behind LastErrorText.
#include "failure.h"

#include <cstring>

#include "twinlink/platform.h"

namespace twinlink::platform {

namespace {
thread_local std::string lastFailure;
}

const std::string& LastErrorText() {
    return lastFailure;
}

void ClearFailure() {
    lastFailure.clear();
}

void SetFailure(std::string text) {
    lastFailure = std::move(text);
}

void SetFailureFromErrno(std::string text, int error) {
    SetFailure(std::move(text) + ": " + std::strerror(error));
}

}  // namespace twinlink::platform

// The words behind LastErrorText: every public call clears them when it starts and sets them
// when it fails, per thread, as Windows keeps GetLastError per thread. Shared by every platform's
// implementation (common/failure.cpp keeps the text).
#pragma once

#include <string>

namespace twinlink::platform {

void ClearFailure();
void SetFailure(std::string text);
// SetFailure with the text of errno appended ("...: No such file or directory").
void SetFailureFromErrno(std::string text, int error);

}  // namespace twinlink::platform

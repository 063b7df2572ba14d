// OutputDebugStringW, and the system's words for a Win32 error in failure texts.
#include "failure.h"
#include "windows_api.h"

namespace twinlink::platform {

void OutputDebugString(const std::u16string& text) {
    ::OutputDebugStringW(win32::Wide(text));
}

namespace win32 {

void SetFailureFromSystem(std::string text, DWORD error) {
    wchar_t* words = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    std::u16string described = length > 0 ? FromWide(words, length) : std::u16string();
    if (words) ::LocalFree(words);
    while (!described.empty() && (described.back() == u'\n' || described.back() == u'\r' ||
                                  described.back() == u' '))
        described.pop_back();
    if (described.empty()) described = u"error " + Utf8ToUtf16(std::to_string(error));
    SetFailure(std::move(text) + ": " + Utf16ToUtf8(described));
}

}  // namespace win32
}  // namespace twinlink::platform

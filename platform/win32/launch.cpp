// Starting programs: CreateProcessW, and ShellExecuteW for a web link.
#include <vector>

#include "failure.h"
#include "windows_api.h"

namespace twinlink::platform {

using namespace win32;

namespace {

// The executable's path as the first word of a command line, quoted when it holds blanks or
// quotes, as the child's own parsing (CommandLineToArgvW, the C runtime) expects it.
std::u16string QuotedProgram(const std::u16string& executable) {
    if (!executable.empty() && executable.find_first_of(u" \t\"") == std::u16string::npos)
        return executable;
    return u"\"" + executable + u"\"";
}

}  // namespace

// With an executable, the child's command line is that executable's name followed by the
// arguments (argv[0] is the program, as every C runtime expects); without one the command line
// names the program first, and Windows finds it as CreateProcessW documents.
bool LaunchProcess(const std::u16string& executable, const std::u16string& arguments,
                   const std::u16string& workingDirectory, bool maximised) {
    ClearFailure();
    std::u16string line = executable.empty() ? arguments : QuotedProgram(executable);
    if (!executable.empty() && !arguments.empty()) line += u" " + arguments;
    if (line.find_first_not_of(u" \t") == std::u16string::npos) {
        SetFailure("no program to start");
        return false;
    }
    std::vector<wchar_t> commandLine(line.begin(), line.end());
    commandLine.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (maximised) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWMAXIMIZED;
    }
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(executable.empty() ? nullptr : Wide(executable), commandLine.data(), nullptr,
                          nullptr, FALSE, 0, nullptr,
                          workingDirectory.empty() ? nullptr : Wide(workingDirectory), &startup,
                          &started)) {
        SetFailureFromSystem("cannot start " + Utf16ToUtf8(executable.empty() ? line : executable),
                             ::GetLastError());
        return false;
    }
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}

void OpenWebLink(const std::u16string& url) {
    ClearFailure();
    if (url.empty()) return;
    ::ShellExecuteW(nullptr, nullptr, Wide(url), nullptr, nullptr, SW_SHOW);
}

}  // namespace twinlink::platform

#include <windows.h>

#include "child_process.h"

namespace test_support {
namespace {

// The exit code a killed child is given; Wait reports it as -1.
constexpr UINT kKilledExitCode = 0xDEADu;

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

// One argument quoted the way the C runtime splits a command line back into argv.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, L'\\');  // before the closing quote
    line += L'"';
}

// Lets go of a process: Windows keeps an ended one, and its id, while a handle is open.
void Release(PROCESS_INFORMATION& process) {
    if (process.hProcess != nullptr) CloseHandle(process.hProcess);
    if (process.hThread != nullptr) CloseHandle(process.hThread);
    process.hProcess = nullptr;
    process.hThread = nullptr;
}

}  // namespace

struct ChildProcess::Handles {
    PROCESS_INFORMATION process{};
    bool started = false;
    HANDLE output = nullptr;
    HANDLE input = nullptr;
    bool killed = false;
    bool ended = false;
    int exitCode = -1;
};

ChildProcess::ChildProcess(const std::filesystem::path& executable,
                           const std::vector<std::string>& arguments,
                           const std::filesystem::path& errorFile)
    : handles_(std::make_unique<Handles>()) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childOutput = nullptr;
    HANDLE childInput = nullptr;
    if (!CreatePipe(&handles_->output, &childOutput, &inherited, 0)) return;
    if (!CreatePipe(&childInput, &handles_->input, &inherited, 0)) {
        CloseHandle(childOutput);
        return;
    }
    // The test's own ends stay in the test.
    SetHandleInformation(handles_->output, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(handles_->input, HANDLE_FLAG_INHERIT, 0);
    HANDLE childError = GetStdHandle(STD_ERROR_HANDLE);
    bool ownError = false;
    if (!errorFile.empty()) {
        childError = CreateFileW(errorFile.wstring().c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        ownError = childError != INVALID_HANDLE_VALUE;
    }

    std::wstring commandLine;
    AppendQuoted(commandLine, executable.wstring());
    for (const std::string& argument : arguments) {
        commandLine += L' ';
        AppendQuoted(commandLine, Widen(argument));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childError;
    // Its own process group, so that a Ctrl+Break can be sent to it alone.
    if (!CreateProcessW(executable.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &handles_->process))
        handles_->process = PROCESS_INFORMATION{};
    handles_->started = handles_->process.hProcess != nullptr;
    CloseHandle(childOutput);
    CloseHandle(childInput);
    if (ownError) CloseHandle(childError);
}

ChildProcess::~ChildProcess() {
    if (Started() && !handles_->ended) {
        Kill();
        Wait();
    }
    if (handles_->output != nullptr) CloseHandle(handles_->output);
    CloseInput();
    Release(handles_->process);
}

bool ChildProcess::Started() const {
    return handles_->started;
}

uint32_t ChildProcess::Id() const {
    return handles_->process.dwProcessId;
}

bool ChildProcess::ReadMore(std::chrono::milliseconds patience) {
    if (handles_->output == nullptr) return false;
    // An anonymous pipe cannot be waited on: look at it until something is there.
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(handles_->output, nullptr, 0, nullptr, &available, nullptr))
            return false;
        if (available > 0) break;
        if (std::chrono::steady_clock::now() >= giveUp) return false;
        Sleep(2);
    }
    char chunk[4096];
    DWORD got = 0;
    if (!ReadFile(handles_->output, chunk, sizeof chunk, &got, nullptr) || got == 0) return false;
    buffered_.append(chunk, got);
    return true;
}

bool ChildProcess::WriteLine(const std::string& line) {
    if (handles_->input == nullptr) return false;
    const std::string bytes = line + "\n";
    DWORD written = 0;
    return WriteFile(handles_->input, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

void ChildProcess::CloseInput() {
    if (handles_->input == nullptr) return;
    CloseHandle(handles_->input);
    handles_->input = nullptr;
}

void ChildProcess::AskToStop() {
    if (Started() && !handles_->ended) GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, Id());
}

void ChildProcess::Kill() {
    if (!Started() || handles_->ended) return;
    if (TerminateProcess(handles_->process.hProcess, kKilledExitCode)) handles_->killed = true;
}

int ChildProcess::Wait() {
    if (!Started()) return -1;
    if (!handles_->ended) {
        WaitForSingleObject(handles_->process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(handles_->process.hProcess, &code);
        handles_->ended = true;
        handles_->exitCode =
            handles_->killed && code == kKilledExitCode ? -1 : static_cast<int>(code);
        // Let go of it, so that its id names no process any more.
        Release(handles_->process);
    }
    return handles_->exitCode;
}

std::filesystem::path ThisProgram() {
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length < program.size()) return program.substr(0, length);
        program.resize(program.size() * 2);
    }
}

}  // namespace test_support

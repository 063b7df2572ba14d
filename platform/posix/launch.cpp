// Starting programs: posix_spawn for CreateProcessW, xdg-open for ShellExecuteW on a link.
// A started program is the caller's child here; a thread waits for it so that it does not
// linger as a zombie after it ends, since on Windows nobody has to.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "failure.h"
#include "twinlink/platform.h"

extern char** environ;

namespace twinlink::platform {

namespace {

// Splits a command line as CommandLineToArgvW does: blanks separate arguments, double quotes
// group them (a doubled quote inside quotes is one quote), and backslashes are literal except
// before a quote, where 2n of them give n and a grouping quote and 2n+1 give n and a quote.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (size_t i = 0; i < line.size();) {
        const char c = line[i];
        if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument) arguments.push_back(current);
            current.clear();
            inArgument = false;
            ++i;
            continue;
        }
        inArgument = true;
        if (c == '\\') {
            size_t count = 0;
            while (i < line.size() && line[i] == '\\') ++count, ++i;
            if (i < line.size() && line[i] == '"') {
                current.append(count / 2, '\\');
                if (count % 2 == 1) {
                    current += '"';
                    ++i;
                }
            } else {
                current.append(count, '\\');
            }
        } else if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                current += '"';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else {
            current += c;
            ++i;
        }
    }
    if (inArgument) arguments.push_back(current);
    return arguments;
}

// CreateProcessW without an application name reads an unquoted program name with blanks in it
// as Windows documents: "C:\Program Files\Sub Dir\Name.exe" is tried as "C:\Program", then
// "C:\Program Files\Sub", and so on, the first existing file winning; the rest of the line
// holds the arguments. Returns the arguments with that name first, or the plain split.
std::vector<std::string> ProgramAndArguments(const std::string& line) {
    std::vector<std::string> split = SplitCommandLine(line);
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '"') return split;
    for (size_t end = line.find_first_of(" \t", start); end != std::string::npos;
         end = line.find_first_of(" \t", end + 1)) {
        const std::string candidate = line.substr(start, end - start);
        struct stat status {};
        if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            std::vector<std::string> arguments = SplitCommandLine(line.substr(end));
            arguments.insert(arguments.begin(), candidate);
            return arguments;
        }
    }
    // No shorter name exists: the whole line, blanks and all, may be the program.
    struct stat status {};
    if (stat(line.c_str() + start, &status) == 0 && S_ISREG(status.st_mode)) return {line.substr(start)};
    return split;
}

void WaitInBackground(pid_t child) {
    std::thread([child] {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// Spawns argv[0] in a session of its own, with default signal handling; `quiet` sends its
// output nowhere.
bool Spawn(const std::vector<std::string>& arguments, bool quiet, int* error,
           const std::string& workingDirectory = "") {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigaddset(&signals, SIGPIPE);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGCHLD);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    pid_t child = 0;
    const bool searchPath = arguments[0].find('/') == std::string::npos;
    *error = (searchPath ? posix_spawnp : posix_spawn)(&child, argv[0], &actions, &attributes,
                                                       argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (*error != 0) return false;
    WaitInBackground(child);
    return true;
}

bool FindInPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        if (access((folder + "/" + program).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

// There are no windows to maximise here.
bool LaunchProcess(const std::u16string& executable, const std::u16string& arguments,
                   const std::u16string& workingDirectory, bool /*maximised*/) {
    ClearFailure();
    // Without an executable the command line names it first, as CreateProcessW takes it.
    std::vector<std::string> argv = executable.empty() ? ProgramAndArguments(Utf16ToUtf8(arguments))
                                                       : SplitCommandLine(Utf16ToUtf8(arguments));
    if (!executable.empty()) argv.insert(argv.begin(), Utf16ToUtf8(executable));
    if (argv.empty() || argv[0].empty()) {
        SetFailure("no program to start");
        return false;
    }
    int error = 0;
    if (!Spawn(argv, false, &error, Utf16ToUtf8(workingDirectory))) {
        SetFailureFromErrno("cannot start " + argv[0], error);
        return false;
    }
    return true;
}

void OpenWebLink(const std::u16string& url) {
    ClearFailure();
    if (url.empty() || !FindInPath("xdg-open")) return;
    int error = 0;
    Spawn({"xdg-open", Utf16ToUtf8(url)}, true, &error);
}

}  // namespace twinlink::platform

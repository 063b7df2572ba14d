#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "child_process.h"

extern char** environ;

namespace test_support {

struct ChildProcess::Handles {
    pid_t pid = -1;
    int output = -1;
    int input = -1;
    bool reaped = false;
    int exitCode = -1;
};

ChildProcess::ChildProcess(const std::filesystem::path& executable,
                           const std::vector<std::string>& arguments,
                           const std::filesystem::path& errorFile)
    : handles_(std::make_unique<Handles>()) {
    int output[2];
    int input[2];
    if (pipe2(output, O_CLOEXEC) != 0) return;
    if (pipe2(input, O_CLOEXEC) != 0) {
        close(output[0]);
        close(output[1]);
        return;
    }
    std::vector<std::string> argv{executable.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    if (!errorFile.empty())
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The child gets SIGPIPE back as a program normally has it, though this process ignores it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    if (posix_spawn(&handles_->pid, argv[0].c_str(), &actions, &attributes, pointers.data(),
                    environ) != 0)
        handles_->pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    close(input[0]);
    handles_->output = output[0];
    handles_->input = input[1];
}

ChildProcess::~ChildProcess() {
    if (Started() && !handles_->reaped) {
        Kill();
        Wait();
    }
    if (handles_->output >= 0) close(handles_->output);
    CloseInput();
}

bool ChildProcess::Started() const {
    return handles_->pid > 0;
}

uint32_t ChildProcess::Id() const {
    return Started() ? static_cast<uint32_t>(handles_->pid) : 0;
}

bool ChildProcess::ReadMore(std::chrono::milliseconds patience) {
    if (handles_->output < 0) return false;
    pollfd ready{handles_->output, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(patience.count())) != 1) return false;
    char chunk[4096];
    const ssize_t got = read(handles_->output, chunk, sizeof chunk);
    if (got <= 0) return false;
    buffered_.append(chunk, static_cast<size_t>(got));
    return true;
}

bool ChildProcess::WriteLine(const std::string& line) {
    // A child that has gone must fail the write, not end the test with SIGPIPE.
    static const bool ignoringBrokenPipes = signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    (void)ignoringBrokenPipes;
    if (handles_->input < 0) return false;
    const std::string bytes = line + "\n";
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(handles_->input, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

void ChildProcess::CloseInput() {
    if (handles_->input < 0) return;
    close(handles_->input);
    handles_->input = -1;
}

void ChildProcess::AskToStop() {
    if (Started() && !handles_->reaped) kill(handles_->pid, SIGTERM);
}

void ChildProcess::Kill() {
    if (Started() && !handles_->reaped) kill(handles_->pid, SIGKILL);
}

int ChildProcess::Wait() {
    if (!Started()) return -1;
    if (!handles_->reaped) {
        int status = 0;
        waitpid(handles_->pid, &status, 0);
        handles_->reaped = true;
        handles_->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return handles_->exitCode;
}

std::filesystem::path ThisProgram() {
    std::error_code failure;
    return std::filesystem::read_symlink("/proc/self/exe", failure);
}

}  // namespace test_support

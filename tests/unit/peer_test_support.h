// Shared by the peer's tests: korvan-peer run as a real second process (its standard output read
// line by line, its standard error kept in a file), a wait for its published window, and a look
// into a snapshot's problems.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "liveconnection_test_support.h"
#include "peer/link_snapshot.h"
#include "twinlink/platform.h"

extern char** environ;

namespace peer_test {

namespace platform = twinlink::platform;

// Every wait below ends long before this unless something is broken; it only keeps a broken
// test from hanging.
constexpr auto kSafetyNet = std::chrono::seconds(20);

class PeerProcess {
  public:
    PeerProcess(const std::vector<std::string>& arguments, const std::filesystem::path& errorFile)
        : errorFile_(errorFile) {
        int output[2];
        if (pipe2(output, O_CLOEXEC) != 0) return;
        std::vector<std::string> argv{KORVAN_PEER_EXECUTABLE};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> pointers;
        for (std::string& argument : argv) pointers.push_back(argument.data());
        pointers.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(output[1]);
        output_ = output[0];
    }
    ~PeerProcess() {
        if (pid > 0 && !reaped_) {
            kill(pid, SIGKILL);
            Wait();
        }
        if (output_ >= 0) close(output_);
    }
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // The next line of standard output without its newline; nothing at its end.
    std::optional<std::string> ReadLine() {
        for (;;) {
            const size_t newline = buffered_.find('\n');
            if (newline != std::string::npos) {
                std::string line = buffered_.substr(0, newline);
                buffered_.erase(0, newline + 1);
                return line;
            }
            if (!ReadMore()) return std::nullopt;
        }
    }

    // Everything still to come on standard output.
    std::string ReadRest() {
        while (ReadMore()) {
        }
        return std::exchange(buffered_, std::string());
    }

    std::string ErrorText() const {
        std::ifstream in(errorFile_);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // The exit code; -1 when the process was ended by a signal.
    int Wait() {
        int status = 0;
        waitpid(pid, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void Signal(int signal) const { kill(pid, signal); }

    pid_t pid = -1;

  private:
    bool ReadMore() {
        pollfd ready{output_, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(std::chrono::milliseconds(kSafetyNet).count())) != 1)
            return false;
        char chunk[4096];
        const ssize_t got = read(output_, chunk, sizeof chunk);
        if (got <= 0) return false;
        buffered_.append(chunk, static_cast<size_t>(got));
        return true;
    }

    std::filesystem::path errorFile_;
    int output_ = -1;
    std::string buffered_;
    bool reaped_ = false;
};

// Waits until `condition` holds, checking every few milliseconds; false after the safety net.
template <typename Condition>
bool Eventually(Condition condition) {
    const auto giveUp = std::chrono::steady_clock::now() + kSafetyNet;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The window that process `pid` has published, once it is there.
inline std::optional<platform::WindowInfo> WaitForWindowOf(uint32_t pid) {
    std::optional<platform::WindowInfo> found;
    Eventually([&] {
        for (const platform::WindowInfo& window : platform::EnumWindows()) {
            if (window.processId == pid) found = window;
        }
        return found.has_value();
    });
    return found;
}

// Bytes written at their offsets, the way the plug-in's writers lay out records and batches.
inline void PutU32(void* base, size_t offset, uint32_t value) {
    std::memcpy(static_cast<uint8_t*>(base) + offset, &value, sizeof value);
}
inline void PutFloat(void* base, size_t offset, float value) {
    std::memcpy(static_cast<uint8_t*>(base) + offset, &value, sizeof value);
}
inline void PutText(void* base, size_t offset, const std::u16string& text) {
    std::memcpy(static_cast<uint8_t*>(base) + offset, text.data(), text.size() * sizeof(char16_t));
}

// One triangle as a material batch: 3 vertices, 3 indices, 1 UV set; 120 bytes.
constexpr uint32_t kTriangleBatchBytes = 120;
inline void PutTriangleBatch(void* section) {
    PutU32(section, 0, 3);
    PutU32(section, 4, 3);
    PutU32(section, 8, 1);
    for (uint32_t word = 3; word < 27; ++word)
        PutFloat(section, word * 4, 0.5f * static_cast<float>(word));
    for (uint32_t i = 0; i < 3; ++i) PutU32(section, (27 + i) * 4, i);
}

// The problems of a snapshot as "where: message" lines, so that a failing test shows them all.
inline std::vector<std::string> ProblemLines(const korvan::peer::LinkSnapshot& snapshot) {
    std::vector<std::string> lines;
    for (const korvan::peer::Problem& problem : snapshot.problems)
        lines.push_back(problem.where + ": " + problem.message);
    return lines;
}

}  // namespace peer_test

// Shared by the platform layer's tests. On POSIX: a private folder per test that holds the
// registry, the shared-memory folder and the runtime folder (through the three environment
// variables the layer reads at every call), and helpers to run part of a test in a forked child
// process that talks to the test through pipes, for what only the stand-in has. On Windows each
// Wine prefix (or user profile) is the tests' own: the sandbox gives a fresh temporary folder and
// removes the registry keys the tests write. On both, a second process is this test program
// started again to play one role (child_roles.h).
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

#include "child_roles.h"

#ifdef _WIN32
#include "windows_headers.h"
#else
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace twinlink::platform::testing {

inline std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

#ifdef _WIN32

// The registry keys the tests write, removed before and after each test.
inline void RemoveTestKeys() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Qentra");
}

class PlatformSandbox : public ::testing::Test {
  protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        wchar_t temp[MAX_PATH + 1];
        ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
        const std::filesystem::path folder =
            std::filesystem::path(temp) / ("twinlink-test-" + std::to_string(GetCurrentProcessId()) +
                                           "-" + std::to_string(counter.fetch_add(1)));
        std::filesystem::create_directories(folder);
        base_ = folder.string();
        RemoveTestKeys();
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(base_, ignored);
        RemoveTestKeys();
    }

    std::string base_, registry_, shm_, runtime_;  // only base_ is used on Windows
};

// Whether the program runs under Wine (whose ntdll exports wine_get_version).
inline bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

#endif

// A child that plays one role of the test program (see child_roles.h).
using test_support::RoleArgument;
using test_support::RoleProcess;
using test_support::StayWhileTheTestRuns;
using test_support::TellTestReady;

#ifndef _WIN32

class PlatformSandbox : public ::testing::Test {
  protected:
    void SetUp() override {
        char folder[] = "/tmp/twinlink-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        base_ = folder;
        registry_ = base_ + "/registry";
        shm_ = base_ + "/shm";
        runtime_ = base_ + "/run";
        setenv("TWINLINK_REGISTRY_ROOT", registry_.c_str(), 1);
        setenv("TWINLINK_SHM_DIR", shm_.c_str(), 1);
        setenv("TWINLINK_RUNTIME_DIR", runtime_.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::permissions(base_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(base_, ignored);
    }

    std::string base_, registry_, shm_, runtime_;
};

inline unsigned ModeOf(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return 0xFFFFFFFFu;
    return st.st_mode & 07777;
}

// A pipe carrying fixed-size values; reads wait at most ten seconds so that a broken child
// fails the test instead of hanging it.
class Channel {
  public:
    Channel() {
        if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
    }
    ~Channel() {
        close(fds_[0]);
        close(fds_[1]);
    }
    template <typename T>
    void Send(const T& value) {
        ssize_t written = write(fds_[1], &value, sizeof value);
        (void)written;
    }
    template <typename T>
    std::optional<T> Receive() {
        T value{};
        auto* bytes = reinterpret_cast<char*>(&value);
        size_t got = 0;
        while (got < sizeof value) {
            pollfd waiting{fds_[0], POLLIN, 0};
            if (poll(&waiting, 1, 10000) <= 0) return std::nullopt;
            const ssize_t n = read(fds_[0], bytes + got, sizeof value - got);
            if (n <= 0) return std::nullopt;
            got += static_cast<size_t>(n);
        }
        return value;
    }

  private:
    int fds_[2];
};

// Runs `body` in a forked child whose exit status is what body returns.
inline pid_t RunChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    return child;
}

// The child's exit status, or -1 when it did not exit normally.
inline int WaitChild(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

inline void KillChild(pid_t child) {
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
}

#endif

}  // namespace twinlink::platform::testing

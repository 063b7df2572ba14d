// Shared pieces of the live-connection tests: a private state folder per test, raw views of
// shared sections (read without going through the connection), and a forked second process
// that the test drives step by step over pipes.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "twinlink/platform.h"

namespace liveconnection_test {

namespace platform = twinlink::platform;

// Every test gets its own registry, shared-memory and runtime folders.
class PrivateStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/twinlink-lc-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        UseFolders(root / "registry", root / "shm", root / "runtime");
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    static void UseFolders(const std::filesystem::path& registry, const std::filesystem::path& shm,
                           const std::filesystem::path& runtime) {
        setenv("TWINLINK_REGISTRY_ROOT", registry.c_str(), 1);
        setenv("TWINLINK_SHM_DIR", shm.c_str(), 1);
        setenv("TWINLINK_RUNTIME_DIR", runtime.c_str(), 1);
    }

    // A folder below a regular file: nobody, not even root, can create anything there.
    std::filesystem::path UnusableFolder() {
        const std::filesystem::path file = root / "plain-file";
        if (!std::filesystem::exists(file)) {
            FILE* f = std::fopen(file.c_str(), "w");
            if (f != nullptr) std::fclose(f);
        }
        return file / "state";
    }

    std::filesystem::path root;
};

// A section mapped by the test itself, to check bytes at their offsets.
class RawSection {
  public:
    explicit RawSection(const std::u16string& sectionName) {
        handle = platform::OpenFileMapping(sectionName);
        if (handle != 0) view = static_cast<uint8_t*>(platform::MapViewOfFile(handle));
    }
    ~RawSection() {
        if (view != nullptr) platform::UnmapViewOfFile(view);
        if (handle != 0) platform::CloseHandle(handle);
    }
    RawSection(const RawSection&) = delete;
    RawSection& operator=(const RawSection&) = delete;

    bool IsOpen() const { return view != nullptr; }
    size_t Size() const { return platform::MappingSize(handle); }
    uint32_t U32(size_t offset) const {
        uint32_t value;
        std::memcpy(&value, view + offset, sizeof value);
        return value;
    }
    void SetU32(size_t offset, uint32_t value) { std::memcpy(view + offset, &value, sizeof value); }
    std::u16string Text(size_t offset, size_t capacityUnits) const {
        std::u16string text(capacityUnits, u'\0');
        std::memcpy(text.data(), view + offset, capacityUnits * sizeof(char16_t));
        return text.substr(0, text.find(u'\0'));
    }
    std::string Bytes(size_t offset, size_t count) const {
        return std::string(reinterpret_cast<const char*>(view + offset), count);
    }
    bool AllZero(size_t offset, size_t count) const {
        for (size_t i = 0; i < count; ++i) {
            if (view[offset + i] != 0) return false;
        }
        return true;
    }

    platform::MappingHandle handle = 0;
    uint8_t* view = nullptr;
};

// One end of a pipe pair between the test and a second process: 32-bit words both ways.
class Pipe {
  public:
    Pipe() = default;
    Pipe(int readFd, int writeFd) : in(readFd), out(writeFd) {}

    void Send(uint32_t word) const {
        const ssize_t written = write(out, &word, sizeof word);
        (void)written;
    }
    // The next word, or nothing when the other side closed or went silent (a safety net against
    // a hung test, not a timing assumption: every expected word comes much sooner).
    std::optional<uint32_t> Receive() const {
        pollfd ready{in, POLLIN, 0};
        if (poll(&ready, 1, 20000) != 1) return std::nullopt;
        uint32_t word = 0;
        if (read(in, &word, sizeof word) != sizeof word) return std::nullopt;
        return word;
    }

    int in = -1;
    int out = -1;
};

// A forked copy of the test process running `body`, which talks to the test through its Pipe;
// the child leaves with _exit and the body's result as exit code.
class ChildProcess {
  public:
    explicit ChildProcess(const std::function<int(const Pipe&)>& body) {
        int toChild[2];
        int toParent[2];
        if (::pipe(toChild) != 0 || ::pipe(toParent) != 0) return;
        std::fflush(nullptr);
        pid = fork();
        if (pid == 0) {
            close(toChild[1]);
            close(toParent[0]);
            _exit(body(Pipe(toChild[0], toParent[1])));
        }
        close(toChild[0]);
        close(toParent[1]);
        pipe_ = Pipe(toParent[0], toChild[1]);
    }
    // Closing our ends first lets a child that still waits for a word see the end and leave.
    ~ChildProcess() {
        close(pipe_.in);
        close(pipe_.out);
        if (pid > 0 && !reaped) Wait();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    const Pipe& pipe() const { return pipe_; }
    // The child's exit code; -1 when it did not exit normally.
    int Wait() {
        int status = 0;
        waitpid(pid, &status, 0);
        reaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid = -1;

  private:
    Pipe pipe_;
    bool reaped = false;
};

}  // namespace liveconnection_test

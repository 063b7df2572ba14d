// Another program run by a test as a second process: its standard output read line by line,
// its standard error kept in a file, and its end seen or brought about. The tests that need two
// processes on one link (a host and Korvan, two hosts) use it the same way on every platform.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

class ChildProcess {
  public:
    // Starts `executable` with `arguments`. Standard error goes to `errorFile` (made anew); an
    // empty path leaves it to the test's own. Started() tells whether it began.
    ChildProcess(const std::filesystem::path& executable, const std::vector<std::string>& arguments,
                 const std::filesystem::path& errorFile = {});
    ~ChildProcess();  // ends a child that is still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const;
    uint32_t Id() const;  // the process id, as the platform's window and lock records give it

    // The next line of standard output without its line end (\n, or \r\n as Windows writes text);
    // nothing at its end, or when none came within `patience`.
    std::optional<std::string> ReadLine(std::chrono::milliseconds patience = kPatience);
    // Everything still to come on standard output, until the child closes it.
    std::string ReadRest();

    // Writes `line` and a line end to the child's standard input; false when the child no longer
    // reads it.
    bool WriteLine(const std::string& line);
    // Closes the child's standard input: a child that waits for its end goes on.
    void CloseInput();
    // Asks the child to finish normally (SIGTERM; on Windows a Ctrl+Break to its own group).
    void AskToStop();
    // Ends the child at once, as a crash or the task manager would (SIGKILL; TerminateProcess).
    void Kill();
    // Waits for the end: the exit code, -1 when the child was killed.
    int Wait();

    // Every wait ends long before this unless something is broken; it only keeps a broken test
    // from hanging.
    static constexpr std::chrono::milliseconds kPatience{20000};

  private:
    struct Handles;
    // Appends what the child wrote next; false at the end of its output or after `patience`.
    bool ReadMore(std::chrono::milliseconds patience);

    std::unique_ptr<Handles> handles_;
    std::string buffered_;
};

// The program this process runs, to be started again in another role.
std::filesystem::path ThisProgram();

}  // namespace test_support

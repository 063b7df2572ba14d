#include "child_roles.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace test_support {
namespace {

constexpr char kReadyLine[] = "twinlink-role-ready";

std::optional<std::string> InputLine() {
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// The argument is the first line of input, read before any request.
const std::string& Argument() {
    static const std::string argument = InputLine().value_or("");
    return argument;
}

}  // namespace

RoleProcess::RoleProcess(const std::string& role, const std::string& argument,
                         const std::filesystem::path& program)
    : ChildProcess(program, {"--gtest_also_run_disabled_tests",
                             "--gtest_filter=ChildRoles.DISABLED_" + role}) {
    WriteLine(argument);
    // GoogleTest speaks first; the role's word comes after.
    while (const std::optional<std::string> line = ReadLine()) {
        if (*line == kReadyLine) {
            ready = true;
            break;
        }
        before += *line + "\n";
    }
}

std::string RoleArgument() {
    return Argument();
}

void TellTestReady() {
    TellTest(kReadyLine);
}

void TellTest(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::optional<std::string> NextRequest() {
    Argument();
    return InputLine();
}

void StayWhileTheTestRuns() {
    while (NextRequest()) continue;
    std::_Exit(0);
}

}  // namespace test_support

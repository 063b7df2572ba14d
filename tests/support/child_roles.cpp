#include "child_roles.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

namespace test_support {
namespace {

constexpr char kArgumentVariable[] = "TWINLINK_ROLE_ARGUMENT";
constexpr char kReadyLine[] = "twinlink-role-ready";

// The argument travels in the environment, which the started program inherits; it is taken
// back out at once, so that the test's later children do not see it.
std::filesystem::path WithArgument(const std::string& argument, const std::filesystem::path& program) {
    SetEnvironmentValue(kArgumentVariable, argument);
    return program;
}

}  // namespace

RoleProcess::RoleProcess(const std::string& role, const std::string& argument,
                         const std::filesystem::path& program)
    : ChildProcess(WithArgument(argument, program),
                   {"--gtest_also_run_disabled_tests", "--gtest_filter=ChildRoles.DISABLED_" + role}) {
    SetEnvironmentValue(kArgumentVariable, std::nullopt);
    // GoogleTest speaks first; the role's word comes after.
    while (const std::optional<std::string> line = ReadLine()) {
        if (*line != kReadyLine) continue;
        ready = true;
        break;
    }
}

std::string RoleArgument() {
    return EnvironmentValue(kArgumentVariable).value_or("");
}

void TellTestReady() {
    TellTest(kReadyLine);
}

void TellTest(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::optional<std::string> NextRequest() {
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void StayUntilKilled() {
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

}  // namespace test_support

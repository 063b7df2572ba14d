// A test program started again to play one role in a second process: the disabled test
// ChildRoles.DISABLED_<role> of the same program, so that the role's code is the test's own and
// runs alike on every platform. The role and the test talk in lines: the role gets its argument
// and then its requests on standard input, and answers on standard output.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "child_process.h"

namespace test_support {

class RoleProcess : public ChildProcess {
  public:
    // Starts `program` (this program unless said otherwise, perhaps a copy saved under another
    // name) on the role, gives it `argument`, and waits until the role says it is ready.
    explicit RoleProcess(const std::string& role, const std::string& argument = "",
                         const std::filesystem::path& program = ThisProgram());

    bool ready = false;
    // What the program wrote before the role was ready: GoogleTest's lines, or why the role
    // failed.
    std::string before;
};

// ---- In the role's process

// What the test gave the role.
std::string RoleArgument();
// Tells the test that the role is ready; RoleProcess waits for this.
void TellTestReady();
// A line to the test, written at once.
void TellTest(const std::string& line);
// The test's next request; nothing once the test has closed the role's input or gone.
std::optional<std::string> NextRequest();
// A role that has done its part waits here until the test kills it, or ends it by closing its
// input (also by ending itself), and then ends the process.
[[noreturn]] void StayWhileTheTestRuns();

}  // namespace test_support

// What does not depend on how the platform runs a process.
#include "child_process.h"

#include <utility>

namespace test_support {

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds patience) {
    size_t newline;
    while ((newline = buffered_.find('\n')) == std::string::npos) {
        if (!ReadMore(patience)) return std::nullopt;
    }
    std::string line = buffered_.substr(0, newline);
    if (!line.empty() && line.back() == '\r') line.pop_back();  // written in text mode on Windows
    buffered_.erase(0, newline + 1);
    return line;
}

std::string ChildProcess::ReadRest() {
    while (ReadMore(kPatience)) continue;
    return std::exchange(buffered_, std::string());
}

}  // namespace test_support

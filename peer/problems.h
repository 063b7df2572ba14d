// What the peer rejects while it reads a link. Shared memory is written by another process and
// is never trusted: every check that fails becomes one Problem, and reading goes on with the
// parts that are still sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvan::peer {

struct Problem {
    std::string where;    // "header", "lock", "slot 3", ...
    std::string message;  // one sentence, no trailing period
};

using Problems = std::vector<Problem>;

// printf-style text, so that messages can quote the numbers they are about. C99 formats (%zu)
// everywhere: on Windows the build takes MinGW's own printf, which knows them.
std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// "slot 3"
std::string SlotPlace(uint32_t slot);

}  // namespace korvan::peer

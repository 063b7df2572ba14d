#include "model/guid.h"

#include <cstdio>
#include <random>

namespace hostsim {

std::string NewGuid() {
    static std::mt19937_64 rng{std::random_device{}()};
    unsigned long long a = rng(), b = rng();
    char text[40];
    std::snprintf(text, sizeof text, "%08llx-%04llx-%04llx-%04llx-%012llx", a >> 32, (a >> 16) & 0xFFFF,
                  a & 0xFFFF, b >> 48, b & 0xFFFFFFFFFFFFull);
    return text;
}

}  // namespace hostsim

#pragma once

#include <string>

namespace hostsim {

// A random GUID in SketchUp's text form (8-4-4-4-12 lower-case hexadecimal digits).
std::string NewGuid();

}  // namespace hostsim

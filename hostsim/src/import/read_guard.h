// Files that would make assimp exhaust memory or time instead of failing, refused before it
// reads them: an OFF header announcing more vertices and faces than the file can hold makes
// assimp's reader allocate and fill them all.
#pragma once

#include <optional>
#include <string>

namespace hostsim {

// The reason to refuse the file, or nothing when assimp may read it.
std::optional<std::string> RefuseBeforeReading(const std::string& path);

}  // namespace hostsim

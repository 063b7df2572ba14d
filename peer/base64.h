// Base64 (RFC 4648, with padding), for buffers embedded in a text file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvan::peer {

std::string Base64(const std::vector<uint8_t>& bytes);

}  // namespace korvan::peer

// The link descriptor: keys and values that tell Korvan about the link, sent as one text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace TwinLinkAPI {

enum DescriptorValueKind : int32_t {
    kEncodedValue = 0,   // percent-encoded on the wire
    kVerbatimValue = 1,  // written as it stands
};

// Key → (kind, value), kept in UTF-16 code-unit order of the keys.
using DescriptorMap = std::map<std::u16string, std::pair<int32_t, std::u16string>>;

// {"key":"value",...} in key order. Keys and verbatim values are not escaped; any kind other
// than kEncodedValue is written verbatim. An empty map gives "{}".
std::u16string BuildDescriptorText(const DescriptorMap& descriptor);

}  // namespace TwinLinkAPI

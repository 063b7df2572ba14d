// The link descriptor as the plug-in sends it: {"key":"value",...}, keys in ascending UTF-16
// order, neither keys nor values escaped (no value contains a quotation mark), most values
// percent-encoded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "peer/link_snapshot.h"

namespace korvan::peer {

struct DescriptorReading {
    DescriptorSnapshot descriptor;  // entries only when the text is well-formed
    std::vector<std::string> problems;
};

// Reads the text (without its terminating zero). Values are percent-decoded: "%20" is a space,
// "%c3%a9" is é; a "%" without two hex digits stays as it is.
DescriptorReading ReadDescriptorText(std::u16string_view text);

}  // namespace korvan::peer

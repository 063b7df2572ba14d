// Names of the kernel objects that make up a connection.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace TwinLinkAPI {

// The main section of a connection: its name with every backslash turned into a slash, since
// kernel object names may not contain backslashes (the directory keeps the original name).
std::u16string MainSectionName(std::u16string_view connectionName);

// A data section: "TwinLinkAPI/<creator pid, decimal>/<id, eight upper-case hex digits>".
std::u16string DataSectionName(uint32_t creatorProcessId, uint32_t sectionId);

}  // namespace TwinLinkAPI

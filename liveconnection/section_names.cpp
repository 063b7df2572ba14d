#include "liveconnection/section_names.h"

#include <cstdio>

#include "liveconnection/wide_text.h"

namespace TwinLinkAPI {

std::u16string MainSectionName(std::u16string_view connectionName) {
    std::u16string name(connectionName);
    for (char16_t& unit : name) {
        if (unit == u'\\') unit = u'/';
    }
    return name;
}

std::u16string DataSectionName(uint32_t creatorProcessId, uint32_t sectionId) {
    char name[64];
    const int length =
        std::snprintf(name, sizeof name, "TwinLinkAPI/%d/%08X", static_cast<int>(creatorProcessId),
                      static_cast<unsigned>(sectionId));
    return WidenAscii(std::string_view(name, static_cast<size_t>(length)));
}

}  // namespace TwinLinkAPI

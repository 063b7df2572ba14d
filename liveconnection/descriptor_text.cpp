#include "liveconnection/descriptor_text.h"

#include "liveconnection/wide_text.h"

namespace TwinLinkAPI {

std::u16string BuildDescriptorText(const DescriptorMap& descriptor) {
    std::u16string text;
    text.reserve(2048);
    bool first = true;
    for (const auto& [key, entry] : descriptor) {
        const auto& [kind, value] = entry;
        text += first ? u'{' : u',';
        first = false;
        text += u'"';
        text += key;
        text += u"\":\"";
        text += kind == kEncodedValue ? PercentEncode(value) : value;
        text += u'"';
    }
    if (first) text += u'{';
    text += u'}';
    return text;
}

}  // namespace TwinLinkAPI

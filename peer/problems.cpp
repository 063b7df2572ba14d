#include "peer/problems.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace korvan::peer {

std::string Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, arguments);
    va_end(arguments);
    return text;
}

std::string SlotPlace(uint32_t slot) {
    return Format("slot %u", slot);
}

}  // namespace korvan::peer

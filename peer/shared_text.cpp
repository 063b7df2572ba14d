#include "peer/shared_text.h"

#include "twinlink/platform.h"

namespace korvan::peer {

FieldText ReadTextField(const char16_t* field, size_t capacity) {
    FieldText text;
    size_t length = 0;
    while (length < capacity && field[length] != u'\0') ++length;
    text.units.assign(field, length);
    text.terminated = length < capacity;
    return text;
}

std::string ToUtf8(std::u16string_view text) {
    return twinlink::platform::Utf16ToUtf8(std::u16string(text));
}

}  // namespace korvan::peer

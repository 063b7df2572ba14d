// Texts in shared memory: UTF-16 in fixed, zero-filled fields that the reader must not run past.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvan::peer {

struct FieldText {
    std::u16string units;     // up to the first zero unit, or the whole field
    bool terminated = false;  // a zero unit was found within the field
};

FieldText ReadTextField(const char16_t* field, size_t capacity);

// UTF-8 for printing; units that are not valid UTF-16 (a lone surrogate) become U+FFFD.
std::string ToUtf8(std::u16string_view text);

}  // namespace korvan::peer

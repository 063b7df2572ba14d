#include "peer/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace korvan::peer {

std::string JsonQuoted(std::string_view utf8) {
    std::string quoted = "\"";
    for (const char c : utf8) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            case '\b':
                quoted += "\\b";
                break;
            case '\f':
                quoted += "\\f";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    quoted += escaped;
                } else {
                    quoted += c;
                }
        }
    }
    quoted += '"';
    return quoted;
}

void JsonWriter::BeginValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!levelHasValues_.empty()) {
        if (levelHasValues_.back()) text_ += ',';
        levelHasValues_.back() = true;
    }
}

void JsonWriter::Open(char bracket) {
    BeginValue();
    text_ += bracket;
    levelHasValues_.push_back(false);
}

void JsonWriter::Close(char bracket) {
    text_ += bracket;
    if (!levelHasValues_.empty()) levelHasValues_.pop_back();
}

JsonWriter& JsonWriter::BeginObject() {
    Open('{');
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    Close('}');
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    Open('[');
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    Close(']');
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    BeginValue();
    text_ += JsonQuoted(key);
    text_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
    BeginValue();
    text_ += JsonQuoted(utf8);
    return *this;
}

JsonWriter& JsonWriter::Unsigned(uint64_t value) {
    BeginValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Signed(int64_t value) {
    BeginValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Float(float value) {
    if (!std::isfinite(value)) return Null();
    BeginValue();
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    text_.append(digits, result.ptr);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeginValue();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeginValue();
    text_ += "null";
    return *this;
}

}  // namespace korvan::peer

// A small JSON builder for the peer's output: values are appended in the order they are printed,
// commas are placed by the writer, texts are escaped and numbers are written exactly (floats in
// their shortest form that reads back to the same value). Text must be UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::peer {

class JsonWriter {
  public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The next value belongs to this key of the enclosing object.
    JsonWriter& Key(std::string_view key);

    JsonWriter& String(std::string_view utf8);
    JsonWriter& Unsigned(uint64_t value);
    JsonWriter& Signed(int64_t value);
    // JSON has no infinities or NaN: those are written as null.
    JsonWriter& Float(float value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    const std::string& Text() const { return text_; }

  private:
    // Writes the comma that separates this value from the previous one at the same level.
    void BeginValue();
    void Open(char bracket);
    void Close(char bracket);

    std::string text_;
    std::vector<bool> levelHasValues_;
    bool afterKey_ = false;
};

// The JSON string literal for a UTF-8 text, quotes included.
std::string JsonQuoted(std::string_view utf8);

}  // namespace korvan::peer

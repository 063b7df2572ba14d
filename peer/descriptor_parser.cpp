#include "peer/descriptor_parser.h"

#include <optional>

#include "peer/problems.h"
#include "peer/shared_text.h"
#include "twinlink/platform.h"

namespace korvan::peer {
namespace {

class Cursor {
  public:
    explicit Cursor(std::u16string_view text) : text_(text) {}

    size_t Position() const { return at_; }
    bool AtEnd() const { return at_ == text_.size(); }

    bool Take(char16_t unit) {
        if (at_ >= text_.size() || text_[at_] != unit) return false;
        ++at_;
        return true;
    }

    // A text between quotation marks; the quotes themselves cannot occur inside.
    std::optional<std::u16string_view> TakeQuoted() {
        if (!Take(u'"')) return std::nullopt;
        const size_t close = text_.find(u'"', at_);
        if (close == std::u16string_view::npos) {
            --at_;
            return std::nullopt;
        }
        const std::u16string_view quoted = text_.substr(at_, close - at_);
        at_ = close + 1;
        return quoted;
    }

  private:
    std::u16string_view text_;
    size_t at_ = 0;
};

int HexValue(char16_t unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    return -1;
}

// The value with its escapes turned back into bytes; nothing when those bytes are not UTF-8.
std::optional<std::string> PercentDecode(std::u16string_view value) {
    std::string bytes;
    std::u16string plain;
    for (size_t i = 0; i < value.size(); ++i) {
        const bool escape = value[i] == u'%' && i + 2 < value.size() &&
                            HexValue(value[i + 1]) >= 0 && HexValue(value[i + 2]) >= 0;
        if (!escape) {
            plain += value[i];
            continue;
        }
        bytes += ToUtf8(plain);
        plain.clear();
        bytes += static_cast<char>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
        i += 2;
    }
    bytes += ToUtf8(plain);
    if (twinlink::platform::Utf16ToUtf8(twinlink::platform::Utf8ToUtf16(bytes)) != bytes)
        return std::nullopt;
    return bytes;
}

}  // namespace

DescriptorReading ReadDescriptorText(std::u16string_view text) {
    DescriptorReading reading;
    reading.descriptor.text = ToUtf8(text);
    Cursor cursor(text);
    const auto malformed = [&](const char* expected) {
        reading.problems.push_back(
            Format("descriptor text is not well-formed: expected %s at unit %zu", expected,
                   cursor.Position()));
        return reading;
    };

    std::vector<std::pair<std::u16string_view, std::u16string_view>> entries;
    if (!cursor.Take(u'{')) return malformed("'{'");
    if (!cursor.Take(u'}')) {
        for (;;) {
            const auto key = cursor.TakeQuoted();
            if (!key) return malformed("a quoted key");
            if (!cursor.Take(u':')) return malformed("':'");
            const auto value = cursor.TakeQuoted();
            if (!value) return malformed("a quoted value");
            entries.emplace_back(*key, *value);
            if (cursor.Take(u',')) continue;
            if (cursor.Take(u'}')) break;
            return malformed("',' or '}'");
        }
    }
    if (!cursor.AtEnd()) return malformed("the end of the text");

    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string key = ToUtf8(entries[i].first);
        if (i > 0 && !(entries[i - 1].first < entries[i].first)) {
            reading.problems.push_back(
                Format("descriptor key \"%s\" does not follow \"%s\" in ascending order",
                       key.c_str(), ToUtf8(entries[i - 1].first).c_str()));
        }
        std::optional<std::string> value = PercentDecode(entries[i].second);
        if (!value) {
            reading.problems.push_back(
                Format("descriptor value of \"%s\" does not decode to UTF-8 text", key.c_str()));
            value = ToUtf8(entries[i].second);
        }
        reading.descriptor.entries.emplace_back(key, *value);
    }
    return reading;
}

}  // namespace korvan::peer

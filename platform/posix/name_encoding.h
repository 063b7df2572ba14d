// How a Windows name (a registry key or value name, a file-mapping name) becomes a file name:
// its UTF-8 bytes with every byte outside A-Z a-z 0-9 . _ - written %XX in upper-case hex, so
// "D:/Models/House.skp" is "D%3A%2FModels%2FHouse.skp". Two refinements keep every name a
// plain, visible file name: a leading '.' is written %2E (no hidden files, no "." or "..") and
// the empty name (a key's default value) is "@", as .reg files write it. The bytes '#', '+'
// and '~' never occur in an encoded name; the layer uses them for its temporary files and for
// names too long for one file name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace twinlink::platform::posix {

// Longest file name the file systems take (NAME_MAX).
inline constexpr size_t kMaxFileName = 255;

// The %XX rule alone, over any bytes (also used for texts inside the layer's own files).
std::string PercentEncode(std::string_view bytes);
// Undoes PercentEncode; nothing when `encoded` holds a byte or an escape it never writes.
std::optional<std::string> PercentDecode(std::string_view encoded);

std::string EncodeName(std::u16string_view name);
std::optional<std::u16string> DecodeName(std::string_view fileName);

// A name for an encoded name longer than kMaxFileName, for places that never list names back:
// its first bytes, '~', and 32 hex digits of a 128-bit digest of all of it.
std::string ShortenedFileName(std::string_view encodedName);

// Whether a directory entry is a temporary file of the layer ("#..."), to be skipped.
inline bool IsTemporaryEntry(std::string_view fileName) {
    return !fileName.empty() && fileName[0] == '#';
}

// A temporary file name unique to this process and call: "#<pid>-<counter>".
std::string TemporaryFileName();

}  // namespace twinlink::platform::posix

#include "window_records.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "name_encoding.h"
#include "private_folders.h"
#include "processes.h"
#include "text.h"

namespace twinlink::platform::posix {

namespace {

std::string EncodeText(const std::u16string& text) {
    return PercentEncode(EncodeUtf8(text, Surrogates::Keep));
}

std::optional<std::u16string> DecodeText(const std::string& encoded) {
    const std::optional<std::string> bytes = PercentDecode(encoded);
    if (!bytes) return std::nullopt;
    return DecodeUtf8(*bytes, Surrogates::Keep);
}

std::optional<uint64_t> Number(const std::string& text, int base) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, base);
    if (*end != '\0') return std::nullopt;
    return value;
}

}  // namespace

std::string HandleText(WindowHandle handle) {
    char text[24];
    std::snprintf(text, sizeof text, "%08llx", static_cast<unsigned long long>(handle));
    return text;
}

std::optional<WindowHandle> HandleFromRecordName(std::string_view fileName) {
    if (fileName.size() <= kRecordSuffix.size() || !fileName.ends_with(kRecordSuffix))
        return std::nullopt;
    const std::string digits(fileName.substr(0, fileName.size() - kRecordSuffix.size()));
    const std::optional<uint64_t> handle = Number(digits, 16);
    if (!handle || *handle == 0 || HandleText(*handle) != digits) return std::nullopt;
    return static_cast<WindowHandle>(*handle);
}

std::string RecordText(const WindowRecord& record) {
    const WindowInfo& info = record.info;
    std::ostringstream text;
    text << "handle " << HandleText(info.handle) << "\n"
         << "pid " << info.processId << "\n"
         << "start " << record.startTime << "\n"
         << "created " << record.created << "\n"
         << "visible " << (info.visible ? 1 : 0) << "\n"
         << "owner " << HandleText(info.owner) << "\n"
         << "class " << EncodeText(info.className) << "\n"
         << "title " << EncodeText(info.title) << "\n";
    return text.str();
}

std::optional<WindowRecord> ParseRecord(std::string_view text) {
    WindowRecord record;
    unsigned seen = 0;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        const size_t space = line.find(' ');
        if (space == std::string::npos) return std::nullopt;
        const std::string key = line.substr(0, space);
        const std::string value = line.substr(space + 1);
        std::optional<uint64_t> number;
        if (key == "class" || key == "title") {
            std::optional<std::u16string> decoded = DecodeText(value);
            if (!decoded) return std::nullopt;
            (key == "class" ? record.info.className : record.info.title) = std::move(*decoded);
            seen |= key == "class" ? 1u : 2u;
            continue;
        }
        const bool hex = key == "handle" || key == "owner";
        number = Number(value, hex ? 16 : 10);
        if (!number) return std::nullopt;
        if (key == "handle") {
            record.info.handle = static_cast<WindowHandle>(*number), seen |= 4;
        } else if (key == "pid") {
            record.info.processId = static_cast<uint32_t>(*number), seen |= 8;
        } else if (key == "start") {
            record.startTime = *number, seen |= 16;
        } else if (key == "created") {
            record.created = *number, seen |= 32;
        } else if (key == "visible") {
            record.info.visible = *number != 0, seen |= 64;
        } else if (key == "owner") {
            record.info.owner = static_cast<WindowHandle>(*number), seen |= 128;
        }
    }
    if (seen != 255) return std::nullopt;
    return record;
}

std::optional<WindowRecord> LoadLiveRecord(const std::string& folder, WindowHandle handle) {
    if (handle == 0) return std::nullopt;
    int error = 0;
    const std::optional<std::string> text =
        ReadRegularFile(folder + "/" + HandleText(handle) + std::string(kRecordSuffix), &error);
    if (!text) return std::nullopt;
    std::optional<WindowRecord> record = ParseRecord(*text);
    if (!record || record->info.handle != handle) return std::nullopt;
    if (ProcessStartTime(record->info.processId) != record->startTime) {
        RemoveWindowFiles(folder, handle);
        return std::nullopt;
    }
    return record;
}

void RemoveWindowFiles(const std::string& folder, WindowHandle handle) {
    const std::string base = folder + "/" + HandleText(handle);
    unlink((base + std::string(kRecordSuffix)).c_str());
    unlink((base + std::string(kSocketSuffix)).c_str());
}

}  // namespace twinlink::platform::posix

#include "import/read_guard.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace hostsim {

namespace {

// The smallest text an OFF vertex ("0 0 0") or face ("3 0 1 2") line can be.
constexpr unsigned long long kMinVertexBytes = 6, kMinFaceBytes = 8;

std::optional<std::string> CheckOffCounts(const std::string& path, unsigned long long fileSize) {
    std::ifstream in(path, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    std::istringstream text(head);
    // Words of the header, comments aside.
    auto next = [&text](std::string& word) {
        while (text >> word) {
            if (word[0] != '#') return true;
            std::string comment;
            std::getline(text, comment);
        }
        return false;
    };
    std::string keyword, first, second;
    // OFF, COFF, NOFF, STOFF, ...; binary files state their counts in binary.
    if (!next(keyword) || keyword.size() < 3 || keyword.compare(keyword.size() - 3, 3, "OFF") != 0)
        return std::nullopt;
    if (!next(first) || first == "BINARY" || !next(second)) return std::nullopt;
    unsigned long long vertices = 0, faces = 0;
    auto number = [](const std::string& s, unsigned long long& v) {
        auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        return ec == std::errc() && end == s.data() + s.size();
    };
    if (!number(first, vertices) || !number(second, faces)) return std::nullopt;
    const unsigned long long limit = fileSize + 1;
    if (vertices <= limit / kMinVertexBytes && faces <= limit / kMinFaceBytes &&
        vertices * kMinVertexBytes + faces * kMinFaceBytes <= limit)
        return std::nullopt;
    return "its header announces " + std::to_string(vertices) + " vertices and " +
           std::to_string(faces) + " faces, more than a file of " + std::to_string(fileSize) +
           " bytes can hold";
}

}  // namespace

std::optional<std::string> RefuseBeforeReading(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return std::nullopt;
    return CheckOffCounts(path, size);
}

}  // namespace hostsim

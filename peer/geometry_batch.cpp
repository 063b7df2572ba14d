#include "peer/geometry_batch.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "liveconnection/shared_layout.h"

namespace korvan::peer {

using namespace TwinLinkAPI;

namespace {

// Word `first` onwards, `count` words, copied out of the section bytes (already bounds-checked).
template <typename Word>
std::vector<Word> WordsAt(const uint8_t* bytes, uint64_t first, uint64_t count) {
    std::vector<Word> words(count);
    if (count > 0) std::memcpy(words.data(), bytes + first * 4, count * 4);
    return words;
}

// How many values the test holds for, eight at a time: a fixed trip count without a branch,
// which the compiler turns into vector instructions. A large batch is checked at every change.
template <typename Value, typename Test>
size_t CountInBlocks(const std::vector<Value>& values, const Test& test) {
    const size_t count = values.size();
    size_t found = 0;
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint32_t inBlock = 0;
        for (size_t k = 0; k < 8; ++k) inBlock += test(values[i + k]) ? 1u : 0u;
        found += inBlock;
    }
    for (; i < count; ++i) found += test(values[i]) ? 1 : 0;
    return found;
}

// The first non-finite value of `values`, reported once for the whole array.
bool CheckFinite(const std::vector<float>& values, size_t perVertex, const char* what,
                 const std::string& where, Problems& problems) {
    // All exponent bits set: infinite or not a number.
    const auto nonFinite = [](float value) {
        return (std::bit_cast<uint32_t>(value) & 0x7F800000u) == 0x7F800000u;
    };
    const size_t bad = CountInBlocks(values, nonFinite);
    if (bad == 0) return true;
    const size_t first = static_cast<size_t>(
        std::find_if(values.begin(), values.end(), nonFinite) - values.begin());
    problems.push_back(
        {where, Format("geometry %s of vertex %zu is not a finite number (%zu such values)", what,
                       first / perVertex, bad)});
    return false;
}

}  // namespace

std::optional<CopiedGeometry> CopyGeometryBatch(const uint8_t* bytes, uint64_t size) {
    if (size < sizeof(GeometryCounts)) return std::nullopt;
    CopiedGeometry copied;
    std::memcpy(&copied.counts, bytes, sizeof copied.counts);
    if (GeometryBytesNeeded(copied.counts) > size) return std::nullopt;
    const uint64_t vertices = copied.counts.vertexCount;
    const uint64_t uvWords = 2 * uint64_t{copied.counts.uvSetCount} * vertices;
    auto& mesh = *(copied.mesh = std::make_shared<MaterialMesh>());
    mesh.positions = WordsAt<float>(bytes, 3, 3 * vertices);
    mesh.normals = WordsAt<float>(bytes, 3 + 3 * vertices, 3 * vertices);
    // Only the first UV set is kept; a batch with another count is rejected by the checks anyway.
    mesh.uvs = WordsAt<float>(bytes, 3 + 6 * vertices, std::min<uint64_t>(uvWords, 2 * vertices));
    mesh.indices = WordsAt<uint32_t>(bytes, 3 + 6 * vertices + uvWords, copied.counts.indexCount);
    return copied;
}

std::shared_ptr<const MaterialMesh> CheckGeometryBatch(const CopiedGeometry& copied, const std::string& where,
                                                       Problems& problems) {
    const GeometryCounts& counts = copied.counts;
    const MaterialMesh& mesh = *copied.mesh;
    bool sound = true;
    if (counts.uvSetCount != 1) {
        problems.push_back(
            {where, Format("geometry UV set count is %u, expected 1", counts.uvSetCount)});
        sound = false;
    }
    if (counts.indexCount % 3 != 0) {
        problems.push_back(
            {where, Format("geometry index count %u is not a multiple of 3", counts.indexCount)});
        sound = false;
    }
    const uint32_t vertexCount = counts.vertexCount;
    const auto outside = [vertexCount](uint32_t index) { return index >= vertexCount; };
    const auto outOfRange = static_cast<uint32_t>(CountInBlocks(mesh.indices, outside));
    if (outOfRange > 0) {
        const auto first = std::find_if(mesh.indices.begin(), mesh.indices.end(), outside);
        const auto firstBadPosition = static_cast<uint32_t>(first - mesh.indices.begin());
        const uint32_t firstBadIndex = *first;
        problems.push_back(
            {where, Format("geometry index %u at position %u is not below the vertex count %u "
                           "(%u such indices)",
                           firstBadIndex, firstBadPosition, counts.vertexCount, outOfRange)});
        sound = false;
    }
    sound = CheckFinite(mesh.positions, 3, "position", where, problems) && sound;
    sound = CheckFinite(mesh.normals, 3, "normal", where, problems) && sound;
    sound = CheckFinite(mesh.uvs, 2, "UV", where, problems) && sound;
    if (!sound) return nullptr;
    return copied.mesh;
}

std::shared_ptr<const MaterialMesh> DecodeGeometryBatch(const std::vector<uint8_t>& bytes,
                                                        uint32_t sectionId, const std::string& where,
                                                        Problems& problems) {
    if (bytes.size() < sizeof(GeometryCounts)) {
        problems.push_back(
            {where, Format("geometry section %u holds %zu bytes, too few for its counts", sectionId,
                           bytes.size())});
        return nullptr;
    }
    GeometryCounts counts;
    std::memcpy(&counts, bytes.data(), sizeof counts);
    const uint64_t needed = GeometryBytesNeeded(counts);
    if (needed > bytes.size()) {
        problems.push_back(
            {where,
             Format("geometry section %u needs %llu bytes for %u vertices, %u indices and %u "
                    "UV sets but declares %zu",
                    sectionId, static_cast<unsigned long long>(needed), counts.vertexCount,
                    counts.indexCount, counts.uvSetCount, bytes.size())});
        return nullptr;
    }
    return CheckGeometryBatch(*CopyGeometryBatch(bytes.data(), bytes.size()), where, problems);
}

}  // namespace korvan::peer

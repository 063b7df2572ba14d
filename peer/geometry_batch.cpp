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
std::vector<Word> WordsAt(const std::vector<uint8_t>& bytes, uint64_t first, uint64_t count) {
    std::vector<Word> words(count);
    if (count > 0) std::memcpy(words.data(), bytes.data() + first * 4, count * 4);
    return words;
}

// The first non-finite value of `values`, reported once for the whole array.
bool CheckFinite(const std::vector<float>& values, size_t perVertex, const char* what,
                 const std::string& where, Problems& problems) {
    // Counted on the bits, all exponent bits set, so that the loop runs without a branch: a
    // large batch is read at every change.
    const auto nonFinite = [](float value) {
        return (std::bit_cast<uint32_t>(value) & 0x7F800000u) == 0x7F800000u;
    };
    size_t bad = 0;
    for (const float value : values) bad += nonFinite(value) ? 1 : 0;
    if (bad == 0) return true;
    const size_t first = static_cast<size_t>(
        std::find_if(values.begin(), values.end(), nonFinite) - values.begin());
    problems.push_back(
        {where, Format("geometry %s of vertex %zu is not a finite number (%zu such values)", what,
                       first / perVertex, bad)});
    return false;
}

}  // namespace

std::optional<MaterialMesh> DecodeGeometryBatch(const std::vector<uint8_t>& bytes,
                                                uint32_t sectionId, const std::string& where,
                                                Problems& problems) {
    if (bytes.size() < sizeof(GeometryCounts)) {
        problems.push_back(
            {where, Format("geometry section %u holds %zu bytes, too few for its counts", sectionId,
                           bytes.size())});
        return std::nullopt;
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
        return std::nullopt;
    }
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

    const uint64_t vertices = counts.vertexCount;
    const uint64_t uvWords = 2 * uint64_t{counts.uvSetCount} * vertices;
    MaterialMesh mesh;
    mesh.positions = WordsAt<float>(bytes, 3, 3 * vertices);
    mesh.normals = WordsAt<float>(bytes, 3 + 3 * vertices, 3 * vertices);
    // Only the first UV set is kept; a batch with another count is rejected above anyway.
    mesh.uvs = WordsAt<float>(bytes, 3 + 6 * vertices, std::min<uint64_t>(uvWords, 2 * vertices));
    mesh.indices = WordsAt<uint32_t>(bytes, 3 + 6 * vertices + uvWords, counts.indexCount);

    uint32_t outOfRange = 0;
    uint32_t firstBadPosition = 0;
    uint32_t firstBadIndex = 0;
    for (uint32_t position = 0; position < counts.indexCount; ++position) {
        const uint32_t index = mesh.indices[position];
        if (index < counts.vertexCount) continue;
        if (outOfRange++ == 0) firstBadPosition = position, firstBadIndex = index;
    }
    if (outOfRange > 0) {
        problems.push_back(
            {where, Format("geometry index %u at position %u is not below the vertex count %u "
                           "(%u such indices)",
                           firstBadIndex, firstBadPosition, counts.vertexCount, outOfRange)});
        sound = false;
    }
    sound = CheckFinite(mesh.positions, 3, "position", where, problems) && sound;
    sound = CheckFinite(mesh.normals, 3, "normal", where, problems) && sound;
    sound = CheckFinite(mesh.uvs, 2, "UV", where, problems) && sound;
    if (!sound) return std::nullopt;
    return mesh;
}

}  // namespace korvan::peer

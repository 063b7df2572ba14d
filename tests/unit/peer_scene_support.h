// Shared by the tests of the peer's scene: materials and their batches written into a link hosted
// in the test's process, byte by byte as the material catalogue and the geometry writer lay them
// out, and the triangles of such a batch as the test itself sees them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "liveconnection/live_connection.h"
#include "peer_test_support.h"

namespace peer_test {

struct Batch {
    std::vector<float> positions;
    std::vector<float> normals;
    std::vector<float> uvs;
    std::vector<uint32_t> indices;
    uint32_t extraBytes = 0;  // the section is larger than the batch, as after growth
};

// A square in the plane y = `height`, from -half to +half in x and z, two triangles, every normal
// `normal`.
inline Batch FlatSquare(float height, float half, std::vector<float> normal = {0, 1, 0}) {
    Batch batch;
    batch.positions = {-half, height, -half, half, height, -half,
                       half,  height, half,  -half, height, half};
    for (int i = 0; i < 4; ++i) batch.normals.insert(batch.normals.end(), normal.begin(), normal.end());
    batch.uvs = {0, 0, 1, 0, 1, 1, 0, 1};
    batch.indices = {0, 2, 1, 0, 3, 2};
    return batch;
}

inline std::vector<uint32_t> BatchWords(const Batch& batch) {
    std::vector<uint32_t> words{static_cast<uint32_t>(batch.positions.size() / 3),
                                static_cast<uint32_t>(batch.indices.size()), 1};
    for (const std::vector<float>* floats : {&batch.positions, &batch.normals, &batch.uvs}) {
        for (float value : *floats) {
            uint32_t word;
            std::memcpy(&word, &value, sizeof word);
            words.push_back(word);
        }
    }
    words.insert(words.end(), batch.indices.begin(), batch.indices.end());
    return words;
}

// Writes `words` into a new section of `record` and names it there with the given revision.
inline uint32_t PutBatchWords(TwinLinkAPI::LiveConnection& host, TwinLinkAPI::RecordHeader* record,
                              const std::vector<uint32_t>& words, uint32_t extraBytes,
                              uint32_t revision) {
    const uint32_t size = static_cast<uint32_t>(words.size() * 4) + extraBytes;
    const uint32_t section = host.CreateSection(record->recordId, size);
    std::memcpy(host.MapSection(section), words.data(), words.size() * 4);
    PutU32(record, 1920, revision);
    PutU32(record, 1924, section);
    PutU32(record, 1928, size);
    host.MarkRecord(record, TwinLinkAPI::kChangedFlag);
    return section;
}

// A material record ("SRFC") with its name, colour and opacity, without a batch.
inline TwinLinkAPI::RecordHeader* PutMaterial(TwinLinkAPI::LiveConnection& host,
                                              const std::u16string& name, uint32_t colour,
                                              float opacity) {
    TwinLinkAPI::RecordHeader* record = host.CreateRecord(TwinLinkAPI::kSurfaceTag);
    if (record == nullptr) return nullptr;
    PutU32(record, 20, 1);
    PutText(record, 24, name);
    PutU32(record, 804, colour);
    PutFloat(record, 808, 0.5f);
    PutFloat(record, 812, 1.0f);
    PutFloat(record, 824, opacity);
    PutFloat(record, 832, 1.0f);
    PutU32(record, 1388, 0xFFFFFFFF);
    return record;
}

inline TwinLinkAPI::RecordHeader* PutMaterialWithBatch(TwinLinkAPI::LiveConnection& host,
                                                       const std::u16string& name, uint32_t colour,
                                                       float opacity, const Batch& batch,
                                                       uint32_t revision = 1) {
    TwinLinkAPI::RecordHeader* record = PutMaterial(host, name, colour, opacity);
    if (record != nullptr) PutBatchWords(host, record, BatchWords(batch), batch.extraBytes, revision);
    return record;
}

// The triangle lines of the peer's dump, worked out from the batch the test wrote.
inline std::string ExpectedTriangleLines(const Batch& batch) {
    std::string text;
    char number[32];
    for (size_t t = 0; t + 2 < batch.indices.size(); t += 3) {
        std::string line;
        for (size_t k = 0; k < 3; ++k) {
            const uint32_t v = batch.indices[t + k];
            const float values[8] = {batch.positions[3 * v],     batch.positions[3 * v + 1],
                                     batch.positions[3 * v + 2], batch.normals[3 * v],
                                     batch.normals[3 * v + 1],   batch.normals[3 * v + 2],
                                     batch.uvs[2 * v],           batch.uvs[2 * v + 1]};
            for (float value : values) {
                std::snprintf(number, sizeof number, "%.9g", static_cast<double>(value));
                line += (line.empty() ? "" : " ") + std::string(number);
            }
        }
        text += line + "\n";
    }
    return text;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace peer_test

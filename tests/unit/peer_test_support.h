// Shared by the peer's tests: korvan-peer run as a real second process (its standard output read
// line by line, its standard error kept in a file), and a link hosted in the test's process whose
// materials and batches are written byte by byte as the catalogue and the geometry writer lay
// them out.
#pragma once

#include <gmock/gmock.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "liveconnection/live_connection.h"
#include "liveconnection_test_support.h"
#include "peer/json_writer.h"
#include "peer/link_decoder.h"
#include "peer/peer_commands.h"
#include "peer/snapshot_json.h"
#include "twinlink/platform.h"

namespace peer_test {

using namespace TwinLinkAPI;
using namespace korvan::peer;
using liveconnection_test::RawSection;
using testing::HasSubstr;
using testing::StartsWith;
using Lines = std::vector<std::string>;
namespace platform = twinlink::platform;

// Every test has its own state folders, so they can all host the same link.
constexpr char kLink[] = "C:\\Models\\Scene.skp";
constexpr char16_t kLink16[] = u"C:\\Models\\Scene.skp";
constexpr char16_t kMainSection[] = u"C:/Models/Scene.skp";
constexpr char kLinkJson[] = R"("link":"C:\\Models\\Scene.skp")";

// What PeerTest::Run gives for a command that prints `line` and succeeds.
inline std::pair<std::string, int> Done(const std::string& line) {
    return {line + "\n", kExitDone};
}

// Every wait below ends long before this unless something is broken; it only keeps a broken
// test from hanging.
constexpr auto kSafetyNet = std::chrono::seconds(20);

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// korvan-peer as a second process.
class PeerProcess : public test_support::ChildProcess {
  public:
    PeerProcess(const std::vector<std::string>& arguments, const std::filesystem::path& errorFile)
        : ChildProcess(KORVAN_PEER_EXECUTABLE, arguments, errorFile) {}
};

// A private state folder per test, and the plug-in's side of a link: kLink hosted with 8 slots.
class PeerTest : public liveconnection_test::PrivateStateTest {
  protected:
    void SetUp() override {
        PrivateStateTest::SetUp();
        ASSERT_EQ(host.Host(kLink16, 8), 0);
    }

    std::filesystem::path ErrorFile() const { return root / "peer-stderr.txt"; }

    // korvan-peer run to its end: its output and exit code.
    std::pair<std::string, int> Run(const std::vector<std::string>& arguments) {
        PeerProcess peer(arguments, ErrorFile());
        std::string output = peer.ReadRest();
        return {output, peer.Wait()};
    }

    LiveConnection host;
};

// Waits until `condition` holds, checking every few milliseconds; false after the safety net.
template <typename Condition>
bool Eventually(Condition condition) {
    const auto giveUp = std::chrono::steady_clock::now() + kSafetyNet;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The first window that `wanted` accepts, once it is there.
template <typename Wanted>
std::optional<platform::WindowInfo> WaitForWindow(Wanted wanted) {
    std::optional<platform::WindowInfo> found;
    Eventually([&] {
        for (const platform::WindowInfo& window : platform::EnumWindows()) {
            if (!found && wanted(window)) found = window;
        }
        return found.has_value();
    });
    return found;
}

// The problems of a snapshot as "where: message" lines, so that a failing test shows them all.
inline Lines ProblemLines(const LinkSnapshot& snapshot) {
    Lines lines;
    for (const Problem& problem : snapshot.problems)
        lines.push_back(problem.where + ": " + problem.message);
    return lines;
}

// Bytes written at their offsets, the way the plug-in's writers lay out records and batches.
inline void PutU32(void* base, size_t offset, uint32_t value) {
    std::memcpy(static_cast<uint8_t*>(base) + offset, &value, sizeof value);
}
inline void PutFloat(void* base, size_t offset, float value) {
    std::memcpy(static_cast<uint8_t*>(base) + offset, &value, sizeof value);
}
inline void PutText(void* base, size_t offset, const std::u16string& text) {
    std::memcpy(static_cast<uint8_t*>(base) + offset, text.data(), text.size() * sizeof(char16_t));
}

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
    batch.positions = {-half, height, -half, half,  height, -half,
                       half,  height, half,  -half, height, half};
    for (int i = 0; i < 4; ++i)
        batch.normals.insert(batch.normals.end(), normal.begin(), normal.end());
    batch.uvs = {0, 0, 1, 0, 1, 1, 0, 1};
    batch.indices = {0, 2, 1, 0, 3, 2};
    return batch;
}

// One triangle whose numbers need all nine significant digits, an exponent or a sign of zero.
inline Batch OddTriangle() {
    Batch batch;
    batch.positions = {1.25f, -3.5e-7f, 123456.789f, 0.1f, 2, -7, 1e20f, 0, 0.333333343f};
    batch.normals = {0, 0, 2, -0.0f, 1, 0, 0.6f, 0.8f, 0};
    batch.uvs = {0.5f, -1, 2, 3, 1e-5f, 0.25f};
    batch.indices = {2, 0, 1};
    return batch;
}
// OddTriangle as the triangle dump prints it.
constexpr char kOddTriangleLine[] =
    "1.00000002e+20 0 0.333333343 0.600000024 0.800000012 0 9.99999975e-06 0.25 1.25 "
    "-3.49999993e-07 123456.789 0 0 2 0.5 -1 0.100000001 2 -7 -0 1 0 2 3\n";

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
inline uint32_t PutBatchWords(LiveConnection& host, RecordHeader* record,
                              const std::vector<uint32_t>& words, uint32_t extraBytes,
                              uint32_t revision) {
    const uint32_t size = static_cast<uint32_t>(words.size() * 4) + extraBytes;
    const uint32_t section = host.CreateSection(record->recordId, size);
    std::memcpy(host.MapSection(section), words.data(), words.size() * 4);
    PutU32(record, 1920, revision);
    PutU32(record, 1924, section);
    PutU32(record, 1928, size);
    host.MarkRecord(record, kChangedFlag);
    return section;
}

// A material record ("SRFC") with its name, colour and opacity, and its batch if it has one.
inline RecordHeader* PutMaterial(LiveConnection& host, const std::u16string& name, uint32_t colour,
                                 float opacity, const std::optional<Batch>& batch = std::nullopt,
                                 uint32_t revision = 1) {
    RecordHeader* record = host.CreateRecord(kSurfaceTag);
    if (record == nullptr) return nullptr;
    PutU32(record, 20, 1);
    PutText(record, 24, name);
    PutU32(record, 804, colour);
    PutFloat(record, 808, 0.5f);
    PutFloat(record, 812, 1.0f);
    PutFloat(record, 824, opacity);
    PutFloat(record, 832, 1.0f);
    PutU32(record, 1388, 0xFFFFFFFF);
    if (batch) PutBatchWords(host, record, BatchWords(*batch), batch->extraBytes, revision);
    return record;
}

}  // namespace peer_test

// The peer's own copy of the scene: every live material with its batch, read from a link hosted
// in this process, printed by korvan-peer (counts, triangles) running as a second process, kept
// current by watch, and garbage batches reported and left out.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "liveconnection/live_connection.h"
#include "peer/command_line.h"
#include "peer/peer_commands.h"
#include "peer/scene_mirror.h"
#include "peer/snapshot_json.h"
#include "peer/link_decoder.h"
#include "peer_scene_support.h"

namespace {

using namespace TwinLinkAPI;
using korvan::peer::PeerConnection;
using korvan::peer::SceneMirror;
using peer_test::Batch;
using peer_test::PeerProcess;
using peer_test::PutU32;

constexpr char kLink[] = "C:\\Models\\Scene.skp";
constexpr char16_t kLink16[] = u"C:\\Models\\Scene.skp";
constexpr char kLinkJson[] = R"("link":"C:\\Models\\Scene.skp")";

class PeerGeometryTest : public liveconnection_test::PrivateStateTest {
  protected:
    std::filesystem::path ErrorFile() const { return root / "peer-stderr.txt"; }

    // korvan-peer run to its end: its output and exit code.
    std::pair<std::string, int> Run(const std::vector<std::string>& arguments) {
        PeerProcess peer(arguments, ErrorFile());
        std::string output = peer.ReadRest();
        return {output, peer.Wait()};
    }
};

Batch OddTriangle() {
    Batch batch;
    batch.positions = {1.25f, -3.5e-7f, 123456.789f, 0.1f, 2, -7, 1e20f, 0, 0.333333343f};
    batch.normals = {0, 0, 2, -0.0f, 1, 0, 0.6f, 0.8f, 0};
    batch.uvs = {0.5f, -1, 2, 3, 1e-5f, 0.25f};
    batch.indices = {2, 0, 1};
    return batch;
}

TEST_F(PeerGeometryTest, CountsAndTrianglesOfEveryLiveMaterial) {
    LiveConnection host;
    ASSERT_EQ(host.Host(kLink16, 8), 0);
    Batch brick = peer_test::FlatSquare(0.5f, 2.0f);
    brick.extraBytes = 64;  // grown sections hold more than the batch
    ASSERT_NE(peer_test::PutMaterialWithBatch(host, u"Brick", 0xFFB22222, 1.0f, brick, 3), nullptr);
    ASSERT_NE(peer_test::PutMaterial(host, u"Empty", 0xFF000000, 1.0f), nullptr);
    ASSERT_NE(peer_test::PutMaterialWithBatch(host, u"Glass pane", 0x80FFFFFF, 0.5f, OddTriangle()),
              nullptr);
    // A removed material is no longer part of the scene.
    RecordHeader* removed = peer_test::PutMaterial(host, u"Gone", 0xFF00FF00, 1.0f);
    ASSERT_NE(removed, nullptr);
    removed->tag = kRemovedSurfaceTag;

    const auto [counts, countsExit] = Run({"counts", "--link", kLink});
    EXPECT_EQ(countsExit, korvan::peer::kExitDone);
    EXPECT_EQ(counts,
              std::string("{") + kLinkJson +
                  R"(,"lockTaken":true,"materials":[)"
                  R"({"id":3,"name":"Brick","slot":2,"geometryRevision":3,"vertices":4,"indices":6,"triangles":2},)"
                  R"({"id":4,"name":"Empty","slot":3,"geometryRevision":0,"vertices":0,"indices":0,"triangles":0},)"
                  R"({"id":5,"name":"Glass pane","slot":4,"geometryRevision":1,"vertices":3,"indices":3,"triangles":1}],)"
                  R"("totals":{"materials":3,"vertices":7,"indices":9,"triangles":3},"problems":[]})"
                  "\n");

    const std::filesystem::path dump = root / "triangles.txt";
    const auto [written, dumpExit] = Run({"triangles", "--link", kLink, "--out", dump.string()});
    EXPECT_EQ(dumpExit, korvan::peer::kExitDone);
    EXPECT_EQ(written, std::string("{") + kLinkJson + R"(,"out":")" + dump.string() +
                           R"(","materials":3,"triangles":3,"problems":[]})" + "\n");
    EXPECT_EQ(peer_test::ReadFile(dump), "material 3 Brick\n" +
                                             peer_test::ExpectedTriangleLines(brick) +
                                             "material 4 Empty\n"
                                             "material 5 Glass pane\n" +
                                             peer_test::ExpectedTriangleLines(OddTriangle()));
    // The independent reckoning above agrees with a hand-written line of the odd triangle.
    EXPECT_NE(peer_test::ReadFile(dump).find(
                  "1.00000002e+20 0 0.333333343 0.600000024 0.800000012 0 9.99999975e-06 0.25 1.25 "
                  "-3.49999993e-07 123456.789 0 0 2 0.5 -1 0.100000001 2 -7 -0 1 0 2 3\n"),
              std::string::npos);
}

TEST_F(PeerGeometryTest, GarbageBatchesAreReportedAndTheirMaterialsLeftOut) {
    LiveConnection host;
    ASSERT_EQ(host.Host(kLink16, 16), 0);
    ASSERT_NE(peer_test::PutMaterialWithBatch(host, u"Good", 0xFF0000FF, 1.0f, OddTriangle()),
              nullptr);

    // Counts that announce far more than the section holds.
    RecordHeader* tooBig = peer_test::PutMaterial(host, u"TooBig", 0xFF000000, 1.0f);
    std::vector<uint32_t> tooBigWords = peer_test::BatchWords(OddTriangle());
    tooBigWords[0] = 1000;
    const uint32_t tooBigSection = peer_test::PutBatchWords(host, tooBig, tooBigWords, 0, 1);

    Batch badIndex = OddTriangle();
    badIndex.indices = {0, 1, 7};
    peer_test::PutMaterialWithBatch(host, u"BadIndex", 0xFF000000, 1.0f, badIndex);

    Batch notFinite = OddTriangle();
    notFinite.normals[4] = std::numeric_limits<float>::quiet_NaN();
    notFinite.positions[8] = std::numeric_limits<float>::infinity();
    peer_test::PutMaterialWithBatch(host, u"NaN", 0xFF000000, 1.0f, notFinite);

    Batch ragged = OddTriangle();
    ragged.indices = {0, 1, 2, 0};
    peer_test::PutMaterialWithBatch(host, u"Ragged", 0xFF000000, 1.0f, ragged);

    RecordHeader* shortOne = peer_test::PutMaterial(host, u"Short", 0xFF000000, 1.0f);
    const uint32_t shortSection = peer_test::PutBatchWords(host, shortOne, {3, 3}, 0, 1);

    Batch twoSets = OddTriangle();
    std::vector<uint32_t> twoSetsWords = peer_test::BatchWords(twoSets);
    twoSetsWords[2] = 2;
    RecordHeader* uvSets = peer_test::PutMaterial(host, u"TwoSets", 0xFF000000, 1.0f);
    peer_test::PutBatchWords(host, uvSets, twoSetsWords, 64, 1);

    const auto [counts, exitCode] = Run({"counts", "--link", kLink});
    EXPECT_EQ(exitCode, korvan::peer::kExitDone);
    const std::string section = std::to_string(tooBigSection);
    EXPECT_EQ(
        counts,
        std::string("{") + kLinkJson +
            R"(,"lockTaken":true,"materials":[)"
            R"({"id":3,"name":"Good","slot":2,"geometryRevision":1,"vertices":3,"indices":3,"triangles":1}],)"
            R"("totals":{"materials":1,"vertices":3,"indices":3,"triangles":1},"problems":[)"
            R"({"where":"slot 3","message":"geometry section )" +
            section +
            R"( needs 32024 bytes for 1000 vertices, 3 indices and 1 UV sets but declares 120"},)"
            R"x({"where":"slot 4","message":"geometry index 7 at position 2 is not below the vertex count 3 (1 such indices)"},)x"
            R"x({"where":"slot 5","message":"geometry position of vertex 2 is not a finite number (1 such values)"},)x"
            R"x({"where":"slot 5","message":"geometry normal of vertex 1 is not a finite number (1 such values)"},)x"
            R"({"where":"slot 6","message":"geometry index count 4 is not a multiple of 3"},)"
            R"({"where":"slot 7","message":"geometry section )" +
            std::to_string(shortSection) +
            R"( holds 8 bytes, too few for its counts"},)"
            R"({"where":"slot 8","message":"geometry UV set count is 2, expected 1"}]})"
            "\n");

    // The drawing commands work on what is left.
    const std::filesystem::path dump = root / "triangles.txt";
    EXPECT_EQ(Run({"triangles", "--link", kLink, "--out", dump.string()}).second,
              korvan::peer::kExitDone);
    EXPECT_EQ(peer_test::ReadFile(dump),
              "material 3 Good\n" + peer_test::ExpectedTriangleLines(OddTriangle()));
}

TEST_F(PeerGeometryTest, TheMirrorRereadsOnlyBatchesWhoseRevisionMoved) {
    LiveConnection host;
    ASSERT_EQ(host.Host(kLink16, 8), 0);
    RecordHeader* floor = peer_test::PutMaterialWithBatch(host, u"Floor", 0xFF808080, 1.0f,
                                                          peer_test::FlatSquare(0, 1));
    RecordHeader* glass = peer_test::PutMaterialWithBatch(host, u"Glass", 0xFF8080FF, 0.4f,
                                                          OddTriangle());
    PeerConnection peer;
    ASSERT_EQ(peer.Attach(kLink16), 0);
    SceneMirror mirror;

    mirror.Update(peer, 10000);
    EXPECT_EQ(mirror.BatchesRead(), 2u);
    ASSERT_EQ(mirror.Scene().materials.size(), 2u);
    const auto floorMesh = mirror.Scene().materials[0].mesh;
    EXPECT_EQ(floorMesh->positions, peer_test::FlatSquare(0, 1).positions);
    EXPECT_FLOAT_EQ(mirror.Scene().materials[1].opacity, 0.4f);

    // Nothing moved: nothing is copied, and the snapshot still reads as a full one.
    const korvan::peer::LinkSnapshot kept = mirror.Update(peer, 10000);
    EXPECT_EQ(mirror.BatchesRead(), 0u);
    EXPECT_EQ(korvan::peer::SnapshotJson(kept),
              korvan::peer::SnapshotJson(korvan::peer::TakeSnapshot(peer, 10000)));
    EXPECT_EQ(mirror.Scene().materials[0].mesh, floorMesh);

    // The geometry writer rewrites the glass batch in place and counts its revision up.
    Batch moved = OddTriangle();
    moved.positions[0] = 42;
    std::memcpy(host.MapSection(reinterpret_cast<uint32_t*>(glass)[1924 / 4]),
                peer_test::BatchWords(moved).data(), peer_test::BatchWords(moved).size() * 4);
    PutU32(glass, 1920, 2);
    mirror.Update(peer, 10000);
    EXPECT_EQ(mirror.BatchesRead(), 1u);
    EXPECT_EQ(mirror.Scene().materials[0].mesh, floorMesh);
    EXPECT_EQ(mirror.Scene().materials[1].mesh->positions[0], 42.0f);
    EXPECT_EQ(mirror.Scene().materials[1].geometryRevision, 2u);

    // A batch that turns bad leaves the scene and is reported at every read, not kept.
    PutU32(host.MapSection(reinterpret_cast<uint32_t*>(glass)[1924 / 4]), (3 + 8 * 3 + 2) * 4, 9);
    PutU32(glass, 1920, 3);
    for (int read = 0; read < 2; ++read) {
        const korvan::peer::LinkSnapshot snapshot = mirror.Update(peer, 10000);
        EXPECT_EQ(peer_test::ProblemLines(snapshot),
                  std::vector<std::string>{"slot 3: geometry index 9 at position 2 is not below the "
                                           "vertex count 3 (1 such indices)"});
        ASSERT_EQ(mirror.Scene().materials.size(), 1u);
        EXPECT_EQ(mirror.Scene().materials[0].name, "Floor");
    }

    // A removed record's material goes; the floor's batch is still the one first read.
    ASSERT_EQ(host.DeleteRecord(glass->recordId), 0);
    mirror.Update(peer, 10000);
    ASSERT_EQ(mirror.Scene().materials.size(), 1u);
    EXPECT_EQ(mirror.Scene().materials[0].mesh, floorMesh);
    (void)floor;
}

TEST_F(PeerGeometryTest, WatchKeepsTheSceneCurrentAtEveryMessage) {
    LiveConnection host;
    ASSERT_EQ(host.Host(kLink16, 8), 0);
    RecordHeader* floor = peer_test::PutMaterialWithBatch(host, u"Floor", 0xFF808080, 1.0f,
                                                          peer_test::FlatSquare(0, 1));
    PeerProcess peer({"watch", "--link", kLink, "--count", "3"}, ErrorFile());
    ASSERT_TRUE(peer_test::WaitForWindowOf(static_cast<uint32_t>(peer.pid)).has_value())
        << peer.ErrorText();
    const auto sceneOf = [](const std::optional<std::string>& line) {
        if (!line) return std::string("no line");
        const size_t at = line->rfind(R"(,"scene":)");
        return at == std::string::npos ? *line : line->substr(at);
    };

    ASSERT_EQ(host.Notify(kUpdateNotification, 0), 0);
    EXPECT_EQ(sceneOf(peer.ReadLine()),
              R"(,"scene":{"materials":1,"vertices":4,"indices":6,"triangles":2,"batchesRead":1}})");

    // A second material arrives: only its batch is read.
    peer_test::PutMaterialWithBatch(host, u"Glass", 0xFF8080FF, 0.4f, OddTriangle());
    ASSERT_EQ(host.Notify(kUpdateNotification, 0), 0);
    EXPECT_EQ(sceneOf(peer.ReadLine()),
              R"(,"scene":{"materials":2,"vertices":7,"indices":9,"triangles":3,"batchesRead":1}})");

    // The floor's batch is rebuilt smaller into a new section.
    Batch half = peer_test::FlatSquare(0, 1);
    half.indices.resize(3);
    peer_test::PutBatchWords(host, floor, peer_test::BatchWords(half), 0, 2);
    ASSERT_EQ(host.Notify(kUpdateNotification, 0), 0);
    EXPECT_EQ(sceneOf(peer.ReadLine()),
              R"(,"scene":{"materials":2,"vertices":7,"indices":6,"triangles":2,"batchesRead":1}})");
    EXPECT_EQ(peer.Wait(), korvan::peer::kExitDone);
}

TEST_F(PeerGeometryTest, AHeldLockMeansNoSceneAndNoFile) {
    LiveConnection host;
    ASSERT_EQ(host.Host(kLink16, 8), 0);
    peer_test::PutMaterialWithBatch(host, u"Floor", 0xFF808080, 1.0f, peer_test::FlatSquare(0, 1));
    ASSERT_TRUE(host.Lock(10000));

    const auto [counts, exitCode] = Run({"counts", "--link", kLink, "--lock-timeout-us", "1000"});
    EXPECT_EQ(exitCode, korvan::peer::kExitGaveUp);
    const std::string pid = std::to_string(twinlink::platform::GetCurrentProcessId());
    EXPECT_EQ(counts, std::string("{") + kLinkJson +
                          R"(,"lockTaken":false,"materials":[],"totals":{"materials":0,)"
                          R"("vertices":0,"indices":0,"triangles":0},"problems":[{"where":"lock",)"
                          R"("message":"header lock not taken within 1000 microseconds: held by )"
                          R"(process )" +
                          pid + R"(; records not read"}]})" + "\n");

    const std::filesystem::path image = root / "scene.png";
    EXPECT_EQ(Run({"render", "--link", kLink, "--out", image.string(), "--lock-timeout-us", "1000"})
                  .second,
              korvan::peer::kExitGaveUp);
    EXPECT_FALSE(std::filesystem::exists(image));
    host.Unlock();
}

TEST(PeerSceneCommandLine, FileCommandsNeedAnOutputAndSaneOptions) {
    using korvan::peer::ParseCommandLine;
    const auto error = [](const std::vector<std::string>& arguments) {
        return ParseCommandLine(arguments).error;
    };
    EXPECT_EQ(error({"render"}), "render needs --out");
    EXPECT_EQ(error({"triangles", "--link", "x"}), "triangles needs --out");
    EXPECT_EQ(error({"export", "--out", "scene.stl"}),
              "export writes .gltf or .obj files, not \"scene.stl\"");
    EXPECT_EQ(error({"render", "--out", "a.png", "--size", "0x10"}),
              "option --size needs WxH, each from 1 to 16384 pixels");
    EXPECT_EQ(error({"render", "--out", "a.png", "--eye", "1,2"}),
              "option --eye needs three numbers x,y,z");
    EXPECT_EQ(error({"render", "--out", "a.png", "--up", "0,1,0,"}),
              "option --up needs three numbers x,y,z");
    EXPECT_EQ(error({"render", "--out", "a.png", "--fov", "180"}),
              "option --fov needs degrees between 0 and 180");
    EXPECT_EQ(error({"counts", "--out", "a.txt"}), "option \"--out\" does not belong to counts");

    const auto parsed = ParseCommandLine({"render", "--out", "a.png", "--size", "640x480", "--eye",
                                          "1,-2.5,3e1", "--fov", "55.5"});
    ASSERT_TRUE(parsed.options.has_value()) << parsed.error;
    EXPECT_EQ(parsed.options->imageWidth, 640u);
    EXPECT_EQ(parsed.options->imageHeight, 480u);
    ASSERT_TRUE(parsed.options->camera.eye.has_value());
    EXPECT_EQ(parsed.options->camera.eye->y, -2.5);
    EXPECT_EQ(parsed.options->camera.eye->z, 30.0);
    EXPECT_FALSE(parsed.options->camera.target.has_value());
    EXPECT_EQ(parsed.options->camera.fieldOfViewDegrees, 55.5);
    const auto obj = ParseCommandLine({"export", "--out", "Scene.OBJ"});
    ASSERT_TRUE(obj.options.has_value());
    EXPECT_EQ(obj.options->exportFormat, korvan::peer::ExportFormat::Obj);
}

}  // namespace

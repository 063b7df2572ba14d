// The peer's own copy of the scene: every live material with its batch, read from a link hosted
// in this process, printed by korvan-peer (counts, triangles, glTF and OBJ) running as a second
// process, kept current batch by batch, and garbage batches reported and left out.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <limits>

#include "peer/gltf_export.h"
#include "peer/scene_mirror.h"
#include "peer_test_support.h"

namespace {

using namespace peer_test;

using PeerSceneTest = PeerTest;

TEST_F(PeerSceneTest, CountsAndTrianglesOfEveryLiveMaterial) {
    Batch brick = FlatSquare(0.5f, 2.0f);
    brick.extraBytes = 64;  // grown sections hold more than the batch
    ASSERT_NE(PutMaterial(host, u"Brick", 0xFFB22222, 1.0f, brick, 3), nullptr);
    ASSERT_NE(PutMaterial(host, u"Empty", 0xFF000000, 1.0f), nullptr);
    ASSERT_NE(PutMaterial(host, u"Glass pane", 0x80FFFFFF, 0.5f, OddTriangle()), nullptr);
    // A removed material is no longer part of the scene.
    RecordHeader* removed = PutMaterial(host, u"Gone", 0xFF00FF00, 1.0f);
    ASSERT_NE(removed, nullptr);
    removed->tag = kRemovedSurfaceTag;

    EXPECT_EQ(
        Run({"counts", "--link", kLink}),
        Done(
            std::string("{") + kLinkJson +
            R"(,"lockTaken":true,"materials":[)"
            R"({"id":3,"name":"Brick","slot":2,"geometryRevision":3,"vertices":4,"indices":6,"triangles":2},)"
            R"({"id":4,"name":"Empty","slot":3,"geometryRevision":0,"vertices":0,"indices":0,"triangles":0},)"
            R"({"id":5,"name":"Glass pane","slot":4,"geometryRevision":1,"vertices":3,"indices":3,"triangles":1}],)"
            R"("totals":{"materials":3,"vertices":7,"indices":9,"triangles":3},"problems":[]})"));

    const std::filesystem::path dump = root / "triangles.txt";
    EXPECT_EQ(Run({"triangles", "--link", kLink, "--out", dump.string()}),
              Done(std::string("{") + kLinkJson + R"(,"out":)" + JsonQuoted(dump.string()) +
                   R"(,"materials":3,"triangles":3,"problems":[]})"));
    EXPECT_EQ(ReadFile(dump),
              std::string("material 3 Brick\n"
                          "-2 0.5 -2 0 1 0 0 0 2 0.5 2 0 1 0 1 1 2 0.5 -2 0 1 0 1 0\n"
                          "-2 0.5 -2 0 1 0 0 0 -2 0.5 2 0 1 0 0 1 2 0.5 2 0 1 0 1 1\n"
                          "material 4 Empty\n"
                          "material 5 Glass pane\n") +
                  kOddTriangleLine);
}

TEST_F(PeerSceneTest, GarbageBatchesAreReportedAndTheirMaterialsLeftOut) {
    // Hosted again with room for nine records; the record ids go on from the first hosting.
    ASSERT_EQ(host.Host(kLink16, 16), 0);
    ASSERT_NE(PutMaterial(host, u"Good", 0xFF0000FF, 1.0f, OddTriangle()), nullptr);

    // A vertex count whose byte size does not fit 32 bits.
    RecordHeader* tooBig = PutMaterial(host, u"TooBig", 0xFF000000, 1.0f);
    std::vector<uint32_t> tooBigWords = BatchWords(OddTriangle());
    tooBigWords[0] = 0x40000000;
    const uint32_t tooBigSection = PutBatchWords(host, tooBig, tooBigWords, 0, 1);

    Batch badIndex = OddTriangle();
    badIndex.indices = {0, 1, 7};
    PutMaterial(host, u"BadIndex", 0xFF000000, 1.0f, badIndex);

    Batch notFinite = OddTriangle();
    notFinite.normals[4] = std::numeric_limits<float>::quiet_NaN();
    notFinite.positions[8] = std::numeric_limits<float>::infinity();
    PutMaterial(host, u"NaN", 0xFF000000, 1.0f, notFinite);

    Batch ragged = OddTriangle();
    ragged.indices = {0, 1, 2, 0};
    PutMaterial(host, u"Ragged", 0xFF000000, 1.0f, ragged);

    RecordHeader* shortOne = PutMaterial(host, u"Short", 0xFF000000, 1.0f);
    const uint32_t shortSection = PutBatchWords(host, shortOne, {3, 3}, 0, 1);

    std::vector<uint32_t> twoSetsWords = BatchWords(OddTriangle());
    twoSetsWords[2] = 2;
    PutBatchWords(host, PutMaterial(host, u"TwoSets", 0xFF000000, 1.0f), twoSetsWords, 64, 1);

    // Counts whose byte size, taken modulo 2^64, would be 24 and pass for a small batch.
    std::vector<uint32_t> wrappingWords = BatchWords(OddTriangle());
    wrappingWords[0] = 0x20000000;
    wrappingWords[2] = 0xFFFFFFFD;
    RecordHeader* wrapping = PutMaterial(host, u"Wrapping", 0xFF000000, 1.0f);
    const uint32_t wrappingSection = PutBatchWords(host, wrapping, wrappingWords, 0, 1);

    EXPECT_EQ(
        Run({"counts", "--link", kLink}),
        Done(
            std::string("{") + kLinkJson +
            R"(,"lockTaken":true,"materials":[)"
            R"({"id":5,"name":"Good","slot":2,"geometryRevision":1,"vertices":3,"indices":3,"triangles":1}],)"
            R"("totals":{"materials":1,"vertices":3,"indices":3,"triangles":1},"problems":[)"
            R"({"where":"slot 3","message":"geometry section )" +
            std::to_string(tooBigSection) +
            R"( needs 34359738392 bytes for 1073741824 vertices, 3 indices and 1 UV sets but declares 120"},)"
            R"x({"where":"slot 4","message":"geometry index 7 at position 2 is not below the vertex count 3 (1 such indices)"},)x"
            R"x({"where":"slot 5","message":"geometry position of vertex 2 is not a finite number (1 such values)"},)x"
            R"x({"where":"slot 5","message":"geometry normal of vertex 1 is not a finite number (1 such values)"},)x"
            R"({"where":"slot 6","message":"geometry index count 4 is not a multiple of 3"},)"
            R"({"where":"slot 7","message":"geometry section )" +
            std::to_string(shortSection) +
            R"( holds 8 bytes, too few for its counts"},)"
            R"({"where":"slot 8","message":"geometry UV set count is 2, expected 1"},)"
            R"({"where":"slot 9","message":"geometry section )" +
            std::to_string(wrappingSection) +
            R"( needs 18446744073709551615 bytes for 536870912 vertices, 3 indices and 4294967293 UV )"
            R"(sets but declares 120"}]})"));
}

TEST_F(PeerSceneTest, TheMirrorRereadsOnlyBatchesWhoseRevisionMoved) {
    PutMaterial(host, u"Floor", 0xFF808080, 1.0f, FlatSquare(0, 1));
    RecordHeader* glass = PutMaterial(host, u"Glass", 0xFF8080FF, 0.4f, OddTriangle());
    ASSERT_NE(glass, nullptr);
    void* glassBatch = host.MapSection(reinterpret_cast<uint32_t*>(glass)[1924 / 4]);
    PeerConnection peer;
    ASSERT_EQ(peer.Attach(kLink16), 0);
    SceneMirror mirror;

    mirror.Update(peer, 10000);
    EXPECT_EQ(mirror.BatchesRead(), 2u);
    ASSERT_EQ(mirror.Scene().materials.size(), 2u);
    // What a read holds is the counts and export tests' concern; here, which batches are reread.
    const auto floorMesh = mirror.Scene().materials[0].mesh;

    // Nothing moved: nothing is copied, and the snapshot still reads as a full one.
    const LinkSnapshot kept = mirror.Update(peer, 10000);
    EXPECT_EQ(mirror.BatchesRead(), 0u);
    EXPECT_EQ(SnapshotJson(kept), SnapshotJson(TakeSnapshot(peer, 10000)));
    EXPECT_EQ(mirror.Scene().materials[0].mesh, floorMesh);

    // The geometry writer rewrites the glass batch in place and counts its revision up.
    PutFloat(glassBatch, 3 * 4, 42);
    PutU32(glass, 1920, 2);
    mirror.Update(peer, 10000);
    EXPECT_EQ(mirror.BatchesRead(), 1u);
    EXPECT_EQ(mirror.Scene().materials[0].mesh, floorMesh);
    EXPECT_EQ(mirror.Scene().materials[1].mesh->positions[0], 42.0f);
    EXPECT_EQ(mirror.Scene().materials[1].geometryRevision, 2u);

    // A batch that turns bad leaves the scene and is reported at every read, not kept.
    PutU32(glassBatch, (3 + 8 * 3 + 2) * 4, 9);
    PutU32(glass, 1920, 3);
    for (int read = 0; read < 2; ++read) {
        EXPECT_EQ(ProblemLines(mirror.Update(peer, 10000)),
                  Lines{"slot 3: geometry index 9 at position 2 is not below the vertex count 3 "
                        "(1 such indices)"});
        ASSERT_EQ(mirror.Scene().materials.size(), 1u);
        EXPECT_EQ(mirror.Scene().materials[0].name, "Floor");
    }

    // A removed record's material goes; the floor's batch is still the one first read.
    ASSERT_EQ(host.DeleteRecord(glass->recordId), 0);
    mirror.Update(peer, 10000);
    ASSERT_EQ(mirror.Scene().materials.size(), 1u);
    EXPECT_EQ(mirror.Scene().materials[0].mesh, floorMesh);
}

TEST_F(PeerSceneTest, AHeldLockMeansNoSceneAndNoFile) {
    PutMaterial(host, u"Floor", 0xFF808080, 1.0f, FlatSquare(0, 1));
    ASSERT_TRUE(host.Lock(10000));

    const std::string pid = std::to_string(platform::GetCurrentProcessId());
    EXPECT_EQ(
        Run({"counts", "--link", kLink, "--lock-timeout-us", "1000"}),
        std::pair(std::string("{") + kLinkJson +
                      R"(,"lockTaken":false,"materials":[],"totals":{"materials":0,)"
                      R"("vertices":0,"indices":0,"triangles":0},"problems":[{"where":"lock",)"
                      R"("message":"header lock not taken within 1000 microseconds: held by )"
                      R"(process )" +
                      pid + R"(; records not read"}]})" + "\n",
                  kExitGaveUp));

    const std::filesystem::path image = root / "scene.png";
    EXPECT_EQ(Run({"render", "--link", kLink, "--out", image.string(), "--lock-timeout-us", "1000"})
                  .second,
              kExitGaveUp);
    EXPECT_FALSE(std::filesystem::exists(image));
    host.Unlock();
}

// The same scene exported twice: a floor whose normals are not unit length, a material without
// triangles, and a translucent pane whose normals are zero.
class PeerExportTest : public PeerTest {
  protected:
    void SetUp() override {
        PeerTest::SetUp();
        floor = FlatSquare(0, 2.0f, {0, 3, 0});
        floor.positions[0] = -2.5f;
        pane = FlatSquare(1.5f, 0.5f, {0, 0, 0});
        PutMaterial(host, u"Floor", 0xFFFF8000, 1.0f, floor);
        PutMaterial(host, u"Nothing yet", 0xFF000000, 1.0f);
        PutMaterial(host, u"Pane", 0xFF00FFFF, 0.25f, pane);
    }

    Batch floor, pane;
};

std::vector<uint8_t> FromBase64(const std::string& text) {
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<uint8_t> bytes;
    uint32_t group = 0;
    int bits = 0;
    for (size_t at = 0; at < text.size() && text[at] != '='; ++at) {
        group = group << 6 | static_cast<uint32_t>(digits.find(text[at]));
        if ((bits += 6) >= 8) bytes.push_back(static_cast<uint8_t>(group >> (bits -= 8)));
    }
    return bytes;
}

template <typename Value>
void Append(std::vector<uint8_t>& bytes, const std::vector<Value>& values) {
    const auto* first = reinterpret_cast<const uint8_t*>(values.data());
    bytes.insert(bytes.end(), first, first + values.size() * sizeof(Value));
}

TEST_F(PeerExportTest, GltfHoldsOnePrimitivePerMaterialWithItsBatchAndColour) {
    const std::filesystem::path file = root / "scene.gltf";
    EXPECT_EQ(Run({"export", "--link", kLink, "--out", file.string()}),
              Done(std::string("{") + kLinkJson + R"(,"out":)" + JsonQuoted(file.string()) +
                   R"(,"materials":3,"triangles":4,"problems":[]})"));
    std::string gltf = ReadFile(file);

    // The buffer, embedded: each primitive's positions, unit normals (a zero normal points up),
    // UVs and indices in turn.
    const std::string prefix = R"("uri":"data:application/octet-stream;base64,)";
    const size_t data = gltf.find(prefix);
    ASSERT_NE(data, std::string::npos) << gltf;
    const size_t from = data + prefix.size(), length = gltf.find('"', from) - from;
    const std::vector<uint8_t> buffer = FromBase64(gltf.substr(from, length));
    gltf.erase(from, length);
    std::vector<uint8_t> expected;
    for (const Batch* batch : {&floor, &pane}) {
        Append(expected, batch->positions);
        Append(expected, FlatSquare(0, 0).normals);
        Append(expected, batch->uvs);
        Append(expected, batch->indices);
    }
    EXPECT_EQ(buffer, expected);

    // A material without triangles has no primitive. Colours are sRGB in the record and linear
    // in glTF: 0x80 is 0.2158605 linear.
    const std::string name = R"("name":"C:\\Models\\Scene.skp")";
    EXPECT_EQ(
        gltf,
        R"({"asset":{"version":"2.0","generator":"korvan-peer"},"scene":0,"scenes":[{)" + name +
            R"(,"nodes":[0]}],"nodes":[{)" + name + R"(,"mesh":0,"scale":[1,1,-1]}],"meshes":[{)" + name +
            R"(,"primitives":[)"
            R"({"attributes":{"POSITION":0,"NORMAL":1,"TEXCOORD_0":2},"indices":3,"material":0,"mode":4},)"
            R"({"attributes":{"POSITION":4,"NORMAL":5,"TEXCOORD_0":6},"indices":7,"material":1,"mode":4}]}],)"
            R"("materials":[{"name":"Floor","pbrMetallicRoughness":{"baseColorFactor":[1,0.2158605,0,1],"metallicFactor":0,)"
            R"("roughnessFactor":1},"alphaMode":"OPAQUE","doubleSided":false,"extras":{"recordId":3}},{"name":"Pane",)"
            R"("pbrMetallicRoughness":{"baseColorFactor":[0,1,1,0.25],"metallicFactor":0,"roughnessFactor":1},)"
            R"("alphaMode":"BLEND","doubleSided":false,"extras":{"recordId":5}}],"accessors":[)"
            R"({"bufferView":0,"componentType":5126,"count":4,"type":"VEC3","min":[-2.5,0,-2],"max":[2,0,2]},)"
            R"({"bufferView":1,"componentType":5126,"count":4,"type":"VEC3"},)"
            R"({"bufferView":2,"componentType":5126,"count":4,"type":"VEC2"},)"
            R"({"bufferView":3,"componentType":5125,"count":6,"type":"SCALAR"},)"
            R"({"bufferView":4,"componentType":5126,"count":4,"type":"VEC3","min":[-0.5,1.5,-0.5],"max":[0.5,1.5,0.5]},)"
            R"({"bufferView":5,"componentType":5126,"count":4,"type":"VEC3"},)"
            R"({"bufferView":6,"componentType":5126,"count":4,"type":"VEC2"},)"
            R"({"bufferView":7,"componentType":5125,"count":6,"type":"SCALAR"}],"bufferViews":[)"
            R"({"buffer":0,"byteOffset":0,"byteLength":48,"target":34962},{"buffer":0,"byteOffset":48,"byteLength":48,"target":34962},)"
            R"({"buffer":0,"byteOffset":96,"byteLength":32,"target":34962},{"buffer":0,"byteOffset":128,"byteLength":24,"target":34963},)"
            R"({"buffer":0,"byteOffset":152,"byteLength":48,"target":34962},{"buffer":0,"byteOffset":200,"byteLength":48,"target":34962},)"
            R"({"buffer":0,"byteOffset":248,"byteLength":32,"target":34962},{"buffer":0,"byteOffset":280,"byteLength":24,"target":34963}],)"
            R"("buffers":[{"byteLength":304,"uri":"data:application/octet-stream;base64,"}]})"
            "\n");
}

TEST_F(PeerExportTest, ObjCountsVerticesAcrossMaterialsAndItsLibraryHoldsColourAndOpacity) {
    const std::filesystem::path file = root / "scene.obj";
    ASSERT_EQ(Run({"export", "--link", kLink, "--out", file.string()}).second, kExitDone);
    const std::string obj = ReadFile(file);
    EXPECT_THAT(obj, HasSubstr("mtllib scene.mtl\n"));
    EXPECT_THAT(obj, HasSubstr("usemtl material3\nv -2.5 0 -2\nvn 0 3 0\nvt 0 0\n"));
    // Indices count from 1 over the whole file: the pane's vertices follow the floor's four.
    EXPECT_THAT(obj, HasSubstr("f 1/1/1 3/3/3 2/2/2\nf 1/1/1 4/4/4 3/3/3\n"));
    EXPECT_THAT(obj, HasSubstr("usemtl material5\n"));
    EXPECT_THAT(obj, HasSubstr("f 5/5/5 7/7/7 6/6/6\nf 5/5/5 8/8/8 7/7/7\n"));
    EXPECT_THAT(obj, testing::Not(HasSubstr("material4")));
    EXPECT_EQ(ReadFile(root / "scene.mtl"),
              "# Floor\nnewmtl material3\nKd 1 0.501960814 0\nd 1\n"
              "# Pane\nnewmtl material5\nKd 0 1 1\nd 0.25\n");
}


// A picture shared by two materials goes into the file once, upside down so that glTF's texture
// coordinates (from the top left) find what SketchUp's (from the bottom left) meant.
TEST_F(PeerExportTest, GltfCarriesEachPictureOnceAndTurnedForItsCoordinates) {
    auto picture = std::make_shared<TextureImage>();
    picture->width = 2, picture->height = 2;
    picture->rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};  // top row red, green
    PeerScene scene;
    for (uint32_t id : {3u, 4u, 5u}) {
        SceneMaterial material;
        material.id = id;
        material.name = "M" + std::to_string(id);
        material.colour = 0x00FFFFFF;
        const Batch square = FlatSquare(static_cast<float>(id), 1);
        material.mesh = std::make_shared<const MaterialMesh>(
            MaterialMesh{square.positions, square.normals, square.uvs, square.indices});
        if (id != 4) material.texture = picture;
        scene.materials.push_back(material);
    }
    const std::filesystem::path file = root / "textured.gltf";
    std::string error;
    ASSERT_TRUE(WriteGltfFile(file.string(), scene, "T", &error)) << error;
    const std::string gltf = ReadFile(file);
    for (const char* part : {R"("name":"M3","pbrMetallicRoughness":{"baseColorFactor":[1,1,1,1],"baseColorTexture":{"index":0},)",
                             R"("name":"M4","pbrMetallicRoughness":{"baseColorFactor":[1,1,1,1],"metallicFactor")",
                             R"("name":"M5","pbrMetallicRoughness":{"baseColorFactor":[1,1,1,1],"baseColorTexture":{"index":0},)",
                             R"("samplers":[{"wrapS":10497,"wrapT":10497}],"textures":[{"sampler":0,"source":0}],)"})
        EXPECT_NE(gltf.find(part), std::string::npos) << part << "\n" << gltf;

    const std::string prefix = R"("images":[{"uri":"data:image/png;base64,)";
    const size_t at = gltf.find(prefix);
    ASSERT_NE(at, std::string::npos);
    const size_t from = at + prefix.size();
    EXPECT_EQ(gltf.substr(gltf.find('"', from), 4), R"("}],)") << "one image";
    const std::vector<uint8_t> png = FromBase64(gltf.substr(from, gltf.find('"', from) - from));
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + 12),
              (std::vector<uint8_t>{0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0}));
    stbi_image_free(pixels);
}

}  // namespace

// The peer reads a link hosted in this process as Korvan would: header, camera, descriptor,
// material records and the sections they name, printed as the documented JSON.
#include <gtest/gtest.h>

#include "camera/camera_record.h"
#include "liveconnection/live_connection.h"
#include "liveconnection/section_names.h"
#include "peer/link_decoder.h"
#include "peer/snapshot_json.h"
#include "peer_test_support.h"

namespace {

using namespace TwinLinkAPI;
using korvan::peer::LinkSnapshot;
using korvan::peer::PeerConnection;
using korvan::peer::TakeSnapshot;
using peer_test::PutFloat;
using peer_test::PutText;
using peer_test::PutU32;

using PeerSnapshotTest = liveconnection_test::PrivateStateTest;

std::string Number(uint32_t value) {
    return std::to_string(value);
}

TEST_F(PeerSnapshotTest, AFreshLinkPrintsAsDocumented) {
    LiveConnection host;
    ASSERT_EQ(host.Host(u"C:\\Models\\Fresh.skp", 8), 0);
    PeerConnection peer;
    ASSERT_EQ(peer.Attach(u"C:\\Models\\Fresh.skp"), 0);

    const std::string pid = Number(twinlink::platform::GetCurrentProcessId());
    // The lock word is read while the peer holds the lock, so it names the peer (this process).
    const std::string expected =
        R"({"link":"C:\\Models\\Fresh.skp","mappedSize":18432,"lockTaken":true,)"
        R"("header":{"tag":"HEAD","size":1244,"flags":0,"ended":false,"changeCounter":1,"lockOwner":)" +
        pid +
        R"(,"totalSize":18432,"recordAreaOffset":2048,"slotCount":8,"recordCount":3,"highestSlot":1,)"
        R"("creatorProcessId":)" +
        pid +
        R"(,"modelGuid":"","updateCount":1,"peerPathA":"","peerPathB":"","peerValue":0},)"
        R"("records":[{"slot":0,"tag":"VIEW","size":652,"id":1,"flags":0,"changeCounter":0,"readable":true,)"
        R"("follow":0,"camera":null},)"
        R"({"slot":1,"tag":"STAT","size":28,"id":2,"flags":0,"changeCounter":0,"readable":true,)"
        R"("descriptorSection":null,"descriptor":null}],"problems":[]})";
    EXPECT_EQ(korvan::peer::SnapshotJson(TakeSnapshot(peer, 10000)), expected);
    EXPECT_EQ(host.TestHeaderFlags(0xFFFFFFFF), 0u);
    EXPECT_EQ(liveconnection_test::RawSection(u"C:/Models/Fresh.skp").U32(24), 0u)
        << "the peer let the lock go";
}

TEST_F(PeerSnapshotTest, DecodesCameraDescriptorMaterialsAndTheirSections) {
    LiveConnection host;
    ASSERT_EQ(host.Host(u"C:\\Models\\House.skp", 8), 0);
    host.SetModelGuid(u"9F3A2C1E-0B4D-4E6F-8A7B-1C2D3E4F5A6B");

    korvan::CameraRecord camera{};
    for (int i = 0; i < 16; ++i) camera.matrix[i] = i % 5 == 0 ? 1.0f : 0.0f;
    camera.matrix[12] = 1.5f, camera.matrix[13] = 2.0f, camera.matrix[14] = -3.25f;
    camera.projection = static_cast<uint32_t>(korvan::ProjectionKind::Perspective);
    camera.fieldOfView = 35.0f;
    camera.eye[0] = 1.5f, camera.eye[1] = 2.0f, camera.eye[2] = -3.25f;
    camera.direction[2] = -1.0f;
    camera.up[1] = 1.0f;
    host.SendView(false, &camera);

    DescriptorMap descriptor;
    descriptor[u"toolName"] = {kEncodedValue, u"SketchUp Pro \u00e9"};
    descriptor[u"time"] = {kVerbatimValue, u"1234"};
    host.SendDescriptor(descriptor);
    const std::u16string descriptorText =
        uR"({"time":"1234","toolName":"SketchUp%20Pro%20%c3%a9"})";
    const uint32_t descriptorBytes = 2 * (static_cast<uint32_t>(descriptorText.size()) + 1) * 2;

    // A textured material with a batch, written as the material catalogue and the geometry writer
    // do.
    RecordHeader* brick = host.CreateRecord(kSurfaceTag);
    ASSERT_NE(brick, nullptr);
    PutU32(brick, 20, 2);
    PutText(brick, 24, u"Brick, red");
    PutU32(brick, 544, 2);
    PutText(brick, 548, u"lib-7");
    PutU32(brick, 804, 0xFFB22222);
    PutFloat(brick, 824, 0.75f);
    PutU32(brick, 856, 77);
    const uint32_t texture = host.CreateSection(brick->recordId, 64);
    PutU32(brick, 1380, texture);
    PutU32(brick, 1384, 64);
    const uint32_t geometry =
        host.CreateSection(brick->recordId, 2 * peer_test::kTriangleBatchBytes);
    peer_test::PutTriangleBatch(host.MapSection(geometry));
    PutU32(brick, 1920, 4);
    PutU32(brick, 1924, geometry);
    PutU32(brick, 1928, 2 * peer_test::kTriangleBatchBytes);
    host.MarkRecord(brick, kChangedFlag);

    // A removed material: re-tagged, its batch reference cleared, its texture a file.
    RecordHeader* removed = host.CreateRecord(kSurfaceTag);
    ASSERT_NE(removed, nullptr);
    PutText(removed, 24, u"Old glass");
    PutFloat(removed, 824, 0.25f);
    PutText(removed, 860, u"C:\\Textures\\glass.png");
    removed->tag = kRemovedSurfaceTag;

    PeerConnection peer;
    ASSERT_EQ(peer.Attach(u"C:\\Models\\House.skp"), 0);
    const LinkSnapshot snapshot = TakeSnapshot(peer, 10000);
    EXPECT_EQ(peer_test::ProblemLines(snapshot), std::vector<std::string>{});
    ASSERT_TRUE(snapshot.header.has_value());
    EXPECT_EQ(snapshot.header->modelGuid, "9F3A2C1E-0B4D-4E6F-8A7B-1C2D3E4F5A6B");
    EXPECT_EQ(snapshot.header->recordCount, 5u);
    EXPECT_EQ(snapshot.header->highestSlot, 3u);
    ASSERT_EQ(snapshot.records.size(), 4u);

    const auto& view = snapshot.records[0];
    ASSERT_TRUE(view.view && view.view->camera);
    EXPECT_EQ(view.changeCounter, 1u);
    EXPECT_EQ(view.flags, kChangedFlag);
    EXPECT_EQ(view.view->follow, 0u);
    EXPECT_EQ(std::memcmp(&*view.view->camera, &camera, sizeof camera), 0);

    const auto& status = snapshot.records[1];
    ASSERT_TRUE(status.status && status.status->section && status.status->descriptor);
    EXPECT_EQ(status.status->section->id, 1u);
    EXPECT_EQ(status.status->section->size, descriptorBytes);
    EXPECT_EQ(status.status->section->mappedSize, descriptorBytes);
    EXPECT_EQ(status.status->descriptor->text, twinlink::platform::Utf16ToUtf8(descriptorText));
    using Entries = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(status.status->descriptor->entries,
              (Entries{{"time", "1234"}, {"toolName", "SketchUp Pro \u00e9"}}));

    const std::string pid = Number(twinlink::platform::GetCurrentProcessId());
    const std::string json = korvan::peer::SnapshotJson(snapshot);
    const std::string brickJson =
        R"({"slot":2,"tag":"SRFC","size":1932,"id":3,"flags":1,"changeCounter":1,"readable":true,)"
        R"("contentRevision":2,"name":"Brick, red","surfaceType":2,"libraryId":"lib-7","colour":"0xFFB22222",)"
        R"("opacity":0.75,"textureStamp":77,"texturePath":"",)"
        R"("textureSection":{"id":2,"name":"TwinLinkAPI/)" +
        pid +
        R"(/00000002","size":64,"mappedSize":64},)"
        R"("geometryRevision":4,)"
        R"("geometrySection":{"id":3,"name":"TwinLinkAPI/)" +
        pid +
        R"(/00000003","size":240,"mappedSize":240},)"
        R"("geometry":{"vertexCount":3,"indexCount":3,"uvSetCount":1}})";
    EXPECT_NE(json.find(brickJson), std::string::npos) << json;
    const std::string removedJson =
        R"({"slot":3,"tag":"SRFI","size":1932,"id":4,"flags":0,"changeCounter":0,"readable":true,)"
        R"("contentRevision":0,"name":"Old glass","surfaceType":0,"libraryId":"","colour":"0x00000000",)"
        R"("opacity":0.25,"textureStamp":0,"texturePath":"C:\\Textures\\glass.png","textureSection":null,)"
        R"("geometryRevision":0,"geometrySection":null,"geometry":null})";
    EXPECT_NE(json.find(removedJson), std::string::npos) << json;
    EXPECT_NE(
        json.find(R"("camera":{"matrix":[1,0,0,0,0,1,0,0,0,0,1,0,1.5,2,-3.25,1],"projection":1,)"
                  R"("fieldOfView":35,"eye":[1.5,2,-3.25],"direction":[0,0,-1],"up":[0,1,0]})"),
        std::string::npos)
        << json;
    EXPECT_NE(
        json.find(
            R"("descriptor":{"text":"{\"time\":\"1234\",\"toolName\":\"SketchUp%20Pro%20%c3%a9\"}",)"
            R"("entries":{"time":"1234","toolName":"SketchUp Pro )"
            "\u00e9"
            R"("}})"),
        std::string::npos)
        << json;
}

}  // namespace

// The peer reads a link hosted in this process as Korvan would: header, camera, descriptor,
// material records and the sections they name, printed as the documented JSON. Shared memory
// written by someone else is untrusted: every size, count, id, offset and text the peer meets is
// checked, what fails is reported under "problems", and the rest is still read. The garbage cases
// corrupt a hosted link byte by byte; the sanitizer build runs them as well.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera_record.h"
#include "peer/record_tags.h"
#include "peer_test_support.h"

namespace {

using namespace peer_test;

using PeerSnapshotTest = PeerTest;

TEST_F(PeerSnapshotTest, DecodesCameraDescriptorMaterialsAndTheirSections) {
    host.SetModelGuid(u"9F3A2C1E-0B4D-4E6F-8A7B-1C2D3E4F5A6B");
    PeerConnection peer;
    ASSERT_EQ(peer.Attach(kLink16), 0);
    // Before anything is sent the camera and the descriptor are null; reading changes no flag
    // and lets the lock go.
    const std::string fresh = SnapshotJson(TakeSnapshot(peer, 10000));
    EXPECT_THAT(fresh, HasSubstr(R"("follow":0,"camera":null},{"slot":1,"tag":"STAT","size":28,)"
                                 R"("id":2,"flags":0,"changeCounter":0,"readable":true,)"
                                 R"("descriptorSection":null,"descriptor":null}],)"));
    EXPECT_EQ(host.TestHeaderFlags(0xFFFFFFFF), 0u);
    EXPECT_EQ(RawSection(kMainSection).U32(24), 0u) << "the peer let the lock go";

    korvan::CameraRecord camera{};
    for (int i = 0; i < 16; ++i) camera.matrix[i] = i % 5 == 0 ? 1.0f : 0.0f;
    camera.matrix[12] = 1.5f, camera.matrix[13] = 2.0f, camera.matrix[14] = -3.25f;
    camera.projection = static_cast<uint32_t>(korvan::ProjectionKind::Perspective);
    camera.fieldOfView = 35.0f;
    camera.eye[0] = 1.5f, camera.eye[1] = 2.0f, camera.eye[2] = -3.25f;
    camera.direction[2] = -1.0f;
    camera.up[1] = 1.0f;
    host.SendView(false, &camera);
    host.SendDescriptor({{u"toolName", {kEncodedValue, u"SketchUp Pro \u00e9"}},
                         {u"time", {kVerbatimValue, u"1234"}}});

    // A textured material with a batch, written as the material catalogue and the geometry writer
    // do; the texture section is made first.
    RecordHeader* brick = PutMaterial(host, u"Brick, red", 0xFFB22222, 0.75f);
    ASSERT_NE(brick, nullptr);
    PutU32(brick, 20, 2);
    PutU32(brick, 544, 2);
    PutText(brick, 548, u"lib-7");
    PutU32(brick, 856, 77);
    const uint32_t picture = host.CreateSection(brick->recordId, 64);
    PutU32(brick, 1380, picture);
    PutU32(brick, 1384, 64);
    // One pixel wide and two high, 24 bits, rows top-down and padded to four bytes.
    const std::string bmp = std::string("BM\x3E\0\0\0TWBM\x36\0\0\0\x28\0\0\0\x01\0\0\0\xFE\xFF\xFF\xFF\x01\0\x18\0", 30) +
                            std::string(4, '\0') + std::string("\x08\0\0\0", 4) + std::string(16, '\0') +
                            std::string("\x10\x20\x30\0\x40\x50\x60\0", 8);
    ASSERT_EQ(bmp.size(), 62u);
    std::memcpy(host.MapSection(picture), bmp.data(), bmp.size());
    PutBatchWords(host, brick, BatchWords(OddTriangle()), 120, 4);

    // A removed material: re-tagged, its batch reference cleared, its texture a file.
    RecordHeader* removed = host.CreateRecord(kSurfaceTag);
    ASSERT_NE(removed, nullptr);
    PutText(removed, 24, u"Old glass");
    PutFloat(removed, 824, 0.25f);
    PutText(removed, 860, u"C:\\Textures\\glass.png");
    removed->tag = kRemovedSurfaceTag;

    const std::string pid = std::to_string(platform::GetCurrentProcessId());
    const std::string sections = R"("name":"TwinLinkAPI/)" + pid + "/0000000";  // and the id
    // The lock word is read while the peer holds the lock, so it names the peer (this process).
    EXPECT_EQ(
        SnapshotJson(TakeSnapshot(peer, 10000)),
        std::string("{") + kLinkJson +
            R"(,"mappedSize":20480,"lockTaken":true,)"  // 18432 bytes asked, in whole pages
            R"("header":{"tag":"HEAD","size":1244,"flags":0,"ended":false,"changeCounter":1,"lockOwner":)" +
            pid +
            R"(,"totalSize":18432,"recordAreaOffset":2048,"slotCount":8,"recordCount":5,"highestSlot":3,)"
            R"("creatorProcessId":)" +
            pid +
            R"(,"modelGuid":"9F3A2C1E-0B4D-4E6F-8A7B-1C2D3E4F5A6B","updateCount":1,"peerPathA":"","peerPathB":"","peerValue":0},)"
            R"("records":[{"slot":0,"tag":"VIEW","size":652,"id":1,"flags":1,"changeCounter":1,"readable":true,"follow":0,)"
            R"("camera":{"matrix":[1,0,0,0,0,1,0,0,0,0,1,0,1.5,2,-3.25,1],"projection":1,)"
            R"("fieldOfView":35,"eye":[1.5,2,-3.25],"direction":[0,0,-1],"up":[0,1,0]}},)"
            R"({"slot":1,"tag":"STAT","size":28,"id":2,"flags":1,"changeCounter":1,"readable":true,)"
            R"("descriptorSection":{"id":1,)" +
            sections +
            R"(1","size":212,"mappedSize":4096},)"
            R"("descriptor":{"text":"{\"time\":\"1234\",\"toolName\":\"SketchUp%20Pro%20%c3%a9\"}",)"
            R"("entries":{"time":"1234","toolName":"SketchUp Pro é"}}},)"
            R"({"slot":2,"tag":"SRFC","size":1932,"id":3,"flags":1,"changeCounter":1,"readable":true,)"
            R"("contentRevision":2,"name":"Brick, red","surfaceType":2,"libraryId":"lib-7","colour":"0xFFB22222",)"
            R"("opacity":0.75,"textureStamp":77,"texturePath":"",)"
            R"("textureSection":{"id":2,)" +
            sections +
            R"(2","size":64,"mappedSize":4096},"geometryRevision":4,)"
            R"("geometrySection":{"id":3,)" +
            sections +
            R"(3","size":240,"mappedSize":4096},)"
            R"("geometry":{"vertexCount":3,"indexCount":3,"uvSetCount":1}},)"
            R"({"slot":3,"tag":"SRFI","size":1932,"id":4,"flags":0,"changeCounter":0,"readable":true,)"
            R"("contentRevision":0,"name":"Old glass","surfaceType":0,"libraryId":"","colour":"0x00000000",)"
            R"("opacity":0.25,"textureStamp":0,"texturePath":"C:\\Textures\\glass.png","textureSection":null,)"
            R"("geometryRevision":0,"geometrySection":null,"geometry":null}],"problems":[]})");
}

// A link of 8 slots: the camera in slot 0, the descriptor {"a":"1"} (section 1, 40 bytes) in
// slot 1, and in slot 2 a material whose one-triangle batch is section 2 (240 bytes).
class PeerGarbageTest : public PeerTest {
  protected:
    static constexpr size_t kHeaderSlotCount = 36;
    static constexpr size_t kHeaderTotalSize = 28;
    static constexpr size_t kHeaderAreaOffset = 32;
    static constexpr size_t kHeaderRecordCount = 40;
    static constexpr size_t kHeaderHighestSlot = 44;
    static constexpr size_t Slot(uint32_t index) { return 2048 + size_t{index} * 2048; }

    void SetUp() override {
        PeerTest::SetUp();
        raw.Open(kMainSection);
        korvan::CameraRecord camera{};
        camera.projection = 1;
        camera.eye[0] = 1.5f, camera.eye[1] = 2.0f, camera.eye[2] = -3.25f;
        host.SendView(false, &camera);
        host.SendDescriptor({{u"a", {kVerbatimValue, u"1"}}});
        RecordHeader* material = PutMaterial(host, u"Tile", 0xFF000000, 1.0f);
        ASSERT_NE(material, nullptr);
        ASSERT_EQ(PutBatchWords(host, material, BatchWords(OddTriangle()), 120, 1), 2u);
        ASSERT_EQ(peer.Attach(kLink16), 0);
        ASSERT_EQ(ProblemLines(Snapshot()), Lines{});
    }

    LinkSnapshot Snapshot() { return TakeSnapshot(peer, 10000); }
    uint8_t* Section(uint32_t id) { return static_cast<uint8_t*>(host.MapSection(id)); }

    static Lines Tags(const LinkSnapshot& snapshot) {
        Lines tags;
        for (const auto& record : snapshot.records)
            tags.push_back(TagText(record.tag) + (record.readable ? "" : " (unreadable)"));
        return tags;
    }

    PeerConnection peer;
    RawSection raw;  // the main section, mapped as Korvan maps it
};

TEST_F(PeerGarbageTest, HeaderClaimsAreBoundedByTheMapping) {
    const Lines allRead{"VIEW", "STAT", "SRFC"};
    {
        SCOPED_TRACE("a slot count larger than the section");
        raw.SetU32(kHeaderSlotCount, 1000);
        const LinkSnapshot snapshot = Snapshot();
        EXPECT_EQ(ProblemLines(snapshot), Lines{"header: slot count 1000 needs 2050048 bytes but "
                                                "the section maps 20480; only 9 slots are read"});
        EXPECT_EQ(Tags(snapshot), allRead);
        raw.SetU32(kHeaderSlotCount, 8);
    }
    {
        SCOPED_TRACE("a highest slot beyond the slot count");
        raw.SetU32(kHeaderHighestSlot, 50);
        const LinkSnapshot snapshot = Snapshot();
        EXPECT_EQ(ProblemLines(snapshot),
                  Lines{"header: highest slot 50 is beyond the slot count 8"});
        EXPECT_EQ(Tags(snapshot), allRead);
        raw.SetU32(kHeaderHighestSlot, 2);
    }
    {
        SCOPED_TRACE("a total size past the end");
        raw.SetU32(kHeaderTotalSize, 1u << 30);
        EXPECT_EQ(
            ProblemLines(Snapshot()),
            Lines{"header: total size 1073741824 is larger than the mapped section (20480 bytes)"});
        raw.SetU32(kHeaderTotalSize, 18432);
    }
    {
        SCOPED_TRACE("a record area outside the section");
        raw.SetU32(kHeaderAreaOffset, 100000);
        const LinkSnapshot snapshot = Snapshot();
        EXPECT_EQ(ProblemLines(snapshot), Lines{"header: record area offset 100000 is not inside "
                                                "the section after the header; no records "
                                                "are read"});
        EXPECT_TRUE(snapshot.records.empty());
        ASSERT_TRUE(snapshot.header.has_value());
        EXPECT_EQ(snapshot.header->slotCount, 8u);
    }
}

TEST_F(PeerGarbageTest, UnsoundRecordHeadersAreListedButNotDecoded) {
    raw.SetU32(Slot(0) + 4, 100);
    raw.SetU32(Slot(1), 0x43424101);  // "\x01ABC"
    raw.SetU32(Slot(2) + 8, 1);       // the camera record's id
    RecordHeader* header = host.CreateRecord(MakeTag("ABCD"));
    ASSERT_NE(header, nullptr);
    header->tag = kHeaderTag;
    ASSERT_NE(host.CreateRecord(MakeTag("PLN1")), nullptr);

    const LinkSnapshot snapshot = Snapshot();
    EXPECT_EQ(ProblemLines(snapshot),
              (Lines{"slot 0: VIEW record size is 100, expected 652",
                     "slot 1: tag 0x43424101 is not four printable ASCII characters",
                     "slot 3: tag HEAD belongs to the header, not to a record slot",
                     "slot 2: record id 1 is also used by slot 0"}));
    EXPECT_EQ(Tags(snapshot), (Lines{"VIEW (unreadable)", "0x43424101 (unreadable)", "SRFC",
                                     "HEAD (unreadable)", "PLN1"}));
    ASSERT_TRUE(snapshot.records[2].surface && snapshot.records[2].surface->geometry);
    EXPECT_EQ(snapshot.records[2].surface->geometry->vertexCount, 3u);
}

TEST_F(PeerGarbageTest, SectionsThatMapNothingOrTooLittleAreRejected) {
    raw.SetU32(Slot(1) + 20, 0x1234);
    raw.SetU32(Slot(2) + 1928, 1u << 20);

    const LinkSnapshot snapshot = Snapshot();
    EXPECT_EQ(
        ProblemLines(snapshot),
        (Lines{"slot 1: descriptor section 4660 (TwinLinkAPI/" +
                   std::to_string(platform::GetCurrentProcessId()) + "/00001234) cannot be opened",
               "slot 2: geometry section 2 declares 1048576 bytes but maps only 4096"}));
    ASSERT_EQ(snapshot.records.size(), 3u);
    EXPECT_FALSE(snapshot.records[1].status->descriptor.has_value());
    EXPECT_FALSE(snapshot.records[2].surface->geometry.has_value());
    EXPECT_EQ(snapshot.records[2].surface->geometrySection->mappedSize, 4096u);  // 240 bytes asked, one page
}

TEST_F(PeerGarbageTest, UnterminatedTextsAreReported) {
    PutText(raw.view, 52, std::u16string(64, u'A'));
    PutText(Section(1), 0, std::u16string(20, u'x'));
    // A material name cut at its field's capacity legitimately fills it.
    PutText(raw.view, Slot(2) + 24, std::u16string(260, u'n'));

    const LinkSnapshot snapshot = Snapshot();
    EXPECT_EQ(ProblemLines(snapshot),
              (Lines{"header: model guid is not terminated within its 64 units",
                     "slot 1: descriptor text is not terminated within its 40-byte section"}));
    EXPECT_EQ(snapshot.header->modelGuid, std::string(64, 'A'));
    EXPECT_FALSE(snapshot.records[1].status->descriptor.has_value());
    EXPECT_EQ(snapshot.records[2].surface->name, std::string(260, 'n'));
}

// Batches that break their own rules are the scene suite's (peer_scene_test), where the
// materials they leave out are seen too.
TEST_F(PeerGarbageTest, MalformedDescriptorsAreRejected) {
    {
        SCOPED_TRACE("a value without quotes");
        PutText(Section(1), 0, std::u16string(u"{\"a\":1}\0", 8));
        const LinkSnapshot snapshot = Snapshot();
        EXPECT_EQ(
            ProblemLines(snapshot),
            Lines{"slot 1: descriptor text is not well-formed: expected a quoted value at unit 5"});
        ASSERT_TRUE(snapshot.records[1].status->descriptor.has_value());
        EXPECT_EQ(snapshot.records[1].status->descriptor->text, "{\"a\":1}");
        EXPECT_TRUE(snapshot.records[1].status->descriptor->entries.empty());
    }
    {
        SCOPED_TRACE("keys out of order");
        PutText(Section(1), 0, std::u16string(u"{\"b\":\"1\",\"a\":\"2\"}\0", 18));
        const LinkSnapshot snapshot = Snapshot();
        EXPECT_EQ(ProblemLines(snapshot),
                  Lines{"slot 1: descriptor key \"a\" does not follow \"b\" in ascending order"});
        EXPECT_EQ(snapshot.records[1].status->descriptor->entries.size(), 2u);
    }
}

TEST_F(PeerGarbageTest, ValuesOutsideTheirRangeAreReported) {
    raw.SetU32(Slot(0) + 20, 5);
    raw.SetU32(Slot(0) + 24 + 584, 9);
    PutFloat(raw.view, Slot(0) + 24 + 596, std::nanf(""));
    // Axes and direction without a line of sight are allowed; the position row is not.
    PutFloat(raw.view, Slot(0) + 24 + 0, std::nanf(""));
    PutFloat(raw.view, Slot(0) + 24 + 604, std::nanf(""));
    PutFloat(raw.view, Slot(0) + 24 + 52, std::nanf(""));
    raw.SetU32(Slot(0) + 24 + 580, 1);  // the last word that must stay zero
    raw.SetU32(Slot(2) + 544, 7);
    PutFloat(raw.view, Slot(2) + 824, 2.5f);
    raw.SetU32(kHeaderRecordCount, 9);

    const LinkSnapshot snapshot = Snapshot();
    EXPECT_EQ(ProblemLines(snapshot),
              (Lines{"slot 0: follow flag is 5, expected 0 or 1",
                     "slot 0: camera projection is 9, expected 1, 2 or 3",
                     "slot 0: camera bytes 64 to 583 are not all zero",
                     "slot 0: camera position row holds a value that is not a finite number",
                     "slot 0: camera eye holds a value that is not a finite number",
                     "slot 2: surface type 7 is not 0, 1 or 2",
                     "slot 2: opacity 2.5 is not between 0 and 1",
                     "header: record count 9 differs from 4, the records found and the header"}));
    EXPECT_THAT(SnapshotJson(snapshot), HasSubstr(R"("eye":[1.5,null,-3.25])"));
}

}  // namespace

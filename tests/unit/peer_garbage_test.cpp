// Shared memory written by someone else is untrusted: every size, count, id, offset and text the
// peer meets is checked, what fails is reported under "problems", and the rest is still read.
// These cases corrupt a hosted link byte by byte; the sanitizer build runs them as well.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera_record.h"
#include "liveconnection/live_connection.h"
#include "liveconnection/section_names.h"
#include "peer/link_decoder.h"
#include "peer/record_tags.h"
#include "peer/snapshot_json.h"
#include "peer_test_support.h"

namespace {

using namespace TwinLinkAPI;
using korvan::peer::LinkSnapshot;
using korvan::peer::PeerConnection;
using liveconnection_test::RawSection;
using peer_test::ProblemLines;
using peer_test::PutFloat;
using peer_test::PutText;
using peer_test::PutU32;
using Lines = std::vector<std::string>;

constexpr size_t kHeaderSlotCount = 36;
constexpr size_t kHeaderTotalSize = 28;
constexpr size_t kHeaderAreaOffset = 32;
constexpr size_t kHeaderRecordCount = 40;
constexpr size_t kHeaderHighestSlot = 44;

constexpr size_t Slot(uint32_t index) {
    return 2048 + size_t{index} * 2048;
}

// A link of 8 slots: the camera in slot 0, the descriptor {"a":"1"} (section 1, 40 bytes) in
// slot 1, and in slot 2 a material whose one-triangle batch is section 2 (240 bytes).
class PeerGarbageTest : public liveconnection_test::PrivateStateTest {
  protected:
    void SetUp() override {
        PrivateStateTest::SetUp();
        ASSERT_EQ(host.Host(u"C:\\Models\\Garbage.skp", 8), 0);
        mainSection.emplace(u"C:/Models/Garbage.skp");
        korvan::CameraRecord camera{};
        camera.projection = 1;
        camera.eye[0] = 1.5f, camera.eye[1] = 2.0f, camera.eye[2] = -3.25f;
        host.SendView(false, &camera);
        host.SendDescriptor({{u"a", {kVerbatimValue, u"1"}}});
        RecordHeader* material = host.CreateRecord(kSurfaceTag);
        ASSERT_NE(material, nullptr);
        PutFloat(material, 824, 1.0f);
        const uint32_t geometry =
            host.CreateSection(material->recordId, 2 * peer_test::kTriangleBatchBytes);
        ASSERT_EQ(geometry, 2u);
        peer_test::PutTriangleBatch(host.MapSection(geometry));
        PutU32(material, 1924, geometry);
        PutU32(material, 1928, 2 * peer_test::kTriangleBatchBytes);
        ASSERT_EQ(peer.Attach(u"C:\\Models\\Garbage.skp"), 0);
        ASSERT_EQ(ProblemLines(Snapshot()), Lines{});
    }

    RawSection& main() { return *mainSection; }

    LinkSnapshot Snapshot() { return korvan::peer::TakeSnapshot(peer, 10000); }

    uint8_t* Section(uint32_t id) { return static_cast<uint8_t*>(host.MapSection(id)); }

    std::string SectionName(uint32_t id) const {
        return twinlink::platform::Utf16ToUtf8(
            DataSectionName(twinlink::platform::GetCurrentProcessId(), id));
    }

    static Lines Tags(const LinkSnapshot& snapshot) {
        Lines tags;
        for (const auto& record : snapshot.records) {
            tags.push_back(korvan::peer::TagText(record.tag) +
                           (record.readable ? "" : " (unreadable)"));
        }
        return tags;
    }

    LiveConnection host;
    PeerConnection peer;
    std::optional<RawSection> mainSection;  // opened once the link exists
};

TEST_F(PeerGarbageTest, HeaderClaimsAreBoundedByTheMapping) {
    const Lines allRead{"VIEW", "STAT", "SRFC"};
    {
        SCOPED_TRACE("a slot count larger than the section");
        main().SetU32(kHeaderSlotCount, 1000);
        const LinkSnapshot snapshot = Snapshot();
        EXPECT_EQ(ProblemLines(snapshot), Lines{"header: slot count 1000 needs 2050048 bytes but "
                                                "the section maps 18432; only 8 slots are read"});
        EXPECT_EQ(Tags(snapshot), allRead);
        main().SetU32(kHeaderSlotCount, 8);
    }
    {
        SCOPED_TRACE("a highest slot beyond the slot count");
        main().SetU32(kHeaderHighestSlot, 50);
        const LinkSnapshot snapshot = Snapshot();
        EXPECT_EQ(ProblemLines(snapshot),
                  Lines{"header: highest slot 50 is beyond the slot count 8"});
        EXPECT_EQ(Tags(snapshot), allRead);
        main().SetU32(kHeaderHighestSlot, 2);
    }
    {
        SCOPED_TRACE("a total size past the end");
        main().SetU32(kHeaderTotalSize, 1u << 30);
        EXPECT_EQ(
            ProblemLines(Snapshot()),
            Lines{"header: total size 1073741824 is larger than the mapped section (18432 bytes)"});
        main().SetU32(kHeaderTotalSize, 18432);
    }
    {
        SCOPED_TRACE("a record area outside the section");
        main().SetU32(kHeaderAreaOffset, 100000);
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
    main().SetU32(Slot(0) + 4, 100);
    main().SetU32(Slot(1), 0x43424101);  // "\x01ABC"
    main().SetU32(Slot(2) + 8, 1);       // the camera record's id
    RecordHeader* header = host.CreateRecord(MakeTag("ABCD"));
    ASSERT_NE(header, nullptr);
    header->tag = kHeaderTag;
    RecordHeader* oversized = host.CreateRecord(MakeTag("WXYZ"));
    ASSERT_NE(oversized, nullptr);
    oversized->size = 28;
    ASSERT_NE(host.CreateRecord(MakeTag("PLN1")), nullptr);

    const LinkSnapshot snapshot = Snapshot();
    EXPECT_EQ(ProblemLines(snapshot),
              (Lines{"slot 0: VIEW record size is 100, expected 652",
                     "slot 1: tag 0x43424101 is not four printable ASCII characters",
                     "slot 3: tag HEAD belongs to the header, not to a record slot",
                     "slot 4: WXYZ record size is 28, expected 20",
                     "slot 2: record id 1 is also used by slot 0"}));
    EXPECT_EQ(Tags(snapshot), (Lines{"VIEW (unreadable)", "0x43424101 (unreadable)", "SRFC",
                                     "HEAD (unreadable)", "WXYZ (unreadable)", "PLN1"}));
    ASSERT_TRUE(snapshot.records[2].surface && snapshot.records[2].surface->geometry);
    EXPECT_EQ(snapshot.records[2].surface->geometry->vertexCount, 3u);
}

TEST_F(PeerGarbageTest, SectionsThatMapNothingOrTooLittleAreRejected) {
    main().SetU32(Slot(1) + 20, 0x1234);
    main().SetU32(Slot(2) + 1380, 0x77);
    main().SetU32(Slot(2) + 1384, 10);
    main().SetU32(Slot(2) + 1928, 1u << 20);

    const LinkSnapshot snapshot = Snapshot();
    EXPECT_EQ(
        ProblemLines(snapshot),
        (Lines{"slot 1: descriptor section 4660 (" + SectionName(0x1234) + ") cannot be opened",
               "slot 2: texture section 119 (" + SectionName(0x77) + ") cannot be opened",
               "slot 2: geometry section 2 declares 1048576 bytes but maps only 240"}));
    ASSERT_EQ(snapshot.records.size(), 3u);
    EXPECT_FALSE(snapshot.records[1].status->descriptor.has_value());
    EXPECT_FALSE(snapshot.records[2].surface->geometry.has_value());
    EXPECT_EQ(snapshot.records[2].surface->geometrySection->mappedSize, 240u);
    EXPECT_FALSE(snapshot.records[2].surface->textureSection->mappedSize.has_value());
}

TEST_F(PeerGarbageTest, UnterminatedTextsAreReported) {
    PutText(main().view, 52, std::u16string(64, u'A'));
    PutText(main().view, 720, std::u16string(260, u'p'));
    PutText(Section(1), 0, std::u16string(20, u'x'));
    // A material name cut at its field's capacity legitimately fills it.
    PutText(main().view, Slot(2) + 24, std::u16string(260, u'n'));

    const LinkSnapshot snapshot = Snapshot();
    EXPECT_EQ(ProblemLines(snapshot),
              (Lines{"header: model guid is not terminated within its 64 units",
                     "header: peer path B is not terminated within its 260 units",
                     "slot 1: descriptor text is not terminated within its 40-byte section"}));
    EXPECT_EQ(snapshot.header->modelGuid, std::string(64, 'A'));
    EXPECT_FALSE(snapshot.records[1].status->descriptor.has_value());
    EXPECT_EQ(snapshot.records[2].surface->name, std::string(260, 'n'));
}

TEST_F(PeerGarbageTest, MalformedDescriptorsAndBatchesAreRejected) {
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
    {
        SCOPED_TRACE("an index past the vertices");
        PutU32(Section(2), 28 * 4, 7);
        EXPECT_EQ(ProblemLines(Snapshot()),
                  (Lines{"slot 1: descriptor key \"a\" does not follow \"b\" in ascending order",
                         "slot 2: geometry index 7 at position 1 is not below the vertex count 3 "
                         "(1 such indices)"}));
    }
    {
        SCOPED_TRACE("counts that need more than the section");
        PutU32(Section(2), 0, 0x40000000);
        EXPECT_EQ(ProblemLines(Snapshot()),
                  (Lines{"slot 1: descriptor key \"a\" does not follow \"b\" in ascending order",
                         "slot 2: geometry section 2 needs 34359738392 bytes for 1073741824 "
                         "vertices, 3 indices and 1 "
                         "UV sets but declares 240"}));
    }
}

TEST_F(PeerGarbageTest, ValuesOutsideTheirRangeAreReported) {
    main().SetU32(Slot(0) + 20, 5);
    main().SetU32(Slot(0) + 24 + 584, 9);
    PutFloat(main().view, Slot(0) + 24 + 596, std::nanf(""));
    main().SetU32(Slot(2) + 544, 7);
    PutFloat(main().view, Slot(2) + 824, 2.5f);
    main().SetU32(kHeaderRecordCount, 9);

    const LinkSnapshot snapshot = Snapshot();
    EXPECT_EQ(ProblemLines(snapshot),
              (Lines{"slot 0: follow flag is 5, expected 0 or 1",
                     "slot 0: camera projection is 9, expected 1, 2 or 3",
                     "slot 0: camera eye holds a value that is not a finite number",
                     "slot 2: surface type 7 is not 0, 1 or 2",
                     "slot 2: opacity 2.5 is not between 0 and 1",
                     "header: record count 9 differs from 4, the records found and the header"}));
    EXPECT_NE(korvan::peer::SnapshotJson(snapshot).find(R"("eye":[1.5,null,-3.25])"),
              std::string::npos);
}

}  // namespace

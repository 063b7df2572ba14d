// The main section as Korvan sees it: header and record bytes at their offsets, record slots,
// counts and marks. Bytes are read through a separate mapping of the section.
#include <array>

#include "liveconnection_test_support.h"

namespace {

using namespace TwinLinkAPI;
using namespace liveconnection_test;

constexpr size_t kSlot0 = 2048;
constexpr size_t kSlot1 = 4096;
constexpr size_t kSlot2 = 6144;
constexpr size_t kRecordCount = 40;
constexpr size_t kHighestSlot = 44;

using ChannelTest = HostedTest;

// The 32-bit words from `offset` on.
std::vector<uint32_t> Words(const RawSection& raw, size_t offset, size_t count) {
    std::vector<uint32_t> words;
    for (size_t i = 0; i < count; ++i) words.push_back(raw.U32(offset + 4 * i));
    return words;
}

TEST_F(ChannelTest, HostWritesTheHeaderAndTheViewAndStatusRecordsByteByByte) {
    EXPECT_EQ(raw.Size(), 9u * 4096u);  // 17 slots of 2048 bytes, in whole pages
    EXPECT_EQ(raw.Bytes(0, 4), "HEAD");
    // Size, id, flags, change counter, constant 1, lock owner, total size, record area offset,
    // slots, records (the header, "VIEW" and "STAT"), highest slot, creator.
    EXPECT_EQ(Words(raw, 4, 12), (std::vector<uint32_t>{1244, 0, 0, 1, 1, 0, 17 * 2048, 2048, 16, 3,
                                                        1, platform::GetCurrentProcessId()}));
    EXPECT_TRUE(raw.AllZero(52, 196 - 52));  // model guid and the reserved bytes
    EXPECT_EQ(raw.U32(196), 1u);
    EXPECT_TRUE(raw.AllZero(200, 2048 - 200));  // peer paths, peer value, rest of the block

    // Tags are stored in reading order: "VIEW" is 56 49 45 57, the u32 0x57454956.
    EXPECT_EQ(raw.Bytes(kSlot0, 4), std::string("\x56\x49\x45\x57", 4));
    EXPECT_EQ(Words(raw, kSlot0 + 4, 2), (std::vector<uint32_t>{652, 1}));
    EXPECT_TRUE(raw.AllZero(kSlot0 + 12, 2048 - 12));
    EXPECT_EQ(raw.Bytes(kSlot1, 4), "STAT");
    EXPECT_EQ(Words(raw, kSlot1 + 4, 2), (std::vector<uint32_t>{28, 2}));
    EXPECT_TRUE(raw.AllZero(kSlot1 + 12, 2048 - 12));
}

TEST_F(ChannelTest, HeaderSettersWriteAtTheirOffsets) {
    connection.SetModelGuid(u"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9");
    connection.SetPeerPathA(u"C:\\Korvan\\A");
    connection.SetPeerPathB(u"C:\\Korvan\\B");
    connection.SetPeerValue(0xA1B2C3D4);
    connection.SetUpdateCount(77);

    EXPECT_EQ(raw.Text(52, 64), u"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9");
    EXPECT_EQ(raw.Text(200, 260), u"C:\\Korvan\\A");
    EXPECT_EQ(raw.Text(720, 260), u"C:\\Korvan\\B");
    EXPECT_EQ(raw.U32(1240), 0xA1B2C3D4u);
    EXPECT_EQ(raw.U32(196), 77u);
    EXPECT_TRUE(raw.AllZero(180, 16));
    EXPECT_EQ(std::u16string(connection.GetModelGuid()), u"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9");
    EXPECT_EQ(connection.GetPeerValue(), 0xA1B2C3D4u);
    EXPECT_EQ(connection.GetUpdateCount(), 77u);
    EXPECT_TRUE(connection.IsPeerAttached());

    // A text longer than its field is cut to fit, terminator included; a shorter one leaves no
    // trace of the longer text before it.
    connection.SetModelGuid(std::u16string(100, u'X'));
    EXPECT_EQ(raw.Text(52, 64), std::u16string(63, u'X'));
    EXPECT_EQ(raw.U32(52 + 126), 0u);  // the last unit of the field and the first reserved unit
    connection.SetModelGuid(u"AB");
    EXPECT_EQ(raw.Text(52, 64), u"AB");
    EXPECT_TRUE(raw.AllZero(52 + 4, 124));

    connection.SetPeerPathB(u"");
    EXPECT_FALSE(connection.IsPeerAttached());
}

TEST_F(ChannelTest, ASecondHostReusesTheSlotsWithNewRecordIdsAndRestartsSectionIds) {
    EXPECT_EQ(connection.CreateSection(2, 64), 1u);
    EXPECT_EQ(connection.CreateSection(2, 64), 2u);
    raw.Close();

    ASSERT_EQ(connection.Host(u"C:\\Models\\Other.skp", 16), 0);
    RawSection other(u"C:/Models/Other.skp");
    EXPECT_EQ(other.Bytes(kSlot0, 4), "VIEW");
    EXPECT_EQ(other.U32(kSlot0 + 8), 3u);
    EXPECT_EQ(other.Bytes(kSlot1, 4), "STAT");
    EXPECT_EQ(other.U32(kSlot1 + 8), 4u);
    EXPECT_EQ(other.U32(kRecordCount), 3u);
    EXPECT_EQ(other.U32(kHighestSlot), 1u);
    EXPECT_EQ(connection.CreateSection(4, 64), 1u);
    EXPECT_EQ(connection.GetName(), u"C:\\Models\\Other.skp");
    // The first connection was closed by the second Host.
    EXPECT_FALSE(RawSection(kSectionName).IsOpen());
}

TEST_F(ChannelTest, CreateRecordSizesByTagCountsItAndRefusesTheHeaderTag) {
    EXPECT_EQ(connection.CreateRecord(MakeTag("HEAD")), nullptr);
    EXPECT_EQ(connection.CreateRecord(0), nullptr);
    RecordHeader* other = connection.CreateRecord(MakeTag("ABCD"));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(raw.Bytes(kSlot2, 4), "ABCD");
    EXPECT_EQ(raw.U32(kSlot2 + 4), 20u);
    EXPECT_EQ(raw.U32(kSlot2 + 8), 3u);  // ids go on after "VIEW" 1 and "STAT" 2; "HEAD" took none
    EXPECT_EQ(raw.U32(kRecordCount), 4u);
    RecordHeader* surface = connection.CreateRecord(kSurfaceTag);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->size, 1932u);
    EXPECT_EQ(surface->recordId, 4u);
    EXPECT_EQ(connection.CreateRecord(kRemovedSurfaceTag)->size, 20u);  // "SRFI" only by re-tagging
    EXPECT_EQ(raw.U32(kRecordCount), 6u);
    EXPECT_EQ(raw.U32(kHighestSlot), 4u);
    EXPECT_EQ(connection.FindRecord(4), surface);
    EXPECT_EQ(connection.FindRecord(99), nullptr);
}

TEST_F(ChannelTest, AFullTableGivesNoRecord) {
    raw.Close();
    ASSERT_EQ(connection.Host(kModelPath, 3), 0);
    EXPECT_NE(connection.CreateRecord(kSurfaceTag), nullptr);
    EXPECT_EQ(connection.CreateRecord(kSurfaceTag), nullptr);
    EXPECT_EQ(RawSection(kSectionName).U32(kRecordCount), 4u);

    // With no slots at all the host still stands, without "VIEW" and "STAT".
    ASSERT_EQ(connection.Host(kModelPath, 0), 0);
    EXPECT_EQ(RawSection(kSectionName).Size(), 4096u);  // the header's slot, in one page
    EXPECT_EQ(connection.CountRecords(kViewTag, 0, 0), 0u);
    EXPECT_EQ(connection.CreateRecord(kSurfaceTag), nullptr);
}

TEST_F(ChannelTest, DeleteRecordFreesItsSlotLowersTheScanByOneAndNeverReusesAnId) {
    ASSERT_NE(connection.CreateRecord(kSurfaceTag), nullptr);   // slot 2, id 3
    RecordHeader* last = connection.CreateRecord(kSurfaceTag);  // slot 3, id 4
    ASSERT_NE(last, nullptr);
    std::memset(reinterpret_cast<uint8_t*>(last) + 20, 0x5A, 100);

    EXPECT_EQ(connection.DeleteRecord(4), 0);
    EXPECT_TRUE(raw.AllZero(kSlot2 + 2048, 2048));
    EXPECT_EQ(raw.U32(kRecordCount), 4u);
    EXPECT_EQ(raw.U32(kHighestSlot), 2u);
    EXPECT_EQ(connection.FindRecord(4), nullptr);

    // Slot 0 free, inside the scan and before slot 1's record: its zero id is nobody's.
    ASSERT_EQ(connection.DeleteRecord(1), 0);  // "VIEW"
    EXPECT_EQ(raw.U32(kHighestSlot), 2u);      // not the highest: the scan stays
    EXPECT_TRUE(raw.AllZero(kSlot0, 2048));
    EXPECT_EQ(connection.CountRecords(kViewTag, 0, 0), 0u);
    EXPECT_EQ(connection.FindRecord(0), nullptr);
    EXPECT_EQ(connection.DeleteRecord(0), 0);
    EXPECT_EQ(connection.DeleteRecord(3), 0);
    EXPECT_EQ(connection.DeleteRecord(3), 0);  // already gone: nothing changes
    EXPECT_EQ(raw.U32(kRecordCount), 2u);
    EXPECT_EQ(raw.U32(kHighestSlot), 1u);

    ASSERT_NE(connection.CreateRecord(kSurfaceTag), nullptr);  // into the first free slot
    EXPECT_EQ(raw.U32(kSlot0 + 8), 5u);

    // Down to slot 0 and not below.
    ASSERT_EQ(connection.DeleteRecord(2), 0);  // "STAT", slot 1
    EXPECT_EQ(raw.U32(kHighestSlot), 0u);
    ASSERT_EQ(connection.DeleteRecord(5), 0);
    EXPECT_EQ(raw.U32(kHighestSlot), 0u);
    EXPECT_EQ(raw.U32(kRecordCount), 1u);
}

TEST_F(ChannelTest, MarksCountOnlyTheChangedBitAndSelectionsMatchTheMaskedFlags) {
    std::array<RecordHeader*, 4> surfaces{};
    for (RecordHeader*& surface : surfaces) surface = connection.CreateRecord(kSurfaceTag);
    connection.CreateRecord(MakeTag("ABCD"));
    connection.MarkRecord(surfaces[0], 1);  // slot 2
    connection.MarkRecord(surfaces[0], 1);
    connection.MarkRecord(surfaces[0], 8);
    connection.MarkRecord(surfaces[1], 4);
    connection.MarkRecord(surfaces[2], 1 | 4);
    EXPECT_EQ(raw.U32(kSlot2 + 12), 9u);
    EXPECT_EQ(raw.U32(kSlot2 + 16), 2u);
    EXPECT_EQ(connection.TestRecordFlags(surfaces[0], 1 | 2), 1u);

    EXPECT_EQ(connection.CountRecords(kSurfaceTag, 0, 0), 4u);
    EXPECT_EQ(connection.CountRecords(kSurfaceTag, 0, 123), 4u);  // mask 0 ignores the value
    EXPECT_EQ(connection.CountRecords(kSurfaceTag, 1, 1), 2u);
    EXPECT_EQ(connection.CountRecords(kSurfaceTag, 5, 4), 1u);
    EXPECT_EQ(connection.CountRecords(kSurfaceTag, 5, 5 | 8), 1u);  // value bits outside the mask
    EXPECT_EQ(connection.CountRecords(MakeTag("NONE"), 0, 0), 0u);
    EXPECT_EQ(connection.ListRecords(kSurfaceTag, 1, 1),
              (std::vector<RecordHeader*>{surfaces[0], surfaces[2]}));
    EXPECT_EQ(connection.ListRecords(kSurfaceTag, 5, 0), (std::vector<RecordHeader*>{surfaces[3]}));

    connection.ClearRecordFlags(surfaces[0], 1);
    EXPECT_EQ(raw.U32(kSlot2 + 12), 8u);
    EXPECT_EQ(raw.U32(kSlot2 + 16), 2u);
    connection.MarkRecord(nullptr, 1);
    EXPECT_EQ(connection.TestRecordFlags(nullptr, 0xFFFFFFFF), 0u);

    connection.MarkHeader(1);
    connection.MarkHeader(1);
    connection.MarkHeader(4);
    EXPECT_EQ(raw.U32(12), 5u);
    EXPECT_EQ(raw.U32(16), 3u);   // change counter, from 1
    EXPECT_EQ(raw.U32(196), 3u);  // update count, from 1
    EXPECT_EQ(connection.TestHeaderFlags(4), 4u);
    connection.ClearHeaderFlags(1 | 4);
    EXPECT_EQ(raw.U32(12), 0u);
    EXPECT_EQ(raw.U32(16), 3u);
}

TEST_F(ChannelTest, AClosedConnectionDoesNothing) {
    LiveConnection closed;
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_FALSE(closed.IsReady());
    EXPECT_EQ(closed.CreateRecord(kSurfaceTag), nullptr);
    EXPECT_EQ(closed.DeleteRecord(1), -1);
    EXPECT_EQ(closed.FindRecord(1), nullptr);
    EXPECT_EQ(closed.CountRecords(kViewTag, 0, 0), 0u);
    EXPECT_EQ(closed.GetModelGuid(), nullptr);
    EXPECT_EQ(closed.GetUpdateCount(), 0u);
    EXPECT_FALSE(closed.Lock(0));
    EXPECT_EQ(closed.CreateSection(1, 64), 0u);
    EXPECT_EQ(closed.MapSection(1), nullptr);
    closed.MarkHeader(1);
    closed.SendView(true, nullptr);
    closed.SendDescriptor({{u"a", {kVerbatimValue, u"b"}}});
    closed.Stop();
    EXPECT_EQ(closed.GetName(), u"");
}

TEST_F(ChannelTest, AnAttachedPeerSeesTheSameRecordsWritesNothingAndNeedsASoundRecordArea) {
    RecordHeader* surface = connection.CreateRecord(kSurfaceTag);
    const std::string before = raw.Bytes(0, 8 * 2048);

    LiveConnection peer;
    EXPECT_EQ(peer.Attach(u"C:\\Models\\Nothing.skp"), -1);
    ASSERT_EQ(peer.Attach(kModelPath), 0);
    EXPECT_EQ(raw.Bytes(0, 8 * 2048), before);
    EXPECT_EQ(peer.GetName(), kModelPath);
    EXPECT_EQ(peer.CountRecords(kSurfaceTag, 0, 0), 1u);
    RecordHeader* seen = peer.FindRecord(surface->recordId);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(seen->size, 1932u);

    // Without the "VIEW" and "STAT" addresses the camera and the descriptor are not written.
    std::array<uint8_t, kCameraDataSize> camera{};
    camera.fill(7);
    peer.SendView(false, camera.data());
    peer.SendDescriptor({{u"a", {kVerbatimValue, u"b"}}});
    EXPECT_EQ(raw.Bytes(0, 8 * 2048), before);

    // A record area inside the header, misaligned or past the end of the section (made in whole
    // pages: 9 of 4096 bytes) is refused.
    for (const uint32_t offset : {0u, 1240u, 2050u, 9u * 4096u + 4}) {
        raw.SetU32(32, offset);
        EXPECT_EQ(peer.Attach(kModelPath), -1) << offset;
        EXPECT_FALSE(peer.IsOpen()) << offset;
    }
    raw.SetU32(32, 2048);
    EXPECT_EQ(peer.Attach(kModelPath), 0);
}

}  // namespace

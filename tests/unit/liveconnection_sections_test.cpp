// Data sections: their ids and names, opening another process's section by id, releasing, and
// creation from parallel tasks.

#include <array>
#include <set>

#include "twinlink/parallel.h"

#include "liveconnection/live_connection.h"
#include "liveconnection/section_names.h"
#include "liveconnection/wide_text.h"
#include "liveconnection_test_support.h"

namespace {

using namespace TwinLinkAPI;
using liveconnection_test::ChildProcess;
using liveconnection_test::Pipe;
using liveconnection_test::PrivateStateTest;
using liveconnection_test::RawSection;

constexpr char16_t kModelPath[] = u"C:\\Models\\Sections.skp";

std::u16string OwnSectionName(const char16_t* hexId) {
    return u"TwinLinkAPI/" + WidenAscii(std::to_string(twinlink::platform::GetCurrentProcessId())) +
           u"/" + hexId;
}

bool SectionExists(const std::u16string& sectionName) {
    return RawSection(sectionName).IsOpen();
}

using DataSectionTest = PrivateStateTest;

TEST_F(DataSectionTest, NamesCarryTheCreatorAndTheIdInEightUpperCaseHexDigits) {
    EXPECT_EQ(DataSectionName(4242, 26), u"TwinLinkAPI/4242/0000001A");
    EXPECT_EQ(DataSectionName(7, 0x80000001u), u"TwinLinkAPI/7/80000001");
    EXPECT_EQ(MainSectionName(u"D:\\Models\\House.skp"), u"D:/Models/House.skp");

    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    for (uint32_t expected = 1; expected <= 10; ++expected)
        EXPECT_EQ(connection.CreateSection(2, 100), expected);
    EXPECT_TRUE(SectionExists(OwnSectionName(u"0000000A")));
    EXPECT_TRUE(SectionExists(OwnSectionName(u"00000001")));
    EXPECT_FALSE(SectionExists(OwnSectionName(u"0000000B")));
}

TEST_F(DataSectionTest, ANewSectionIsZeroFilledAndMapsToOneAddress) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    const uint32_t id = connection.CreateSection(2, 5000);
    ASSERT_NE(id, 0u);
    RawSection raw(OwnSectionName(u"00000001"));
    EXPECT_GE(raw.Size(), 5000u);
    EXPECT_TRUE(raw.AllZero(0, 5000));

    void* view = connection.MapSection(id);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(connection.MapSection(id), view);
    std::memcpy(view, "bulk", 4);
    EXPECT_EQ(raw.Bytes(0, 4), "bulk");
    EXPECT_EQ(connection.MapSection(0), nullptr);
    EXPECT_EQ(connection.MapSection(99), nullptr);
}

TEST_F(DataSectionTest, EachSideMapsTheOthersSectionsByIdWithoutCollidingIds) {
    LiveConnection host;
    ASSERT_EQ(host.Host(kModelPath, 8), 0);
    const uint32_t hostId = host.CreateSection(2, 64);
    ASSERT_EQ(hostId, 1u);
    std::memcpy(host.MapSection(hostId), "from the host", 14);

    ChildProcess child([](const Pipe& pipe) {
        LiveConnection peer;
        if (peer.Attach(kModelPath) != 0) return 1;
        char* seen = static_cast<char*>(peer.MapSection(1));
        pipe.Send(seen != nullptr && std::string(seen) == "from the host" ? 1 : 0);
        pipe.Send(peer.MapSection(1) == seen ? 1 : 0);
        const uint32_t peerId = peer.CreateSection(2, 64);
        std::memcpy(peer.MapSection(peerId), "from the peer", 14);
        pipe.Send(peerId);
        pipe.Receive();  // keeps the section alive until the host has looked
        return 0;
    });
    EXPECT_EQ(child.pipe().Receive(), 1u);
    EXPECT_EQ(child.pipe().Receive(), 1u);
    const std::optional<uint32_t> peerId = child.pipe().Receive();
    ASSERT_EQ(peerId, 0x80000001u);
    // The peer names its sections after the section's creator, i.e. the host.
    EXPECT_TRUE(SectionExists(OwnSectionName(u"80000001")));
    const char* fromPeer = static_cast<const char*>(host.MapSection(*peerId));
    ASSERT_NE(fromPeer, nullptr);
    EXPECT_EQ(std::string(fromPeer), "from the peer");
    child.pipe().Send(0);
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(DataSectionTest, ReleasedAndDeletedRecordsSectionsAreGone) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    RecordHeader* record = connection.CreateRecord(kSurfaceTag);
    ASSERT_NE(record, nullptr);
    const uint32_t kept = connection.CreateSection(record->recordId, 64);
    const uint32_t released = connection.CreateSection(record->recordId, 64);
    const uint32_t other = connection.CreateSection(2, 64);

    connection.ReleaseSection(released);
    EXPECT_FALSE(SectionExists(OwnSectionName(u"00000002")));
    EXPECT_EQ(connection.MapSection(released), nullptr);
    connection.ReleaseSection(0);

    ASSERT_EQ(connection.DeleteRecord(record->recordId), 0);
    EXPECT_FALSE(SectionExists(OwnSectionName(u"00000001")));
    EXPECT_EQ(connection.MapSection(kept), nullptr);
    EXPECT_NE(connection.MapSection(other), nullptr);

    connection.CloseSection(other);
    EXPECT_FALSE(SectionExists(OwnSectionName(u"00000003")));
}

TEST_F(DataSectionTest, AnIdWhoseNameAPeerStillHoldsIsSkipped) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    std::memset(connection.MapSection(connection.CreateSection(2, 64)), 0xEE, 64);
    // Korvan keeps the first link's section 1 while the same process hosts again.
    RawSection heldByPeer(OwnSectionName(u"00000001"));
    ASSERT_TRUE(heldByPeer.IsOpen());

    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    const uint32_t id = connection.CreateSection(2, 4096);
    EXPECT_EQ(id, 2u);
    RawSection fresh(OwnSectionName(u"00000002"));
    ASSERT_TRUE(fresh.IsOpen());
    EXPECT_GE(fresh.Size(), 4096u);
    EXPECT_TRUE(fresh.AllZero(0, 4096));
    EXPECT_EQ(heldByPeer.U32(0), 0xEEEEEEEEu);
}

TEST_F(DataSectionTest, ParallelTasksCreateAndMapSectionsOfTheirOwnRecords) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 128), 0);
    std::vector<uint32_t> recordIds;
    for (int i = 0; i < 64; ++i)
        recordIds.push_back(connection.CreateRecord(kSurfaceTag)->recordId);

    std::vector<std::array<uint32_t, 2>> made(recordIds.size());
    twinlink::parallel::For(recordIds.size(), [&](size_t i) {
        for (uint32_t& id : made[i]) {
            id = connection.CreateSection(recordIds[i], 256);
            if (auto* view = static_cast<uint32_t*>(connection.MapSection(id)))
                *view = recordIds[i];
        }
    });

    std::set<uint32_t> ids;
    for (size_t i = 0; i < made.size(); ++i) {
        for (uint32_t id : made[i]) {
            ids.insert(id);
            auto* view = static_cast<uint32_t*>(connection.MapSection(id));
            ASSERT_NE(view, nullptr);
            EXPECT_EQ(*view, recordIds[i]);
        }
    }
    EXPECT_EQ(ids.size(), 128u);
    EXPECT_EQ(*ids.begin(), 1u);
    EXPECT_EQ(*ids.rbegin(), 128u);

    twinlink::parallel::For(recordIds.size(), [&](size_t i) { connection.ReleaseSection(made[i][0]); });
    for (size_t i = 0; i < made.size(); ++i) EXPECT_EQ(connection.DeleteRecord(recordIds[i]), 0);
    for (uint32_t id : ids) EXPECT_EQ(connection.MapSection(id), nullptr);
}

}  // namespace

// Data sections: their ids and names, opening another process's section by id, releasing, and
// creation from parallel tasks.
#include <array>
#include <set>

#include "liveconnection_test_support.h"
#include "twinlink/parallel.h"

namespace {

using namespace TwinLinkAPI;
using namespace liveconnection_test;
using platform::testing::Channel;
using platform::testing::RunChild;
using platform::testing::WaitChild;

bool SectionExists(uint32_t id) {
    return RawSection(OwnSection(id)).IsOpen();
}

using DataSectionTest = HostedTest;

TEST(DataSectionNameTest, NamesCarryTheCreatorAndTheIdInEightUpperCaseHexDigits) {
    EXPECT_EQ(DataSectionName(4242, 26), u"TwinLinkAPI/4242/0000001A");
    EXPECT_EQ(DataSectionName(7, 0x80000001u), u"TwinLinkAPI/7/80000001");
    EXPECT_EQ(MainSectionName(u"D:\\Models\\House.skp"), u"D:/Models/House.skp");
}

TEST_F(DataSectionTest, EachSideMapsTheOthersSectionsByIdWithoutCollidingIds) {
    ASSERT_EQ(connection.CreateSection(2, 64), 1u);
    std::memcpy(connection.MapSection(1), "from the host", 14);

    Channel made, looked;
    const pid_t child = RunChild([&] {
        LiveConnection peer;
        if (peer.Attach(kModelPath) != 0) return 1;
        char* seen = static_cast<char*>(peer.MapSection(1));
        if (seen == nullptr || std::string(seen) != "from the host") return 2;
        if (peer.MapSection(1) != seen) return 3;
        const uint32_t peerId = peer.CreateSection(2, 64);
        std::memcpy(peer.MapSection(peerId), "from the peer", 14);
        made.Send(peerId);
        return looked.Receive<char>() == 'l' ? 0 : 4;  // keeps the section until the host looked
    });
    const std::optional<uint32_t> peerId = made.Receive<uint32_t>();
    ASSERT_EQ(peerId, 0x80000001u);
    // The peer names its sections after the section's creator, i.e. the host.
    EXPECT_TRUE(SectionExists(0x80000001u));
    const char* fromPeer = static_cast<const char*>(connection.MapSection(*peerId));
    ASSERT_NE(fromPeer, nullptr);
    EXPECT_EQ(std::string(fromPeer), "from the peer");
    looked.Send('l');
    EXPECT_EQ(WaitChild(child), 0);
}

TEST_F(DataSectionTest, ReleasedAndDeletedRecordsSectionsAreGone) {
    RecordHeader* record = connection.CreateRecord(kSurfaceTag);
    ASSERT_NE(record, nullptr);
    const uint32_t kept = connection.CreateSection(record->recordId, 64);
    const uint32_t released = connection.CreateSection(record->recordId, 64);
    const uint32_t other = connection.CreateSection(2, 64);

    connection.ReleaseSection(released);
    EXPECT_FALSE(SectionExists(2));
    EXPECT_EQ(connection.MapSection(released), nullptr);
    EXPECT_EQ(connection.MapSection(0), nullptr);
    connection.ReleaseSection(0);

    ASSERT_EQ(connection.DeleteRecord(record->recordId), 0);
    EXPECT_FALSE(SectionExists(1));
    EXPECT_EQ(connection.MapSection(kept), nullptr);
    EXPECT_NE(connection.MapSection(other), nullptr);

    connection.CloseSection(other);
    EXPECT_FALSE(SectionExists(3));
}

TEST_F(DataSectionTest, AnIdWhoseNameAPeerStillHoldsIsSkipped) {
    std::memset(connection.MapSection(connection.CreateSection(2, 64)), 0xEE, 64);
    // Korvan keeps the first link's section 1 while the same process hosts again.
    RawSection heldByPeer(OwnSection(1));
    ASSERT_TRUE(heldByPeer.IsOpen());

    raw.Close();
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    const uint32_t id = connection.CreateSection(2, 4096);
    EXPECT_EQ(id, 2u);
    RawSection fresh(OwnSection(2));
    ASSERT_TRUE(fresh.IsOpen());
    EXPECT_GE(fresh.Size(), 4096u);
    EXPECT_TRUE(fresh.AllZero(0, 4096));
    EXPECT_EQ(heldByPeer.U32(0), 0xEEEEEEEEu);
}

TEST_F(DataSectionTest, ParallelTasksCreateAndMapSectionsOfTheirOwnRecords) {
    raw.Close();
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

    twinlink::parallel::For(recordIds.size(),
                            [&](size_t i) { connection.ReleaseSection(made[i][0]); });
    for (size_t i = 0; i < made.size(); ++i) EXPECT_EQ(connection.DeleteRecord(recordIds[i]), 0);
    for (uint32_t id : ids) EXPECT_EQ(connection.MapSection(id), nullptr);
}

}  // namespace

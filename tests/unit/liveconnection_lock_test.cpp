// The cross-process lock word in the header, taken by this process and by a second one. A holder
// that dies holding it is korvan-peer's case (peer_link_test): the lock is never broken.
#include "liveconnection_test_support.h"

namespace {

using namespace TwinLinkAPI;
using namespace liveconnection_test;
using test_support::NextRequest;
using test_support::RoleProcess;
using test_support::TellTestReady;

constexpr size_t kLockOwnerOffset = 24;

using CrossProcessLockTest = HostedTest;

TEST_F(CrossProcessLockTest, IsReentrantAndOneUnlockFreesIt) {
    EXPECT_TRUE(connection.Lock(0));
    EXPECT_TRUE(connection.Lock(0));
    EXPECT_TRUE(connection.Lock(10000));
    EXPECT_EQ(raw.U32(kLockOwnerOffset), platform::GetCurrentProcessId());
    connection.Unlock();
    EXPECT_EQ(raw.U32(kLockOwnerOffset), 0u);
    connection.Unlock();
    EXPECT_EQ(raw.U32(kLockOwnerOffset), 0u);

    // Close frees a lock this process holds, though a peer keeps the section.
    LiveConnection peer;
    ASSERT_EQ(peer.Attach(kModelPath), 0);
    ASSERT_TRUE(connection.Lock(0));
    connection.Close();
    EXPECT_EQ(raw.U32(kLockOwnerOffset), 0u);
}

// A second process attaches and holds the lock until the test closes its input.
TEST(ChildRoles, DISABLED_HoldLock) {
    LiveConnection peer;
    ASSERT_EQ(peer.Attach(kModelPath), 0);
    ASSERT_TRUE(peer.Lock(0));
    TellTestReady();
    EXPECT_EQ(NextRequest(), std::nullopt);
}

// The holder's own unlock and a free lock taken again are peer_link_test's, with korvan-peer.
TEST_F(CrossProcessLockTest, AForeignHolderKeepsUsOutAndOurUnlockLeavesItsLock) {
    RoleProcess holder("HoldLock");
    ASSERT_TRUE(holder.ready) << holder.before;

    EXPECT_EQ(raw.U32(kLockOwnerOffset), holder.Id());
    EXPECT_FALSE(connection.Lock(0));
    connection.Unlock();  // not the holder: the word stays
    EXPECT_EQ(raw.U32(kLockOwnerOffset), holder.Id());
    holder.CloseInput();
    EXPECT_EQ(holder.Wait(), 0);
}

}  // namespace

// The cross-process lock word in the header, taken by this process and by a second one. A holder
// that dies holding it is korvan-peer's case (peer_link_test): the lock is never broken.
#include "liveconnection_test_support.h"

namespace {

using namespace TwinLinkAPI;
using namespace liveconnection_test;
using platform::testing::Channel;
using platform::testing::RunChild;
using platform::testing::WaitChild;

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

// The holder's own unlock and a free lock taken again are peer_link_test's, with korvan-peer.
TEST_F(CrossProcessLockTest, AForeignHolderKeepsUsOutAndOurUnlockLeavesItsLock) {
    Channel locked, done;
    const pid_t child = RunChild([&] {
        LiveConnection peer;
        if (peer.Attach(kModelPath) != 0 || !peer.Lock(0)) return 1;
        locked.Send('l');
        return done.Receive<char>() == 'd' ? 0 : 2;
    });
    ASSERT_EQ(locked.Receive<char>(), 'l');

    EXPECT_EQ(raw.U32(kLockOwnerOffset), static_cast<uint32_t>(child));
    EXPECT_FALSE(connection.Lock(0));
    connection.Unlock();  // not the holder: the word stays
    EXPECT_EQ(raw.U32(kLockOwnerOffset), static_cast<uint32_t>(child));
    done.Send('d');
    EXPECT_EQ(WaitChild(child), 0);
}

}  // namespace

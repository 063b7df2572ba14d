// The cross-process lock word in the header, taken by this process and by a second one.
#include "liveconnection/live_connection.h"
#include "liveconnection_test_support.h"

namespace {

using namespace TwinLinkAPI;
using liveconnection_test::ChildProcess;
using liveconnection_test::Pipe;
using liveconnection_test::PrivateStateTest;
using liveconnection_test::RawSection;

constexpr char16_t kModelPath[] = u"C:\\Models\\Lock.skp";
constexpr char16_t kSectionName[] = u"C:/Models/Lock.skp";
constexpr size_t kLockOwnerOffset = 24;

using CrossProcessLockTest = PrivateStateTest;

TEST_F(CrossProcessLockTest, IsReentrantAndOneUnlockFreesIt) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    RawSection raw(kSectionName);
    const uint32_t self = twinlink::platform::GetCurrentProcessId();

    EXPECT_TRUE(connection.Lock(0));
    EXPECT_TRUE(connection.Lock(0));
    EXPECT_TRUE(connection.Lock(10000));
    EXPECT_EQ(raw.U32(kLockOwnerOffset), self);
    connection.Unlock();
    EXPECT_EQ(raw.U32(kLockOwnerOffset), 0u);
    connection.Unlock();
    EXPECT_EQ(raw.U32(kLockOwnerOffset), 0u);
}

TEST_F(CrossProcessLockTest, CloseFreesALockThisProcessHolds) {
    LiveConnection host;
    ASSERT_EQ(host.Host(kModelPath, 8), 0);
    LiveConnection peer;
    ASSERT_EQ(peer.Attach(kModelPath), 0);
    ASSERT_TRUE(host.Lock(0));
    host.Close();
    RawSection raw(kSectionName);
    EXPECT_EQ(raw.U32(kLockOwnerOffset), 0u);
}

TEST_F(CrossProcessLockTest, AForeignHolderKeepsUsOutUntilItUnlocks) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    RawSection raw(kSectionName);

    ChildProcess child([](const Pipe& pipe) {
        LiveConnection peer;
        if (peer.Attach(kModelPath) != 0) return 1;
        pipe.Send(peer.Lock(0) ? 1 : 0);
        if (!pipe.Receive()) return 2;
        peer.Unlock();
        pipe.Send(1);
        return 0;
    });
    ASSERT_EQ(child.pipe().Receive(), 1u);

    EXPECT_EQ(raw.U32(kLockOwnerOffset), static_cast<uint32_t>(child.pid));
    EXPECT_FALSE(connection.Lock(0));
    connection.Unlock();  // not the holder: the word stays
    EXPECT_EQ(raw.U32(kLockOwnerOffset), static_cast<uint32_t>(child.pid));

    child.pipe().Send(1);
    ASSERT_EQ(child.pipe().Receive(), 1u);
    EXPECT_EQ(raw.U32(kLockOwnerOffset), 0u);
    EXPECT_TRUE(connection.Lock(0));
    EXPECT_EQ(raw.U32(kLockOwnerOffset), twinlink::platform::GetCurrentProcessId());
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(CrossProcessLockTest, ALockHeldByAProcessThatDiedIsNeverBrokenSoEveryLaterLockTimesOut) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    RawSection raw(kSectionName);

    ChildProcess child([](const Pipe&) {
        LiveConnection peer;
        if (peer.Attach(kModelPath) != 0 || !peer.Lock(0)) return 1;
        _exit(0);  // dies holding the lock, without any cleanup
    });
    ASSERT_EQ(child.Wait(), 0);

    EXPECT_EQ(raw.U32(kLockOwnerOffset), static_cast<uint32_t>(child.pid));
    EXPECT_FALSE(connection.Lock(0));
    EXPECT_FALSE(connection.Lock(2000));
    EXPECT_EQ(raw.U32(kLockOwnerOffset), static_cast<uint32_t>(child.pid));
}

}  // namespace

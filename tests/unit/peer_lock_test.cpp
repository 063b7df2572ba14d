// The header lock between the plug-in and Korvan: while korvan-peer holds it the host's Lock
// times out, and a peer that dies holding it keeps it for good (nothing breaks the lock).
#include <gtest/gtest.h>
#include <signal.h>

#include "liveconnection/live_connection.h"
#include "peer/link_decoder.h"
#include "peer/peer_commands.h"
#include "peer_test_support.h"

namespace {

using namespace TwinLinkAPI;
using liveconnection_test::RawSection;
using peer_test::PeerProcess;

constexpr char kLinkName[] = "C:\\Models\\Lock.skp";
constexpr char16_t kLinkName16[] = u"C:\\Models\\Lock.skp";
constexpr size_t kLockOwnerOffset = 24;

class PeerLockTest : public liveconnection_test::PrivateStateTest {
  protected:
    void SetUp() override {
        PrivateStateTest::SetUp();
        ASSERT_EQ(host.Host(kLinkName16, 8), 0);
    }
    std::string HeldLine(pid_t owner, bool held) const {
        return std::string(R"({"link":"C:\\Models\\Lock.skp","held":)") +
               (held ? "true" : "false") + R"(,"owner":)" + std::to_string(owner) + "}";
    }

    LiveConnection host;
};

TEST_F(PeerLockTest, AKilledHolderKeepsTheHostOutForGood) {
    PeerProcess peer({"hold-lock", "--link", kLinkName}, root / "peer-stderr.txt");
    EXPECT_EQ(peer.ReadLine(), HeldLine(peer.pid, true)) << peer.ErrorText();
    RawSection raw(u"C:/Models/Lock.skp");

    EXPECT_FALSE(host.Lock(10000));
    EXPECT_EQ(raw.U32(kLockOwnerOffset), static_cast<uint32_t>(peer.pid));

    // A second reader gives up and says who holds the lock; it reads no records without it.
    korvan::peer::PeerConnection reader;
    ASSERT_EQ(reader.Attach(kLinkName16), 0);
    const korvan::peer::LinkSnapshot snapshot = korvan::peer::TakeSnapshot(reader, 1000);
    EXPECT_FALSE(snapshot.lockTaken);
    EXPECT_TRUE(snapshot.records.empty());
    EXPECT_EQ(peer_test::ProblemLines(snapshot),
              std::vector<std::string>{
                  "lock: header lock not taken within 1000 microseconds: held by process " +
                  std::to_string(peer.pid) + "; records not read"});

    peer.Signal(SIGKILL);
    EXPECT_EQ(peer.Wait(), -1);
    EXPECT_FALSE(host.Lock(10000));
    EXPECT_FALSE(host.Lock(10000));
    EXPECT_EQ(raw.U32(kLockOwnerOffset), static_cast<uint32_t>(peer.pid));
}

TEST_F(PeerLockTest, AHolderThatFinishesReleasesTheLock) {
    PeerProcess timed({"hold-lock", "--link", kLinkName, "--ms", "0"}, root / "peer-stderr.txt");
    EXPECT_EQ(timed.ReadRest(), HeldLine(timed.pid, true) + "\n" + HeldLine(0, false) + "\n");
    EXPECT_EQ(timed.Wait(), korvan::peer::kExitDone);
    EXPECT_TRUE(host.Lock(0));
    host.Unlock();

    // Asked to stop, a holder releases too.
    PeerProcess stopped({"hold-lock", "--link", kLinkName}, root / "peer-stderr.txt");
    EXPECT_EQ(stopped.ReadLine(), HeldLine(stopped.pid, true));
    stopped.Signal(SIGTERM);
    EXPECT_EQ(stopped.ReadRest(), HeldLine(0, false) + "\n");
    EXPECT_EQ(stopped.Wait(), korvan::peer::kExitDone);
    EXPECT_TRUE(host.Lock(0));

    // With the host holding it, hold-lock gives up.
    PeerProcess refused({"hold-lock", "--link", kLinkName, "--lock-timeout-us", "0"},
                        root / "peer-stderr.txt");
    EXPECT_EQ(
        refused.ReadRest(),
        HeldLine(static_cast<pid_t>(twinlink::platform::GetCurrentProcessId()), false) + "\n");
    EXPECT_EQ(refused.Wait(), korvan::peer::kExitGaveUp);
}

}  // namespace

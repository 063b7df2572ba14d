// korvan-peer as Korvan in a second process: the plug-in's side (a LiveConnection hosted here)
// finds its window, wakes it with the update message, and reads back what it printed.
#include <gtest/gtest.h>

#include <sstream>

#include "liveconnection/live_connection.h"
#include "peer/command_line.h"
#include "peer/peer_commands.h"
#include "peer/peer_connection.h"
#include "peer_test_support.h"

namespace {

using namespace TwinLinkAPI;
using peer_test::PeerProcess;

constexpr char kLinkName[] = "C:\\Models\\Watch.skp";
constexpr char16_t kLinkName16[] = u"C:\\Models\\Watch.skp";
constexpr char kLinkJson[] = R"("link":"C:\\Models\\Watch.skp")";

class PeerWatchTest : public liveconnection_test::PrivateStateTest {
  protected:
    std::filesystem::path ErrorFile() const { return root / "peer-stderr.txt"; }
};

TEST_F(PeerWatchTest, WakesOnTheUpdateMessageAndPrintsASnapshotPerMessage) {
    LiveConnection host;
    ASSERT_EQ(host.Host(kLinkName16, 8), 0);
    PeerProcess peer({"watch", "--link", kLinkName, "--version", "9.1", "--count", "2"},
                     ErrorFile());
    ASSERT_GT(peer.pid, 0);

    // What the plug-in's discovery relies on: a visible, unowned window of class "...START..."
    // titled "Korvan <version>".
    const auto window = peer_test::WaitForWindowOf(static_cast<uint32_t>(peer.pid));
    ASSERT_TRUE(window.has_value()) << peer.ErrorText();
    EXPECT_EQ(window->className, u"KORVAN_START_WINDOW");
    EXPECT_EQ(window->title, u"Korvan 9.1");
    EXPECT_TRUE(window->visible);
    EXPECT_EQ(window->owner, 0u);

    ASSERT_EQ(host.Notify(kUpdateNotification, 0), 0);
    const std::optional<std::string> first = peer.ReadLine();
    ASSERT_TRUE(first.has_value()) << peer.ErrorText();
    EXPECT_EQ(
        first->rfind(
            std::string(R"({"message":34601,"wParam":0,"lParam":2,"snapshot":{)") + kLinkJson, 0),
        0u)
        << *first;
    EXPECT_NE(first->find(R"("changeCounter":1,"lockOwner":)" + std::to_string(peer.pid)),
              std::string::npos)
        << *first;
    EXPECT_NE(first->find(R"("records":[{"slot":0,"tag":"VIEW")"), std::string::npos) << *first;
    EXPECT_NE(first->find(R"("problems":[]})"), std::string::npos) << *first;
    EXPECT_EQ(liveconnection_test::RawSection(u"C:/Models/Watch.skp").U32(24), 0u)
        << "the peer let the lock go";

    // The second wake-up sees what the host changed in between.
    host.MarkHeader(kChangedFlag);
    ASSERT_EQ(host.Notify(kUpdateNotification, 0), 0);
    const std::optional<std::string> second = peer.ReadLine();
    ASSERT_TRUE(second.has_value()) << peer.ErrorText();
    EXPECT_NE(second->find(R"("flags":1,"ended":false,"changeCounter":2,)"), std::string::npos)
        << *second;
    EXPECT_NE(second->find(R"("updateCount":2,)"), std::string::npos) << *second;

    EXPECT_EQ(peer.Wait(), korvan::peer::kExitDone);
    EXPECT_EQ(peer.ReadRest(), "");
}

TEST_F(PeerWatchTest, RunningOutOfTimeBeforeTheCountIsGivingUp) {
    PeerProcess peer({"watch", "--count", "1", "--timeout-ms", "0"}, ErrorFile());
    EXPECT_EQ(peer.Wait(), korvan::peer::kExitGaveUp);
    EXPECT_EQ(peer.ReadRest(), "");
}

TEST_F(PeerWatchTest, EndSetsHeaderFlagTwoAndTheHostIsNoLongerReady) {
    LiveConnection host;
    ASSERT_EQ(host.Host(kLinkName16, 8), 0);
    {
        korvan::peer::PeerConnection peer;
        ASSERT_EQ(peer.Attach(kLinkName16), 0);
        ASSERT_TRUE(host.IsReady());
        EXPECT_TRUE(korvan::peer::EndLink(peer));
        EXPECT_FALSE(host.IsReady());
        EXPECT_EQ(host.TestHeaderFlags(0xFFFFFFFF), kPeerClosedFlag);
    }
    host.ClearHeaderFlags(kPeerClosedFlag);
    ASSERT_TRUE(host.IsReady());

    PeerProcess peer({"end", "--link", kLinkName}, ErrorFile());
    EXPECT_EQ(peer.ReadRest(), std::string("{") + kLinkJson + R"(,"ended":true})" + "\n");
    EXPECT_EQ(peer.Wait(), korvan::peer::kExitDone);
    EXPECT_FALSE(host.IsReady());
    EXPECT_EQ(host.TestHeaderFlags(0xFFFFFFFF), kPeerClosedFlag)
        << "ending is not a change of records";

    PeerProcess missing({"end", "--link", "C:\\Models\\Missing.skp"}, ErrorFile());
    EXPECT_EQ(missing.Wait(), korvan::peer::kExitFailed);
    EXPECT_EQ(missing.ErrorText(),
              "korvan-peer: cannot open the link \"C:\\Models\\Missing.skp\"\n");
}

TEST_F(PeerWatchTest, ListShowsPublishedLinksOnly) {
    LiveConnection published;
    ASSERT_EQ(published.Host(kLinkName16, 8), 0);
    ASSERT_EQ(published.Publish(), 0);
    LiveConnection unpublished;
    ASSERT_EQ(unpublished.Host(u"C:\\Models\\Other.skp", 8), 0);

    std::ostringstream out;
    EXPECT_EQ(korvan::peer::ListLinks(out), korvan::peer::kExitDone);
    EXPECT_EQ(out.str(), std::string(R"({"links":["C:\\Models\\Watch.skp"]})") + "\n");
}

TEST_F(PeerWatchTest, CommandLineMistakesAreExplained) {
    using korvan::peer::ParseCommandLine;
    EXPECT_EQ(ParseCommandLine({}).error, "no command given");
    EXPECT_EQ(ParseCommandLine({"paint"}).error, "unknown command \"paint\"");
    EXPECT_EQ(ParseCommandLine({"inspect", "--count", "2"}).error,
              "option \"--count\" does not belong to inspect");
    EXPECT_EQ(ParseCommandLine({"watch", "--count"}).error, "option --count needs a value");
    EXPECT_EQ(ParseCommandLine({"watch", "--timeout-ms", "-5"}).error,
              "option --timeout-ms needs a whole number up to 4294967295");
    EXPECT_EQ(ParseCommandLine({"install", "--version", "8.5"}).error,
              "install needs --version and --location");
    EXPECT_EQ(ParseCommandLine({"install", "--version", "8 5", "--location", "x"}).error,
              "version \"8 5\" may hold only letters, digits, '.', '_' and '-'");

    const auto parsed = ParseCommandLine(
        {"hold-lock", "--link", "C:\\M\\é.skp", "--ms", "250", "--lock-timeout-us", "0"});
    ASSERT_TRUE(parsed.options.has_value()) << parsed.error;
    EXPECT_EQ(parsed.options->command, korvan::peer::PeerCommand::HoldLock);
    EXPECT_EQ(parsed.options->link, std::u16string(u"C:\\M\\\u00e9.skp"));
    EXPECT_EQ(parsed.options->holdMilliseconds, 250u);
    EXPECT_EQ(parsed.options->lockTimeoutMicroseconds, 0u);

    PeerProcess peer({"inspect", "--ms", "5"}, ErrorFile());
    EXPECT_EQ(peer.Wait(), korvan::peer::kExitUsage);
    EXPECT_EQ(
        peer.ErrorText().rfind(
            "korvan-peer: option \"--ms\" does not belong to inspect\n\nusage: korvan-peer", 0),
        0u);
}

}  // namespace

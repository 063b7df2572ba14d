// korvan-peer's two views of the connection directory: `directory` shows every entry as it
// stands and deletes nothing, so what a host left behind stays visible; `list` shows the live
// links and deletes the entries whose main section is gone.
#include <gtest/gtest.h>

#include "liveconnection/live_connection.h"
#include "peer/peer_commands.h"
#include "peer_test_support.h"

namespace {

using namespace TwinLinkAPI;
using peer_test::PeerProcess;
namespace platform = twinlink::platform;

class PeerDirectoryTest : public liveconnection_test::PrivateStateTest {
  protected:
    std::string Run(const std::vector<std::string>& arguments) {
        PeerProcess peer(arguments, root / "peer-stderr.txt");
        std::string out = peer.ReadRest();
        EXPECT_EQ(peer.Wait(), korvan::peer::kExitDone) << peer.ErrorText();
        return out;
    }
};

TEST_F(PeerDirectoryTest, DirectoryShowsEveryEntryAsItStandsAndListSweepsTheDeadOnes) {
    EXPECT_EQ(Run({"directory"}), "{\"entries\":[]}\n");  // no key yet

    LiveConnection live;
    ASSERT_EQ(live.Host(u"C:\\Models\\Live.skp", 8), 0);
    ASSERT_EQ(live.Publish(), 0);
    LiveConnection writer;  // entries whose section nobody holds, as a crashed host leaves them
    ASSERT_EQ(writer.WriteDirectoryEntry(u"C:\\Models\\Gone \u00e9.skp"), 0);
    platform::RegistryKey key;
    ASSERT_EQ(platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser,
                                          u"Software\\Qentra\\LiveConnections", key),
              platform::kSuccess);
    ASSERT_EQ(key.SetDword(u"D:\\Seven.skp", 7), platform::kSuccess);
    const uint8_t text[] = {'x', 0, 'y', 0, 0, 0};  // not a REG_DWORD: no value to show
    ASSERT_EQ(key.SetValue(u"C:\\Models\\Text.skp", platform::kRegSz, text, sizeof text),
              platform::kSuccess);

    const std::string everything = R"({"entries":[{"name":"C:\\Models\\Gone é.skp","value":1},)"
                                   R"({"name":"C:\\Models\\Live.skp","value":1},)"
                                   R"({"name":"C:\\Models\\Text.skp","value":null},)"
                                   R"({"name":"D:\\Seven.skp","value":7}]})"
                                   "\n";
    EXPECT_EQ(Run({"directory"}), everything);
    EXPECT_EQ(Run({"directory"}), everything) << "nothing was deleted";

    // The REG_SZ entry does not fit the four data bytes that list reads: it neither shows nor
    // deletes it.
    EXPECT_EQ(Run({"list"}), "{\"links\":[\"C:\\\\Models\\\\Live.skp\"]}\n");
    EXPECT_EQ(Run({"directory"}), R"({"entries":[{"name":"C:\\Models\\Live.skp","value":1},)"
                                  R"({"name":"C:\\Models\\Text.skp","value":null}]})"
                                  "\n");
}

}  // namespace

// Korvan's uninstall entry as korvan-peer writes it, and the launch that the plug-in makes from
// it later: InstallLocation followed directly by "Korvan.exe" starts a peer with its window.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include "peer/peer_commands.h"
#include "peer/uninstall_entry.h"
#include "peer_test_support.h"

namespace {

namespace platform = twinlink::platform;
using peer_test::PeerProcess;

class PeerInstallTest : public liveconnection_test::PrivateStateTest {
  protected:
    std::filesystem::path ErrorFile() const { return root / "peer-stderr.txt"; }

    static std::optional<std::u16string> EntryText(const std::string& key,
                                                   const std::u16string& value) {
        platform::RegistryKey entry;
        const std::u16string path =
            std::u16string(korvan::peer::kUninstallKey) + u"\\" + platform::Utf8ToUtf16(key);
        if (platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, path, entry) !=
            platform::kSuccess) {
            return std::nullopt;
        }
        uint32_t type = 0;
        uint8_t buffer[1024];
        uint32_t size = sizeof buffer;
        if (entry.QueryValue(value, &type, buffer, &size) != platform::kSuccess ||
            type != platform::kRegSz) {
            return std::nullopt;
        }
        return std::u16string(reinterpret_cast<const char16_t*>(buffer), size / 2 - 1);
    }

    int Install(const std::string& version, const std::filesystem::path& location,
                std::string* output) {
        PeerProcess install({"install", "--version", version, "--location", location.string()},
                            ErrorFile());
        *output = install.ReadRest();
        return install.Wait();
    }
};

TEST_F(PeerInstallTest, TheEntryLeadsToALauncherThatStartsKorvan) {
    const std::filesystem::path location = root / "Korvan-8.7" / "bin";
    std::string output;
    ASSERT_EQ(Install("8.7", location, &output), korvan::peer::kExitDone);
    const std::string folder = location.string() + "/";
    EXPECT_EQ(
        output,
        R"({"key":"KorvanPeer-8.7","displayName":"Korvan 8.7","displayVersion":"8.7","installLocation":")" +
            folder + R"(","launcher":")" + folder + R"(Korvan.exe"})" + "\n");
    EXPECT_EQ(EntryText("KorvanPeer-8.7", u"DisplayName"), u"Korvan 8.7");
    EXPECT_EQ(EntryText("KorvanPeer-8.7", u"DisplayVersion"), u"8.7");
    EXPECT_EQ(EntryText("KorvanPeer-8.7", u"InstallLocation"), platform::Utf8ToUtf16(folder));
    struct stat launcher {};
    ASSERT_EQ(stat((folder + "Korvan.exe").c_str(), &launcher), 0);
    EXPECT_EQ(launcher.st_mode & 0777, 0755u);

    // The launch as the plug-in makes it: the location followed by "Korvan.exe", as one command
    // line.
    ASSERT_TRUE(platform::LaunchProcess(u"", platform::Utf8ToUtf16(folder + "Korvan.exe")))
        << platform::LastErrorText();
    std::optional<platform::WindowInfo> window;
    ASSERT_TRUE(peer_test::Eventually([&] {
        for (const platform::WindowInfo& candidate : platform::EnumWindows()) {
            if (candidate.title == u"Korvan 8.7") window = candidate;
        }
        return window.has_value();
    }));
    EXPECT_EQ(window->className, u"KORVAN_START_WINDOW");
    const std::optional<std::u16string> image = platform::ProcessImagePath(window->processId);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(*image, platform::Utf8ToUtf16(KORVAN_PEER_EXECUTABLE));

    kill(static_cast<pid_t>(window->processId), SIGTERM);
    EXPECT_TRUE(peer_test::Eventually([&] { return !platform::IsWindow(window->handle); }));
}

TEST_F(PeerInstallTest, UninstallRemovesOnlyWhatInstallWrote) {
    std::string output;
    ASSERT_EQ(Install("8.7", root / "old", &output), korvan::peer::kExitDone);
    ASSERT_EQ(Install("9.5", root / "new", &output), korvan::peer::kExitDone);

    PeerProcess one({"uninstall", "--version", "9.5"}, ErrorFile());
    EXPECT_EQ(one.ReadRest(), std::string(R"({"removed":["KorvanPeer-9.5"]})") + "\n");
    EXPECT_EQ(one.Wait(), korvan::peer::kExitDone);
    EXPECT_FALSE(EntryText("KorvanPeer-9.5", u"DisplayName").has_value());
    EXPECT_FALSE(std::filesystem::exists(root / "new" / "Korvan.exe"));
    EXPECT_EQ(EntryText("KorvanPeer-8.7", u"DisplayName"), u"Korvan 8.7");
    EXPECT_TRUE(std::filesystem::exists(root / "old" / "Korvan.exe"));

    // A Korvan.exe that install did not write stays.
    std::filesystem::remove(root / "old" / "Korvan.exe");
    std::ofstream(root / "old" / "Korvan.exe") << "the real thing\n";
    PeerProcess all({"uninstall"}, ErrorFile());
    EXPECT_EQ(all.ReadRest(), std::string(R"({"removed":["KorvanPeer-8.7"]})") + "\n");
    EXPECT_EQ(all.Wait(), korvan::peer::kExitDone);
    EXPECT_FALSE(EntryText("KorvanPeer-8.7", u"DisplayName").has_value());
    EXPECT_TRUE(std::filesystem::exists(root / "old" / "Korvan.exe"));
}

}  // namespace

// korvan-peer as Korvan in a second process, around a link that the plug-in's side (a
// LiveConnection hosted here) publishes: the connection directory, the wake-up message, ending a
// link, the header lock, Korvan's uninstall entry and its launcher, and the command line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "peer/uninstall_entry.h"
#include "peer_test_support.h"

namespace {

using namespace peer_test;

class PeerLinkTest : public PeerTest {
  protected:
    // hold-lock's line: whether it holds the lock and which process does.
    static std::string HeldLine(pid_t owner, bool held) {
        return std::string("{") + kLinkJson + R"(,"held":)" + (held ? "true" : "false") +
               R"(,"owner":)" + std::to_string(owner) + "}";
    }
};

// `directory` shows every entry as it stands and deletes nothing, so what a host left behind stays
// visible; `list` shows the live published links and deletes the entries whose section is gone.
TEST_F(PeerLinkTest, DirectoryShowsEveryEntryAsItStandsAndListSweepsTheDeadOnes) {
    const auto directory = [&] {
        const auto [out, exitCode] = Run({"directory"});
        EXPECT_EQ(exitCode, kExitDone) << ReadFile(ErrorFile());
        return out;
    };
    EXPECT_EQ(directory(), "{\"entries\":[]}\n");  // no key yet

    ASSERT_EQ(host.Host(u"C:\\Models\\Live.skp", 8), 0);
    ASSERT_EQ(host.Publish(), 0);
    LiveConnection unpublished;
    ASSERT_EQ(unpublished.Host(u"C:\\Models\\Unlisted.skp", 8), 0);
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
    EXPECT_EQ(directory(), everything);
    EXPECT_EQ(directory(), everything) << "nothing was deleted";

    // The REG_SZ entry does not fit the four data bytes that list reads: it neither shows nor
    // deletes it.
    EXPECT_EQ(Run({"list"}),
              std::pair(std::string(R"({"links":["C:\\Models\\Live.skp"]})") + "\n", kExitDone));
    EXPECT_EQ(directory(), R"({"entries":[{"name":"C:\\Models\\Live.skp","value":1},)"
                           R"({"name":"C:\\Models\\Text.skp","value":null}]})"
                           "\n");
}

// What the plug-in's discovery relies on: a visible, unowned window of class "...START..."
// titled "Korvan <version>"; each update message then brings one line with the snapshot and the
// totals of the scene, whose batches are read only when they are new or have moved.
TEST_F(PeerLinkTest, WatchPrintsTheSnapshotAndTheSceneAtEveryMessage) {
    ASSERT_EQ(host.Host(kLink16, 8), 0);
    RecordHeader* floor = PutMaterial(host, u"Floor", 0xFF808080, 1.0f, FlatSquare(0, 1));
    PeerProcess peer({"watch", "--link", kLink, "--version", "9.1", "--count", "3"}, ErrorFile());
    const auto window = WaitForWindow([&](const platform::WindowInfo& candidate) {
        return candidate.processId == static_cast<uint32_t>(peer.pid);
    });
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
    for (const std::string& part :
         {R"("flags":0,"ended":false,"changeCounter":1,"lockOwner":)" + std::to_string(peer.pid),
          std::string(R"("records":[{"slot":0,"tag":"VIEW")"),
          std::string(R"("problems":[]},"scene":{"materials":1,"vertices":4,"indices":6,)"
                      R"("triangles":2,"batchesRead":1}})")})
        EXPECT_NE(first->find(part), std::string::npos) << part << "\n" << *first;

    // The second wake-up sees what the host changed in between; only the new batch is read.
    PutMaterial(host, u"Glass", 0xFF8080FF, 0.4f, OddTriangle());
    host.MarkHeader(kChangedFlag);
    ASSERT_EQ(host.Notify(kUpdateNotification, 0), 0);
    const std::optional<std::string> second = peer.ReadLine();
    ASSERT_TRUE(second.has_value()) << peer.ErrorText();
    for (const char* part :
         {R"("flags":1,"ended":false,"changeCounter":2,)", R"("updateCount":2,)",
          R"(,"scene":{"materials":2,"vertices":7,"indices":9,"triangles":3,"batchesRead":1}})"})
        EXPECT_NE(second->find(part), std::string::npos) << part << "\n" << *second;

    // The floor's batch is rebuilt smaller into a new section.
    Batch half = FlatSquare(0, 1);
    half.indices.resize(3);
    PutBatchWords(host, floor, BatchWords(half), 0, 2);
    ASSERT_EQ(host.Notify(kUpdateNotification, 0), 0);
    const std::optional<std::string> third = peer.ReadLine();
    ASSERT_TRUE(third.has_value()) << peer.ErrorText();
    EXPECT_NE(third->find(R"(,"scene":{"materials":2,"vertices":7,"indices":6,"triangles":2,)"
                          R"("batchesRead":1}})"),
              std::string::npos)
        << *third;

    EXPECT_EQ(peer.Wait(), kExitDone);
    EXPECT_EQ(peer.ReadRest(), "");
}

TEST_F(PeerLinkTest, WatchRunningOutOfTimeBeforeTheCountIsGivingUp) {
    EXPECT_EQ(Run({"watch", "--count", "1", "--timeout-ms", "0"}),
              std::pair(std::string(), kExitGaveUp));
}

TEST_F(PeerLinkTest, EndSetsHeaderFlagTwoAndTheHostIsNoLongerReady) {
    ASSERT_EQ(host.Host(kLink16, 8), 0);
    ASSERT_TRUE(host.IsReady());
    EXPECT_EQ(Run({"end", "--link", kLink}),
              std::pair(std::string("{") + kLinkJson + R"(,"ended":true})" + "\n", kExitDone));
    EXPECT_FALSE(host.IsReady());
    EXPECT_EQ(host.TestHeaderFlags(0xFFFFFFFF), kPeerClosedFlag)
        << "ending is not a change of records";

    EXPECT_EQ(Run({"end", "--link", "C:\\Models\\Missing.skp"}).second, kExitFailed);
    EXPECT_EQ(ReadFile(ErrorFile()),
              "korvan-peer: cannot open the link \"C:\\Models\\Missing.skp\"\n");
}

// While korvan-peer holds the header lock the host's Lock times out, and a peer that dies holding
// it keeps it for good: nothing breaks the lock.
TEST_F(PeerLinkTest, AKilledLockHolderKeepsTheHostOutForGood) {
    ASSERT_EQ(host.Host(kLink16, 8), 0);
    PeerProcess peer({"hold-lock", "--link", kLink}, ErrorFile());
    EXPECT_EQ(peer.ReadLine(), HeldLine(peer.pid, true)) << peer.ErrorText();
    RawSection raw(kMainSection);
    EXPECT_FALSE(host.Lock(10000));
    EXPECT_EQ(raw.U32(24), static_cast<uint32_t>(peer.pid)) << "the lock word names its owner";

    peer.Signal(SIGKILL);
    EXPECT_EQ(peer.Wait(), -1);
    EXPECT_FALSE(host.Lock(10000));
    EXPECT_EQ(raw.U32(24), static_cast<uint32_t>(peer.pid));
}

TEST_F(PeerLinkTest, ALockHolderThatFinishesReleasesTheLock) {
    ASSERT_EQ(host.Host(kLink16, 8), 0);
    PeerProcess timed({"hold-lock", "--link", kLink, "--ms", "0"}, ErrorFile());
    EXPECT_EQ(timed.ReadRest(), HeldLine(timed.pid, true) + "\n" + HeldLine(0, false) + "\n");
    EXPECT_EQ(timed.Wait(), kExitDone);
    EXPECT_TRUE(host.Lock(0));
    host.Unlock();

    // Asked to stop, a holder releases too.
    PeerProcess stopped({"hold-lock", "--link", kLink}, ErrorFile());
    EXPECT_EQ(stopped.ReadLine(), HeldLine(stopped.pid, true));
    stopped.Signal(SIGTERM);
    EXPECT_EQ(stopped.ReadRest(), HeldLine(0, false) + "\n");
    EXPECT_EQ(stopped.Wait(), kExitDone);
    EXPECT_TRUE(host.Lock(0));

    // With the host holding it, hold-lock gives up.
    EXPECT_EQ(Run({"hold-lock", "--link", kLink, "--lock-timeout-us", "0"}),
              std::pair(HeldLine(static_cast<pid_t>(platform::GetCurrentProcessId()), false) + "\n",
                        kExitGaveUp));
}

// Korvan's uninstall entry as korvan-peer writes it, and the launch that the plug-in makes from
// it later: InstallLocation followed directly by "Korvan.exe" starts a peer with its window.
class PeerInstallTest : public PeerTest {
  protected:
    static std::optional<std::u16string> EntryText(const std::string& key,
                                                   const std::u16string& value) {
        platform::RegistryKey entry;
        const std::u16string path =
            std::u16string(kUninstallKey) + u"\\" + platform::Utf8ToUtf16(key);
        uint32_t type = 0;
        uint8_t buffer[1024];
        uint32_t size = sizeof buffer;
        if (platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, path, entry) !=
                platform::kSuccess ||
            entry.QueryValue(value, &type, buffer, &size) != platform::kSuccess ||
            type != platform::kRegSz) {
            return std::nullopt;
        }
        return std::u16string(reinterpret_cast<const char16_t*>(buffer), size / 2 - 1);
    }

    std::pair<std::string, int> Install(const std::string& version,
                                        const std::filesystem::path& location) {
        return Run({"install", "--version", version, "--location", location.string()});
    }
};

TEST_F(PeerInstallTest, TheEntryLeadsToALauncherThatStartsKorvan) {
    const std::filesystem::path location = root / "Korvan-8.7" / "bin";
    const std::string folder = location.string() + "/";
    EXPECT_EQ(
        Install("8.7", location),
        std::pair(
            R"({"key":"KorvanPeer-8.7","displayName":"Korvan 8.7","displayVersion":"8.7","installLocation":")" +
                folder + R"(","launcher":")" + folder + R"(Korvan.exe"})" + "\n",
            kExitDone));
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
    const auto window = WaitForWindow(
        [](const platform::WindowInfo& candidate) { return candidate.title == u"Korvan 8.7"; });
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(window->className, u"KORVAN_START_WINDOW");
    EXPECT_EQ(platform::ProcessImagePath(window->processId),
              platform::Utf8ToUtf16(KORVAN_PEER_EXECUTABLE));

    kill(static_cast<pid_t>(window->processId), SIGTERM);
    EXPECT_TRUE(Eventually([&] { return !platform::IsWindow(window->handle); }));
}

TEST_F(PeerInstallTest, UninstallRemovesOnlyWhatInstallWrote) {
    ASSERT_EQ(Install("8.7", root / "old").second, kExitDone);
    ASSERT_EQ(Install("9.5", root / "new").second, kExitDone);

    EXPECT_EQ(Run({"uninstall", "--version", "9.5"}),
              std::pair(std::string(R"({"removed":["KorvanPeer-9.5"]})") + "\n", kExitDone));
    EXPECT_FALSE(EntryText("KorvanPeer-9.5", u"DisplayName").has_value());
    EXPECT_FALSE(std::filesystem::exists(root / "new" / "Korvan.exe"));
    EXPECT_EQ(EntryText("KorvanPeer-8.7", u"DisplayName"), u"Korvan 8.7");
    EXPECT_TRUE(std::filesystem::exists(root / "old" / "Korvan.exe"));

    // A Korvan.exe that install did not write stays.
    std::filesystem::remove(root / "old" / "Korvan.exe");
    std::ofstream(root / "old" / "Korvan.exe") << "the real thing\n";
    EXPECT_EQ(Run({"uninstall"}),
              std::pair(std::string(R"({"removed":["KorvanPeer-8.7"]})") + "\n", kExitDone));
    EXPECT_FALSE(EntryText("KorvanPeer-8.7", u"DisplayName").has_value());
    EXPECT_TRUE(std::filesystem::exists(root / "old" / "Korvan.exe"));
}

TEST_F(PeerLinkTest, CommandLineMistakesAreExplainedAndOptionsRead) {
    using Case = std::pair<std::vector<std::string>, std::string>;
    for (const auto& [arguments, error] : std::vector<Case>{
             {{}, "no command given"},
             {{"paint"}, "unknown command \"paint\""},
             {{"watch", "--count"}, "option --count needs a value"},
             {{"watch", "--timeout-ms", "-5"},
              "option --timeout-ms needs a whole number up to 4294967295"},
             {{"install", "--version", "8.5"}, "install needs --version and --location"},
             {{"install", "--version", "8 5", "--location", "x"},
              "version \"8 5\" may hold only letters, digits, '.', '_' and '-'"},
             {{"triangles", "--link", "x"}, "triangles needs --out"},
             {{"export", "--out", "scene.stl"},
              "export writes .gltf or .obj files, not \"scene.stl\""},
             {{"render", "--out", "a.png", "--size", "0x10"},
              "option --size needs WxH, each from 1 to 16384 pixels"},
             {{"render", "--out", "a.png", "--eye", "1,2"},
              "option --eye needs three numbers x,y,z"},
             {{"render", "--out", "a.png", "--up", "0,1,0,"},
              "option --up needs three numbers x,y,z"},
             {{"render", "--out", "a.png", "--fov", "180"},
              "option --fov needs degrees between 0 and 180"}})
        EXPECT_EQ(ParseCommandLine(arguments).error, error);

    const auto render = ParseCommandLine(
        {"render", "--out", "a.png", "--size", "640x480", "--eye", "1,-2.5,3e1", "--fov", "55.5"});
    ASSERT_TRUE(render.options.has_value()) << render.error;
    EXPECT_EQ(render.options->imageWidth, 640u);
    EXPECT_EQ(render.options->imageHeight, 480u);
    const Vec3 eye = render.options->camera.eye.value_or(Vec3{});
    EXPECT_EQ((std::vector{eye.x, eye.y, eye.z}), (std::vector{1.0, -2.5, 30.0}));
    EXPECT_FALSE(render.options->camera.target.has_value());
    EXPECT_EQ(render.options->camera.fieldOfViewDegrees, 55.5);
    EXPECT_EQ(ParseCommandLine({"export", "--out", "Scene.OBJ"})
                  .options.value_or(PeerOptions{})
                  .exportFormat,
              ExportFormat::Obj);
    EXPECT_EQ(
        ParseCommandLine({"end", "--link", "C:\\M\\é.skp"}).options.value_or(PeerOptions{}).link,
        std::u16string(u"C:\\M\\\u00e9.skp"));

    // korvan-peer itself says what was wrong, then how it is used.
    EXPECT_EQ(Run({"inspect", "--ms", "5"}).second, kExitUsage);
    EXPECT_EQ(
        ReadFile(ErrorFile())
            .rfind("korvan-peer: option \"--ms\" does not belong to inspect\n\nusage: korvan-peer",
                   0),
        0u);
}

}  // namespace

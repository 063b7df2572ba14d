// korvan-peer as Korvan in a second process, around a link that the plug-in's side (a
// LiveConnection hosted here) publishes: the connection directory, the wake-up message, ending a
// link, the header lock, Korvan's uninstall entry and its launcher, and the command line.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <regex>

#include "peer/uninstall_entry.h"
#include "peer_test_support.h"

namespace {

using namespace peer_test;

class PeerLinkTest : public PeerTest {
  protected:
    // hold-lock's line: whether it holds the lock and which process does.
    static std::string HeldLine(uint32_t owner, bool held) {
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

    ASSERT_EQ(host.Publish(), 0);
    platform::RegistryKey key;
    ASSERT_EQ(platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser,
                                          u"Software\\Qentra\\LiveConnections", key),
              platform::kSuccess);
    // An entry whose section nobody holds, as a crashed host leaves it.
    ASSERT_EQ(key.SetDword(u"D:\\Gone \u00e9.skp", 7), platform::kSuccess);
    const uint8_t text[] = {'x', 0, 'y', 0, 0, 0};  // not a REG_DWORD: no value to show
    ASSERT_EQ(key.SetValue(u"C:\\Models\\Text.skp", platform::kRegSz, text, sizeof text),
              platform::kSuccess);

    const std::string everything = R"({"entries":[{"name":"C:\\Models\\Scene.skp","value":1},)"
                                   R"({"name":"C:\\Models\\Text.skp","value":null},)"
                                   R"({"name":"D:\\Gone é.skp","value":7}]})"
                                   "\n";
    EXPECT_EQ(directory(), everything);
    EXPECT_EQ(directory(), everything) << "nothing was deleted";

    // The REG_SZ entry does not fit the four data bytes that list reads: it neither shows nor
    // deletes it.
    EXPECT_EQ(Run({"list"}), Done(R"({"links":["C:\\Models\\Scene.skp"]})"));
    EXPECT_EQ(directory(), R"({"entries":[{"name":"C:\\Models\\Scene.skp","value":1},)"
                           R"({"name":"C:\\Models\\Text.skp","value":null}]})"
                           "\n");
}

// What the plug-in's discovery relies on: a visible, unowned window of class "...START..."
// titled "Korvan <version>"; each update message then brings one line with the snapshot and the
// totals of the scene, whose batches are read only when they are new (the scene suite's mirror
// test has the ones that moved). Out of time before the count, watch gives up.
TEST_F(PeerLinkTest, WatchPrintsTheSnapshotAndTheSceneAtEveryMessageUntilItsTimeRunsOut) {
    PutMaterial(host, u"Floor", 0xFF808080, 1.0f, FlatSquare(0, 1));
    const auto started = std::chrono::steady_clock::now();
    PeerProcess peer({"watch", "--link", kLink, "--version", "9.1", "--count", "2"}, ErrorFile());
    // A window is listed from its creation on, and shown a moment later.
    const auto window = WaitForWindow([&](const platform::WindowInfo& candidate) {
        return candidate.processId == peer.Id() && candidate.visible;
    });
    ASSERT_TRUE(window.has_value()) << ReadFile(ErrorFile());
    EXPECT_EQ(window->className, u"KORVAN_START_WINDOW");
    EXPECT_EQ(window->title, u"Korvan 9.1");
    EXPECT_EQ(window->owner, 0u);
    const auto [listed, listedCode] = Run({"windows"});
    EXPECT_EQ(listedCode, kExitDone);
    // Windows also gives every thread that makes windows a hidden "Default IME" window.
    EXPECT_EQ(std::regex_replace(listed, std::regex(R"(,\{"processId":\d+,"className":"IME","title":"Default IME","visible":false,"owner":0\})"), ""),
              R"({"windows":[{"processId":)" + std::to_string(peer.Id()) +
                  R"(,"className":"KORVAN_START_WINDOW","title":"Korvan 9.1","visible":true,"owner":0}]})" + "\n");

    ASSERT_EQ(host.Notify(kUpdateNotification, 0), 0);
    const std::optional<std::string> first = peer.ReadLine();
    ASSERT_TRUE(first.has_value()) << ReadFile(ErrorFile());
    EXPECT_THAT(*first, StartsWith(std::string(R"({"message":34601,"wParam":0,"lParam":2,)"
                                               R"("snapshot":{)") +
                                   kLinkJson));
    for (const std::string& part :
         {R"("flags":0,"ended":false,"changeCounter":1,"lockOwner":)" + std::to_string(peer.Id()),
          std::string(R"("records":[{"slot":0,"tag":"VIEW")"),
          std::string(R"("problems":[]},"scene":{"materials":1,"vertices":4,"indices":6,)"
                      R"("triangles":2,"batchesRead":1},"clock":{"wokenNs":)")})
        EXPECT_THAT(*first, HasSubstr(part));

    // The second wake-up sees what the host changed in between; only the new batch is read.
    PutMaterial(host, u"Glass", 0xFF8080FF, 0.4f, OddTriangle());
    host.MarkHeader(kChangedFlag);
    ASSERT_EQ(host.Notify(kUpdateNotification, 0), 0);
    const std::optional<std::string> second = peer.ReadLine();
    ASSERT_TRUE(second.has_value()) << ReadFile(ErrorFile());
    for (const char* part :
         {R"("flags":1,"ended":false,"changeCounter":2,)", R"("updateCount":2,)",
          R"(,"scene":{"materials":2,"vertices":7,"indices":9,"triangles":3,"batchesRead":1},)"})
        EXPECT_THAT(*second, HasSubstr(part));
    // The shared monotonic clock: the message came before the read ended, after this test began.
    std::smatch clock;
    ASSERT_TRUE(std::regex_search(*second, clock, std::regex(R"("clock":\{"wokenNs":(\d+),"readNs":(\d+)\}\}$)")))
        << *second;
    const uint64_t woken = std::stoull(clock[1]);
    EXPECT_LE(woken, std::stoull(clock[2]));
    EXPECT_LT(static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                  started.time_since_epoch()).count()), woken);
    EXPECT_EQ(peer.Wait(), kExitDone);
    EXPECT_EQ(peer.ReadRest(), "");

    EXPECT_EQ(Run({"watch", "--count", "1", "--timeout-ms", "0"}),
              std::pair(std::string(), kExitGaveUp));
}

TEST_F(PeerLinkTest, EndSetsHeaderFlagTwoAndTheHostIsNoLongerReady) {
    ASSERT_TRUE(host.IsReady());
    EXPECT_EQ(Run({"end", "--link", kLink}),
              Done(std::string("{") + kLinkJson + R"(,"ended":true})"));
    EXPECT_FALSE(host.IsReady());
    EXPECT_EQ(host.TestHeaderFlags(0xFFFFFFFF), kPeerClosedFlag)
        << "ending is not a change of records";

    EXPECT_EQ(Run({"end", "--link", "C:\\Models\\Missing.skp"}).second, kExitFailed);
    EXPECT_EQ(ReadFile(ErrorFile()),
              "korvan-peer: cannot open the link \"C:\\Models\\Missing.skp\"\n");
}

// While korvan-peer holds the header lock the host's Lock times out. A holder that finishes or is
// asked to stop releases it; one that dies holding it keeps it for good: nothing breaks the lock.
TEST_F(PeerLinkTest, OnlyALockHolderThatEndsNormallyLetsTheHostIn) {
    PeerProcess timed({"hold-lock", "--link", kLink, "--ms", "0"}, ErrorFile());
    EXPECT_EQ(timed.ReadRest(), HeldLine(timed.Id(), true) + "\n" + HeldLine(0, false) + "\n");
    EXPECT_EQ(timed.Wait(), kExitDone);
    ASSERT_TRUE(host.Lock(0));
    // With the host holding it, hold-lock gives up.
    EXPECT_EQ(Run({"hold-lock", "--link", kLink, "--lock-timeout-us", "0"}),
              std::pair(HeldLine(platform::GetCurrentProcessId(), false) + "\n",
                        kExitGaveUp));
    host.Unlock();

    RawSection raw(kMainSection);
#if !defined(_WIN32)
    // Windows has no way to ask a process without a console or window to stop.
    PeerProcess stopped({"hold-lock", "--link", kLink}, ErrorFile());
    EXPECT_EQ(stopped.ReadLine(), HeldLine(stopped.Id(), true)) << ReadFile(ErrorFile());
    EXPECT_FALSE(host.Lock(10000));
    EXPECT_EQ(raw.U32(24), stopped.Id()) << "the lock word names its owner";
    stopped.AskToStop();
    EXPECT_EQ(stopped.ReadRest(), HeldLine(0, false) + "\n");
    EXPECT_EQ(stopped.Wait(), kExitDone);
    ASSERT_TRUE(host.Lock(0));
    host.Unlock();
#endif

    PeerProcess killed({"hold-lock", "--link", kLink}, ErrorFile());
    EXPECT_EQ(killed.ReadLine(), HeldLine(killed.Id(), true));
    killed.Kill();
    EXPECT_EQ(killed.Wait(), -1);
    EXPECT_FALSE(host.Lock(10000));
    EXPECT_EQ(raw.U32(24), killed.Id());
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
    const std::string folder = (location / "").string();
    EXPECT_EQ(Install("8.7", location),
              Done(R"({"key":"KorvanPeer-8.7","displayName":"Korvan 8.7","displayVersion":"8.7",)"
                   R"("installLocation":)" + JsonQuoted(folder) + R"(,"launcher":)" +
                   JsonQuoted(folder + "Korvan.exe") + "}"));
    EXPECT_EQ(EntryText("KorvanPeer-8.7", u"DisplayName"), u"Korvan 8.7");
    EXPECT_EQ(EntryText("KorvanPeer-8.7", u"DisplayVersion"), u"8.7");
    EXPECT_EQ(EntryText("KorvanPeer-8.7", u"InstallLocation"), platform::Utf8ToUtf16(folder));

    // The launch as the plug-in makes it: the location followed by "Korvan.exe", as one command
    // line (here with more arguments, so that it ends after one update, or at worst after a
    // minute). Korvan.exe runs watch for its version, with the window the watch test checks, as
    // a process of that name.
    ASSERT_TRUE(platform::LaunchProcess(
        u"", platform::Utf8ToUtf16(folder + "Korvan.exe --count 1 --timeout-ms 60000")))
        << platform::LastErrorText();
    const auto window = WaitForWindow(
        [](const platform::WindowInfo& candidate) { return candidate.title == u"Korvan 8.7"; });
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(platform::ProcessImagePath(window->processId), platform::Utf8ToUtf16(folder + "Korvan.exe"));
    EXPECT_TRUE(platform::PostMessage(window->handle, kUpdateMessage, 0, kUpdateNotification));
    EXPECT_TRUE(Eventually([&] { return !platform::IsWindow(window->handle); }));
    // Its output went to the log beside it.
    EXPECT_TRUE(Eventually([&] {
        return ReadFile(location / "korvan-peer.log").rfind(R"({"message":34601,"wParam":0,"lParam":2,)", 0) == 0;
    })) << ReadFile(location / "korvan-peer.log");
}

TEST_F(PeerInstallTest, InstallAndUninstallTouchOnlyWhatInstallWrote) {
    ASSERT_EQ(Install("8.7", root / "old").second, kExitDone);
    ASSERT_EQ(Install("9.5", root / "new").second, kExitDone);

    EXPECT_EQ(Run({"uninstall", "--version", "9.5"}), Done(R"({"removed":["KorvanPeer-9.5"]})"));
    EXPECT_FALSE(EntryText("KorvanPeer-9.5", u"DisplayName").has_value());
    EXPECT_FALSE(std::filesystem::exists(root / "new" / "Korvan.exe"));
    EXPECT_FALSE(std::filesystem::exists(root / "new" / "korvan-launch.txt"));
    EXPECT_EQ(EntryText("KorvanPeer-8.7", u"DisplayName"), u"Korvan 8.7");
    EXPECT_TRUE(std::filesystem::exists(root / "old" / "Korvan.exe"));

    // A Korvan.exe that install did not write stays, also where its launch file is left: install
    // does not overwrite it, and uninstall does not remove it.
    std::filesystem::remove(root / "old" / "Korvan.exe");
    std::ofstream(root / "old" / "Korvan.exe", std::ios::binary) << "the real thing\n";
    const std::string foreign = ((root / "old") / "Korvan.exe").string();
    EXPECT_EQ(Install("8.7", root / "old"), std::pair(std::string(), kExitFailed));
    EXPECT_EQ(ReadFile(ErrorFile()),
              "korvan-peer: " + foreign + " is there and was not written by install; it is left as it is\n");
    EXPECT_EQ(Run({"uninstall"}), Done(R"({"removed":["KorvanPeer-8.7"]})"));
    EXPECT_FALSE(EntryText("KorvanPeer-8.7", u"DisplayName").has_value());
    EXPECT_EQ(ReadFile(root / "old" / "Korvan.exe"), "the real thing\n");
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
             {{"export", "--out", "scene.stl"},
              "export writes .gltf or .obj files, not \"scene.stl\""},
             {{"render", "--out", "a.png", "--size", "0x10"},
              "option --size needs WxH, each from 1 to 16384 pixels"},
             {{"render", "--out", "a.png", "--eye", "1,2"},
              "option --eye needs three numbers x,y,z"},
             {{"render", "--out", "a.png", "--fov", "180"},
              "option --fov needs degrees between 0 and 180"}})
        EXPECT_EQ(ParseCommandLine(arguments).error, error);
    // The render command's test reads its options back from its output; export goes by the
    // extension, whatever its case.
    EXPECT_EQ(ParseCommandLine({"export", "--out", "Scene.OBJ"})
                  .options.value_or(PeerOptions{})
                  .exportFormat,
              ExportFormat::Obj);

    // korvan-peer itself says what was wrong, then how it is used.
    EXPECT_EQ(Run({"inspect", "--ms", "5"}).second, kExitUsage);
    EXPECT_THAT(ReadFile(ErrorFile()),
                StartsWith("korvan-peer: option \"--ms\" does not belong to inspect\n\n"
                           "usage: korvan-peer"));
}

}  // namespace

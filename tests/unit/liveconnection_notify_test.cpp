// Waking Korvan: which windows of which processes receive message 0x8729, and the gate that
// keeps two threads from notifying at once.
//
// A renderer is played by a copy of this test program, saved under a name such as
// "korvan-viewer" so that its image path says what it is, started on the role RendererWindow: it
// publishes one window and does what the test asks of it.
#include <cstdlib>
#include <sstream>

#include "liveconnection_test_support.h"

namespace {

using namespace TwinLinkAPI;
using namespace liveconnection_test;
using test_support::NextRequest;
using test_support::RoleArgument;
using test_support::RoleProcess;
using test_support::TellTest;
using test_support::TellTestReady;

constexpr uint32_t kMarkerMessage = 0x8001;

struct WindowOptions {
    std::string executableName = "korvan-viewer";
    std::string className = "KorvanStartFrame";
    bool visible = true;
    bool owned = false;
};

// ---- The renderer's side, in the copied program

// Publishes the window described by the argument ("<visible> <owned> <class>"), tells its
// handle, then does what it is asked until its input ends: report the first message it
// receives ("report"), or destroy the window and stay on ("destroy").
TEST(ChildRoles, DISABLED_RendererWindow) {
    std::istringstream argument(RoleArgument());
    WindowOptions options;
    argument >> options.visible >> options.owned >> std::ws;
    std::getline(argument, options.className);
    platform::OwnWindow owner;
    if (options.owned) {
        ASSERT_TRUE(owner.Create(u"OwnerFrame", u"", false, 0));
    }
    platform::OwnWindow window;
    ASSERT_TRUE(window.Create(platform::Utf8ToUtf16(options.className), u"Korvan 9.1", options.visible,
                              options.owned ? owner.Handle() : 0));
    TellTestReady();
    TellTest(std::to_string(window.Handle()));
    while (const std::optional<std::string> request = NextRequest()) {
        if (*request == "report") {
            const auto next = [&] {
                return window.Receive(std::chrono::seconds(20)).value_or(platform::WindowMessage{});
            };
            const platform::WindowMessage first = next();
            // Up to the marker, so that the next report starts from an empty queue.
            for (uint32_t seen = first.message; seen != kMarkerMessage && seen != 0;)
                seen = next().message;
            TellTest(std::to_string(first.message) + " " + std::to_string(first.wParam) + " " +
                     std::to_string(first.lParam));
        } else if (*request == "destroy") {
            window.Destroy();
            TellTest("destroyed");
        }
    }
}

// ---- The test's side

// The program as the renderer's copy is named; on Windows a program's name ends in ".exe".
std::filesystem::path ProgramNamed(const std::filesystem::path& folder, const std::string& name) {
    const std::string ending = test_support::ThisProgram().extension().string();
    return folder / (std::filesystem::path(name).extension() == ending ? name : name + ending);
}

std::filesystem::path CopyOfThisProgram(const std::filesystem::path& folder, const std::string& name) {
    const std::filesystem::path program = ProgramNamed(folder, name);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::exists(program))
        std::filesystem::copy_file(test_support::ThisProgram(), program, error);
    return program;
}

std::string RoleArgumentFor(const WindowOptions& options) {
    return std::to_string(options.visible) + " " + std::to_string(options.owned) + " " + options.className;
}

// A renderer process with one published window.
class RendererProcess : public RoleProcess {
  public:
    RendererProcess(const std::filesystem::path& folder, const WindowOptions& options)
        : RoleProcess("RendererWindow", RoleArgumentFor(options),
                      CopyOfThisProgram(folder, options.executableName)) {
        EXPECT_TRUE(ready) << before;
        const std::optional<std::string> line = ready ? ReadLine() : std::nullopt;
        if (line) handle = std::strtoull(line->c_str(), nullptr, 10);  // 0 for anything else
    }
    // Closing its input ends the role, which closes its window as a program that ends does.
    ~RendererProcess() {
        CloseInput();
        Wait();
    }
    RendererProcess(const RendererProcess&) = delete;
    RendererProcess& operator=(const RendererProcess&) = delete;

    // Whether the update came first. A marker is posted behind whatever came before, so "nothing
    // was posted" reads as the marker coming first, without waiting for silence.
    bool ReceivedUpdate() {
        platform::PostMessage(handle, kMarkerMessage, 0, 0);
        WriteLine("report");
        const std::optional<std::string> first = ReadLine();
        EXPECT_TRUE(first.has_value());
        if (!first || *first == std::to_string(kMarkerMessage) + " 0 0") return false;
        EXPECT_EQ(*first, std::to_string(0x8729) + " 0 2");
        return *first == std::to_string(0x8729) + " 0 2";
    }

    // Closes the window; the process stays.
    void DestroyWindow() {
        WriteLine("destroy");
        EXPECT_EQ(ReadLine(), "destroyed");
    }

    platform::WindowHandle handle = 0;
};

class NotifyTest : public PrivateStateTest {
  protected:
    std::filesystem::path Programs() const { return root / "programs"; }
};

// Lets the test hold the gate as a second notifying thread would.
class GateHoldingConnection : public LiveConnection {
  public:
    NotifyGate& Gate() { return notifyGate; }
};

TEST_F(NotifyTest, RenderersAreLookedForAgainWhenNoneIsKnownOrOneHasGone) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    EXPECT_EQ(connection.Notify(2, 0), -1);

    // Found on the next call, and a window that has gone is replaced on the same call.
    for (int round = 0; round < 2; ++round) {
        RendererProcess korvan(Programs(), {});
        ASSERT_NE(korvan.handle, 0u);
        EXPECT_EQ(connection.Notify(2, 0), 0);
        EXPECT_TRUE(korvan.ReceivedUpdate());
    }
}

TEST_F(NotifyTest, AKorvanStartedWhileAnotherIsKnownIsWokenByTheNextCall) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    RendererProcess first(Programs(), {});
    ASSERT_NE(first.handle, 0u);
    EXPECT_EQ(connection.Notify(2, 0), 0);
    EXPECT_TRUE(first.ReceivedUpdate());

    RendererProcess second(Programs(), {});
    ASSERT_NE(second.handle, 0u);
    EXPECT_EQ(connection.Notify(2, 0), 0);
    EXPECT_TRUE(first.ReceivedUpdate());
    EXPECT_TRUE(second.ReceivedUpdate());
}

TEST_F(NotifyTest, AClosedKorvanWindowIsDroppedAndNotCountedAsWoken) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    RendererProcess closing(Programs(), {});
    RendererProcess staying(Programs(), {});
    ASSERT_NE(closing.handle, 0u);
    ASSERT_NE(staying.handle, 0u);
    EXPECT_EQ(connection.Notify(2, 0), 0);
    EXPECT_TRUE(closing.ReceivedUpdate());
    EXPECT_TRUE(staying.ReceivedUpdate());

    closing.DestroyWindow();
    EXPECT_EQ(connection.Notify(2, 0), 0);
    EXPECT_TRUE(staying.ReceivedUpdate());

    staying.DestroyWindow();
    EXPECT_EQ(connection.Notify(2, 0), -1);
}

// On POSIX the killed process's window stays published and is found stale; Windows destroys the
// windows of a process that ends, so there it is the closed window's case once more.
TEST_F(NotifyTest, AKorvanWhoseProcessEndedWithoutClosingItsWindowIsDropped) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    RendererProcess crashing(Programs(), {});
    ASSERT_NE(crashing.handle, 0u);
    EXPECT_EQ(connection.Notify(2, 0), 0);
    EXPECT_TRUE(crashing.ReceivedUpdate());

    crashing.Kill();
    crashing.Wait();
    EXPECT_EQ(connection.Notify(2, 0), -1);
}

// Korvan is there but busy: the post is lost, yet Korvan was there to be woken. (Wine's queues
// take any number of posts.)
TEST_F(NotifyTest, AWakeUpThatFindsKorvansQueueFullStillCounts) {
#ifdef _WIN32
    if (platform::testing::RunningUnderWine()) GTEST_SKIP() << "Wine's message queues never fill";
#endif
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    RendererProcess korvan(Programs(), {});
    ASSERT_NE(korvan.handle, 0u);
    EXPECT_EQ(connection.Notify(2, 0), 0);  // the window is found and kept
    int queued = 0;
    while (queued < 100000 && platform::PostMessage(korvan.handle, 0x400, 0, 0)) ++queued;
    ASSERT_LT(queued, 100000);
    EXPECT_EQ(connection.Notify(2, 0), 0);
}

TEST_F(NotifyTest, OnlyAVisibleUnownedStartWindowOfAKorvanProcessIsWoken) {
    LiveConnection connection;
    struct Case {
        const char* what;
        WindowOptions options;
        bool woken;
    };
    const Case cases[] = {
        {"class compared in upper case", {"KORVAN.exe", "xstartx", true, false}, true},
        {"invisible", {"korvan-viewer", "KorvanStartFrame", false, false}, false},
        {"owned", {"korvan-viewer", "KorvanStartFrame", true, true}, false},
        {"not a renderer", {"viewer", "KorvanStartFrame", true, false}, false},
        {"zentrix editor", {"zentrix-editor", "Zentrix Editor Frame", true, false}, true},
        {"zentrix without its class", {"zentrix-editor", "StartFrame", true, false}, false},
        {"both names count as korvan",
         {"korvan-zentrix", "Zentrix Editor Frame", true, false},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RendererProcess renderer(Programs(), c.options);
        ASSERT_NE(renderer.handle, 0u);
        EXPECT_EQ(connection.Notify(2, 0), c.woken ? 0 : -1);
        EXPECT_EQ(renderer.ReceivedUpdate(), c.woken);
    }
}

TEST_F(NotifyTest, ACallThatFindsTheGateTakenGivesUpWithoutPosting) {
    GateHoldingConnection connection;
    RendererProcess korvan(Programs(), {});

    ASSERT_TRUE(connection.Gate().Enter(std::chrono::milliseconds(0)));
    EXPECT_EQ(connection.Notify(2, 0), -1);
    EXPECT_FALSE(korvan.ReceivedUpdate());

    connection.Gate().Leave();
    EXPECT_EQ(connection.Notify(2, 0), 0);
    EXPECT_TRUE(korvan.ReceivedUpdate());
}

}  // namespace

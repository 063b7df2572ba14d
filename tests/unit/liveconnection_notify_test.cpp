// Waking Korvan: which windows of which processes receive message 0x8729, and the gate that
// keeps two threads from notifying at once.
//
// A renderer is played by a copy of this test binary, saved under a name such as
// "korvan-viewer" so that its image path says what it is. Started with LC_WINDOW_CLASS set, the
// copy publishes one window and answers over two pipes instead of running the tests.
#include <fcntl.h>

#include <array>

#include "liveconnection_test_support.h"

extern char** environ;

namespace {

using namespace TwinLinkAPI;
using namespace liveconnection_test;
using platform::testing::Channel;

constexpr uint32_t kMarkerMessage = 0x8001;
constexpr uint32_t kReportFirstMessage = 1;
constexpr uint32_t kDestroyWindow = 2;

// ---- The renderer's side, inside the copied binary

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* value = getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

// Publishes the window, tells its handle, then does what it is asked: report the first message
// it receives, or destroy the window and stay on.
int PlayRendererWindow(const std::string& className) {
    const bool owned = EnvironmentValue("LC_WINDOW_OWNED") == "1";
    Channel pipe(std::stoi(*EnvironmentValue("LC_WINDOW_IN")),
                 std::stoi(*EnvironmentValue("LC_WINDOW_OUT")));
    platform::OwnWindow owner;
    if (owned && !owner.Create(u"OwnerFrame", u"", false, 0)) return 2;
    platform::OwnWindow window;
    if (!window.Create(platform::Utf8ToUtf16(className), u"Korvan 9.1",
                       EnvironmentValue("LC_WINDOW_VISIBLE") == "1", owned ? owner.Handle() : 0))
        return 3;
    pipe.Send(window.Handle());
    for (;;) {
        const std::optional<uint32_t> request = pipe.Receive<uint32_t>();
        if (request == kReportFirstMessage) {
            const auto next = [&] {
                return window.Receive(std::chrono::seconds(20)).value_or(platform::WindowMessage{});
            };
            const platform::WindowMessage first = next();
            // Up to the marker, so that the next report starts from an empty queue.
            for (uint32_t seen = first.message; seen != kMarkerMessage && seen != 0;)
                seen = next().message;
            pipe.Send(first);
        } else if (request == kDestroyWindow) {
            window.Destroy();
            pipe.Send(kDestroyWindow);
        } else {
            return 0;
        }
    }
}

// Runs before any test of the copy, once every static object of the program exists.
class RendererWindowRole : public ::testing::Environment {
  public:
    void SetUp() override {
        if (const std::optional<std::string> className = EnvironmentValue("LC_WINDOW_CLASS")) {
            std::fflush(nullptr);
            _exit(PlayRendererWindow(*className));
        }
    }
};
const auto* const kRole = ::testing::AddGlobalTestEnvironment(new RendererWindowRole);

// ---- The test's side

struct WindowOptions {
    std::string executableName = "korvan-viewer";
    std::string className = "KorvanStartFrame";
    bool visible = true;
    bool owned = false;
};

// A renderer process with one published window.
class RendererProcess {
  public:
    RendererProcess(const std::filesystem::path& folder, const WindowOptions& options) {
        const std::filesystem::path executable = folder / options.executableName;
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (!std::filesystem::exists(executable)) {
            std::filesystem::copy_file("/proc/self/exe", executable, error);
            std::filesystem::permissions(executable, std::filesystem::perms::owner_all, error);
        }

        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
        environment.push_back("LC_WINDOW_CLASS=" + options.className);
        environment.push_back(std::string("LC_WINDOW_VISIBLE=") + (options.visible ? "1" : "0"));
        environment.push_back(std::string("LC_WINDOW_OWNED=") + (options.owned ? "1" : "0"));
        environment.push_back("LC_WINDOW_IN=" + std::to_string(toRenderer_.ReadEnd()));
        environment.push_back("LC_WINDOW_OUT=" + std::to_string(fromRenderer_.WriteEnd()));
        std::vector<char*> envp;
        for (std::string& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string program = executable.string();
        std::array<char*, 2> argv{program.data(), nullptr};

        std::fflush(nullptr);
        pid = fork();
        if (pid == 0) {
            dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
            execve(program.c_str(), argv.data(), envp.data());
            _exit(127);
        }
        handle = fromRenderer_.Receive<platform::WindowHandle>().value_or(0);
    }

    ~RendererProcess() {
        toRenderer_.Send(uint32_t{0});
        if (pid > 0) waitpid(pid, nullptr, 0);
    }
    RendererProcess(const RendererProcess&) = delete;
    RendererProcess& operator=(const RendererProcess&) = delete;

    // Whether the update came first. A marker is posted behind whatever came before, so "nothing
    // was posted" reads as the marker coming first, without waiting for silence.
    bool ReceivedUpdate() {
        platform::PostMessage(handle, kMarkerMessage, 0, 0);
        toRenderer_.Send(kReportFirstMessage);
        const std::optional<platform::WindowMessage> first =
            fromRenderer_.Receive<platform::WindowMessage>();
        EXPECT_TRUE(first.has_value());
        if (!first || first->message == kMarkerMessage) return false;
        EXPECT_EQ(first->message, 0x8729u);
        EXPECT_EQ(first->wParam, 0u);
        EXPECT_EQ(first->lParam, 2);
        return first->message == 0x8729u;
    }

    // Closes the window; the process stays.
    void DestroyWindow() {
        toRenderer_.Send(kDestroyWindow);
        EXPECT_EQ(fromRenderer_.Receive<uint32_t>(), kDestroyWindow);
    }

    // Ends the process at once, its window left published.
    void Kill() {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }

    pid_t pid = -1;
    platform::WindowHandle handle = 0;

  private:
    Channel toRenderer_, fromRenderer_;
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

TEST_F(NotifyTest, AKorvanWhoseProcessEndedWithoutClosingItsWindowIsDropped) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    RendererProcess crashing(Programs(), {});
    ASSERT_NE(crashing.handle, 0u);
    EXPECT_EQ(connection.Notify(2, 0), 0);
    EXPECT_TRUE(crashing.ReceivedUpdate());

    crashing.Kill();
    EXPECT_EQ(connection.Notify(2, 0), -1);
}

// Korvan is there but busy: the post is lost, yet Korvan was there to be woken.
TEST_F(NotifyTest, AWakeUpThatFindsKorvansQueueFullStillCounts) {
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

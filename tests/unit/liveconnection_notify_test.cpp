// Waking Korvan: which windows of which processes receive message 0x8729, and the gate that
// keeps two threads from notifying at once.
//
// A renderer is played by a copy of this test binary, saved under a name such as
// "korvan-viewer" so that its image path says what it is. Started with LC_WINDOW_CLASS set, the
// copy publishes one window and answers over two pipes instead of running the tests.
#include <fcntl.h>

#include <array>

#include "liveconnection/live_connection.h"
#include "liveconnection_test_support.h"

extern char** environ;

namespace {

using namespace TwinLinkAPI;
using liveconnection_test::Pipe;
using liveconnection_test::PrivateStateTest;
namespace platform = twinlink::platform;

constexpr uint32_t kMarkerMessage = 0x8001;
constexpr uint32_t kReportFirstMessage = 1;

// ---- The renderer's side, inside the copied binary

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* value = getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

// Publishes the window, tells its handle, then reports the first message it receives.
int PlayRendererWindow(const std::string& className) {
    const bool visible = EnvironmentValue("LC_WINDOW_VISIBLE") == "1";
    const bool owned = EnvironmentValue("LC_WINDOW_OWNED") == "1";
    const Pipe pipe(std::stoi(*EnvironmentValue("LC_WINDOW_IN")),
                    std::stoi(*EnvironmentValue("LC_WINDOW_OUT")));

    platform::OwnWindow owner;
    if (owned && !owner.Create(u"OwnerFrame", u"", false, 0)) return 2;
    platform::OwnWindow window;
    if (!window.Create(platform::Utf8ToUtf16(className), u"Korvan 9.1", visible,
                       owned ? owner.Handle() : 0))
        return 3;
    pipe.Send(static_cast<uint32_t>(window.Handle()));
    pipe.Send(static_cast<uint32_t>(static_cast<uint64_t>(window.Handle()) >> 32));

    while (pipe.Receive() == kReportFirstMessage) {
        const std::optional<platform::WindowMessage> message =
            window.Receive(std::chrono::seconds(20));
        pipe.Send(message ? message->message : 0);
        pipe.Send(message ? static_cast<uint32_t>(message->wParam) : 0);
        pipe.Send(message ? static_cast<uint32_t>(message->lParam) : 0);
    }
    return 0;
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
        int toChild[2];
        int toParent[2];
        if (::pipe(toChild) != 0 || ::pipe(toParent) != 0) return;
        environment.push_back("LC_WINDOW_CLASS=" + options.className);
        environment.push_back(std::string("LC_WINDOW_VISIBLE=") + (options.visible ? "1" : "0"));
        environment.push_back(std::string("LC_WINDOW_OWNED=") + (options.owned ? "1" : "0"));
        environment.push_back("LC_WINDOW_IN=" + std::to_string(toChild[0]));
        environment.push_back("LC_WINDOW_OUT=" + std::to_string(toParent[1]));
        std::vector<char*> envp;
        for (std::string& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string program = executable.string();
        std::array<char*, 2> argv{program.data(), nullptr};

        std::fflush(nullptr);
        pid = fork();
        if (pid == 0) {
            close(toChild[1]);
            close(toParent[0]);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDOUT_FILENO);
            execve(program.c_str(), argv.data(), envp.data());
            _exit(127);
        }
        close(toChild[0]);
        close(toParent[1]);
        pipe_ = Pipe(toParent[0], toChild[1]);
        const std::optional<uint32_t> low = pipe_.Receive();
        const std::optional<uint32_t> high = pipe_.Receive();
        if (low && high)
            handle = static_cast<platform::WindowHandle>(static_cast<uint64_t>(*high) << 32 | *low);
    }

    ~RendererProcess() { End(); }
    RendererProcess(const RendererProcess&) = delete;
    RendererProcess& operator=(const RendererProcess&) = delete;

    // The first message the window received. A marker is posted behind whatever came before,
    // so "nothing was posted" reads as the marker coming first, without waiting for silence.
    std::optional<platform::WindowMessage> FirstMessage() {
        platform::PostMessage(handle, kMarkerMessage, 0, 0);
        pipe_.Send(kReportFirstMessage);
        const std::optional<uint32_t> message = pipe_.Receive();
        const std::optional<uint32_t> wParam = pipe_.Receive();
        const std::optional<uint32_t> lParam = pipe_.Receive();
        if (!message || !wParam || !lParam) return std::nullopt;
        return platform::WindowMessage{*message, *wParam, static_cast<intptr_t>(*lParam)};
    }

    bool ReceivedUpdate() {
        const std::optional<platform::WindowMessage> first = FirstMessage();
        EXPECT_TRUE(first.has_value());
        if (!first || first->message == kMarkerMessage) return false;
        EXPECT_EQ(first->message, 0x8729u);
        EXPECT_EQ(first->wParam, 0u);
        EXPECT_EQ(first->lParam, 2);
        return first->message == 0x8729u;
    }

    void End() {
        if (pid <= 0) return;
        close(pipe_.in);
        close(pipe_.out);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }

    pid_t pid = -1;
    platform::WindowHandle handle = 0;

  private:
    Pipe pipe_;
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

TEST_F(NotifyTest, WithoutARendererNothingIsPostedAndALaterOneIsFoundOnTheNextCall) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(u"C:\\Models\\House.skp", 8), 0);
    EXPECT_EQ(connection.Notify(2, 0), -1);

    RendererProcess korvan(Programs(), {});
    ASSERT_NE(korvan.handle, 0u);
    EXPECT_EQ(connection.Notify(2, 0), 0);
    EXPECT_TRUE(korvan.ReceivedUpdate());
}

TEST_F(NotifyTest, OnlyAVisibleUnownedStartWindowOfAKorvanProcessIsWoken) {
    LiveConnection connection;
    struct Case {
        const char* what;
        WindowOptions options;
        bool woken;
    };
    const Case cases[] = {
        {"start window", {"korvan-viewer", "KorvanStartFrame", true, false}, true},
        {"class compared in upper case", {"KORVAN.exe", "xstartx", true, false}, true},
        {"wrong class", {"korvan-viewer", "KorvanMainFrame", true, false}, false},
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

TEST_F(NotifyTest, AWindowThatHasGoneIsReplacedOnTheSameCall) {
    LiveConnection connection;
    RendererProcess first(Programs(), {});
    EXPECT_EQ(connection.Notify(2, 0), 0);
    EXPECT_TRUE(first.ReceivedUpdate());
    first.End();

    RendererProcess second(Programs(), {});
    EXPECT_EQ(connection.Notify(2, 0), 0);
    EXPECT_TRUE(second.ReceivedUpdate());
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

TEST_F(NotifyTest, OnlyAFollowedViewWakesKorvan) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(u"C:\\Models\\House.skp", 8), 0);
    RendererProcess korvan(Programs(), {});
    std::array<uint8_t, kCameraDataSize> camera{};

    connection.SendView(false, camera.data());
    EXPECT_FALSE(korvan.ReceivedUpdate());
    connection.SendView(true, nullptr);
    EXPECT_FALSE(korvan.ReceivedUpdate());
    connection.SendView(true, camera.data());
    EXPECT_TRUE(korvan.ReceivedUpdate());
}

}  // namespace

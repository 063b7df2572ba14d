// Windows as endpoints in the runtime folder: publishing and listing with their attributes,
// posting across processes, a full queue, and windows of processes that are gone.
#include <algorithm>
#include <climits>
#include <vector>

#include "platform_sandbox.h"
#include "twinlink/platform.h"

namespace twinlink::platform {
namespace {

using namespace std::chrono_literals;
using namespace testing;

class WindowsTest : public testing::PlatformSandbox {
  protected:
    std::string HandleFile(WindowHandle w, const char* suffix) const {
        char name[32];
        std::snprintf(name, sizeof name, "/%08llx%s", static_cast<unsigned long long>(w), suffix);
        return runtime_ + name;
    }
};

struct Handles {
    WindowHandle main;
    WindowHandle owned;
};

struct Posted {
    uint32_t message;
    uint64_t wParam;
    int64_t lParam;
};

TEST_F(WindowsTest, AnotherProcessListsPublishedWindowsAndReceivesPostsInOrder) {
    Channel published, received;
    const pid_t child = RunChild([&] {
        OwnWindow main, owned;
        std::string error;
        if (!main.Create(u"KorvanSTARTWindow", u"Korvan 8.3.1 \u2013 Sc\u00e8ne", true, 0, &error))
            return 1;
        if (!owned.Create(u"Dialog", u"", false, main.Handle(), &error)) return 2;
        published.Send(Handles{main.Handle(), owned.Handle()});
        for (int i = 0; i < 3; ++i) {
            const std::optional<WindowMessage> message = main.Receive(10s);
            if (!message) return 3;
            received.Send(
                Posted{message->message, message->wParam, static_cast<int64_t>(message->lParam)});
        }
        return main.Receive(0ms) || owned.Receive(0ms) ? 4 : 0;
    });
    const std::optional<Handles> handles = published.Receive<Handles>();
    ASSERT_TRUE(handles);

    const std::vector<WindowInfo> windows = EnumWindows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].handle, handles->main);  // oldest first
    EXPECT_EQ(windows[0].processId, static_cast<uint32_t>(child));
    EXPECT_EQ(windows[0].className, u"KorvanSTARTWindow");
    EXPECT_EQ(windows[0].title, u"Korvan 8.3.1 \u2013 Sc\u00e8ne");
    EXPECT_TRUE(windows[0].visible);
    EXPECT_EQ(windows[0].owner, 0u);
    EXPECT_EQ(windows[1].handle, handles->owned);
    EXPECT_EQ(windows[1].title, u"");
    EXPECT_FALSE(windows[1].visible);
    EXPECT_EQ(windows[1].owner, handles->main);

    EXPECT_TRUE(IsWindow(handles->main));
    EXPECT_TRUE(IsWindowVisible(handles->main));
    EXPECT_FALSE(IsWindowVisible(handles->owned));
    EXPECT_EQ(GetWindowProcessId(handles->owned), static_cast<uint32_t>(child));
    EXPECT_EQ(GetWindowOwner(handles->owned), handles->main);
    EXPECT_EQ(GetClassName(handles->owned), u"Dialog");
    EXPECT_EQ(GetWindowText(handles->main), u"Korvan 8.3.1 \u2013 Sc\u00e8ne");
    EXPECT_EQ(GetForegroundWindow(), 0u);
    EXPECT_NE(handles->main, 0u);
    EXPECT_EQ(handles->main % 4, 0u);
    EXPECT_LE(handles->main, 0xFFFFFFFFu);
    EXPECT_EQ(ModeOf(runtime_), 0700u);
    EXPECT_EQ(ModeOf(HandleFile(handles->main, ".window")), 0600u);
    EXPECT_EQ(ModeOf(HandleFile(handles->main, ".sock")), 0600u);

    EXPECT_TRUE(PostMessage(handles->main, 0x8729, 0, 2));
    EXPECT_TRUE(PostMessage(handles->main, 0x8729, 7, -1));
    EXPECT_TRUE(PostMessage(handles->main, 0x0010, UINTPTR_MAX, INTPTR_MIN));
    const Posted expected[] = {{0x8729, 0, 2}, {0x8729, 7, -1}, {0x10, UINT64_MAX, INT64_MIN}};
    for (const Posted& want : expected) {
        const std::optional<Posted> got = received.Receive<Posted>();
        ASSERT_TRUE(got);
        EXPECT_EQ(got->message, want.message);
        EXPECT_EQ(got->wParam, want.wParam);
        EXPECT_EQ(got->lParam, want.lParam);
    }
    EXPECT_EQ(WaitChild(child), 0);
    // Destroyed with their owner objects: unpublished.
    EXPECT_TRUE(EnumWindows().empty());
    EXPECT_FALSE(IsWindow(handles->main));
    EXPECT_FALSE(std::filesystem::exists(HandleFile(handles->main, ".sock")));
    EXPECT_FALSE(PostMessage(handles->main, 0x8729, 0, 2));
}

TEST_F(WindowsTest, AFullQueueDropsPostsWithoutWaiting) {
    OwnWindow window;
    ASSERT_TRUE(window.Create(u"Sink", u"", true, 0));
    int accepted = 0;
    while (accepted < 100000 &&
           PostMessage(window.Handle(), 0x400, static_cast<uintptr_t>(accepted), 0))
        ++accepted;
    ASSERT_GT(accepted, 0);
    ASSERT_LT(accepted, 100000);
    EXPECT_NE(LastErrorText().find("is full"), std::string::npos) << LastErrorText();
    for (int i = 0; i < accepted; ++i) {
        const std::optional<WindowMessage> message = window.Receive(0ms);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->wParam, static_cast<uintptr_t>(i));
    }
    EXPECT_FALSE(window.Receive(0ms));
    EXPECT_FALSE(window.Receive(5ms));
    EXPECT_TRUE(PostMessage(window.Handle(), 0x401, 0, 0));  // room again
}

TEST_F(WindowsTest, TheWindowOfAProcessThatIsGoneVanishes) {
    Channel published;
    const pid_t child = RunChild([&] {
        OwnWindow window;
        if (!window.Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0)) return 1;
        published.Send(window.Handle());
        for (;;) pause();
    });
    const std::optional<WindowHandle> window = published.Receive<WindowHandle>();
    ASSERT_TRUE(window);
    ASSERT_TRUE(IsWindow(*window));
    KillChild(child);

    EXPECT_FALSE(IsWindow(*window));
    EXPECT_FALSE(IsWindowVisible(*window));
    EXPECT_EQ(GetWindowProcessId(*window), 0u);
    EXPECT_EQ(GetClassName(*window), std::nullopt);
    EXPECT_FALSE(PostMessage(*window, 0x8729, 0, 2));
    EXPECT_TRUE(EnumWindows().empty());
    EXPECT_FALSE(std::filesystem::exists(HandleFile(*window, ".window")));  // removed when met
    EXPECT_FALSE(std::filesystem::exists(HandleFile(*window, ".sock")));

    // A window of this process is listed; destroying it unpublishes it at once.
    OwnWindow own;
    ASSERT_TRUE(own.Create(u"Mine", u"t", true, 0));
    ASSERT_EQ(EnumWindows().size(), 1u);
    EXPECT_EQ(EnumWindows()[0].processId, GetCurrentProcessId());
    own.Destroy();
    EXPECT_EQ(own.Handle(), 0u);
    EXPECT_TRUE(EnumWindows().empty());
    EXPECT_FALSE(own.Receive(0ms));
}

}  // namespace
}  // namespace twinlink::platform

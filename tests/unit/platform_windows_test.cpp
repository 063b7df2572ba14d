// Windows as endpoints in the runtime folder: publishing and listing with their attributes,
// posting, a full queue, windows of processes that are gone, handles taken again, and the count
// that tells that the windows changed. Renderer windows of other processes are listed and woken
// in liveconnection_notify_test.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform_sandbox.h"
#include "twinlink/platform.h"

namespace twinlink::platform {
namespace {

using namespace std::chrono_literals;
using namespace testing;

class WindowsTest : public testing::PlatformSandbox {
  protected:
    // A child process that publishes a Korvan window and waits to be killed; `window` is its
    // handle, empty when the child could not publish one.
    pid_t KorvanInAChild(std::optional<WindowHandle>& window) {
        Channel published;
        const pid_t child = RunChild([&] {
            OwnWindow own;
            if (!own.Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0)) return 1;
            published.Send(own.Handle());
            for (;;) pause();
        });
        window = published.Receive<WindowHandle>();
        return child;
    }
};

// A handle as the layer names it: eight lower-case hex digits.
std::string HandleText(WindowHandle handle) {
    char text[24];
    std::snprintf(text, sizeof text, "%08llx", static_cast<unsigned long long>(handle));
    return text;
}

TEST_F(WindowsTest, PublishedWindowsAreListedWithTheirAttributesAndReceivePostsInOrder) {
    WindowHandle published = 0;
    {
        OwnWindow main, owned;
        ASSERT_TRUE(main.Create(u"KorvanSTARTWindow", u"Korvan 8.3.1 \u2013 Sc\u00e8ne", true, 0));
        ASSERT_TRUE(owned.Create(u"Dialog", u"", false, main.Handle()));
        published = main.Handle();

        const std::vector<WindowInfo> windows = EnumWindows();
        ASSERT_EQ(windows.size(), 2u);
        EXPECT_EQ(windows[0].handle, main.Handle());  // oldest first
        EXPECT_EQ(windows[0].processId, GetCurrentProcessId());
        EXPECT_EQ(windows[0].className, u"KorvanSTARTWindow");
        EXPECT_EQ(windows[0].title, u"Korvan 8.3.1 \u2013 Sc\u00e8ne");
        EXPECT_TRUE(windows[0].visible);
        EXPECT_EQ(windows[0].owner, 0u);
        EXPECT_EQ(windows[1].handle, owned.Handle());
        EXPECT_EQ(windows[1].title, u"");
        EXPECT_FALSE(windows[1].visible);
        EXPECT_EQ(windows[1].owner, main.Handle());

        EXPECT_TRUE(IsWindow(main.Handle()));
        EXPECT_TRUE(IsWindowVisible(main.Handle()));
        EXPECT_FALSE(IsWindowVisible(owned.Handle()));
        EXPECT_EQ(GetWindowProcessId(owned.Handle()), GetCurrentProcessId());
        EXPECT_EQ(GetWindowOwner(owned.Handle()), main.Handle());
        EXPECT_EQ(GetClassName(owned.Handle()), u"Dialog");
        EXPECT_EQ(GetWindowText(main.Handle()), u"Korvan 8.3.1 \u2013 Sc\u00e8ne");
        EXPECT_EQ(GetForegroundWindow(), 0u);
        EXPECT_NE(main.Handle(), 0u);
        EXPECT_EQ(main.Handle() % 4, 0u);
        EXPECT_LE(main.Handle(), 0xFFFFFFFFu);

        EXPECT_TRUE(PostMessage(main.Handle(), 0x8729, 0, 2));
        EXPECT_TRUE(PostMessage(main.Handle(), 0x8729, 7, -1));
        EXPECT_TRUE(PostMessage(main.Handle(), 0x0010, UINTPTR_MAX, INTPTR_MIN));
        const WindowMessage expected[] = {
            {0x8729, 0, 2}, {0x8729, 7, -1}, {0x10, UINTPTR_MAX, INTPTR_MIN}};
        for (const WindowMessage& want : expected) {
            const std::optional<WindowMessage> got = main.Receive(0ms);
            ASSERT_TRUE(got);
            EXPECT_EQ(got->message, want.message);
            EXPECT_EQ(got->wParam, want.wParam);
            EXPECT_EQ(got->lParam, want.lParam);
        }
        EXPECT_FALSE(main.Receive(0ms));
        EXPECT_FALSE(owned.Receive(0ms));
    }
    // Destroyed with their owner objects: unpublished.
    EXPECT_TRUE(EnumWindows().empty());
    EXPECT_FALSE(IsWindow(published));
    EXPECT_TRUE(std::filesystem::is_empty(runtime_));
    EXPECT_FALSE(PostMessage(published, 0x8729, 0, 2));
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
    std::optional<WindowHandle> window;
    const pid_t child = KorvanInAChild(window);
    ASSERT_TRUE(window);
    ASSERT_TRUE(IsWindow(*window));
    EXPECT_TRUE(PostMessage(*window, 0x8729, 0, 2));  // this thread keeps a connection to it
    KillChild(child);

    EXPECT_FALSE(PostMessage(*window, 0x8729, 0, 2));
    EXPECT_EQ(LastErrorText(), "no window " + HandleText(*window));
    EXPECT_FALSE(IsWindow(*window));
    EXPECT_FALSE(IsWindowVisible(*window));
    EXPECT_EQ(GetWindowProcessId(*window), 0u);
    EXPECT_EQ(GetClassName(*window), std::nullopt);
    EXPECT_FALSE(PostMessage(*window, 0x8729, 0, 2));
    EXPECT_TRUE(EnumWindows().empty());
    EXPECT_TRUE(std::filesystem::is_empty(runtime_));  // its files were removed when met
}

// A window that Windows might give a handle again: a socket bound under the handle's name by
// hand, standing for a later window of another program.
class LaterWindow {
  public:
    LaterWindow(const std::string& folder, WindowHandle handle) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = folder + "/" + HandleText(handle) + ".sock";
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        socket_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        bound = bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~LaterWindow() { close(socket_); }

    // The wParam of the next message waiting; nothing when none is.
    std::optional<uint64_t> NextWParam() {
        uint64_t datagram[3];
        if (recv(socket_, datagram, sizeof datagram, MSG_DONTWAIT) != sizeof datagram)
            return std::nullopt;
        return datagram[1];
    }

    bool bound = false;

  private:
    int socket_ = -1;
};

TEST_F(WindowsTest, AHandleTakenByALaterWindowReachesTheLaterWindow) {
    auto first = std::make_unique<OwnWindow>();
    ASSERT_TRUE(first->Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0));
    const WindowHandle handle = first->Handle();
    EXPECT_TRUE(PostMessage(handle, 0x8729, 1, 0));  // this thread keeps a connection to it
    first.reset();

    LaterWindow later(runtime_, handle);
    ASSERT_TRUE(later.bound);
    EXPECT_TRUE(PostMessage(handle, 0x8729, 2, 0));
    EXPECT_EQ(later.NextWParam(), 2u);
    EXPECT_TRUE(PostMessage(handle, 0x8729, 3, 0));
    EXPECT_EQ(later.NextWParam(), 3u);
}

TEST_F(WindowsTest, APostGoesToTheWindowOfTheRuntimeFolderNamedNow) {
    OwnWindow here;
    ASSERT_TRUE(here.Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0));
    EXPECT_TRUE(PostMessage(here.Handle(), 0x8729, 1, 0));
    const std::string elsewhere = base_ + "/elsewhere";
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    LaterWindow there(elsewhere, here.Handle());
    ASSERT_TRUE(there.bound);

    setenv("TWINLINK_RUNTIME_DIR", elsewhere.c_str(), 1);
    EXPECT_TRUE(PostMessage(here.Handle(), 0x8729, 2, 0));
    setenv("TWINLINK_RUNTIME_DIR", runtime_.c_str(), 1);
    EXPECT_EQ(there.NextWParam(), 2u);
    const std::optional<WindowMessage> first = here.Receive(0ms);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->wParam, 1u);
    EXPECT_FALSE(here.Receive(0ms));
}

// The count stays while nothing changes (so that a caller may keep what it found) and moves
// for every change a caller could have missed.
TEST_F(WindowsTest, TheChangeCountMovesWhenAWindowComesOrGoesAndOnlyThen) {
    const uint64_t noFolder = WindowChangeCount();
    auto first = std::make_unique<OwnWindow>();
    ASSERT_TRUE(first->Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0));  // makes the folder
    const uint64_t one = WindowChangeCount();
    EXPECT_NE(one, noFolder);
    EXPECT_EQ(WindowChangeCount(), one);

    OwnWindow second;
    ASSERT_TRUE(second.Create(u"Dialog", u"", false, 0));
    const uint64_t two = WindowChangeCount();
    EXPECT_NE(two, one);
    EXPECT_EQ(WindowChangeCount(), two);

    first.reset();
    const uint64_t destroyed = WindowChangeCount();
    EXPECT_NE(destroyed, two);
    EXPECT_EQ(WindowChangeCount(), destroyed);
    EXPECT_EQ(EnumWindows().size(), 1u);
    EXPECT_EQ(WindowChangeCount(), destroyed);  // listing changes nothing
}

TEST_F(WindowsTest, TheChangeCountMovesWhenTheProcessOfAListedWindowEnds) {
    std::optional<WindowHandle> window;
    const pid_t child = KorvanInAChild(window);
    ASSERT_TRUE(window);
    ASSERT_EQ(EnumWindows().size(), 1u);
    const uint64_t listed = WindowChangeCount();
    EXPECT_EQ(WindowChangeCount(), listed);

    KillChild(child);  // its window stays published, but is gone
    EXPECT_NE(WindowChangeCount(), listed);
}

TEST_F(WindowsTest, TheChangeCountMovesWhenTheRuntimeFolderIsReplaced) {
    {
        OwnWindow window;
        ASSERT_TRUE(window.Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0));
    }
    const uint64_t empty = WindowChangeCount();
    EXPECT_EQ(WindowChangeCount(), empty);

    // Another folder named by the environment.
    const std::string elsewhere = base_ + "/elsewhere";
    setenv("TWINLINK_RUNTIME_DIR", elsewhere.c_str(), 1);
    OwnWindow there;
    ASSERT_TRUE(there.Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0));
    setenv("TWINLINK_RUNTIME_DIR", runtime_.c_str(), 1);
    const uint64_t back = WindowChangeCount();
    setenv("TWINLINK_RUNTIME_DIR", elsewhere.c_str(), 1);
    EXPECT_NE(WindowChangeCount(), back);
    setenv("TWINLINK_RUNTIME_DIR", runtime_.c_str(), 1);

    // The same folder removed and made again.
    const uint64_t before = WindowChangeCount();
    EXPECT_EQ(WindowChangeCount(), before);
    std::filesystem::remove_all(runtime_);
    OwnWindow remade;
    ASSERT_TRUE(remade.Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0));
    const uint64_t after = WindowChangeCount();
    EXPECT_NE(after, before);
    EXPECT_EQ(WindowChangeCount(), after);
    OwnWindow next;  // seen in the new folder
    ASSERT_TRUE(next.Create(u"Dialog", u"", false, 0));
    EXPECT_NE(WindowChangeCount(), after);
}

// A post goes only into a private runtime folder, however many posts went there before: the
// folder opened to others refuses the next one, and closed again takes posts again.
TEST_F(WindowsTest, APostIsRefusedOnceTheRuntimeFolderIsNoLongerPrivate) {
    OwnWindow window;
    ASSERT_TRUE(window.Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0));
    EXPECT_TRUE(PostMessage(window.Handle(), 0x8729, 0, 2));
    EXPECT_TRUE(PostMessage(window.Handle(), 0x8729, 0, 2));
    ASSERT_EQ(chmod(runtime_.c_str(), 0755), 0);
    EXPECT_FALSE(PostMessage(window.Handle(), 0x8729, 0, 2));
    ASSERT_EQ(chmod(runtime_.c_str(), 0700), 0);
    EXPECT_TRUE(PostMessage(window.Handle(), 0x8729, 0, 2));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(window.Receive(0ms).has_value()) << i;
    EXPECT_FALSE(window.Receive(0ms).has_value());
}

// A forked child asks the count on its own: it must not take the changes its parent has yet to
// see.
TEST_F(WindowsTest, AForkedChildLeavesItsParentsChangesAlone) {
    OwnWindow window;
    ASSERT_TRUE(window.Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0));
    const uint64_t seen = WindowChangeCount();
    OwnWindow unseen;
    ASSERT_TRUE(unseen.Create(u"Dialog", u"", false, 0));
    const pid_t child = RunChild([] {
        WindowChangeCount();
        return 0;
    });
    EXPECT_EQ(WaitChild(child), 0);
    EXPECT_NE(WindowChangeCount(), seen);
}

}  // namespace
}  // namespace twinlink::platform

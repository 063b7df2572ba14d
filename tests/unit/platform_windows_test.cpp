// Windows: publishing and listing with their attributes, posting, a full queue, windows of
// processes that are gone, and the count that tells that the windows changed; on POSIX also the
// runtime folder's endpoints, handles taken again and forked children. Renderer windows of
// other processes are listed and woken in liveconnection_notify_test.
#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#endif

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "platform_sandbox.h"
#include "twinlink/platform.h"

namespace twinlink::platform {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// The child publishes a Korvan window and keeps its thread's queue pumped while the test runs.
TEST(ChildRoles, DISABLED_KorvanWindow) {
    OwnWindow own;
    ASSERT_TRUE(own.Create(u"KorvanSTARTWindow", u"Korvan 8.3 child", true, 0));
    TellTestReady();
    std::thread(StayWhileTheTestRuns).detach();
    for (;;) own.Receive(std::chrono::seconds(1));
}

// The windows of this list that are among `mine`, in the list's order.
std::vector<WindowInfo> Among(const std::vector<WindowInfo>& windows, std::vector<WindowHandle> mine) {
    std::vector<WindowInfo> found;
    for (const WindowInfo& window : windows)
        if (std::find(mine.begin(), mine.end(), window.handle) != mine.end()) found.push_back(window);
    return found;
}

class WindowsTest : public testing::PlatformSandbox {
  protected:
    // The window the child published: found by its process, as Korvan's is found.
    static WindowHandle WindowOf(const RoleProcess& child) {
        for (const WindowInfo& window : EnumWindows())
            if (window.processId == child.Id() && window.className == u"KorvanSTARTWindow")
                return window.handle;
        return 0;
    }

    // Asks the count until it moves from `from`, for at most five seconds: the events of other
    // processes' windows come round asynchronously.
    static bool CountMovesFrom(uint64_t from) {
        for (int i = 0; i < 500; ++i) {
            if (WindowChangeCount() != from) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Whether the count can stay still while nothing changes: not under Wine, whose WinEvent
    // hooks miss destroyed, shown and hidden windows, so that the count moves on every call.
    static bool CountCanStay() {
#ifdef _WIN32
        return !RunningUnderWine();
#else
        return true;
#endif
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

        // Listed as Windows lists them: newest first (an owned window above its owner).
        const std::vector<WindowInfo> windows = Among(EnumWindows(), {main.Handle(), owned.Handle()});
        ASSERT_EQ(windows.size(), 2u);
        EXPECT_EQ(windows[0].handle, owned.Handle());
        EXPECT_EQ(windows[1].handle, main.Handle());
        const WindowInfo byAge[2] = {windows[1], windows[0]};  // oldest first
        EXPECT_EQ(byAge[0].processId, GetCurrentProcessId());
        EXPECT_EQ(byAge[0].className, u"KorvanSTARTWindow");
        EXPECT_EQ(byAge[0].title, u"Korvan 8.3.1 \u2013 Sc\u00e8ne");
        EXPECT_TRUE(byAge[0].visible);
        EXPECT_EQ(byAge[0].owner, 0u);
        EXPECT_EQ(byAge[1].handle, owned.Handle());
        EXPECT_EQ(byAge[1].title, u"");
        EXPECT_FALSE(byAge[1].visible);
        EXPECT_EQ(byAge[1].owner, main.Handle());

        EXPECT_TRUE(IsWindow(main.Handle()));
        EXPECT_TRUE(IsWindowVisible(main.Handle()));
        EXPECT_FALSE(IsWindowVisible(owned.Handle()));
        EXPECT_EQ(GetWindowProcessId(owned.Handle()), GetCurrentProcessId());
        EXPECT_EQ(GetWindowOwner(owned.Handle()), main.Handle());
        EXPECT_EQ(GetClassName(owned.Handle()), u"Dialog");
        EXPECT_EQ(GetWindowText(main.Handle()), u"Korvan 8.3.1 \u2013 Sc\u00e8ne");
#ifndef _WIN32
        EXPECT_EQ(GetForegroundWindow(), 0u);  // no desktop brings a window to the front
#endif
        EXPECT_NE(main.Handle(), 0u);
        EXPECT_LE(main.Handle(), 0xFFFFFFFFu);  // handles fit 32 bits, as Windows' do

        EXPECT_TRUE(PostMessage(main.Handle(), 0x8729, 0, 2));
        EXPECT_TRUE(PostMessage(main.Handle(), 0x8729, 7, -1));
        EXPECT_TRUE(PostMessage(main.Handle(), 0x0400, UINTPTR_MAX, INTPTR_MIN));
        // A system message (below WM_USER, 0x400) goes to the window procedure, not to Receive.
        EXPECT_TRUE(PostMessage(main.Handle(), 0x0000, 1, 0));  // WM_NULL
        EXPECT_TRUE(PostMessage(main.Handle(), 0xC123, 3, 4));
        const WindowMessage expected[] = {
            {0x8729, 0, 2}, {0x8729, 7, -1}, {0x400, UINTPTR_MAX, INTPTR_MIN}, {0xC123, 3, 4}};
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
    EXPECT_TRUE(Among(EnumWindows(), {published}).empty());
    EXPECT_FALSE(IsWindow(published));
#ifndef _WIN32
    EXPECT_TRUE(EnumWindows().empty());
    EXPECT_TRUE(std::filesystem::is_empty(runtime_));
#endif
    EXPECT_FALSE(PostMessage(published, 0x8729, 0, 2));
}

TEST_F(WindowsTest, AFullQueueDropsPostsWithoutWaiting) {
#ifdef _WIN32
    // Windows takes 10,000 posts into a queue (USERPostMessageLimit) and then fails them with
    // ERROR_NOT_ENOUGH_QUOTA; Wine's queues take any number.
    if (RunningUnderWine()) GTEST_SKIP() << "Wine's message queues have no limit";
#endif
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
    RoleProcess child("KorvanWindow");
    ASSERT_TRUE(child.ready) << child.before;
    const std::optional<WindowHandle> window = WindowOf(child);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(IsWindow(*window));
    EXPECT_EQ(GetWindowProcessId(*window), child.Id());
    EXPECT_EQ(GetWindowText(*window), u"Korvan 8.3 child");
    EXPECT_TRUE(IsWindowVisible(*window));
    EXPECT_EQ(GetWindowOwner(*window), 0u);
    EXPECT_TRUE(PostMessage(*window, 0x8729, 0, 2));  // this thread keeps a connection to it
    child.Kill();
    child.Wait();

    EXPECT_FALSE(PostMessage(*window, 0x8729, 0, 2));
    EXPECT_EQ(LastErrorText(), "no window " + HandleText(*window));
    EXPECT_FALSE(IsWindow(*window));
    EXPECT_FALSE(IsWindowVisible(*window));
    EXPECT_EQ(GetWindowProcessId(*window), 0u);
    EXPECT_EQ(GetClassName(*window), std::nullopt);
    EXPECT_FALSE(PostMessage(*window, 0x8729, 0, 2));
    EXPECT_TRUE(Among(EnumWindows(), {*window}).empty());
#ifndef _WIN32
    EXPECT_TRUE(EnumWindows().empty());
    EXPECT_TRUE(std::filesystem::is_empty(runtime_));  // its files were removed when met
#endif
}

#ifndef _WIN32

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

#endif

// The count stays while nothing changes (so that a caller may keep what it found) and moves
// for every change a caller could have missed.
TEST_F(WindowsTest, TheChangeCountMovesWhenAWindowComesOrGoesAndOnlyThen) {
    const uint64_t noFolder = WindowChangeCount();
    auto first = std::make_unique<OwnWindow>();
    ASSERT_TRUE(first->Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0));  // makes the folder
    const uint64_t one = WindowChangeCount();
    EXPECT_NE(one, noFolder);
    EXPECT_EQ(Among(EnumWindows(), {first->Handle()}).size(), 1u);
    if (CountCanStay()) {
        EXPECT_EQ(WindowChangeCount(), one);
    }

    OwnWindow second;
    ASSERT_TRUE(second.Create(u"Dialog", u"", false, 0));
    const uint64_t two = WindowChangeCount();
    EXPECT_NE(two, one);
    if (CountCanStay()) {
        EXPECT_EQ(WindowChangeCount(), two);
    }

    first.reset();
    const uint64_t destroyed = WindowChangeCount();
    EXPECT_NE(destroyed, two);
    if (CountCanStay()) {
        const uint64_t settled = WindowChangeCount();
        EXPECT_EQ(WindowChangeCount(), settled);
        EnumWindows();
        EXPECT_EQ(WindowChangeCount(), settled);  // listing changes nothing
    }
}

// On POSIX the count moves only then; under Wine it moves on every call anyway.
TEST_F(WindowsTest, TheChangeCountMovesWhenAnotherProcessMakesAWindowAndWhenItEnds) {
    const uint64_t before = WindowChangeCount();
    RoleProcess child("KorvanWindow");
    ASSERT_TRUE(child.ready) << child.before;
    EXPECT_TRUE(CountMovesFrom(before));
    const WindowHandle window = WindowOf(child);
    ASSERT_NE(window, 0u);
    const uint64_t listed = WindowChangeCount();
    if (CountCanStay()) {
        EXPECT_EQ(WindowChangeCount(), listed);
    }
    child.Kill();  // on POSIX its window stays published, but is gone
    child.Wait();
    EXPECT_TRUE(CountMovesFrom(listed));
    EXPECT_FALSE(IsWindow(window));
}

#ifndef _WIN32
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

#endif

}  // namespace
}  // namespace twinlink::platform

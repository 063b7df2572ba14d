// The start's renderer check against real stand-ins: Korvan copies installed in the uninstall
// registry and running Korvan windows, both played by korvan-peer, and the user's answers.
#include <signal.h>

#include <deque>
#include <tuple>

#include "peer_test_support.h"
#include "renderer/renderer_check.h"
#include "renderer/renderer_discovery.h"
#include "renderer/version_text.h"

namespace {

using namespace peer_test;
using korvan::CheckRenderer;
using korvan::CompareVersions;
using korvan::DigitsAndDots;

TEST(RendererVersions, ComparedByTheirFirstFourNumbersAndTakenFromAnyDigitsAndDots) {
    EXPECT_EQ(CompareVersions(u"8.3", u"8.3.0.0"), 0);
    EXPECT_EQ(CompareVersions(u"8.10", u"8.9"), 1);
    EXPECT_EQ(CompareVersions(u"0.0.0.0", u"8.3"), -1);
    EXPECT_EQ(CompareVersions(u"9.1.2.3.4", u"9.1.2.3"), 0) << "a fifth number does not count";
    EXPECT_EQ(CompareVersions(u"9..5", u"9"), 0) << "an empty part ends the text";
    EXPECT_EQ(CompareVersions(u"", u"0.0"), 0);
    // A number beyond an int stays the largest int rather than wrapping to a small one.
    EXPECT_EQ(CompareVersions(u"99999999999.1", u"2147483647.2"), -1);
    EXPECT_EQ(CompareVersions(u"4294967297", u"2"), 1);
    EXPECT_EQ(DigitsAndDots(u"Korvan 9 - House"), u"9");
    EXPECT_EQ(DigitsAndDots(u"Korvan 8.5 (build 12)"), u"8.512");
}

// What the check asked, and the answers queued for it (No when none is left).
struct Prompts {
    std::vector<std::tuple<std::u16string, std::u16string, uint32_t>> asked;
    std::deque<int> answers;
    int homePagesOpened = 0;

    korvan::RendererPrompts Callbacks() {
        return {[this](const std::u16string& text, const std::u16string& caption, uint32_t flags) {
                    asked.emplace_back(caption, text, flags);
                    if (answers.empty()) return 7;
                    const int answer = answers.front();
                    answers.pop_front();
                    return answer;
                },
                [this] { ++homePagesOpened; }};
    }
};

constexpr int kYes = 6, kNo = 7;
const std::u16string kRequiredCaption = u"Korvan TwinLink - Newer Korvan version required";
const std::u16string kRequiredText =
    u"You need to have Korvan\u00ae 8.3 or newer to start TwinLink.\nAre you interested in learning "
    u"more about the current version of Korvan?";
const std::u16string kNotRunningCaption = u"Korvan TwinLink - Korvan is not running";

class RendererCheckTest : public PeerTest {
  protected:
    void TearDown() override {
        // Korvans the check started are nobody's child here.
        for (const platform::WindowInfo& window : platform::EnumWindows())
            if (window.title.rfind(u"Korvan ", 0) == 0) kill(static_cast<pid_t>(window.processId), SIGTERM);
        PeerTest::TearDown();
    }

    // Installed as installers do, in a folder whose name has blanks: the launch names it
    // unquoted, and Windows finds the program all the same.
    void Install(const std::string& version) {
        ASSERT_EQ(Run({"install", "--version", version, "--location", (root / ("Korvan " + version) / "bin").string()})
                      .second,
                  kExitDone);
    }
    // A Korvan of this version runs, its window up.
    std::unique_ptr<PeerProcess> Running(const std::string& version) {
        auto peer = std::make_unique<PeerProcess>(
            std::vector<std::string>{"watch", "--version", version, "--timeout-ms", "120000"}, ErrorFile());
        const std::u16string title = u"Korvan " + platform::Utf8ToUtf16(version);
        EXPECT_TRUE(WaitForWindow([&](const platform::WindowInfo& w) { return w.title == title; }));
        return peer;
    }
    bool Check() { return CheckRenderer(prompts.Callbacks()); }

    Prompts prompts;
};

TEST_F(RendererCheckTest, WithoutARecentKorvanInstalledTheStartStopsAndMayOpenTheMakersPage) {
    EXPECT_EQ(korvan::RunningVersion(), u"0.0.0.0");
    EXPECT_EQ(korvan::InstalledVersion(), u"0.0");
    prompts.answers = {kNo, kYes};
    EXPECT_FALSE(Check());
    EXPECT_EQ(prompts.homePagesOpened, 0);
    EXPECT_FALSE(Check());
    EXPECT_EQ(prompts.homePagesOpened, 1);

    Install("8.2");  // too old to read the link
    EXPECT_FALSE(Check());
    using Asked = std::tuple<std::u16string, std::u16string, uint32_t>;
    EXPECT_EQ(prompts.asked, (std::vector<Asked>(3, Asked{kRequiredCaption, kRequiredText, 36})));
}

TEST_F(RendererCheckTest, AnInstalledKorvanThatDoesNotRunIsOfferedAndStartedIfTheUserWishes) {
    Install("10.0");
    Install("9.5");
    // Compared as text, "9.5" ranks above "10.0": that copy is the one offered and started.
    EXPECT_EQ(korvan::InstalledVersion(), u"9.5");
    prompts.answers = {kNo, kYes};
    EXPECT_TRUE(Check());
    EXPECT_TRUE(Check());
    const std::u16string text = u"Korvan 8.3 or newer is not running.\nWould you like to start Korvan now?";
    using Asked = std::tuple<std::u16string, std::u16string, uint32_t>;
    EXPECT_EQ(prompts.asked, (std::vector<Asked>(2, Asked{kNotRunningCaption, text, 36})));
    const auto started = WaitForWindow([](const platform::WindowInfo& w) { return w.title.rfind(u"Korvan ", 0) == 0; });
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(started->title, u"Korvan 9.5");
    EXPECT_EQ(korvan::RunningVersion(), u"9.5");
    EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(started->processId) + "/cwd"),
              root / "Korvan 9.5" / "bin")
        << "started in its install folder";

    // Now it runs: the next start asks nothing.
    prompts.asked.clear();
    EXPECT_TRUE(Check());
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_FALSE(korvan::LaunchRenderer(u"9.4")) << "no such copy";
}

TEST_F(RendererCheckTest, AnOlderKorvanRunningIsToldToMakeWayAndTheStartGoesOn) {
    Install("9.0");
    const auto old = Running("8.2");
    const auto older = Running("7.9");
    EXPECT_EQ(korvan::RunningVersion(), u"8.2");
    EXPECT_TRUE(Check());
    using Asked = std::tuple<std::u16string, std::u16string, uint32_t>;
    EXPECT_EQ(prompts.asked,
              (std::vector<Asked>{{kNotRunningCaption,
                                   u"Korvan 8.3 or newer is not running.\nPlease close your current version and "
                                   u"start Korvan 8.3 or newer.",
                                   64}}));

    const auto recent = Running("8.3");
    prompts.asked.clear();
    EXPECT_TRUE(Check());
    EXPECT_TRUE(prompts.asked.empty()) << "a recent Korvan runs: nothing to ask";
}

}  // namespace

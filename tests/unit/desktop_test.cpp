// The desktop as the platform layer sees it: UTF-16 message boxes through the C entry,
// dialogs through the C++ API, answers from the queue or the default button.
#include "desktop/desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <thread>

#include "common/utf16.h"
#include "twinlink/platform.h"

namespace hostsim::desktop {
namespace {

class DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
};

TEST_F(DesktopTest, CEntryRecordsUtf16TextsAndFlagsExactly) {
    // "Größe 𝄞" holds a character outside the BMP, i.e. a surrogate pair.
    const char16_t text[] = u"Gr\u00f6\u00dfe \U0001D11E\nsecond line";
    QueueAnswer({kIdNo, {}});
    EXPECT_EQ(hostsim_desktop_message_box(text, u"Korvan TwinLink - Save project first",
                                          kMbYesNo | kMbIconWarning),
              kIdNo);

    const std::vector<Shown> shown = ShownSoFar();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, Shown::Kind::MessageBox);
    EXPECT_EQ(shown[0].text, text);
    EXPECT_EQ(shown[0].caption, u"Korvan TwinLink - Save project first");
    EXPECT_EQ(shown[0].flags, 0x34u);
    EXPECT_EQ(Utf8FromUtf16(shown[0].text),
              "Gr\xC3\xB6\xC3\x9F"
              "e \xF0\x9D\x84\x9E\nsecond line");
    // A null caption is shown as "Error", as Windows does.
    QueueAnswer({kIdOk, {}});
    hostsim_desktop_message_box(u"text", nullptr, kMbOk);
    EXPECT_EQ(ShownSoFar().at(1).caption, u"Error");
    // Only a box shown with the plug-in's icon says so.
    EXPECT_FALSE(ShownSoFar().at(0).pluginIcon);
    QueueAnswer({kIdOk, {}});
    EXPECT_EQ(hostsim_desktop_icon_message_box(u"text", u"Korvan TwinLink", kMbOk, 1), kIdOk);
    EXPECT_TRUE(ShownSoFar().at(2).pluginIcon);
}

TEST_F(DesktopTest, UnansweredBoxGetsItsDefaultButtonAndIsPrinted) {
    // Icon bits do not change the buttons; Enter presses the default; no third button: the first.
    const std::pair<unsigned, int> cases[] = {
        {kMbOk, kIdOk}, {kMbOkCancel, kIdOk}, {kMbAbortRetryIgnore, kIdAbort}, {kMbYesNoCancel, kIdYes},
        {kMbYesNo, kIdYes}, {kMbRetryCancel, kIdRetry}, {kMbCancelTryContinue, kIdCancel},
        {kMbOk | kMbIconError, kIdOk}, {kMbYesNo | kMbIconQuestion | kMbDefButton2, kIdNo},
        {kMbYesNoCancel | kMbDefButton3, kIdCancel}, {kMbOkCancel | kMbDefButton3, kIdOk}};
    for (const auto& [flags, expected] : cases) {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(hostsim_desktop_message_box(u"Continue?", u"Korvan TwinLink", flags), expected)
            << "flags 0x" << std::hex << flags;
        const std::string printed = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(printed.rfind("[hostsim desktop] message box \"Korvan TwinLink\": Continue? -> ", 0), 0u) << printed;
    }
    EXPECT_EQ(ShownSoFar().size(), std::size(cases));
}

TEST_F(DesktopTest, AnswersAreTakenFirstInFirstOutThenTheDefault) {
    QueueAnswer({kIdRetry, {}});
    QueueAnswer({kIdCancel, {}});
    EXPECT_EQ(PendingAnswers(), 2u);
    EXPECT_EQ(ShowMessageBox(u"a", u"c", kMbRetryCancel), kIdRetry);
    EXPECT_EQ(ShowMessageBox(u"b", u"c", kMbRetryCancel), kIdCancel);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(ShowMessageBox(u"c", u"c", kMbRetryCancel), kIdRetry);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "[hostsim desktop] message box \"c\": c -> 4 (Retry, default)\n");
    EXPECT_EQ(PendingAnswers(), 0u);
}

TEST_F(DesktopTest, DialogIsRecordedWithItsControlsAndGetsTheQueuedControlTexts) {
    QueueAnswer({kIdOk, {{1001, u"\u00e9t\u00e9"}, {1002, u"1"}}});
    const Answer answer = ShowDialog(101, u"TwinLink settings", {{1001, u"old"}, {1003, u""}});
    EXPECT_EQ(answer.result, kIdOk);
    EXPECT_EQ(answer.controls, (ControlTexts{{1001, u"\u00e9t\u00e9"}, {1002, u"1"}}));

    ::testing::internal::CaptureStdout();
    const Answer unanswered = ShowDialog(102, u"About", {}, kIdCancel);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "[hostsim desktop] dialog 102 \"About\" -> 2 (Cancel, default)\n");
    EXPECT_EQ(unanswered.result, kIdCancel);
    EXPECT_TRUE(unanswered.controls.empty());

    const std::vector<Shown> shown = ShownSoFar();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].kind, Shown::Kind::Dialog);
    EXPECT_EQ(shown[0].resourceId, 101);
    EXPECT_EQ(shown[0].caption, u"TwinLink settings");
    EXPECT_EQ(shown[0].controls, (ControlTexts{{1001, u"old"}, {1003, u""}}));
    EXPECT_EQ(shown[1].resourceId, 102);
}

TEST_F(DesktopTest, BoxesFromManyThreadsEachTakeAnAnswerOfTheirOwn) {
    constexpr int kThreads = 4, kBoxesEach = 250;
    for (int i = 1; i <= kThreads * kBoxesEach; ++i) QueueAnswer({i, {}});
    std::vector<std::vector<int>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&results, t] {
            for (int i = 0; i < kBoxesEach; ++i)
                results[t].push_back(hostsim_desktop_message_box(u"x", u"y", kMbOk));
        });
    for (std::thread& thread : threads) thread.join();

    std::vector<int> all, expected(kThreads * kBoxesEach);
    for (const auto& r : results) all.insert(all.end(), r.begin(), r.end());
    std::sort(all.begin(), all.end());
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(all, expected);
    EXPECT_EQ(ShownSoFar().size(), expected.size());
}

TEST(Utf16Test, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf16FromUtf8("a\xFF"
                            "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong '/'
    EXPECT_EQ(Utf16FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(Utf16FromUtf8("\xE2\x82"), u"\uFFFD\uFFFD");            // truncated
    EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xD834)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf8FromUtf16(u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
}

// The platform layer's dialogs shown here: the procedure initialises the dialog, hears of each
// click the user makes (a check box turned first), and Enter, then Esc, follow when the clicks
// leave the dialog open.
TEST_F(DesktopTest, ADialogDrivenByItsProcedureGetsTheClicksThenEnterThenEsc) {
    namespace platform = twinlink::platform;
    const platform::DialogTemplate dialog{
        7, u"Options", 100, 50, u"MS Shell Dlg", 8,
        {{1, platform::ControlKind::DefaultButton, u"OK", 0, 0, 10, 10, true},
         {20, platform::ControlKind::CheckBox, u"Fast", 0, 0, 10, 10, true},
         {21, platform::ControlKind::CheckBox, u"Secret", 0, 0, 10, 10, false},
         {-1, platform::ControlKind::Text, u"Label", 0, 0, 10, 10, true}}};
    std::vector<std::string> heard;
    const auto run = [&](int endOn) {
        return platform::ShowDialog(
            0, dialog,
            {[](platform::DialogWindow& d) { d.SetCheck(20, true), d.SetText(1, u"Fine"); },
             [&](platform::DialogWindow& d, int id) {
                 heard.push_back(std::to_string(id) + (d.IsChecked(20) ? "+" : "-"));
                 if (id == endOn) d.End(40 + id);
             }});
    };
    QueueAnswer({0, {}, {20, 21}});
    EXPECT_EQ(run(1), 41);
    EXPECT_EQ(heard, (std::vector<std::string>{"20-", "21-", "1-"}));
    const Shown shown = ShownSoFar().at(0);
    EXPECT_EQ(shown.kind, Shown::Kind::Dialog);
    EXPECT_EQ((std::array{shown.caption, shown.controls.at(1), shown.controls.at(20)}),
              (std::array<std::u16string, 3>{u"Options", u"Fine", u"Fast"}));
    EXPECT_EQ(shown.resourceId, 7);
    EXPECT_EQ(shown.controls.size(), 3u) << "the label has no id";
    EXPECT_EQ(shown.checks, (std::map<int, bool>{{20, true}, {21, false}}));
    EXPECT_EQ(shown.hidden, std::vector<int>{21});

    heard.clear();
    QueueAnswer({0, {}, {20, 2}});  // the procedure ignores Esc: it is closed as cancelled
    EXPECT_EQ(run(99), 2);
    EXPECT_EQ(heard, (std::vector<std::string>{"20-", "2-", "1-", "2-"}));
}

}  // namespace
}  // namespace hostsim::desktop

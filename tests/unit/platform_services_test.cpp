// The smaller services: HashData against the values Windows gives, text conversion, processes,
// files and times, launching, message boxes without a host and the per-thread failure text.
#include <algorithm>
#include <functional>
#include <thread>
#include <utility>

#include "platform_sandbox.h"
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>

#include "../../platform/posix/desktop.h"
#endif
#include "twinlink/message_box_rules.h"
#include "twinlink/platform.h"

namespace twinlink::platform {
namespace {

using namespace testing;

std::vector<uint8_t> Hash(const std::vector<uint8_t>& data, size_t outSize) {
    std::vector<uint8_t> out(outSize);
    HashData(data.data(), data.size(), out.data(), out.size());
    return out;
}

// Expected values from Wine's conformance test of shlwapi's HashData (dlls/shlwapi/tests/url.c,
// test_HashData), which passes against native Windows. Each output byte depends only on its
// position and the input, so 32 bytes cover every shorter output; the plug-in's path hash is
// checked as Korvan reads it, in the link descriptor (test_plugin_link).
TEST(HashDataTest, MatchesTheValuesWindowsGives) {
    const std::vector<uint8_t> input = {0x51, 0x33, 0x4F, 0xA7, 0x45, 0x15, 0xF0, 0x52,
                                        0x90, 0x2B, 0xE7, 0xF5, 0xFD, 0xE1, 0xA6, 0xA7};
    const std::vector<uint8_t> expected = {0x54, 0x9C, 0x92, 0x55, 0xCD, 0x82, 0xFF, 0xA1,
                                           0x8E, 0x0F, 0xCF, 0x93, 0x14, 0xAA, 0xE3, 0x2D,
                                           0x47, 0xFC, 0x80, 0xB8, 0xD0, 0x49, 0xE6, 0x13,
                                           0x2A, 0x30, 0x51, 0x8D, 0xF9, 0x4B, 0x07, 0xA6};
    EXPECT_EQ(Hash(input, 32), expected);
    EXPECT_EQ(Hash({}, 4), std::vector<uint8_t>({0, 1, 2, 3}));  // no input, no data pointer
}

TEST(TextTest, ConvertsBothWaysAndReplacesWhatIsMalformed) {
    const std::u16string text = u"Gr\u00f6\u00dfe \U0001D11E";
    const std::string utf8 =
        "Gr\xC3\xB6\xC3\x9F"
        "e \xF0\x9D\x84\x9E";
    EXPECT_EQ(Utf16ToUtf8(text), utf8);
    EXPECT_EQ(Utf8ToUtf16(utf8), text);
    EXPECT_EQ(Utf16ToUtf8(u"a\xD800"
                          u"b\xDC00"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("\xC3("), u"\uFFFD(");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(Utf8ToUtf16("x\xE2\x82"), u"x\uFFFD");      // cut short
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");    // an encoded surrogate
}

TEST(TextTest, ClassifiesLettersDigitsAndSpacesByUnicode) {
    for (const char16_t unit : {u'a', u'Z', u'7', u'\u00fc', u'\u00df', u'\u0416', u'\u4E2D', u' ', u'\t'})
        EXPECT_TRUE(IsAlphanumericOrSpace(unit)) << static_cast<int>(unit);
    for (const char16_t unit : {u'_', u'.', u'-', u'/', u'\u2013', u'\0'})
        EXPECT_FALSE(IsAlphanumericOrSpace(unit)) << static_cast<int>(unit);
}

class ServicesTest : public testing::PlatformSandbox {
  protected:
    // Waits for a file that a started program writes last; ten seconds at most.
    bool WaitForFile(const std::string& path) {
        for (int i = 0; i < 10000; ++i) {
            if (std::filesystem::exists(path)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
#ifndef _WIN32
    std::string WriteScript(const std::string& name, const std::string& body) {
        const std::string path = base_ + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body;
        chmod(path.c_str(), 0700);
        return path;
    }
#endif
};

TEST(ChildRoles, DISABLED_Idle) {
    TellTestReady();
    StayWhileTheTestRuns();
}

TEST_F(ServicesTest, ProcessesAndTheirImagePaths) {
    RoleProcess child("Idle");
    ASSERT_TRUE(child.ready) << child.before;
    std::vector<uint32_t> ids = EnumProcesses(100000);
#ifndef _WIN32
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));  // Windows' order is its own
#endif
    std::sort(ids.begin(), ids.end());
    EXPECT_TRUE(std::binary_search(ids.begin(), ids.end(), GetCurrentProcessId()));
    EXPECT_TRUE(std::binary_search(ids.begin(), ids.end(), child.Id()));
    EXPECT_EQ(EnumProcesses(1).size(), 1u);

    const std::u16string self = test_support::ThisProgram().u16string();
    EXPECT_EQ(ProcessImagePath(GetCurrentProcessId()), self);
    EXPECT_EQ(ProcessImagePath(child.Id()), self);  // started again: the same program
    child.Kill();
    child.Wait();
    // The system lets go of an ended process when nothing holds it any more, not necessarily at
    // once (under Wine some 0.5 s after the last handle closed).
    for (int i = 0; i < 500 && ProcessImagePath(child.Id()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ProcessImagePath(child.Id()), std::nullopt);
    const std::string cannot = "cannot read the image path of process " + std::to_string(child.Id()) + ": ";
    EXPECT_EQ(LastErrorText().rfind(cannot, 0), 0u) << LastErrorText();
#ifndef _WIN32
    EXPECT_EQ(LastErrorText(), cannot + "No such file or directory");
#endif
}

// Sets a file's last write time, given in Windows' 100 ns units since 1601, as another program
// would.
void SetLastWriteTime(const std::u16string& file, uint64_t stamp) {
#ifdef _WIN32
    HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(file.c_str()), FILE_WRITE_ATTRIBUTES, 0,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    const FILETIME time{static_cast<DWORD>(stamp), static_cast<DWORD>(stamp >> 32)};
    EXPECT_TRUE(SetFileTime(handle, nullptr, nullptr, &time));
    ::CloseHandle(handle);
#else
    const timespec time{static_cast<time_t>(stamp / 10000000 - 11644473600ull),
                        static_cast<long>(stamp % 10000000 * 100)};
    const timespec times[2] = {time, time};
    ASSERT_EQ(utimensat(AT_FDCWD, Utf16ToUtf8(file).c_str(), times, 0), 0);
#endif
}

TEST_F(ServicesTest, FilesFoldersAndTimes) {
#ifdef _WIN32
    wchar_t saved[MAX_PATH];
    const DWORD savedLength = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", L"C:\\windows\\temp");
    EXPECT_EQ(GetTempPath(), u"C:\\windows\\temp\\");
    SetEnvironmentVariableW(L"TMP", savedLength > 0 ? saved : nullptr);
    EXPECT_EQ(PathSeparator(), u'\\');
#else
    const char* savedTmp = std::getenv("TMPDIR");
    const std::string restore = savedTmp ? savedTmp : "";
    setenv("TMPDIR", "/var/tmp/x", 1);
    EXPECT_EQ(GetTempPath(), u"/var/tmp/x/");
    setenv("TMPDIR", "/var/tmp/y/", 1);
    EXPECT_EQ(GetTempPath(), u"/var/tmp/y/");
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempPath(), u"/tmp/");
    if (savedTmp) setenv("TMPDIR", restore.c_str(), 1);
    EXPECT_EQ(PathSeparator(), u'/');
#endif

    const std::u16string folder = std::filesystem::path(base_).u16string() + PathSeparator() + u"Textures \u00e9";
    EXPECT_FALSE(CreateDirectory(folder + PathSeparator() + u"deeper"));  // one level at a time
    ASSERT_TRUE(CreateDirectory(folder)) << LastErrorText();
    EXPECT_FALSE(CreateDirectory(folder));
#ifndef _WIN32
    EXPECT_EQ(ModeOf(Utf16ToUtf8(folder)), 0700u);
#endif
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_FALSE(FileExists(folder));

    const std::u16string file = folder + PathSeparator() + u"t.png";
    ASSERT_TRUE(WriteFile(file, "\x89PNG\0x", 6));
    EXPECT_EQ(FileBytes(std::filesystem::path(file)), std::string("\x89PNG\0x", 6));
#ifndef _WIN32
    EXPECT_EQ(ModeOf(Utf16ToUtf8(file)), 0600u);
#endif
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));

    const uint64_t stamp = 132224078451234567ull;  // 2020-01-02 03:04:05.1234567 UTC
    SetLastWriteTime(file, stamp);
    EXPECT_EQ(GetFileLastWriteTime(file), stamp);
    EXPECT_FALSE(DeleteFile(folder));
    ASSERT_TRUE(DeleteFile(file));
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(GetFileLastWriteTime(file), std::nullopt);
    EXPECT_FALSE(DeleteFile(file));
}

#ifndef _WIN32
TEST_F(ServicesTest, LaunchSplitsTheCommandLineAsWindowsDoes) {
    const std::string script =
        WriteScript("args.sh", R"(for a in "$@"; do printf '[%s]\n' "$a"; done > "$0.tmp"
mv "$0.tmp" "$0.out"
)");
    ASSERT_TRUE(LaunchProcess(
        Utf8ToUtf16(script),
        u"one \"two three\" \"\" four\\\"five back\\\\slash \"a\"\"b\" x\\\\\\\\\"y z\""))
        << LastErrorText();
    ASSERT_TRUE(WaitForFile(script + ".out"));
    EXPECT_EQ(FileBytes(script + ".out"),
              "[one]\n[two three]\n[]\n[four\"five]\n[back\\\\slash]\n[a\"b]\n[x\\\\y z]\n");

    EXPECT_FALSE(LaunchProcess(u"/nonexistent/korvan", u"-x"));
    EXPECT_EQ(LastErrorText(), "cannot start /nonexistent/korvan: No such file or directory");
}

TEST_F(ServicesTest, WebLinksGoToXdgOpenFromThePath) {
    const std::string bin = base_ + "/bin";
    std::filesystem::create_directory(bin);
    WriteScript("bin/xdg-open", "printf '%s' \"$1\" > " + base_ + "/url.tmp && mv " + base_ +
                                    "/url.tmp " + base_ + "/url\n");
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", (bin + ":/usr/bin:/bin").c_str(), 1);
    OpenWebLink(u"https://www.example.com/korvan?utm_source=sketchup&v=\u00e9");
    setenv("PATH", savedPath.c_str(), 1);
    ASSERT_TRUE(WaitForFile(base_ + "/url"));
    EXPECT_EQ(FileBytes(base_ + "/url"),
              "https://www.example.com/korvan?utm_source=sketchup&v=\xC3\xA9");
}

#endif

TEST(MessageBoxTest, WithoutAHostTheBoxIsPrintedAndAnsweredWithItsDefault) {
    const std::pair<uint32_t, int> defaults[] = {
        {0x0, 1}, {0x1, 1},  {0x2, 3},   {0x3, 6},   {0x4, 6},   {0x5, 4},
        {0x6, 2}, {0x10, 1}, {0x104, 7}, {0x203, 2}, {0x201, 1}, {0x106, 10},
    };
    for (const auto& [flags, button] : defaults)
        EXPECT_EQ(DefaultMessageBoxButton(flags), button) << flags;
#ifndef _WIN32
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(
        posix::PrintedMessageBox(u"Cannot start.\nFile in use", u"Korvan TwinLink - Error", 0x10),
        1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "[twinlink message box] \"Korvan TwinLink - Error\": Cannot start.\nFile in use -> 1 "
              "(OK, default)\n");
#endif
}

#ifdef _WIN32
// Plays the user: waits (five seconds at most) for a dialog window of this process whose title
// is `title` to show, then hands it to `act`. A dialog is listed as soon as it is made, before its
// controls are and before its procedure set it up; it shows only after.
std::thread User(const std::u16string& title, std::function<void(HWND)> act) {
    return std::thread([title, act] {
        for (int i = 0; i < 500; ++i) {
            for (const WindowInfo& window : EnumWindows()) {
                if (window.processId == GetCurrentProcessId() && window.title == title &&
                    window.className == u"#32770" && window.visible) {
                    act(reinterpret_cast<HWND>(window.handle));
                    return;
                }
            }
            Sleep(10);
        }
    });
}

std::u16string TextOf(HWND window) {
    wchar_t text[256];
    const int length = GetWindowTextW(window, text, 256);
    return std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(std::max(length, 0)));
}

// A dialog from a template: the procedure sets it up, hears each click (a check box turned
// first) and ends it; controls are found by their ids.
TEST(DialogTest, TheProcedureSetsUpTheDialogHearsClicksAndEndsIt) {
    const DialogTemplate dialog{
        7, u"TwinLink options", 120, 60, u"MS Shell Dlg", 8,
        {{1, ControlKind::DefaultButton, u"OK", 70, 40, 40, 14, true},
         {20, ControlKind::CheckBox, u"Fast", 5, 5, 80, 10, true},
         {21, ControlKind::CheckBox, u"Secret", 5, 17, 80, 10, false},
         {22, ControlKind::ClickableText, u"example.com/support", 5, 29, 80, 10, true},
         {-1, ControlKind::Text, u"Label", 5, 44, 40, 10, true}}};
    std::vector<std::string> heard;
    std::u16string okText;
    bool secretVisible = true;
    std::thread user = User(u"TwinLink options", [&](HWND box) {
        okText = TextOf(GetDlgItem(box, 1));
        secretVisible = IsWindowVisible(GetDlgItem(box, 21)) != FALSE;
        SendMessageW(GetDlgItem(box, 20), BM_CLICK, 0, 0);
        SendMessageW(GetDlgItem(box, 22), WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageW(GetDlgItem(box, 22), WM_LBUTTONUP, 0, 0);
        SendMessageW(GetDlgItem(box, 1), BM_CLICK, 0, 0);
    });
    const int result = ShowDialog(
        0, dialog,
        {[](DialogWindow& d) {
             d.SetCheck(20, true);
             d.SetText(1, u"Fine");
             d.SetSmallIcon();
         },
         [&](DialogWindow& d, int id) {
             heard.push_back(std::to_string(id) + (d.IsChecked(20) ? "+" : "-"));
             if (id == 1) d.End(40 + id);
         }});
    user.join();
    EXPECT_EQ(result, 41) << LastErrorText();
    EXPECT_EQ(okText, u"Fine");
    EXPECT_FALSE(secretVisible);
    EXPECT_EQ(heard, (std::vector<std::string>{"20-", "22-", "1-"}));
}

// Width and height in pixels of a bitmap.
std::pair<int, int> BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || GetObjectW(bitmap, sizeof info, &info) != sizeof info) return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

// Width and height in pixels of an icon's colour image.
std::pair<int, int> IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return {0, 0};
    const std::pair<int, int> size = BitmapSize(info.hbmColor);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return size;
}

// A picture control shows the plug-in's picture (kDialogPictureResource, which this suite holds
// as the plug-in's DLL does) at its own size, 440 x 560 pixels.
TEST(DialogTest, APictureControlShowsThePluginPicture) {
    const DialogTemplate dialog{
        7, u"TwinLink picture", 120, 60, u"MS Shell Dlg", 8,
        {{1, ControlKind::DefaultButton, u"OK", 70, 40, 40, 14, true},
         {30, ControlKind::Picture, u"", 5, 5, 25, 30, true}}};
    std::pair<int, int> shown{-1, -1};
    std::thread user = User(u"TwinLink picture", [&](HWND box) {
        const auto image = reinterpret_cast<HBITMAP>(
            SendMessageW(GetDlgItem(box, 30), STM_GETIMAGE, IMAGE_BITMAP, 0));
        shown = BitmapSize(image);
        SendMessageW(GetDlgItem(box, 1), BM_CLICK, 0, 0);
    });
    const int result = ShowDialog(0, dialog, {nullptr, [](DialogWindow& d, int id) { d.End(id); }});
    user.join();
    EXPECT_EQ(result, 1) << LastErrorText();
    // Scaled from 440 x 560 to the screen: 110 x 140 pixels at 96 dots per inch.
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(shown, std::make_pair(MulDiv(110, dpi, 96), MulDiv(140, dpi, 96))) << dpi << " dots per inch";
}

// The box's answer is the button pressed; a box whose caption names the plug-in gets the
// plug-in's icon (kPluginIconResource, which this suite holds as the plug-in's DLL does) at the
// small-icon size, any other box none.
TEST(MessageBoxTest, ABoxAnswersTheButtonPressedAndCarriesThePluginIconWhenItsCaptionSaysSo) {
    const std::pair<int, int> smallIcon{GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)};
    for (const std::u16string caption : {u"Korvan TwinLink - Question", u"Another box"}) {
        LRESULT icon = -1;
        std::thread user = User(caption, [&](HWND box) {
            icon = SendMessageW(box, WM_GETICON, ICON_SMALL, 0);
            PostMessageW(box, WM_COMMAND, IDNO, 0);
        });
        EXPECT_EQ(MessageBoxWithPluginIcon(0, u"Continue?", caption, MB_YESNO, u"Korvan TwinLink"), IDNO);
        user.join();
        if (caption == u"Another box") {
            EXPECT_EQ(icon, 0);
        } else {
            ASSERT_NE(icon, 0);
            EXPECT_EQ(IconSize(reinterpret_cast<HICON>(icon)), smallIcon);
        }
    }
}
#endif

// OutputDebugString is checked where the sync worker reports through it (sync_worker_test).
TEST_F(ServicesTest, TheFailureTextIsPerThreadAndClearedBySuccess) {
    EXPECT_EQ(OpenFileMapping(u"missing"), 0);
    const std::string failure = LastErrorText();
    EXPECT_FALSE(failure.empty());
    std::string otherThread = "unset";
    std::thread([&] { otherThread = LastErrorText(); }).join();
    EXPECT_EQ(otherThread, "");
    EXPECT_EQ(LastErrorText(), failure);
    const MappingHandle handle = CreateFileMapping(u"present", 16, nullptr);
    EXPECT_NE(handle, 0);
    EXPECT_EQ(LastErrorText(), "");
    CloseHandle(handle);
}

}  // namespace
}  // namespace twinlink::platform

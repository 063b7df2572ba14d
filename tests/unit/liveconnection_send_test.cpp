// What the camera push and the link descriptor leave in shared memory, and the text encoding
// they use.
#include <array>

#include "liveconnection/wide_text.h"
#include "liveconnection_test_support.h"

namespace {

using namespace TwinLinkAPI;
using namespace liveconnection_test;

constexpr size_t kView = 2048;    // slot 0
constexpr size_t kStatus = 4096;  // slot 1

std::string Utf16Bytes(const std::u16string& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

TEST(WideTextTest, PercentEncodingAndUpperCaseTouchOnlyAscii) {
    EXPECT_EQ(PercentEncode(u"AZaz09 -/"), u"AZaz09%20%2d%2f");
    EXPECT_EQ(PercentEncode(u"\u07ff\u0800\u20ac"), u"%df%bf%e0%a0%80%e2%82%ac");
    // Surrogates are encoded one unit at a time: U+1F600 is D83D DE00.
    EXPECT_EQ(PercentEncode(u"\U0001F600"), u"%ed%a0%bd%ed%b8%80");
    EXPECT_EQ(PercentEncode(std::u16string(1, u'\0')), u"%00");

    EXPECT_EQ(ToUpper(u"start \u00e9\u00ff"), u"START \u00e9\u00ff");
    EXPECT_EQ(ToLower(u"C:\\Maps\\\u00c9T\u00c9.JPG"), u"c:\\maps\\\u00c9t\u00c9.jpg");
    EXPECT_TRUE(ContainsNoCase(u"C:\\Program Files\\Korvan 9\\korvan.exe", u"KORVAN"));
    EXPECT_TRUE(ContainsNoCase(u"anything", u""));
    EXPECT_FALSE(ContainsNoCase(u"Korva", u"KORVAN"));
}

// Code-unit order: upper case before "_" before lower case; keys are never escaped.
TEST(DescriptorTextTest, EntriesComeInCodeUnitOrderOfTheirKeys) {
    DescriptorMap ordered{{u"a", {kVerbatimValue, u"1"}},
                          {u"_ k", {kVerbatimValue, u"2"}},
                          {u"B", {kEncodedValue, u"\u00e9"}}};
    EXPECT_EQ(BuildDescriptorText(ordered), u"{\"B\":\"%c3%a9\",\"_ k\":\"2\",\"a\":\"1\"}");
    EXPECT_EQ(BuildDescriptorText({}), u"{}");
}

using SendTest = HostedTest;

TEST_F(SendTest, AViewThatIsNotFollowedIsWrittenAndMarked) {
    std::array<uint8_t, kCameraDataSize> camera;
    for (size_t i = 0; i < camera.size(); ++i) camera[i] = static_cast<uint8_t>(i * 7 + 1);

    connection.SendView(false, camera.data());
    EXPECT_EQ(raw.U32(kView + 12), 1u);
    EXPECT_EQ(raw.U32(kView + 16), 1u);
    EXPECT_EQ(raw.U32(kView + 20), 0u);
    EXPECT_EQ(raw.Bytes(kView + 24, kCameraDataSize), std::string(camera.begin(), camera.end()));
    EXPECT_TRUE(raw.AllZero(kView + 652, 2048 - 652));

    connection.SendView(true, camera.data());
    EXPECT_EQ(raw.U32(kView + 20), 1u);
    EXPECT_EQ(raw.U32(kView + 12), 1u);
    EXPECT_EQ(raw.U32(kView + 16), 2u);

    // Without data the follow flag drops and the camera stays as it was.
    connection.SendView(true, nullptr);
    EXPECT_EQ(raw.U32(kView + 20), 0u);
    EXPECT_EQ(raw.U32(kView + 16), 3u);
    EXPECT_EQ(raw.Bytes(kView + 24, kCameraDataSize), std::string(camera.begin(), camera.end()));
}

// Records the operations SendView reaches through the table of virtual operations.
class RecordingConnection : public LiveConnection {
  public:
    void MarkRecord(RecordHeader* record, uint32_t flags) override {
        calls.push_back("mark " + std::to_string(flags));
        LiveConnection::MarkRecord(record, flags);
    }
    void ClearRecordFlags(RecordHeader* record, uint32_t flags) override {
        calls.push_back("clear " + std::to_string(flags));
        LiveConnection::ClearRecordFlags(record, flags);
    }
    int32_t Notify(intptr_t lParam, uintptr_t wParam) override {
        calls.push_back("notify " + std::to_string(lParam) + " " + std::to_string(wParam));
        return 0;
    }
    std::vector<std::string> calls;
};

TEST_F(SendTest, AFollowedViewClearsItsChangedBitBeforeMarkingAndNotifying) {
    RecordingConnection connection;
    ASSERT_EQ(connection.Host(u"C:\\Models\\Other.skp", 8), 0);
    std::array<uint8_t, kCameraDataSize> camera{};

    connection.SendView(true, camera.data());
    EXPECT_EQ(connection.calls, (std::vector<std::string>{"clear 1", "mark 1", "notify 2 0"}));
    connection.calls.clear();
    connection.SendView(false, camera.data());
    connection.SendView(true, nullptr);  // no camera to follow: nothing to wake Korvan for
    EXPECT_EQ(connection.calls, (std::vector<std::string>{"mark 1", "mark 1"}));
}

TEST_F(SendTest, TheDescriptorTextLandsInTheStatusSectionAndKeepsItWhileItFits) {
    const auto sectionBytes = [](uint32_t id) {
        RawSection section(OwnSection(id));
        return section.IsOpen() ? section.Bytes(0, section.Size()) : std::string("(gone)");
    };
    // A section is made in whole pages of 4096 bytes, zero after what was asked for.
    const auto inPages = [](std::string bytes) {
        bytes.resize((bytes.size() + 4095) / 4096 * 4096, '\0');
        return bytes;
    };
    DescriptorMap descriptor{{u"b", {kVerbatimValue, u"x y"}}, {u"a", {kEncodedValue, u"x y"}}};
    const std::string text = Utf16Bytes(u"{\"a\":\"x%20y\",\"b\":\"x y\"}");  // 46 bytes

    connection.SendDescriptor(descriptor);
    EXPECT_EQ(raw.U32(kStatus + 12), 1u);
    EXPECT_EQ(raw.U32(kStatus + 16), 1u);
    EXPECT_EQ(raw.U32(kStatus + 20), 1u);
    EXPECT_EQ(raw.U32(kStatus + 24), 96u);  // twice the text with its terminator
    EXPECT_EQ(sectionBytes(1), inPages(text + std::string(50, '\0')));

    // Longer, but within the section: same id, and the old tail is wiped.
    descriptor[u"c"] = {kVerbatimValue, u"0123456789"};
    connection.SendDescriptor(descriptor);
    descriptor.erase(u"c");
    connection.SendDescriptor(descriptor);
    EXPECT_EQ(raw.U32(kStatus + 16), 3u);
    EXPECT_EQ(raw.U32(kStatus + 20), 1u);
    EXPECT_EQ(sectionBytes(1), inPages(text + std::string(50, '\0')));

    // Too long: a new section twice the size, and the old one is released.
    descriptor[u"long"] = {kVerbatimValue, std::u16string(100, u'L')};
    connection.SendDescriptor(descriptor);
    const std::string longer =
        text.substr(0, 44) + Utf16Bytes(u",\"long\":\"" + std::u16string(100, u'L') + u"\"}");
    EXPECT_EQ(raw.U32(kStatus + 20), 2u);
    EXPECT_EQ(raw.U32(kStatus + 24), 2 * (longer.size() + 2));
    EXPECT_EQ(sectionBytes(1), "(gone)");
    EXPECT_EQ(sectionBytes(2), inPages(longer + std::string(longer.size() + 4, '\0')));
}

TEST_F(SendTest, ADescriptorWhoseSectionCannotBeMadeStillMarksTheRecord) {
#ifdef _WIN32
    // A name that another kind of object holds cannot name a section.
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE,
                                      reinterpret_cast<const wchar_t*>(OwnSection(1).c_str()));
    ASSERT_NE(event, nullptr);
    connection.SendDescriptor({{u"a", {kVerbatimValue, u"b"}}});
    CloseHandle(event);
#else
    setenv("TWINLINK_SHM_DIR", UnusableFolder().c_str(), 1);
    connection.SendDescriptor({{u"a", {kVerbatimValue, u"b"}}});
    setenv("TWINLINK_SHM_DIR", shm_.c_str(), 1);
#endif

    EXPECT_EQ(raw.U32(kStatus + 20), 0u);
    EXPECT_EQ(raw.U32(kStatus + 16), 1u);
    EXPECT_EQ(raw.U32(kStatus + 12), 1u);
}

}  // namespace

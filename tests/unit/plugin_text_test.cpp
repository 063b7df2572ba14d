// The plug-in's text utilities: wide printf formatting, file-name sanitising, the path hash that
// identifies a model file on every machine, and the file name of a path.
#include <gtest/gtest.h>

#include "rubybridge/string_utilities.h"

namespace korvan {
namespace {

TEST(PluginText, FormatWideFormatsLikePrintfWithWideStrings) {
    EXPECT_EQ(FormatWide(u"version: %s", u"3.52.774"), u"version: 3.52.774");
    EXPECT_EQ(FormatWide(u"File \"%s\" is open", u"Haus Müller.skp"),
              u"File \"Haus Müller.skp\" is open");
    EXPECT_EQ(FormatWide(u"Korvan %ls or newer", u"8.3"), u"Korvan 8.3 or newer");
    EXPECT_EQ(FormatWide(u"%llu", 18446744073709551615ull), u"18446744073709551615");
    EXPECT_EQ(FormatWide(u"%d|%u", -2147483647 - 1, 4294967295u), u"-2147483648|4294967295");
    EXPECT_EQ(FormatWide(u"TwinLinkAPI/%d/%08X", 4242, 26u), u"TwinLinkAPI/4242/0000001A");
    EXPECT_EQ(FormatWide(u"[%5s|%-5s|%.2s]", u"ab", u"cd", u"efgh"), u"[   ab|cd   |ef]");
    EXPECT_EQ(FormatWide(u"100%% %c", static_cast<int>(u'€')), u"100% €");
    EXPECT_EQ(FormatWide(u"%.3f", 0.0254), u"0.025");
    EXPECT_EQ(FormatWide(u"no conversions"), u"no conversions");
}

TEST(PluginText, SanitizeNameReplacesAllButAlphanumericsAndSpacesInPlace) {
    std::u16string name = u"Brick/Wall: red\t1.jpg";
    EXPECT_EQ(SanitizeName(name), u"Brick_Wall_ red\t1_jpg");
    EXPECT_EQ(name, u"Brick_Wall_ red\t1_jpg") << "the text given is changed too";
}

// The values Windows' HashData gives for these bytes (as published with Wine's tests of it).
TEST(PluginText, HashPathIsHashDataOverTheUtf16BytesReadLittleEndian) {
    // Bytes 51 33 4F A7 45 15 F0 52 90 2B E7 F5 FD E1 A6 A7.
    const std::u16string sixteenBytes = {0x3351, 0xA74F, 0x1545, 0x52F0,
                                         0x2B90, 0xF5E7, 0xE1FD, 0xA7A6};
    EXPECT_EQ(HashPath(sixteenBytes), 0xA1FF82CD55929C54ull);
    EXPECT_EQ(HashPath(sixteenBytes.substr(0, 4)), 0xC6F95AF01B9ADC2Bull);
    // Nothing hashed: output byte i is i.
    EXPECT_EQ(HashPath(u""), 0x0706050403020100ull);
    EXPECT_NE(HashPath(u"D:/Models/House.skp"), HashPath(u"D:/Models/house.skp"));
}

TEST(PluginText, FileNameOfIsThePartAfterTheLastSeparator) {
    const std::u16string separator(1, twinlink::platform::PathSeparator());
    EXPECT_EQ(FileNameOf(separator + u"models" + separator + u"House.skp"), u"House.skp");
    EXPECT_EQ(FileNameOf(u"House.skp"), u"House.skp");
    EXPECT_EQ(FileNameOf(separator + u"models" + separator), u"");
}

}  // namespace
}  // namespace korvan

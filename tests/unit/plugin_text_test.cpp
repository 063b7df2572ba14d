// The plug-in's text utilities: percent-encoding as web links and the descriptor carry it, the
// case-insensitive search, wide printf formatting, file-name sanitising, the path hash that
// identifies a model file on every machine, and the file name of a path.
#include <gtest/gtest.h>

#include "liveconnection/wide_text.h"
#include "rubybridge/string_utilities.h"

namespace korvan {
namespace {

using TwinLinkAPI::ContainsNoCase;
using TwinLinkAPI::PercentEncode;

TEST(PluginText, PercentEncodeKeepsLettersAndDigitsAndEncodesEverythingElseAsUtf8) {
    EXPECT_EQ(PercentEncode(u"a b-c"), u"a%20b%2dc");
    EXPECT_EQ(PercentEncode(u"é"), u"%c3%a9");
    EXPECT_EQ(PercentEncode(u"3.52.774"), u"3%2e52%2e774");
    EXPECT_EQ(PercentEncode(u"Sketchup Pro 17.3.116"), u"Sketchup%20Pro%2017%2e3%2e116");
    EXPECT_EQ(PercentEncode(u"ß€"), u"%c3%9f%e2%82%ac");
    // A surrogate pair is encoded unit by unit, three bytes each.
    EXPECT_EQ(PercentEncode(u"\U0001D11E"), u"%ed%a0%b4%ed%b4%9e");
    EXPECT_EQ(PercentEncode(u"AZaz09"), u"AZaz09");
    EXPECT_EQ(PercentEncode(u""), u"");
}

TEST(PluginText, ContainsNoCaseComparesUpperCasedUnits) {
    EXPECT_TRUE(ContainsNoCase(u"FaceTextureCoords", u"FACETEXTURECOORDS"));
    EXPECT_TRUE(ContainsNoCase(u"Sketchup::FaceTextureCoords proxy", u"facetexturecoords"));
    EXPECT_TRUE(ContainsNoCase(u"anything", u""));
    EXPECT_FALSE(ContainsNoCase(u"Face", u"FaceTexture"));
    EXPECT_FALSE(ContainsNoCase(u"", u"x"));
}

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

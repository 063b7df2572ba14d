// The plug-in's top as Korvan and the user meet it: the host identity, the message boxes (flags,
// caption and the answer; the texts of the start's messages and the link descriptor are checked
// where a user and Korvan meet them, in the host tests of the link), the settings in the registry
// stand-in, and the text utilities (wide printf, file-name sanitising).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "desktop/desktop.h"
#include "model/app.h"
#include "platform_sandbox.h"
#include "plugin/host_identity.h"
#include "plugin/plugin_dialogs.h"
#include "plugin/plugin_settings.h"
#include "rubybridge/string_utilities.h"

namespace korvan {
namespace {

using twinlink::platform::testing::FileBytes;

class HostIdentityTest : public ::testing::Test {
  protected:
    void TearDown() override {
        hostsim::App::Instance().edition = 2;
        hostsim::App::Instance().version = "17.3.116";
    }
};

TEST_F(HostIdentityTest, HostEditionNamesMakeAndProAndFallsBackToSketchUpAndTheVersionCanBeEmpty) {
    hostsim::App& app = hostsim::App::Instance();
    const std::pair<int, std::u16string> expected[] = {{1, u"SketchUp Make"},
                                                       {2, u"SketchUp Pro"},
                                                       {0, u"SketchUp"},
                                                       {3, u"SketchUp"},
                                                       {-1, u"SketchUp"}};
    for (const auto& [edition, name] : expected) {
        app.edition = edition;
        EXPECT_EQ(HostEditionName(), name) << "edition " << edition;
    }
    // The version, empty when it cannot be read.
    EXPECT_EQ(HostVersion(), u"17.3.116");
    hostsim::App::Instance().version.clear();
    EXPECT_EQ(HostVersion(), u"");
}

class PluginDialogsTest : public twinlink::platform::testing::PlatformSandbox {};

TEST_F(PluginDialogsTest, ShowMessageReturnsTheButtonPressed) {
    hostsim::desktop::Clear();
    PluginDialogs dialogs(nullptr);
    hostsim::desktop::QueueAnswer({hostsim::desktop::kIdNo, {}});
    EXPECT_EQ(dialogs.ShowMessage(u"Start Korvan now?", u"Korvan TwinLink - Korvan is not running",
                                  kMbYesNo | kMbIconQuestion),
              hostsim::desktop::kIdNo);
    const auto shown = hostsim::desktop::ShownSoFar();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].flags, 36u);
    EXPECT_EQ(shown[0].caption, u"Korvan TwinLink - Korvan is not running");
}

class PluginSettingsTest : public twinlink::platform::testing::PlatformSandbox {
  protected:
    std::string KeyFolder() const {
        return registry_ + "/HKEY_CURRENT_USER/Software/Qentra/PluginForSketchup";
    }

    void WriteValue(const std::string& name, uint32_t type, const std::string& data) {
        std::filesystem::create_directories(KeyFolder());
        for (std::string folder = KeyFolder(); folder.size() >= base_.size();
             folder = folder.substr(0, folder.rfind('/'))) {
            chmod(folder.c_str(), 0700);
        }
        std::ofstream(KeyFolder() + "/" + name, std::ios::binary) << Dword(type) + data;
        chmod((KeyFolder() + "/" + name).c_str(), 0600);
    }
    void WriteDword(const std::string& name, uint32_t value) { WriteValue(name, 4, Dword(value)); }

    static std::string Dword(uint32_t value) {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
        return bytes;
    }
    // The stored file of a REG_DWORD value.
    static std::string StoredDword(uint32_t value) { return Dword(4) + Dword(value); }

    std::string Stored(const std::string& name) const {
        return FileBytes(KeyFolder() + "/" + name);
    }

    static std::vector<bool> Values(const PluginSettings& s) {
        return {s.CameraAutoSync(), s.SingleSided(), s.MemoryTextures(), s.SkipKorvanCheck()};
    }
};

TEST_F(PluginSettingsTest, ValuesLongerThanFourBytesTakeTheirDefaultsWhateverWasLoadedBefore) {
    WriteDword("CameraAutoSync", 0);
    WriteDword("SingleSided", 1);
    PluginSettings settings;
    EXPECT_EQ(Values(settings), (std::vector<bool>{false, true, true, false}));

    const std::string yes("y\0e\0s\0\0\0", 8);  // REG_SZ "yes"
    WriteValue("SingleSided", 1, yes);
    WriteValue("CameraAutoSync", 11, Dword(0) + Dword(0));  // REG_QWORD 0
    settings.Load();
    EXPECT_EQ(Values(settings), (std::vector<bool>{true, false, true, false}));
}

TEST_F(PluginSettingsTest, AFourByteValueOfAnotherTypeIsTakenAsItsRawBits) {
    WriteValue("SkipKorvanCheck", 3, Dword(7));             // REG_BINARY
    WriteValue("MemoryTextures", 1, std::string(4, '\0'));  // REG_SZ of two zero units
    PluginSettings settings;
    EXPECT_TRUE(settings.SkipKorvanCheck());
    EXPECT_FALSE(settings.MemoryTextures());
    settings.Save();
    EXPECT_EQ(Stored("SkipKorvanCheck"), StoredDword(7))
        << "kept as read and written back as REG_DWORD";
    EXPECT_EQ(Stored("MemoryTextures"), StoredDword(0));
}

TEST_F(PluginSettingsTest, EachSetterSavesAllFourValues) {
    WriteDword("SkipKorvanCheck", 1);
    PluginSettings settings;
    settings.SetCameraAutoSync(false);
    EXPECT_EQ(Stored("CameraAutoSync"), StoredDword(0));
    EXPECT_EQ(Stored("SingleSided"), StoredDword(0));
    EXPECT_EQ(Stored("MemoryTextures"), StoredDword(1));
    EXPECT_EQ(Stored("SkipKorvanCheck"), StoredDword(1)) << "as last loaded";

    WriteDword("SkipKorvanCheck", 0);  // changed outside; the setter writes what it loaded
    settings.SetSingleSided(true);
    EXPECT_EQ(Stored("SingleSided"), StoredDword(1));
    EXPECT_EQ(Stored("SkipKorvanCheck"), StoredDword(1));

    settings.StoreMemoryTextures(0);
    EXPECT_EQ(Stored("MemoryTextures"), StoredDword(1)) << "storing alone does not save";
    settings.Save();
    EXPECT_EQ(Stored("MemoryTextures"), StoredDword(0));
}

TEST_F(PluginSettingsTest, AKeyThatCannotBeOpenedLeavesTheValuesAsTheyAre) {
    WriteDword("CameraAutoSync", 0);
    WriteDword("SkipKorvanCheck", 1);
    PluginSettings settings;
    // A key folder open to others is refused, as another user's would be.
    ASSERT_EQ(chmod(KeyFolder().c_str(), 0777), 0);
    settings.Load();
    EXPECT_EQ(Values(settings), (std::vector<bool>{false, false, true, true}));
    settings.SetCameraAutoSync(true);
    EXPECT_EQ(Stored("CameraAutoSync"), StoredDword(0)) << "nothing is written";
    EXPECT_TRUE(settings.CameraAutoSync());
}

// The texts it makes are checked as shown in the host tests; here a name beyond ASCII and the
// largest path hash.
TEST(PluginText, FormatWideFormatsLikePrintfWithWideStrings) {
    EXPECT_EQ(FormatWide(u"File \"%s\" is open", u"Haus Müller.skp"),
              u"File \"Haus Müller.skp\" is open");
    EXPECT_EQ(FormatWide(u"%llu", 18446744073709551615ull), u"18446744073709551615");
}

TEST(PluginText, SanitizeNameReplacesAllButAlphanumericsAndSpacesInPlace) {
    std::u16string name = u"Brick/Wall: red\t1.jpg";
    EXPECT_EQ(SanitizeName(name), u"Brick_Wall_ red\t1_jpg");
    EXPECT_EQ(name, u"Brick_Wall_ red\t1_jpg") << "the text given is changed too";
}

}  // namespace
}  // namespace korvan

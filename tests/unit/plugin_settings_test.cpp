// The plug-in's settings in the registry stand-in: defaults for a missing key, values that are
// not what they should be, writing all four at once, and a key that cannot be opened.
#include "plugin/plugin_settings.h"

#include <sys/stat.h>

#include "platform_sandbox.h"

namespace korvan {
namespace {

using twinlink::platform::testing::FileBytes;

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
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(type >> (8 * i));
        std::ofstream(KeyFolder() + "/" + name, std::ios::binary) << bytes + data;
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

TEST_F(PluginSettingsTest, AMissingKeyIsCreatedEmptyAndTheFirstSaveWritesAllFour) {
    PluginSettings settings;
    EXPECT_EQ(Values(settings), (std::vector<bool>{true, false, true, false}));
    ASSERT_TRUE(std::filesystem::is_directory(KeyFolder()));
    EXPECT_TRUE(std::filesystem::is_empty(KeyFolder())) << "loading writes no value";

    settings.Save();
    EXPECT_EQ(Stored("CameraAutoSync"), StoredDword(1));
    EXPECT_EQ(Stored("SingleSided"), StoredDword(0));
    EXPECT_EQ(Stored("MemoryTextures"), StoredDword(1));
    EXPECT_EQ(Stored("SkipKorvanCheck"), StoredDword(0));
}

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

}  // namespace
}  // namespace korvan

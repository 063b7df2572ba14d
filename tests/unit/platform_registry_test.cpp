// The registry: RegQueryValueExW/RegEnumValueW sizes and errors, odd value names, names that
// differ in case only, subkeys; on POSIX also the exact files a value becomes and value files
// that are damaged.
#ifndef _WIN32
#include <fcntl.h>
#endif

#include <algorithm>
#include <map>

#include "platform_sandbox.h"
#include "twinlink/platform.h"

namespace twinlink::platform {
namespace {

using namespace testing;

class RegistryTest : public testing::PlatformSandbox {
  protected:
    RegistryKey CreateKey(const std::u16string& path) {
        RegistryKey key;
        EXPECT_EQ(RegistryKey::Create(RegistryRoot::CurrentUser, path, key), kSuccess)
            << LastErrorText();
        return key;
    }
    std::string KeyFolder() const {
        return registry_ + "/HKEY_CURRENT_USER/Software/Qentra/LiveConnections";
    }
    void PlantValueFile(const std::string& fileName, const std::string& bytes) {
        std::ofstream(KeyFolder() + "/" + fileName, std::ios::binary) << bytes;
    }
};

std::u16string Utf16Bytes(const std::u16string& text) {
    // REG_SZ data: UTF-16LE with its terminator.
    std::u16string copy = text;
    copy.push_back(0);
    return copy;
}

TEST_F(RegistryTest, ValuesAreFilesHoldingTypeThenDataInPrivateFolders) {
    RegistryKey key = CreateKey(u"Software\\Qentra\\LiveConnections");
    ASSERT_TRUE(key.IsOpen());
    ASSERT_EQ(key.SetDword(u"D:\\Models\\House.skp", 1), kSuccess);
    const std::u16string text = Utf16Bytes(u"Korvan 8.3");
    ASSERT_EQ(key.SetValue(u"DisplayVersion", kRegSz, reinterpret_cast<const uint8_t*>(text.data()),
                           static_cast<uint32_t>(text.size() * 2)),
              kSuccess);

    uint32_t type = 0, size = 64;
    uint8_t read[64] = {};
    ASSERT_EQ(key.QueryValue(u"D:\\Models\\House.skp", &type, read, &size), kSuccess);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(read), size), std::string("\x01\0\0\0", 4));
    size = sizeof read;
    ASSERT_EQ(key.QueryValue(u"DisplayVersion", &type, read, &size), kSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(read), size),
              std::string("K\0o\0r\0v\0a\0n\0 \0008\0.\0003\0\0\0", 22));
#ifndef _WIN32
    const std::string dword = KeyFolder() + "/D%3A%5CModels%5CHouse.skp";
    EXPECT_EQ(FileBytes(dword), std::string("\x04\0\0\0\x01\0\0\0", 8));
    EXPECT_EQ(FileBytes(KeyFolder() + "/DisplayVersion"),
              std::string("\x01\0\0\0K\0o\0r\0v\0a\0n\0 \0008\0.\0003\0\0\0", 4 + 22));
    // No temporary files are left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(KeyFolder()), {}), 2);

    // Overwriting replaces the whole file.
    ASSERT_EQ(key.SetDword(u"D:\\Models\\House.skp", 0xA1B2C3D4), kSuccess);
    EXPECT_EQ(FileBytes(dword), std::string("\x04\0\0\0\xD4\xC3\xB2\xA1", 8));
#endif
    ASSERT_EQ(key.SetDword(u"D:\\Models\\House.skp", 0xA1B2C3D4), kSuccess);
    size = sizeof read;
    ASSERT_EQ(key.QueryValue(u"D:\\Models\\House.skp", &type, read, &size), kSuccess);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(read), size), std::string("\xD4\xC3\xB2\xA1", 4));
}

// Windows compares value names without case: another spelling reads, overwrites and deletes
// the same value, which keeps the name it was first written with.
TEST_F(RegistryTest, ValueNamesDifferingOnlyInCaseAreOneValue) {
    RegistryKey key = CreateKey(u"Software\\Qentra\\LiveConnections");
    ASSERT_EQ(key.SetDword(u"C:/Work/Tower.skp", 1), kSuccess);
    uint32_t value = 0, size = 4;
    ASSERT_EQ(key.QueryValue(u"c:/work/TOWER.SKP", nullptr, reinterpret_cast<uint8_t*>(&value), &size),
              kSuccess);
    EXPECT_EQ(value, 1u);
    ASSERT_EQ(key.SetDword(u"C:/WORK/tower.skp", 2), kSuccess);
    uint32_t count = 0;
    ASSERT_EQ(key.CountValues(&count), kSuccess);
    EXPECT_EQ(count, 1u);
    RegistryValue listed;
    ASSERT_EQ(key.EnumValue(0, 260, 4, listed), kSuccess);
    EXPECT_EQ(listed.name, u"C:/Work/Tower.skp");
    EXPECT_EQ(listed.data, std::vector<uint8_t>({2, 0, 0, 0}));
    ASSERT_EQ(key.DeleteValue(u"c:/WORK/Tower.SKP"), kSuccess);
    ASSERT_EQ(key.CountValues(&count), kSuccess);
    EXPECT_EQ(count, 0u);

    // Every spelling is listed as written. (In which order is the registry's own: Windows keeps
    // a key's values in the order they were made, Wine in name order with letters folded to
    // lower case, the stand-in in name order with ASCII letters folded to upper case.)
    for (const char16_t* name : {u"beta", u"Alpha", u"_x", u"Gamma"}) ASSERT_EQ(key.SetDword(name, 0), kSuccess);
    std::vector<std::u16string> names;
    for (uint32_t index = 0; key.EnumValue(index, 260, 4, listed) == kSuccess; ++index)
        names.push_back(listed.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, std::vector<std::u16string>({u"Alpha", u"Gamma", u"_x", u"beta"}));
}

TEST_F(RegistryTest, OddValueNamesRoundTripThroughEnumeration) {
    RegistryKey key = CreateKey(u"Software\\Qentra\\LiveConnections");
    const std::u16string longAccented(300, u'\u00e9');  // 600 UTF-8 bytes, 1800 encoded
    const std::map<std::u16string, std::string> files = {
        {u"", "@"},
        {u"100%", "100%25"},
        {u".hidden", "%2Ehidden"},
        {u"Gr\u00f6\u00dfe \U0001D11E", "Gr%C3%B6%C3%9Fe%20%F0%9D%84%9E"},
        {u"lone \xD800", "lone%20%ED%A0%80"},
        {u"@+#~", "%40%2B%23%7E"},
    };
    std::map<std::u16string, uint32_t> expected;
    uint32_t next = 100;
    for (const auto& [name, file] : files) expected[name] = next++;
    expected[longAccented] = next++;
    for (const auto& [name, data] : expected)
        ASSERT_EQ(key.SetDword(name, data), kSuccess) << LastErrorText();

#ifndef _WIN32
    for (const auto& [name, file] : files) {
        EXPECT_EQ(FileBytes(KeyFolder() + "/" + file).substr(4),
                  std::string(reinterpret_cast<const char*>(&expected[name]), 4))
            << file;
    }
#endif
    uint32_t count = 0;
    ASSERT_EQ(key.CountValues(&count), kSuccess);
    EXPECT_EQ(count, expected.size());

    std::map<std::u16string, uint32_t> enumerated;
    for (uint32_t index = 0;; ++index) {
        RegistryValue value;
        const uint32_t code = key.EnumValue(index, 16384, 4, value);
        if (code == kNoMoreItems) break;
        ASSERT_EQ(code, kSuccess) << index << ": " << LastErrorText();
        ASSERT_EQ(value.type, kRegDword);
        ASSERT_EQ(value.data.size(), 4u);
        uint32_t data = 0;
        std::memcpy(&data, value.data.data(), 4);
        EXPECT_TRUE(enumerated.emplace(value.name, data).second);
    }
    EXPECT_EQ(enumerated, expected);
    // Value names never show up as subkeys, long ones included.
    EXPECT_TRUE(key.Subkeys().empty());

#ifndef _WIN32
    // Names longer than a file name live in continuation folders "<part>+", cut before 200 bytes
    // where an escape would split; deleting a value takes its folders with it.
    std::string accentedPart;
    for (int i = 0; i < 33; ++i) accentedPart += "%C3%A9";
    const auto folders = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(KeyFolder())) {
            if (entry.is_directory()) names.push_back(entry.path().filename().string());
        }
        return names;
    };
    EXPECT_EQ(folders(), std::vector<std::string>{accentedPart + "+"});
#endif
    ASSERT_EQ(key.DeleteValue(longAccented), kSuccess);
#ifndef _WIN32
    EXPECT_TRUE(folders().empty());
#endif
    ASSERT_EQ(key.CountValues(&count), kSuccess);
    EXPECT_EQ(count, expected.size() - 1);
}

TEST_F(RegistryTest, EnumValueNeedsRoomForTheNameAndItsTerminatorAndForTheData) {
    RegistryKey key = CreateKey(u"Software\\Qentra\\LiveConnections");
    const std::u16string fits(259, u'a');
    const std::u16string tooLong(260, u'b');
    const std::u16string text = Utf16Bytes(u"xyz");
    ASSERT_EQ(key.SetDword(fits, 1), kSuccess);
    ASSERT_EQ(key.SetDword(tooLong, 2), kSuccess);
    ASSERT_EQ(key.SetValue(u"c-string", kRegSz, reinterpret_cast<const uint8_t*>(text.data()), 8),
              kSuccess);

    // In name order: 259 a's, 260 b's, "c-string".
    RegistryValue value;
    ASSERT_EQ(key.EnumValue(0, 260, 4, value), kSuccess);
    EXPECT_EQ(value.name, fits);
    RegistryValue untouched;
    untouched.name = u"keep";
    EXPECT_EQ(key.EnumValue(1, 260, 4, untouched), kMoreData);
    EXPECT_EQ(untouched.name, u"keep");
    ASSERT_EQ(key.EnumValue(1, 261, 4, value), kSuccess);
    EXPECT_EQ(value.name, tooLong);
    EXPECT_EQ(key.EnumValue(2, 260, 4, untouched), kMoreData);  // 8 bytes of data
    ASSERT_EQ(key.EnumValue(2, 260, 8, value), kSuccess);
    EXPECT_EQ(value.type, kRegSz);
    EXPECT_EQ(value.data, std::vector<uint8_t>({'x', 0, 'y', 0, 'z', 0, 0, 0}));
    EXPECT_EQ(key.EnumValue(3, 260, 8, value), kNoMoreItems);

    // QueryValue: too small a buffer is left alone and told the size needed.
    uint8_t buffer[4] = {9, 9, 9, 9};
    uint32_t type = 0, size = sizeof buffer;
    EXPECT_EQ(key.QueryValue(u"c-string", &type, buffer, &size), kMoreData);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(buffer[0], 9);
    size = 0;
    EXPECT_EQ(key.QueryValue(u"c-string", nullptr, nullptr, &size), kSuccess);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(key.QueryValue(tooLong, &type, nullptr, nullptr), kSuccess);
    EXPECT_EQ(type, kRegDword);
}

#ifndef _WIN32
// Only the stand-in keeps values in files that something else could damage.
TEST_F(RegistryTest, DamagedValueFilesAreErrorsNotCrashes) {
    RegistryKey key = CreateKey(u"Software\\Qentra\\LiveConnections");
    ASSERT_EQ(key.SetDword(u"good", 7), kSuccess);
    PlantValueFile("empty", "");
    PlantValueFile("half", std::string("\x04\0", 2));
    PlantValueFile("wide",
                   std::string("\x04\0\0\0\x01\0\0\0\x02\0\0\0", 12));  // a DWORD of 8 bytes
    PlantValueFile("text", std::string("\x01\0\0\0A\0\0\0", 8));

    uint32_t value = 0, type = 0, size = 4;
    EXPECT_EQ(key.QueryValue(u"empty", &type, reinterpret_cast<uint8_t*>(&value), &size),
              kRegistryCorrupt);
    EXPECT_NE(LastErrorText().find("truncated (0 bytes)"), std::string::npos) << LastErrorText();
    EXPECT_EQ(key.QueryValue(u"half", &type, reinterpret_cast<uint8_t*>(&value), &size),
              kRegistryCorrupt);
    EXPECT_NE(LastErrorText().find("truncated (2 bytes)"), std::string::npos) << LastErrorText();
    size = 4;
    EXPECT_EQ(key.QueryValue(u"wide", &type, reinterpret_cast<uint8_t*>(&value), &size), kMoreData);
    EXPECT_EQ(size, 8u);
    size = 4;
    ASSERT_EQ(key.QueryValue(u"text", &type, reinterpret_cast<uint8_t*>(&value), &size), kSuccess);
    EXPECT_EQ(type, kRegSz);  // the caller learns the type; the bytes are what was stored
    EXPECT_EQ(value, 0x41u);

    uint32_t count = 0;
    ASSERT_EQ(key.CountValues(&count), kSuccess);
    EXPECT_EQ(count, 5u);
    std::vector<uint32_t> codes;
    for (uint32_t index = 0; index < count; ++index) {
        RegistryValue entry;
        codes.push_back(key.EnumValue(index, 260, 4, entry));
    }
    // empty, good, half, text, wide
    EXPECT_EQ(codes, std::vector<uint32_t>(
                         {kRegistryCorrupt, kSuccess, kRegistryCorrupt, kSuccess, kMoreData}));
    EXPECT_EQ(LastErrorText(), "the value at index 4 holds 8 bytes, more than the buffer");
}
#endif

TEST_F(RegistryTest, MissingKeysValuesAndClosedKeys) {
    RegistryKey key;
    EXPECT_EQ(
        RegistryKey::Open(RegistryRoot::CurrentUser, u"Software\\Qentra\\LiveConnections", key),
        kFileNotFound);
    EXPECT_FALSE(key.IsOpen());
#ifndef _WIN32
    EXPECT_FALSE(std::filesystem::exists(registry_));  // opening creates nothing
#endif

    key = CreateKey(u"Software\\Qentra\\LiveConnections");
    uint32_t value = 0, size = 4;
    EXPECT_EQ(key.QueryValue(u"absent", nullptr, reinterpret_cast<uint8_t*>(&value), &size),
              kFileNotFound);
    EXPECT_EQ(key.DeleteValue(u"absent"), kFileNotFound);
    RegistryValue entry;
    EXPECT_EQ(key.EnumValue(0, 260, 4, entry), kNoMoreItems);
    ASSERT_EQ(key.SetDword(u"v", 1), kSuccess);
    EXPECT_TRUE(LastErrorText().empty());
    ASSERT_EQ(key.DeleteValue(u"v"), kSuccess);
    EXPECT_EQ(key.QueryValue(u"v", nullptr, nullptr, &size), kFileNotFound);
#ifndef _WIN32
    EXPECT_FALSE(std::filesystem::exists(KeyFolder() + "/v"));
#endif

    RegistryKey machine;
    EXPECT_EQ(RegistryKey::Open(RegistryRoot::LocalMachine, u"Software\\Qentra\\LiveConnections",
                                machine),
              kFileNotFound);

    key.Close();
    EXPECT_EQ(key.SetDword(u"v", 1), kInvalidHandle);
    EXPECT_EQ(key.QueryValue(u"v", nullptr, nullptr, &size), kInvalidHandle);
    uint32_t count = 0;
    EXPECT_EQ(key.CountValues(&count), kInvalidHandle);
}

// Subkeys are listed in name order, case ignored. The stand-in keeps a key's values and subkeys
// in one folder, so there a value cannot have the name of a subkey, as it can on Windows.
TEST_F(RegistryTest, SubkeysAreListedInNameOrder) {
    const std::u16string uninstall = u"Software\\Qentra\\Test\\Uninstall";
    RegistryKey parent = CreateKey(uninstall);
    CreateKey(uninstall + u"\\Korvan 8.3");
    CreateKey(uninstall + u"\\{4F1B-77}");
    CreateKey(uninstall + u"\\apps");
    ASSERT_EQ(parent.SetDword(u"NotAKey", 1), kSuccess);
    EXPECT_EQ(parent.Subkeys(),
              std::vector<std::u16string>({u"apps", u"Korvan 8.3", u"{4F1B-77}"}));
#ifdef _WIN32
    EXPECT_EQ(parent.SetDword(u"Korvan 8.3", 1), kSuccess);
#else
    EXPECT_TRUE(std::filesystem::is_directory(
        registry_ + "/HKEY_CURRENT_USER/Software/Qentra/Test/Uninstall/Korvan%208.3"));
    EXPECT_EQ(parent.SetDword(u"Korvan 8.3", 1), kAccessDenied);
    EXPECT_NE(LastErrorText().find("has the name of a subkey"), std::string::npos)
        << LastErrorText();
    uint32_t size = 4;
    EXPECT_EQ(parent.QueryValue(u"Korvan 8.3", nullptr, nullptr, &size), kFileNotFound);
#endif
}

}  // namespace
}  // namespace twinlink::platform

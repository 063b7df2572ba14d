// The directory of live connections and the ways Host can fail without leaving anything behind.
#include <algorithm>

#include "liveconnection/live_connection.h"
#include "liveconnection_test_support.h"

namespace {

using namespace TwinLinkAPI;
using liveconnection_test::ChildProcess;
using liveconnection_test::Pipe;
using liveconnection_test::PrivateStateTest;
using liveconnection_test::RawSection;
namespace platform = twinlink::platform;

constexpr char16_t kDirectoryKey[] = u"Software\\Qentra\\LiveConnections";
constexpr char16_t kModelPath[] = u"C:\\Models\\House.skp";

class ConnectionDirectoryTest : public PrivateStateTest {
  protected:
    // Every value of the directory key as (name, data), straight from the registry.
    static std::vector<std::pair<std::u16string, uint32_t>> DirectoryValues() {
        std::vector<std::pair<std::u16string, uint32_t>> values;
        platform::RegistryKey key;
        if (platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, kDirectoryKey, key) !=
            platform::kSuccess) {
            return values;
        }
        for (uint32_t index = 0;; ++index) {
            platform::RegistryValue value;
            const uint32_t result = key.EnumValue(index, 1024, 64, value);
            if (result == platform::kNoMoreItems) break;
            uint32_t data = 0;
            if (value.type == platform::kRegDword && value.data.size() == 4)
                std::memcpy(&data, value.data.data(), 4);
            values.emplace_back(value.name, data);
        }
        std::sort(values.begin(), values.end());
        return values;
    }

    static void WriteRawValue(const std::u16string& name, uint32_t data) {
        platform::RegistryKey key;
        ASSERT_EQ(
            platform::RegistryKey::Create(platform::RegistryRoot::CurrentUser, kDirectoryKey, key),
            platform::kSuccess);
        ASSERT_EQ(key.SetDword(name, data), platform::kSuccess);
    }

    using Values = std::vector<std::pair<std::u16string, uint32_t>>;
};

TEST_F(ConnectionDirectoryTest, AnAbsentKeyListsNothingAndTheFirstPublishCreatesIt) {
    LiveConnection connection;
    EXPECT_TRUE(connection.EnumerateConnections(0).empty());
    EXPECT_EQ(connection.Publish(), -1);  // nothing hosted
    EXPECT_EQ(connection.DeleteDirectoryEntry(kModelPath), -1);

    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    EXPECT_TRUE(DirectoryValues().empty());  // hosting alone does not publish
    EXPECT_EQ(connection.Publish(), 0);
    // Stored with its backslashes, looked up in the kernel namespace with slashes.
    EXPECT_EQ(DirectoryValues(), (Values{{kModelPath, 1}}));
    EXPECT_TRUE(connection.ConnectionExists(kModelPath));
    EXPECT_TRUE(RawSection(u"C:/Models/House.skp").IsOpen());
    EXPECT_EQ(connection.EnumerateConnections(0), std::vector<std::u16string>{kModelPath});

    connection.Stop();
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_TRUE(DirectoryValues().empty());
    EXPECT_FALSE(connection.ConnectionExists(kModelPath));
}

TEST_F(ConnectionDirectoryTest, PublishWritesOncePerHost) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    EXPECT_EQ(connection.Publish(), 0);
    ASSERT_EQ(connection.DeleteDirectoryEntry(kModelPath), 0);
    EXPECT_EQ(connection.Publish(), 0);
    EXPECT_TRUE(DirectoryValues().empty());

    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    EXPECT_EQ(connection.Publish(), 0);
    EXPECT_EQ(DirectoryValues(), (Values{{kModelPath, 1}}));
}

TEST_F(ConnectionDirectoryTest, APublishTheRegistryRefusedIsNotRetried) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    const std::string registry = getenv("TWINLINK_REGISTRY_ROOT");
    setenv("TWINLINK_REGISTRY_ROOT", UnusableFolder().c_str(), 1);
    EXPECT_EQ(connection.WriteDirectoryEntry(kModelPath), -1);
    EXPECT_EQ(connection.Publish(), 0);

    setenv("TWINLINK_REGISTRY_ROOT", registry.c_str(), 1);
    EXPECT_EQ(connection.Publish(), 0);
    EXPECT_TRUE(DirectoryValues().empty());
}

TEST_F(ConnectionDirectoryTest, EnumerationDeletesStaleEntriesAndKeepsTheDefaultValue) {
    WriteRawValue(u"D:\\Gone\\Crashed.skp", 1);
    WriteRawValue(u"", 1);
    LiveConnection live;
    ASSERT_EQ(live.Host(u"D:\\Live\\Open.skp", 8), 0);
    ASSERT_EQ(live.Publish(), 0);

    LiveConnection reader;
    EXPECT_EQ(reader.EnumerateConnections(0), std::vector<std::u16string>{u"D:\\Live\\Open.skp"});
    EXPECT_EQ(DirectoryValues(), (Values{{u"", 1}, {u"D:\\Live\\Open.skp", 1}}));
    EXPECT_EQ(reader.DeleteDirectoryEntry(u""), -1);
    EXPECT_EQ(reader.WriteDirectoryEntry(u""), -1);
    EXPECT_FALSE(reader.ConnectionExists(u""));
}

TEST_F(ConnectionDirectoryTest, AFilterAcceptsOnlyEntriesWithThatValue) {
    LiveConnection first;
    LiveConnection second;
    ASSERT_EQ(first.Host(u"D:\\One.skp", 8), 0);
    ASSERT_EQ(second.Host(u"D:\\Two.skp", 8), 0);
    WriteRawValue(u"D:\\One.skp", 1);
    WriteRawValue(u"D:\\Two.skp", 7);

    LiveConnection reader;
    EXPECT_EQ(reader.EnumerateConnections(7), std::vector<std::u16string>{u"D:\\Two.skp"});
    EXPECT_EQ(reader.EnumerateConnections(1), std::vector<std::u16string>{u"D:\\One.skp"});
    EXPECT_EQ(reader.EnumerateConnections(0).size(), 2u);
}

TEST_F(ConnectionDirectoryTest, HostSweepsStaleEntriesBeforeCreating) {
    WriteRawValue(u"D:\\Gone\\Crashed.skp", 1);
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    EXPECT_TRUE(DirectoryValues().empty());
}

TEST_F(ConnectionDirectoryTest, ASecondProcessHostingTheSameModelGetsMinusTwoAndHoldsNothing) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    ASSERT_EQ(connection.Publish(), 0);

    ChildProcess child([](const Pipe& pipe) {
        LiveConnection second;
        pipe.Send(static_cast<uint32_t>(second.Host(kModelPath, 8)));
        pipe.Send(second.IsOpen() || !second.GetName().empty() ? 1 : 0);
        pipe.Send(second.Publish() == -1 ? 1 : 0);
        return 0;
    });
    EXPECT_EQ(child.pipe().Receive(), static_cast<uint32_t>(-2));
    EXPECT_EQ(child.pipe().Receive(), 0u);
    EXPECT_EQ(child.pipe().Receive(), 1u);
    EXPECT_EQ(child.Wait(), 0);

    RawSection raw(u"C:/Models/House.skp");
    EXPECT_EQ(raw.U32(48), platform::GetCurrentProcessId());
    EXPECT_EQ(raw.U32(40), 3u);
    EXPECT_EQ(DirectoryValues(), (Values{{kModelPath, 1}}));
}

TEST_F(ConnectionDirectoryTest, ASlotCountBeyondA32BitSectionFailsAndLeavesNothing) {
    EXPECT_EQ(kMaxSlotCount, 2097150u);
    for (uint32_t slotCount : {2097151u, 0xFFFFFFFFu}) {
        LiveConnection connection;
        EXPECT_EQ(connection.Host(kModelPath, slotCount), -1);
        EXPECT_FALSE(connection.IsOpen());
        EXPECT_EQ(connection.Publish(), -1);
        EXPECT_FALSE(connection.ConnectionExists(kModelPath));
        EXPECT_TRUE(DirectoryValues().empty());
    }
}

TEST_F(ConnectionDirectoryTest, ASectionThatCannotBeCreatedFailsAndLeavesNothing) {
    LiveConnection connection;
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);  // closed by the failing Host below
    setenv("TWINLINK_SHM_DIR", UnusableFolder().c_str(), 1);
    EXPECT_EQ(connection.Host(u"C:\\Models\\Other.skp", 8), -1);
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(connection.GetName(), u"");
    EXPECT_EQ(connection.Publish(), -1);
    EXPECT_TRUE(DirectoryValues().empty());

    setenv("TWINLINK_SHM_DIR", (root / "shm").c_str(), 1);
    EXPECT_FALSE(connection.ConnectionExists(kModelPath));
}

}  // namespace

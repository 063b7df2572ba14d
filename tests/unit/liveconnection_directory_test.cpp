// The directory of live connections and the ways Host can fail without leaving anything behind.
#include "liveconnection_test_support.h"

namespace {

using namespace TwinLinkAPI;
using namespace liveconnection_test;

void WriteRawValue(const std::u16string& name, uint32_t data) {
    platform::RegistryKey key;
    ASSERT_EQ(
        platform::RegistryKey::Create(platform::RegistryRoot::CurrentUser, kDirectoryKeyPath, key),
        platform::kSuccess);
    ASSERT_EQ(key.SetDword(name, data), platform::kSuccess);
}

using ConnectionDirectoryTest = PrivateStateTest;

TEST_F(ConnectionDirectoryTest, AnAbsentKeyListsNothingAndEveryHostPublishesOnce) {
    LiveConnection connection;
    EXPECT_TRUE(connection.EnumerateConnections(0).empty());
    EXPECT_EQ(connection.Publish(), -1);  // nothing hosted
    EXPECT_EQ(connection.DeleteDirectoryEntry(kModelPath), -1);

    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    EXPECT_TRUE(DirectoryValues().empty());  // hosting alone does not publish
    EXPECT_EQ(connection.Publish(), 0);
    // Stored with its backslashes, looked up in the kernel namespace with slashes.
    EXPECT_EQ(DirectoryValues(), (DirectoryValueList{{kModelPath, 1}}));
    EXPECT_TRUE(connection.ConnectionExists(kModelPath));
    EXPECT_TRUE(RawSection(kSectionName).IsOpen());
    EXPECT_EQ(connection.EnumerateConnections(0), std::vector<std::u16string>{kModelPath});

    // Publish writes once per Host.
    ASSERT_EQ(connection.DeleteDirectoryEntry(kModelPath), 0);
    EXPECT_EQ(connection.Publish(), 0);
    EXPECT_TRUE(DirectoryValues().empty());
    ASSERT_EQ(connection.Host(kModelPath, 8), 0);
    EXPECT_EQ(connection.Publish(), 0);
    EXPECT_EQ(DirectoryValues(), (DirectoryValueList{{kModelPath, 1}}));

    connection.Stop();
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_TRUE(DirectoryValues().empty());
    EXPECT_FALSE(connection.ConnectionExists(kModelPath));
}

#ifndef _WIN32
// The registry is refused through the POSIX stand-in's folder.
using HostedDirectoryTest = HostedTest;

TEST_F(HostedDirectoryTest, APublishTheRegistryRefusedIsNotRetried) {
    const std::string registry = getenv("TWINLINK_REGISTRY_ROOT");
    setenv("TWINLINK_REGISTRY_ROOT", UnusableFolder().c_str(), 1);
    EXPECT_EQ(connection.WriteDirectoryEntry(kModelPath), -1);
    EXPECT_EQ(connection.Publish(), 0);

    setenv("TWINLINK_REGISTRY_ROOT", registry.c_str(), 1);
    EXPECT_EQ(connection.Publish(), 0);
    EXPECT_TRUE(DirectoryValues().empty());
}
#endif

TEST_F(ConnectionDirectoryTest, HostAndEnumerationDeleteStaleEntriesSkipTheDefaultValueAndFilter) {
    WriteRawValue(u"D:\\Gone\\Crashed.skp", 1);
    WriteRawValue(u"", 1);
    LiveConnection one, two;
    ASSERT_EQ(one.Host(u"D:\\One.skp", 8), 0);
    EXPECT_EQ(DirectoryValues(), (DirectoryValueList{{u"", 1}}));
    ASSERT_EQ(one.Publish(), 0);
    ASSERT_EQ(two.Host(u"D:\\Two.skp", 8), 0);
    WriteRawValue(u"D:\\Two.skp", 7);
    WriteRawValue(u"D:\\Gone\\Later.skp", 1);

    LiveConnection reader;
    EXPECT_EQ(reader.EnumerateConnections(0).size(), 2u);
    EXPECT_EQ(DirectoryValues(), (DirectoryValueList{{u"", 1}, {u"D:\\One.skp", 1}, {u"D:\\Two.skp", 7}}));
    // A filter accepts only the entries with that value.
    EXPECT_EQ(reader.EnumerateConnections(7), std::vector<std::u16string>{u"D:\\Two.skp"});
    EXPECT_EQ(reader.EnumerateConnections(1), std::vector<std::u16string>{u"D:\\One.skp"});
    EXPECT_EQ(reader.DeleteDirectoryEntry(u""), -1);
    EXPECT_EQ(reader.WriteDirectoryEntry(u""), -1);
    EXPECT_FALSE(reader.ConnectionExists(u""));
}

TEST_F(ConnectionDirectoryTest, AHostThatFailsIsClosedAndLeavesNothing) {
    LiveConnection connection;
    const auto expectNothingLeft = [&] {
        EXPECT_FALSE(connection.IsOpen());
        EXPECT_EQ(connection.GetName(), u"");
        EXPECT_EQ(connection.Publish(), -1);
        EXPECT_TRUE(DirectoryValues().empty());
        EXPECT_FALSE(connection.ConnectionExists(kModelPath));
    };
    // (slots + 1) * 2048 bytes must fit in 32 bits.
    for (uint32_t slotCount : {2097151u, 0xFFFFFFFFu}) {
        EXPECT_EQ(connection.Host(kModelPath, slotCount), -1);
        expectNothingLeft();
    }

    ASSERT_EQ(connection.Host(kModelPath, 8), 0);  // closed by the failing Host below
#ifdef _WIN32
    // A name that another kind of object holds cannot name a section.
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, L"C:/Models/Other.skp");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(connection.Host(u"C:\\Models\\Other.skp", 8), -1);
    CloseHandle(event);
#else
    setenv("TWINLINK_SHM_DIR", UnusableFolder().c_str(), 1);
    EXPECT_EQ(connection.Host(u"C:\\Models\\Other.skp", 8), -1);
    setenv("TWINLINK_SHM_DIR", shm_.c_str(), 1);
#endif
    expectNothingLeft();
}

}  // namespace

// Two processes on one link: a host in a process of its own (link-host) that stops normally or
// is ended from outside, and a second host of a model that is already linked.
#include "child_process.h"
#include "liveconnection_test_support.h"

namespace {

using namespace TwinLinkAPI;
using namespace liveconnection_test;
using test_support::ChildProcess;

constexpr char kModel[] = "C:\\Models\\House.skp";
const std::string kHostedLine = R"({"host":0,"open":true,"name":"C:\\Models\\House.skp","publish":0})";

class LinkProcessesTest : public PrivateStateTest {
  protected:
    std::filesystem::path ErrorFile() const { return root / "link-host-stderr.txt"; }
};

TEST_F(LinkProcessesTest, ASecondHostOfALinkedModelGetsMinusTwoAndHoldsNothing) {
    LiveConnection first;
    ASSERT_EQ(first.Host(kModelPath, 8), 0);
    ASSERT_EQ(first.Publish(), 0);

    ChildProcess second(LINK_HOST_EXECUTABLE, {kModel}, ErrorFile());
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.ReadLine(), R"({"host":-2,"open":false,"name":"","publish":-1})");
    EXPECT_EQ(second.Wait(), 0);

    // The first host keeps the link as it was.
    RawSection raw(kSectionName);
    ASSERT_TRUE(raw.IsOpen());
    EXPECT_EQ(raw.U32(48), platform::GetCurrentProcessId());
    EXPECT_EQ(DirectoryValues(), (DirectoryValueList{{kModelPath, 1}}));
    EXPECT_TRUE(first.IsOpen());
}

TEST_F(LinkProcessesTest, AHostThatStopsTakesItsEntryAndSectionAway) {
    ChildProcess host(LINK_HOST_EXECUTABLE, {kModel}, ErrorFile());
    ASSERT_EQ(host.ReadLine(), kHostedLine);
    EXPECT_EQ(DirectoryValues(), (DirectoryValueList{{kModelPath, 1}}));
    LiveConnection reader;
    EXPECT_EQ(reader.EnumerateConnections(0), std::vector<std::u16string>{kModelPath});

    host.CloseInput();
    EXPECT_EQ(host.ReadLine(), R"({"stopped":true})");
    EXPECT_EQ(host.Wait(), 0);
    EXPECT_TRUE(DirectoryValues().empty());
    EXPECT_FALSE(RawSection(kSectionName).IsOpen());
}

// A host that crashed or was ended from outside cleans nothing up: its entry stays until the next
// enumeration finds that nobody holds the section any more.
TEST_F(LinkProcessesTest, AHostEndedFromOutsideLeavesAStaleEntryThatTheNextEnumerationRemoves) {
    ChildProcess host(LINK_HOST_EXECUTABLE, {kModel}, ErrorFile());
    ASSERT_EQ(host.ReadLine(), kHostedLine);
    host.Kill();
    EXPECT_EQ(host.Wait(), -1);

    EXPECT_EQ(DirectoryValues(), (DirectoryValueList{{kModelPath, 1}}));
    LiveConnection reader;
    EXPECT_TRUE(reader.EnumerateConnections(0).empty());
    EXPECT_TRUE(DirectoryValues().empty());
    // The model can be linked again at once.
    LiveConnection again;
    EXPECT_EQ(again.Host(kModelPath, 8), 0);
}

}  // namespace

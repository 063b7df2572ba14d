// Named shared memory across processes: Windows' lifetime (a name exists while someone holds
// it, a crash releases it), CreateFileMappingW's already-exists answer, shared bytes.
#include <algorithm>
#include <vector>

#include "platform_sandbox.h"
#include "twinlink/platform.h"

namespace twinlink::platform {
namespace {

using testing::Channel;
using testing::FileBytes;
using testing::KillChild;
using testing::ModeOf;
using testing::RunChild;
using testing::WaitChild;

class FileMappingTest : public testing::PlatformSandbox {};

TEST_F(FileMappingTest, NewSectionIsZeroFilledSizedAndNamedByTheEncoding) {
    bool existed = true;
    const MappingHandle handle = CreateFileMapping(u"D:/Models/House.skp", 5000, &existed);
    ASSERT_NE(handle, 0) << LastErrorText();
    EXPECT_FALSE(existed);
    EXPECT_EQ(MappingSize(handle), 5000u);
    const std::string file = shm_ + "/D%3A%2FModels%2FHouse.skp";
    EXPECT_EQ(FileBytes(file), std::string(5000, '\0'));
    EXPECT_EQ(ModeOf(file), 0600u);
    EXPECT_EQ(ModeOf(shm_), 0700u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(shm_), {}),
              1);  // nothing else left

    auto* view = static_cast<uint8_t*>(MapViewOfFile(handle));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(std::all_of(view, view + 5000, [](uint8_t b) { return b == 0; }));
    view[0] = 0x5A;
    view[4999] = 0xA5;

    const MappingHandle second = OpenFileMapping(u"D:/Models/House.skp");
    ASSERT_NE(second, 0);
    auto* other = static_cast<uint8_t*>(MapViewOfFile(second));
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, view);
    EXPECT_EQ(other[0], 0x5A);
    EXPECT_EQ(other[4999], 0xA5);
    EXPECT_EQ(OpenFileMapping(u"D:/Models/house.skp"), 0);  // names are case-sensitive

    UnmapViewOfFile(other);
    UnmapViewOfFile(view);
    CloseHandle(second);
    CloseHandle(handle);
    EXPECT_EQ(OpenFileMapping(u"D:/Models/House.skp"), 0);
    EXPECT_EQ(LastErrorText(), "no section named D:/Models/House.skp");
}

TEST_F(FileMappingTest, SecondCreatorGetsTheExistingSectionAndBothSeeTheSameBytes) {
    Channel toParent, toChild;
    const pid_t child = RunChild([&] {
        bool existed = true;
        const MappingHandle handle =
            CreateFileMapping(u"TwinLinkAPI/4242/0000001A", 4096, &existed);
        auto* view = static_cast<uint8_t*>(MapViewOfFile(handle));
        if (!handle || existed || !view) return 1;
        std::memcpy(view, "from child", 10);
        toParent.Send('r');
        if (toChild.Receive<char>() != 'w') return 2;
        const bool replied = std::memcmp(view + 100, "from parent", 11) == 0;
        UnmapViewOfFile(view);
        CloseHandle(handle);
        return replied ? 0 : 3;
    });
    ASSERT_EQ(toParent.Receive<char>(), 'r');
    EXPECT_TRUE(std::filesystem::exists(shm_ + "/TwinLinkAPI%2F4242%2F0000001A"));

    bool existed = false;
    const MappingHandle handle = CreateFileMapping(u"TwinLinkAPI/4242/0000001A", 8192, &existed);
    ASSERT_NE(handle, 0) << LastErrorText();
    EXPECT_TRUE(existed);
    EXPECT_EQ(MappingSize(handle), 4096u);  // the size it was made with
    auto* view = static_cast<char*>(MapViewOfFile(handle));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(std::string(view, 10), "from child");
    std::memcpy(view + 100, "from parent", 11);
    toChild.Send('w');
    EXPECT_EQ(WaitChild(child), 0);

    // The child has closed; this process still holds the section, so the name lives on.
    const MappingHandle reopened = OpenFileMapping(u"TwinLinkAPI/4242/0000001A");
    EXPECT_NE(reopened, 0);
    CloseHandle(reopened);
    UnmapViewOfFile(view);
    CloseHandle(handle);
    EXPECT_EQ(OpenFileMapping(u"TwinLinkAPI/4242/0000001A"), 0);
}

TEST_F(FileMappingTest, AHolderKilledWithSigkillLeavesTheNameAbsent) {
    for (const bool nextOneCreates : {false, true}) {
        Channel ready;
        const pid_t holder = RunChild([&] {
            const MappingHandle handle = CreateFileMapping(u"C:/Work/Tower.skp", 4096, nullptr);
            auto* view = static_cast<uint8_t*>(MapViewOfFile(handle));
            if (!view) return 1;
            std::memset(view, 0xEE, 4096);
            ready.Send('r');
            for (;;) pause();
        });
        ASSERT_EQ(ready.Receive<char>(), 'r');
        const MappingHandle probe = OpenFileMapping(u"C:/Work/Tower.skp");
        ASSERT_NE(probe, 0);
        CloseHandle(probe);
        KillChild(holder);

        if (nextOneCreates) {
            bool existed = true;
            const MappingHandle handle = CreateFileMapping(u"C:/Work/Tower.skp", 4096, &existed);
            ASSERT_NE(handle, 0);
            EXPECT_FALSE(existed);
            auto* view = static_cast<uint8_t*>(MapViewOfFile(handle));
            ASSERT_NE(view, nullptr);
            EXPECT_TRUE(
                std::all_of(view, view + 4096, [](uint8_t b) { return b == 0; }));  // a new section
            UnmapViewOfFile(view);
            CloseHandle(handle);
        } else {
            EXPECT_EQ(OpenFileMapping(u"C:/Work/Tower.skp"), 0);
            EXPECT_FALSE(
                std::filesystem::exists(shm_ + "/C%3A%2FWork%2FTower.skp"));  // removed when met
        }
    }
}

TEST_F(FileMappingTest, CreatorsRacingForOneNameMakeExactlyOneSection) {
    constexpr int kCreators = 6;
    Channel results, go, done;
    std::vector<pid_t> children;
    for (int i = 0; i < kCreators; ++i) {
        children.push_back(RunChild([&] {
            if (go.Receive<char>() != 'g') return 1;
            bool existed = false;
            const MappingHandle handle = CreateFileMapping(u"TwinLinkAPI/race", 65536, &existed);
            auto* view = static_cast<uint32_t*>(MapViewOfFile(handle));
            if (!view) return 2;
            __atomic_fetch_add(view, 1, __ATOMIC_SEQ_CST);
            results.Send(existed ? 'e' : 'n');
            // Hold on until everyone has counted, so no one can see the section vanish.
            return done.Receive<char>() == 'd' ? 0 : 3;
        }));
    }
    for (int i = 0; i < kCreators; ++i) go.Send('g');
    std::string answers;
    for (int i = 0; i < kCreators; ++i) answers += results.Receive<char>().value_or('?');
    std::sort(answers.begin(), answers.end());
    EXPECT_EQ(answers, "eeeeen");

    const MappingHandle handle = OpenFileMapping(u"TwinLinkAPI/race");
    ASSERT_NE(handle, 0);
    auto* view = static_cast<uint32_t*>(MapViewOfFile(handle));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(*view, static_cast<uint32_t>(kCreators));  // all of them wrote into one section
    UnmapViewOfFile(view);
    CloseHandle(handle);
    for (int i = 0; i < kCreators; ++i) done.Send('d');
    for (const pid_t child : children) EXPECT_EQ(WaitChild(child), 0);
}

TEST_F(FileMappingTest, AViewKeepsTheSectionAfterItsHandleIsClosed) {
    const MappingHandle handle = CreateFileMapping(u"TwinLinkAPI/1/00000001", 100, nullptr);
    ASSERT_NE(handle, 0);
    void* view = MapViewOfFile(handle);
    ASSERT_NE(view, nullptr);
    CloseHandle(handle);
    CloseHandle(handle);  // twice: ignored
    EXPECT_EQ(MapViewOfFile(handle), nullptr);
    EXPECT_EQ(MappingSize(handle), 0u);
    const MappingHandle again = OpenFileMapping(u"TwinLinkAPI/1/00000001");
    EXPECT_NE(again, 0);
    CloseHandle(again);
    UnmapViewOfFile(view);
    EXPECT_EQ(OpenFileMapping(u"TwinLinkAPI/1/00000001"), 0);
}

TEST_F(FileMappingTest, LongNamesAndInvalidRequests) {
    // Past 255 bytes a name is shortened to a prefix, '~' and a digest of all of it.
    const std::u16string base = u"E:/" + std::u16string(280, u'm');
    const MappingHandle first = CreateFileMapping(base + u"1.skp", 64, nullptr);
    const MappingHandle second = CreateFileMapping(base + u"2.skp", 64, nullptr);
    ASSERT_NE(first, 0) << LastErrorText();
    ASSERT_NE(second, 0) << LastErrorText();
    auto* a = static_cast<char*>(MapViewOfFile(first));
    auto* b = static_cast<char*>(MapViewOfFile(second));
    a[0] = 'a';
    EXPECT_EQ(b[0], 0);  // two sections, not one
    for (const auto& entry : std::filesystem::directory_iterator(shm_)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.size(), 255u);
        EXPECT_EQ(name.substr(0, 12), "E%3A%2Fmmmmm");
        EXPECT_EQ(name[222], '~');
    }
    UnmapViewOfFile(a);
    UnmapViewOfFile(b);
    CloseHandle(first);
    CloseHandle(second);

    bool existed = true;
    EXPECT_EQ(CreateFileMapping(u"", 64, &existed), 0);
    EXPECT_FALSE(existed);
    EXPECT_EQ(CreateFileMapping(u"zero", 0, nullptr), 0);
    EXPECT_EQ(LastErrorText(), "a section needs a size");
    EXPECT_EQ(OpenFileMapping(u""), 0);
    EXPECT_EQ(MapViewOfFile(12345), nullptr);
}

}  // namespace
}  // namespace twinlink::platform

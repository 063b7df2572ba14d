// Named shared memory across processes: Windows' lifetime (a name exists while someone holds
// it, a crash releases it), CreateFileMappingW's already-exists answer, sizes in whole pages,
// shared bytes.
#include <algorithm>
#include <vector>

#include "platform_sandbox.h"
#include "twinlink/platform.h"

namespace twinlink::platform {
namespace {

using namespace testing;

#ifndef _WIN32
// Sections left in this folder: the file names.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#endif

class FileMappingTest : public testing::PlatformSandbox {};

TEST_F(FileMappingTest, NewSectionIsZeroFilledSizedNamedByTheEncodingAndSharedByName) {
    bool existed = true;
    const MappingHandle handle = CreateFileMapping(u"D:/Models/House.skp", 5000, &existed);
    ASSERT_NE(handle, 0) << LastErrorText();
    EXPECT_FALSE(existed);
    EXPECT_EQ(MappingSize(handle), 8192u);  // whole pages
#ifndef _WIN32
    const std::string file = shm_ + "/D%3A%2FModels%2FHouse.skp";
    EXPECT_EQ(FileBytes(file), std::string(8192, '\0'));
    EXPECT_EQ(ModeOf(file), 0600u);
    EXPECT_EQ(FilesIn(shm_).size(), 1u);  // nothing else left
#endif

    auto* view = static_cast<uint8_t*>(MapViewOfFile(handle));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(std::all_of(view, view + 8192, [](uint8_t b) { return b == 0; }));
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
    // Creating it again gives the section as it was made, and says it existed.
    const MappingHandle third = CreateFileMapping(u"D:/Models/House.skp", 8192, &existed);
    EXPECT_TRUE(existed);
    EXPECT_EQ(MappingSize(third), 8192u);
    const MappingHandle larger = CreateFileMapping(u"D:/Models/House.skp", 20000, &existed);
    EXPECT_TRUE(existed);
    EXPECT_EQ(MappingSize(larger), 8192u);  // the section as it was made, not larger
    CloseHandle(larger);
    CloseHandle(third);

    UnmapViewOfFile(other);
    UnmapViewOfFile(view);
    CloseHandle(second);
    CloseHandle(handle);
    EXPECT_EQ(OpenFileMapping(u"D:/Models/House.skp"), 0);
    EXPECT_EQ(LastErrorText(), "no section named D:/Models/House.skp");
}

#ifndef _WIN32
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

#endif

// The name goes with the last handle, as Windows' object names do; a view keeps the memory.
TEST_F(FileMappingTest, TheNameGoesWithTheLastHandleWhileAViewKeepsTheMemory) {
    const MappingHandle handle = CreateFileMapping(u"TwinLinkAPI/8/00000003", 4096, nullptr);
    ASSERT_NE(handle, 0) << LastErrorText();
    auto* view = static_cast<uint8_t*>(MapViewOfFile(handle));
    ASSERT_NE(view, nullptr);
    const MappingHandle again = OpenFileMapping(u"TwinLinkAPI/8/00000003");
    ASSERT_NE(again, 0);
    auto* other = static_cast<uint8_t*>(MapViewOfFile(again));
    ASSERT_NE(other, nullptr);
    view[100] = 0x7E;
    EXPECT_EQ(other[100], 0x7E);
    CloseHandle(again);
    CloseHandle(handle);
    CloseHandle(handle);  // twice: ignored
    EXPECT_EQ(MapViewOfFile(handle), nullptr);
    EXPECT_EQ(MappingSize(handle), 0u);
    EXPECT_EQ(OpenFileMapping(u"TwinLinkAPI/8/00000003"), 0);
    EXPECT_EQ(LastErrorText(), "no section named TwinLinkAPI/8/00000003");
    other[101] = 0x5D;  // both views still share the memory
    EXPECT_EQ(view[101], 0x5D);
    UnmapViewOfFile(other);
    UnmapViewOfFile(view);
    UnmapViewOfFile(view);  // twice: ignored
}

#ifdef _WIN32
// The child holds the section named by its argument until it is killed.
TEST(ChildRoles, DISABLED_HoldSection) {
    const std::u16string name = Utf8ToUtf16(RoleArgument());
    auto* view = static_cast<uint8_t*>(MapViewOfFile(CreateFileMapping(name, 4096, nullptr)));
    ASSERT_NE(view, nullptr);
    view[0] = 0xC1;
    TellTestReady();
    StayWhileTheTestRuns();
}

TEST_F(FileMappingTest, TheLastProcessToLetGoRemovesTheSectionAndAKilledOneLetsGo) {
    RoleProcess child("HoldSection", "TwinLinkAPI/7/00000002");
    ASSERT_TRUE(child.ready) << child.before;
    const MappingHandle handle = OpenFileMapping(u"TwinLinkAPI/7/00000002");
    ASSERT_NE(handle, 0) << LastErrorText();
    auto* view = static_cast<uint8_t*>(MapViewOfFile(handle));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view[0], 0xC1);
    UnmapViewOfFile(view);
    CloseHandle(handle);
    const MappingHandle still = OpenFileMapping(u"TwinLinkAPI/7/00000002");
    EXPECT_NE(still, 0) << "the child still holds it";
    CloseHandle(still);
    child.Kill();
    child.Wait();
    EXPECT_EQ(OpenFileMapping(u"TwinLinkAPI/7/00000002"), 0);
    EXPECT_EQ(LastErrorText(), "no section named TwinLinkAPI/7/00000002");
    // Made again, it is a new section, zero-filled.
    bool existed = true;
    const MappingHandle fresh = CreateFileMapping(u"TwinLinkAPI/7/00000002", 4096, &existed);
    EXPECT_FALSE(existed);
    auto* bytes = static_cast<uint8_t*>(MapViewOfFile(fresh));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[0], 0);
    UnmapViewOfFile(bytes);
    CloseHandle(fresh);
}
#else
TEST_F(FileMappingTest, TheLastProcessToCloseAHandleRemovesTheSectionThoughViewsRemain) {
    const std::string file = shm_ + "/TwinLinkAPI%2F7%2F00000002";
    Channel opened, closeNow, closed;
    const pid_t child = RunChild([&] {
        const MappingHandle own = CreateFileMapping(u"TwinLinkAPI/7/00000002", 4096, nullptr);
        auto* bytes = static_cast<uint8_t*>(MapViewOfFile(own));
        if (bytes == nullptr) return 1;
        bytes[0] = 0xC1;
        opened.Send('o');
        if (closeNow.Receive<char>() != 'c') return 2;
        CloseHandle(own);  // its view stays
        closed.Send('x');
        return closeNow.Receive<char>() == 'e' ? 0 : 3;
    });
    ASSERT_EQ(opened.Receive<char>(), 'o');
    const MappingHandle handle = OpenFileMapping(u"TwinLinkAPI/7/00000002");
    ASSERT_NE(handle, 0) << LastErrorText();
    auto* view = static_cast<uint8_t*>(MapViewOfFile(handle));
    ASSERT_NE(view, nullptr);
    CloseHandle(handle);
    EXPECT_TRUE(std::filesystem::exists(file)) << "the child still holds it";
    closeNow.Send('c');
    ASSERT_EQ(closed.Receive<char>(), 'x');
    EXPECT_TRUE(FilesIn(shm_).empty());
    EXPECT_EQ(OpenFileMapping(u"TwinLinkAPI/7/00000002"), 0);
    EXPECT_EQ(view[0], 0xC1);  // the memory stays while it is mapped
    UnmapViewOfFile(view);
    closeNow.Send('e');
    EXPECT_EQ(WaitChild(child), 0);
}

TEST_F(FileMappingTest, ACrashedHoldersSectionsAreSweptAtFirstUseAndWhenOneOfThemIsMet) {
    // The crashed process held a main section and two data sections, as a host does.
    const auto crash = [&](std::vector<std::string> left) {
        Channel ready;
        const pid_t holder = RunChild([&] {
            for (const char16_t* name :
                 {u"C:/Work/Tower.skp", u"TwinLinkAPI/99/00000001", u"TwinLinkAPI/99/00000002"}) {
                void* view = MapViewOfFile(CreateFileMapping(name, 4096, nullptr));
                if (view == nullptr) return 1;
                std::memset(view, 0xEE, 4096);
            }
            ready.Send('r');
            for (;;) pause();
        });
        ASSERT_EQ(ready.Receive<char>(), 'r');
        KillChild(holder);
        left.insert(left.end(), {"C%3A%2FWork%2FTower.skp", "TwinLinkAPI%2F99%2F00000001",
                                 "TwinLinkAPI%2F99%2F00000002"});
        std::sort(left.begin(), left.end());
        EXPECT_EQ(FilesIn(shm_), left);  // a crash removes nothing
    };

    // This process has not used the folder yet: its first section call sweeps it.
    crash({});
    const MappingHandle held = CreateFileMapping(u"TwinLinkAPI/5/00000001", 64, nullptr);
    ASSERT_NE(held, 0) << LastErrorText();
    EXPECT_EQ(FilesIn(shm_), std::vector<std::string>{"TwinLinkAPI%2F5%2F00000001"});

    // Later, meeting one stale file sweeps them all, and a section that someone holds stays.
    // Creating a crashed holder's name makes a new, zero-filled section.
    crash({"TwinLinkAPI%2F5%2F00000001"});
    bool existed = true;
    const MappingHandle handle = CreateFileMapping(u"C:/Work/Tower.skp", 4096, &existed);
    ASSERT_NE(handle, 0);
    EXPECT_FALSE(existed);
    EXPECT_EQ(FilesIn(shm_),
              std::vector<std::string>({"C%3A%2FWork%2FTower.skp", "TwinLinkAPI%2F5%2F00000001"}));
    auto* view = static_cast<uint8_t*>(MapViewOfFile(handle));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(std::all_of(view, view + 4096, [](uint8_t b) { return b == 0; }));
    UnmapViewOfFile(view);
    CloseHandle(handle);
    CloseHandle(held);
}

#endif

TEST_F(FileMappingTest, NamesOfMaxPathUnitsOrMoreAreRefusedAsOnWindows) {
    // 259 units is the longest name; past 255 bytes its file name is a prefix, '~' and a digest
    // of all of it.
    const std::u16string base = u"E:/" + std::u16string(250, u'm') + u"\u00fc";
    const MappingHandle first = CreateFileMapping(base + u"1.skp", 64, nullptr);
    const MappingHandle second = CreateFileMapping(base + u"2.skp", 64, nullptr);
    ASSERT_NE(first, 0) << LastErrorText();
    ASSERT_NE(second, 0) << LastErrorText();
    auto* a = static_cast<char*>(MapViewOfFile(first));
    auto* b = static_cast<char*>(MapViewOfFile(second));
    a[0] = 'a';
    EXPECT_EQ(b[0], 0);  // two sections, not one
#ifndef _WIN32
    const std::vector<std::string> files = FilesIn(shm_);
    ASSERT_EQ(files.size(), 2u);
    for (const std::string& name : files) {
        EXPECT_EQ(name.size(), 255u);
        EXPECT_EQ(name.substr(0, 12), "E%3A%2Fmmmmm");
        EXPECT_EQ(name[222], '~');
    }
#endif
    const MappingHandle reopened = OpenFileMapping(base + u"2.skp");
    EXPECT_NE(reopened, 0);
    CloseHandle(reopened);

    // 260 units, also when the 260th is the second half of a surrogate pair.
    const std::string tooLong = "a section name may hold at most 259 UTF-16 units; this one holds ";
    for (const std::u16string& name :
         {u"E:/" + std::u16string(257, u'm'), u"E:/" + std::u16string(255, u'm') + u"\U0001F3E0"}) {
        ASSERT_EQ(name.size(), 260u);
        bool existed = true;
        EXPECT_EQ(CreateFileMapping(name, 64, &existed), 0);
        EXPECT_FALSE(existed);
        EXPECT_EQ(LastErrorText(), tooLong + "260");
        EXPECT_EQ(OpenFileMapping(name), 0);
        EXPECT_EQ(LastErrorText(), tooLong + "260");
    }
#ifndef _WIN32
    EXPECT_EQ(FilesIn(shm_).size(), 2u);  // nothing made for the refused names
#endif

    UnmapViewOfFile(a);
    UnmapViewOfFile(b);
    CloseHandle(first);
    CloseHandle(second);

    bool existed = true;
    EXPECT_EQ(CreateFileMapping(u"", 64, &existed), 0);
    EXPECT_FALSE(existed);
    EXPECT_EQ(LastErrorText(), "a section needs a name");
    EXPECT_EQ(CreateFileMapping(u"zero", 0, nullptr), 0);
    EXPECT_EQ(LastErrorText(), "a section needs a size");
    EXPECT_EQ(OpenFileMapping(u""), 0);
    EXPECT_EQ(MapViewOfFile(12345), nullptr);
}

}  // namespace
}  // namespace twinlink::platform

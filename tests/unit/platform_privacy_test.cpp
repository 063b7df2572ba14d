// Everything the layer creates is the user's own, and a folder planted in its place (open to
// others, someone else's, a symbolic link) is refused with a clear reason instead of used.
// POSIX only: on Windows the registry, the session's named objects and the windows are the
// user's own by the system's design, with no folder anyone could plant.
#include "platform_sandbox.h"
#include "twinlink/platform.h"

#ifndef _WIN32
#include <sys/stat.h>

namespace twinlink::platform {
namespace {

using namespace testing;

enum class Place { Registry, SharedMemory, Runtime };
enum class Plant { OpenToGroup, OpenToOthers, OtherOwner, SymbolicLink, PlainFile };

class PrivacyTest : public testing::PlatformSandbox,
                    public ::testing::WithParamInterface<std::tuple<Place, Plant>> {
  protected:
    std::string FolderOf(Place place) const {
        return place == Place::Registry       ? registry_
               : place == Place::SharedMemory ? shm_
                                              : runtime_;
    }

    // Uses the place the way the plug-in does; false with the layer's reason when refused.
    static bool Use(Place place, std::string& reason) {
        switch (place) {
            case Place::Registry: {
                RegistryKey key;
                const uint32_t code =
                    RegistryKey::Create(RegistryRoot::CurrentUser, u"Software\\Qentra", key);
                reason = LastErrorText();
                EXPECT_TRUE(code == kSuccess || code == kAccessDenied) << code;
                EXPECT_EQ(code == kSuccess, key.IsOpen());
                RegistryKey opened;
                EXPECT_EQ(RegistryKey::Open(RegistryRoot::CurrentUser, u"Software\\Qentra", opened),
                          code);
                return code == kSuccess;
            }
            case Place::SharedMemory: {
                const MappingHandle handle =
                    CreateFileMapping(u"D:/Models/House.skp", 4096, nullptr);
                reason = LastErrorText();
                const MappingHandle opened = OpenFileMapping(u"D:/Models/House.skp");
                EXPECT_EQ(opened != 0, handle != 0);
                if (opened == 0) {
                    EXPECT_EQ(LastErrorText(), reason);
                }
                CloseHandle(opened);
                CloseHandle(handle);
                return handle != 0;
            }
            case Place::Runtime: {
                OwnWindow window;
                std::string error;
                const bool created =
                    window.Create(u"KorvanSTARTWindow", u"Korvan 8.3", true, 0, &error);
                reason = LastErrorText();
                EXPECT_EQ(error, created ? "" : reason);
                EXPECT_EQ(EnumWindows().size(), created ? 1u : 0u);
                return created;
            }
        }
        return false;
    }
};

TEST_P(PrivacyTest, APlantedFolderIsRefusedWithItsReason) {
    const auto [place, plant] = GetParam();
    const std::string folder = FolderOf(place);
    std::string reason;
    switch (plant) {
        case Plant::OpenToGroup:
        case Plant::OpenToOthers:  // but not to the group
            ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
            ASSERT_EQ(chmod(folder.c_str(), plant == Plant::OpenToGroup ? 0750 : 0705), 0);
            reason = std::string("it is open to other users (mode ") +
                     (plant == Plant::OpenToGroup ? "0750)" : "0705)");
            break;
        case Plant::OtherOwner:
            if (geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
            ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
            ASSERT_EQ(chown(folder.c_str(), 12345, 12345), 0);
            reason = "it belongs to user 12345, not to user 0";
            break;
        case Plant::SymbolicLink:
            ASSERT_EQ(mkdir((base_ + "/target").c_str(), 0700), 0);
            ASSERT_EQ(symlink((base_ + "/target").c_str(), folder.c_str()), 0);
            reason = "it is a symbolic link";
            break;
        case Plant::PlainFile:
            std::ofstream(folder) << "x";
            reason = "it is not a folder";
            break;
    }
    std::string why;
    EXPECT_FALSE(Use(place, why));
    EXPECT_EQ(why, "refusing the folder " + folder + ": " + reason);
    // Refused means untouched: nothing was created inside.
    if (plant == Plant::SymbolicLink) {
        EXPECT_TRUE(std::filesystem::is_empty(base_ + "/target"));
    }

    // The user's own folder in its place works.
    std::filesystem::remove_all(folder);
    EXPECT_TRUE(Use(place, why)) << why;
    EXPECT_EQ(ModeOf(folder), 0700u);
}

INSTANTIATE_TEST_SUITE_P(
    AllPlaces, PrivacyTest,
    ::testing::Combine(::testing::Values(Place::Registry, Place::SharedMemory, Place::Runtime),
                       ::testing::Values(Plant::OpenToGroup, Plant::OpenToOthers, Plant::OtherOwner,
                                         Plant::SymbolicLink, Plant::PlainFile)));

class PrivateCreationTest : public testing::PlatformSandbox {};

TEST_F(PrivateCreationTest, FoldersAre0700AndFiles0600WhateverTheUmask) {
    const mode_t saved = umask(0777);
    RegistryKey key;
    const uint32_t created =
        RegistryKey::Create(RegistryRoot::CurrentUser, u"Software\\Qentra", key);
    const uint32_t written = key.SetDword(u"v", 1);
    const MappingHandle section = CreateFileMapping(u"s", 10, nullptr);
    OwnWindow window;
    const bool published = window.Create(u"c", u"t", true, 0);
    umask(saved);
    ASSERT_EQ(created, kSuccess);
    ASSERT_EQ(written, kSuccess);
    ASSERT_NE(section, 0);
    ASSERT_TRUE(published);
    CloseHandle(section);

    for (const std::string& folder :
         {registry_, registry_ + "/HKEY_CURRENT_USER", registry_ + "/HKEY_CURRENT_USER/Software",
          registry_ + "/HKEY_CURRENT_USER/Software/Qentra", shm_, runtime_}) {
        EXPECT_EQ(ModeOf(folder), 0700u) << folder;
    }
    EXPECT_EQ(ModeOf(registry_ + "/HKEY_CURRENT_USER/Software/Qentra/v"), 0600u);
    for (const auto& entry : std::filesystem::directory_iterator(runtime_)) {
        EXPECT_EQ(ModeOf(entry.path()), 0600u) << entry.path();
    }
}

TEST_F(PrivateCreationTest, APlantedLinkInsideTheRegistryIsRefusedToo) {
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Create(RegistryRoot::CurrentUser, u"Other", key), kSuccess);
    const std::string hive = registry_ + "/HKEY_CURRENT_USER";
    ASSERT_EQ(symlink((hive + "/Other").c_str(), (hive + "/Software").c_str()), 0);
    EXPECT_EQ(RegistryKey::Create(RegistryRoot::CurrentUser, u"Software\\Qentra", key),
              kAccessDenied);
    EXPECT_EQ(LastErrorText(), "refusing the folder " + hive + "/Software: it is a symbolic link");
    EXPECT_TRUE(std::filesystem::is_empty(hive + "/Other"));
}

}  // namespace
}  // namespace twinlink::platform

#endif

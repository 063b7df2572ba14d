#include "peer/uninstall_entry.h"

#include <filesystem>

#include "peer/launcher.h"
#include "twinlink/platform.h"

namespace platform = twinlink::platform;

namespace korvan::peer {
namespace {

constexpr char16_t kDisplayName[] = u"DisplayName";
constexpr char16_t kDisplayVersion[] = u"DisplayVersion";
constexpr char16_t kInstallLocation[] = u"InstallLocation";

uint32_t SetText(const platform::RegistryKey& key, const std::u16string& name,
                 const std::string& utf8) {
    const std::u16string text = platform::Utf8ToUtf16(utf8);
    return key.SetValue(name, platform::kRegSz, reinterpret_cast<const uint8_t*>(text.c_str()),
                        static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t)));
}

std::optional<std::string> GetText(const platform::RegistryKey& key, const std::u16string& name) {
    uint32_t type = 0;
    uint32_t size = 0;
    if (key.QueryValue(name, &type, nullptr, &size) != platform::kSuccess ||
        type != platform::kRegSz) {
        return std::nullopt;
    }
    std::u16string text(size / sizeof(char16_t), u'\0');
    if (key.QueryValue(name, &type, reinterpret_cast<uint8_t*>(text.data()), &size) !=
        platform::kSuccess) {
        return std::nullopt;
    }
    text.resize(std::min(text.size(), text.find(u'\0')));
    return platform::Utf16ToUtf8(text);
}

// Paths are made from and told as UTF-8 through UTF-16, which every platform's file names take
// without loss (a plain std::string would be read in the Windows code page).
std::string PathText(const std::filesystem::path& path) {
    return platform::Utf16ToUtf8(path.u16string());
}

}  // namespace

std::optional<InstalledEntry> InstallEntry(const std::string& version, const std::string& location,
                                           const std::filesystem::path& peerExecutable,
                                           std::string* error) {
    const auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    std::error_code failure;
    const std::filesystem::path folder =
        std::filesystem::absolute(std::filesystem::path(platform::Utf8ToUtf16(location)), failure)
            .lexically_normal();
    if (failure) return fail("cannot resolve " + location);
    std::filesystem::create_directories(folder, failure);
    if (failure) return fail("cannot create " + PathText(folder) + ": " + failure.message());

    InstalledEntry entry;
    entry.key = platform::Utf16ToUtf8(kEntryKeyPrefix) + version;
    entry.displayName = "Korvan " + version;
    entry.displayVersion = version;
    entry.installLocation = PathText(folder / "");
    entry.launcher = PathText(folder / kLauncherName);
    std::string launcherError;
    if (!WriteLauncher(folder, peerExecutable, version, &launcherError)) return fail(launcherError);

    platform::RegistryKey key;
    const std::u16string path =
        std::u16string(kUninstallKey) + u"\\" + platform::Utf8ToUtf16(entry.key);
    if (platform::RegistryKey::Create(platform::RegistryRoot::LocalMachine, path, key) !=
            platform::kSuccess ||
        SetText(key, kDisplayName, entry.displayName) != platform::kSuccess ||
        SetText(key, kDisplayVersion, entry.displayVersion) != platform::kSuccess ||
        SetText(key, kInstallLocation, entry.installLocation) != platform::kSuccess) {
        return fail("cannot write the registry entry " + entry.key + ": " +
                    platform::LastErrorText());
    }
    return entry;
}

std::vector<std::string> RemoveEntries(const std::optional<std::string>& version) {
    std::vector<std::string> removed;
    platform::RegistryKey uninstall;
    if (platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, kUninstallKey,
                                    uninstall) != platform::kSuccess) {
        return removed;
    }
    const std::u16string prefix = kEntryKeyPrefix;
    for (const std::u16string& name : uninstall.Subkeys()) {
        if (name.rfind(prefix, 0) != 0) continue;
        if (version && name != prefix + platform::Utf8ToUtf16(*version)) continue;
        platform::RegistryKey key;
        if (platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine,
                                        std::u16string(kUninstallKey) + u"\\" + name,
                                        key) != platform::kSuccess) {
            continue;
        }
        if (!GetText(key, kDisplayName)) continue;  // emptied before
        if (const std::optional<std::string> location = GetText(key, kInstallLocation)) {
            const std::filesystem::path folder(platform::Utf8ToUtf16(*location));
            if (IsOurLauncher(folder)) RemoveLauncher(folder);
        }
        key.DeleteValue(kDisplayName);
        key.DeleteValue(kDisplayVersion);
        key.DeleteValue(kInstallLocation);
        removed.push_back(platform::Utf16ToUtf8(name));
    }
    return removed;
}

}  // namespace korvan::peer

#include "renderer/renderer_discovery.h"

#include <cstdint>
#include <functional>
#include <vector>

#include "liveconnection/renderer_windows.h"
#include "liveconnection/wide_text.h"
#include "renderer/version_text.h"
#include "twinlink/platform.h"

namespace korvan {

namespace platform = twinlink::platform;

namespace {

constexpr char16_t kUninstallKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr uint32_t kValueBufferBytes = 1024;
constexpr size_t kSubkeyNameUnits = 260;
constexpr size_t kTitleUnits = 520;

// A text value read into a buffer of kValueBufferBytes; empty when it is missing, larger or
// unreadable.
std::u16string ReadText(const platform::RegistryKey& key, const std::u16string& name) {
    std::vector<uint8_t> buffer(kValueBufferBytes, 0);
    uint32_t type = 0, size = kValueBufferBytes;
    if (key.QueryValue(name, &type, buffer.data(), &size) != platform::kSuccess) return {};
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(buffer[2 * i] | buffer[2 * i + 1] << 8);
    return text.substr(0, text.find(u'\0'));
}

struct InstalledCopy {
    std::u16string version;   // digits and dots of DisplayVersion
    platform::RegistryKey key;
};

// Calls `visit` for every uninstall entry whose DisplayName contains "Korvan" (case matters),
// in the order the registry lists them, until it returns false.
void ForEachInstalledKorvan(const std::function<bool(const InstalledCopy&)>& visit) {
    platform::RegistryKey uninstall;
    if (platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, kUninstallKey, uninstall) !=
        platform::kSuccess)
        return;
    for (const std::u16string& name : uninstall.Subkeys()) {
        if (name.size() >= kSubkeyNameUnits) continue;  // longer than RegEnumKeyExW's buffer
        InstalledCopy copy;
        if (platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine,
                                        std::u16string(kUninstallKey) + u"\\" + name,
                                        copy.key) != platform::kSuccess)
            continue;
        if (ReadText(copy.key, u"DisplayName").find(u"Korvan") == std::u16string::npos) continue;
        copy.version = DigitsAndDots(ReadText(copy.key, u"DisplayVersion"));
        if (!visit(copy)) return;
    }
}

}  // namespace

std::u16string RunningVersion() {
    std::u16string result = u"0.0.0.0";
    for (const platform::WindowHandle window : TwinLinkAPI::FindRendererWindows()) {
        std::u16string title = platform::GetWindowText(window).value_or(u"");
        if (title.size() >= kTitleUnits) title.resize(kTitleUnits - 1);
        if (title.find(u"Korvan ") == std::u16string::npos) continue;
        const std::u16string version = DigitsAndDots(title);
        if (!version.empty() && CompareVersions(result, version) == -1) result = version;
    }
    return result;
}

std::u16string InstalledVersion() {
    std::u16string result = u"0.0";
    ForEachInstalledKorvan([&](const InstalledCopy& copy) {
        // As text, unit by unit: "9.5" ranks above "10.0".
        if (result < copy.version) result = copy.version;
        return true;
    });
    return result;
}

bool LaunchRenderer(const std::u16string& version) {
    std::u16string location;
    ForEachInstalledKorvan([&](const InstalledCopy& copy) {
        if (copy.version != version) return true;
        location = ReadText(copy.key, u"InstallLocation");
        return false;
    });
    if (location.empty()) return false;
    // The folder is expected to end in its separator, as installers write it.
    return platform::LaunchProcess(u"", location + u"Korvan.exe", location, true);
}

}  // namespace korvan

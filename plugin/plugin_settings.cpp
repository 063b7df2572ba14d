#include "plugin/plugin_settings.h"

#include "twinlink/platform.h"

namespace platform = twinlink::platform;

namespace korvan {

namespace {

constexpr char16_t kCameraAutoSync[] = u"CameraAutoSync";
constexpr char16_t kSingleSided[] = u"SingleSided";
constexpr char16_t kMemoryTextures[] = u"MemoryTextures";
constexpr char16_t kSkipKorvanCheck[] = u"SkipKorvanCheck";

// Opens the key for reading and writing, creating it when it does not exist yet. Any other
// failure leaves `key` closed.
void OpenSettingsKey(const std::u16string& path, platform::RegistryKey& key) {
    const uint32_t opened =
        platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, path, key);
    if (opened == platform::kFileNotFound) {
        platform::RegistryKey::Create(platform::RegistryRoot::CurrentUser, path, key);
    }
}

// Reads the value straight into the 4-byte field: a value that is longer, missing or unreadable
// gives the default; the stored type is not looked at.
void ReadDword(const platform::RegistryKey& key, const char16_t* name, uint32_t& field,
               uint32_t fallback) {
    uint32_t size = sizeof field;
    if (key.QueryValue(name, nullptr, reinterpret_cast<uint8_t*>(&field), &size) !=
        platform::kSuccess) {
        field = fallback;
    }
}

void WriteDword(const platform::RegistryKey& key, const char16_t* name, const uint32_t& field) {
    key.SetValue(name, platform::kRegDword, reinterpret_cast<const uint8_t*>(&field), sizeof field);
}

}  // namespace

PluginSettings::PluginSettings() : keyPath(u"Software\\Qentra\\PluginForSketchup") {
    Load();
}

void PluginSettings::Load() {
    platform::RegistryKey key;
    OpenSettingsKey(keyPath, key);
    if (!key.IsOpen()) return;
    ReadDword(key, kCameraAutoSync, cameraAutoSync, 1);
    ReadDword(key, kSingleSided, singleSided, 0);
    ReadDword(key, kMemoryTextures, memoryTextures, 1);
    ReadDword(key, kSkipKorvanCheck, skipRendererCheck, 0);
    key.Close();
}

void PluginSettings::Save() {
    platform::RegistryKey key;
    OpenSettingsKey(keyPath, key);
    if (!key.IsOpen()) return;
    WriteDword(key, kCameraAutoSync, cameraAutoSync);
    WriteDword(key, kSingleSided, singleSided);
    WriteDword(key, kMemoryTextures, memoryTextures);
    WriteDword(key, kSkipKorvanCheck, skipRendererCheck);
    key.Close();
}

void PluginSettings::SetCameraAutoSync(bool on) {
    cameraAutoSync = on ? 1 : 0;
    Save();
}

void PluginSettings::SetSingleSided(bool on) {
    singleSided = on ? 1 : 0;
    Save();
}

}  // namespace korvan

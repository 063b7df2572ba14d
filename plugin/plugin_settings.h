// The plug-in's four user settings, kept as REG_DWORD values under
// HKEY_CURRENT_USER\Software\Qentra\PluginForSketchup. Every start reads them again, so a
// change takes effect at the next start of the TwinLink. Registry failures are silent: a value
// that cannot be read takes its default, a key that cannot be opened leaves the fields as they
// are, and a failed write is ignored.
#pragma once

#include <cstdint>
#include <string>

namespace korvan {

class PluginSettings {
  public:
    // Starts from the defaults and loads the registry's values.
    PluginSettings();

    // Re-reads all four values, creating the key (without values) when it is missing.
    void Load();
    // Writes all four values.
    void Save();

    // The camera follows SketchUp from the start of every link.
    bool CameraAutoSync() const { return cameraAutoSync != 0; }
    // Faces are sent with their front side only.
    bool SingleSided() const { return singleSided != 0; }
    // Texture images travel in shared memory instead of files beside the model.
    bool MemoryTextures() const { return memoryTextures != 0; }
    // The start does not look for a running or installed Korvan.
    bool SkipKorvanCheck() const { return skipRendererCheck != 0; }

    // Each stores 1 or 0 and saves all four values at once.
    void SetCameraAutoSync(bool on);
    void SetSingleSided(bool on);
    // Only stores the value; the caller saves (a freshly installed library turns it on).
    void StoreMemoryTextures(uint32_t value) { memoryTextures = value; }

  private:
    std::u16string keyPath;
    uint32_t cameraAutoSync = 1;
    uint32_t singleSided = 0;
    uint32_t memoryTextures = 1;
    uint32_t skipRendererCheck = 0;
};

}  // namespace korvan

#include "peer/directory_entries.h"

#include <cstring>

#include "twinlink/platform.h"

namespace platform = twinlink::platform;

namespace korvan::peer {
namespace {

constexpr char16_t kDirectoryKey[] = u"Software\\Qentra\\LiveConnections";
// Room for any name and value the registry can hold, so that nothing is skipped for its size.
constexpr uint32_t kNameCapacity = 16384;
constexpr uint32_t kDataCapacity = 65536;

}  // namespace

std::vector<DirectoryEntry> ReadDirectoryEntries() {
    std::vector<DirectoryEntry> entries;
    platform::RegistryKey key;
    if (platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, kDirectoryKey, key) !=
        platform::kSuccess)
        return entries;
    uint32_t count = 0;
    if (key.CountValues(&count) != platform::kSuccess) count = 0;
    for (uint32_t index = 0; index < count; ++index) {
        platform::RegistryValue value;
        if (key.EnumValue(index, kNameCapacity, kDataCapacity, value) != platform::kSuccess)
            continue;
        DirectoryEntry entry{std::move(value.name), std::nullopt};
        if (value.type == platform::kRegDword && value.data.size() == sizeof(uint32_t)) {
            uint32_t data = 0;
            std::memcpy(&data, value.data.data(), sizeof data);
            entry.value = data;
        }
        entries.push_back(std::move(entry));
    }
    key.Close();
    return entries;
}

}  // namespace korvan::peer

// The directory of live connections: one REG_DWORD value 1 per hosted model under the current
// user's key, named after the connection. It holds only names; an entry is live only while its
// main section can still be opened, so entries left behind by a crash are swept here.
#include <algorithm>
#include <cstring>

#include "liveconnection/live_connection.h"
#include "liveconnection/section_names.h"

namespace platform = twinlink::platform;

namespace TwinLinkAPI {
namespace {

constexpr char16_t kDirectoryKey[] = u"Software\\Qentra\\LiveConnections";
// The reader's name buffer: 259 units and the terminator.
constexpr uint32_t kNameCapacity = 260;
constexpr uint32_t kEntryValue = 1;

}  // namespace

std::vector<std::u16string> LiveConnection::EnumerateConnections(uint32_t filter) {
    // All names are collected before any is deleted, so deleting cannot shift the indexes.
    std::vector<std::u16string> candidates;
    platform::RegistryKey key;
    if (platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, kDirectoryKey, key) ==
        platform::kSuccess) {
        uint32_t count = 0;
        if (key.CountValues(&count) == platform::kSuccess && count > 0) {
            candidates.reserve(count);
            for (uint32_t index = 0; index < count; ++index) {
                platform::RegistryValue value;
                if (key.EnumValue(index, kNameCapacity, sizeof(uint32_t), value) !=
                    platform::kSuccess)
                    continue;
                if (filter != 0) {
                    uint32_t data = 0;
                    std::memcpy(&data, value.data.data(),
                                std::min<size_t>(value.data.size(), sizeof data));
                    if (data != filter) continue;
                }
                candidates.push_back(std::move(value.name));
            }
        }
        key.Close();
    }

    std::vector<std::u16string> live;
    for (const std::u16string& candidate : candidates) {
        if (candidate.empty()) {
            DeleteDirectoryEntry(candidate);  // refuses the key's default value, which stays
        } else if (ConnectionExists(candidate)) {
            live.push_back(candidate);
        } else {
            DeleteDirectoryEntry(candidate);
        }
    }
    return live;
}

bool LiveConnection::ConnectionExists(const std::u16string& connectionName) const {
    if (connectionName.empty()) return false;
    const platform::MappingHandle handle =
        platform::OpenFileMapping(MainSectionName(connectionName));
    if (handle == 0) return false;
    platform::CloseHandle(handle);
    return true;
}

int32_t LiveConnection::WriteDirectoryEntry(const std::u16string& connectionName) {
    if (connectionName.empty()) return -1;
    platform::RegistryKey key;
    uint32_t result =
        platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, kDirectoryKey, key);
    if (result == platform::kFileNotFound) {
        result =
            platform::RegistryKey::Create(platform::RegistryRoot::CurrentUser, kDirectoryKey, key);
    }
    if (key.IsOpen()) result = key.SetDword(connectionName, kEntryValue);
    key.Close();
    return result == platform::kSuccess ? 0 : -1;
}

int32_t LiveConnection::DeleteDirectoryEntry(const std::u16string& connectionName) {
    if (connectionName.empty()) return -1;
    platform::RegistryKey key;
    uint32_t result =
        platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, kDirectoryKey, key);
    if (key.IsOpen()) result = key.DeleteValue(connectionName);
    key.Close();
    return result == platform::kSuccess ? 0 : -1;
}

int32_t LiveConnection::Publish() {
    if (published) return 0;
    if (name.empty()) return -1;
    // Set first: a write the registry refused is not retried before the next Host.
    published = true;
    WriteDirectoryEntry(name);
    return 0;
}

}  // namespace TwinLinkAPI

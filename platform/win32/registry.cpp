// The registry through advapi32: a RegistryKey holds an HKEY, shared by its copies and closed
// with the last of them. Value names compare without case and are listed in the order the
// registry keeps them, as Windows does.
#include <algorithm>
#include <vector>

#include "failure.h"
#include "windows_api.h"

namespace twinlink::platform {

using namespace win32;

struct RegistryKey::OpenKey {
    HKEY key = nullptr;
    OpenKey(HKEY opened) : key(opened) {}
    ~OpenKey() { ::RegCloseKey(key); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
};

namespace {

HKEY Hive(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

const char* HiveName(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

uint32_t Fail(uint32_t code, std::string text) {
    SetFailureFromSystem(std::move(text), code);
    return code;
}

uint32_t NotOpen() {
    SetFailure("the registry key is not open");
    return kInvalidHandle;
}

}  // namespace

// Read and write when the user may write the key, read only otherwise (HKEY_LOCAL_MACHINE for
// a user who is not an administrator).
uint32_t RegistryKey::Open(RegistryRoot root, const std::u16string& path, RegistryKey& out) {
    ClearFailure();
    HKEY key = nullptr;
    LSTATUS code = ::RegOpenKeyExW(Hive(root), Wide(path), 0, KEY_READ | KEY_WRITE, &key);
    if (code == ERROR_ACCESS_DENIED) code = ::RegOpenKeyExW(Hive(root), Wide(path), 0, KEY_READ, &key);
    if (code != ERROR_SUCCESS) {
        return Fail(static_cast<uint32_t>(code), std::string("cannot open the registry key ") +
                                                     HiveName(root) + "\\" + Utf16ToUtf8(path));
    }
    out.key_ = std::make_shared<const OpenKey>(key);
    return kSuccess;
}

uint32_t RegistryKey::Create(RegistryRoot root, const std::u16string& path, RegistryKey& out) {
    ClearFailure();
    HKEY key = nullptr;
    const LSTATUS code = ::RegCreateKeyExW(Hive(root), Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (code != ERROR_SUCCESS) {
        return Fail(static_cast<uint32_t>(code), std::string("cannot create the registry key ") +
                                                     HiveName(root) + "\\" + Utf16ToUtf8(path));
    }
    out.key_ = std::make_shared<const OpenKey>(key);
    return kSuccess;
}

// The size is asked first, so that a buffer too small is left as it was.
uint32_t RegistryKey::QueryValue(const std::u16string& name, uint32_t* type, uint8_t* buffer,
                                 uint32_t* size) const {
    ClearFailure();
    if (!IsOpen()) return NotOpen();
    if (buffer && !size) {
        SetFailure("a value buffer without its size");
        return kInvalidParameter;
    }
    DWORD valueType = 0, length = 0;
    LSTATUS code = ::RegQueryValueExW(key_->key, Wide(name), nullptr, &valueType, nullptr, &length);
    if (code == ERROR_SUCCESS && buffer) {
        if (*size < length) {
            if (type) *type = valueType;
            *size = length;
            SetFailure("the registry value " + Utf16ToUtf8(name) + " holds " +
                       std::to_string(length) + " bytes, more than the buffer");
            return kMoreData;
        }
        length = *size;
        code = ::RegQueryValueExW(key_->key, Wide(name), nullptr, &valueType, buffer, &length);
    }
    if (code != ERROR_SUCCESS) {
        if (code == ERROR_MORE_DATA && size) *size = length;  // it grew meanwhile
        return Fail(static_cast<uint32_t>(code), "cannot read the registry value " + Utf16ToUtf8(name));
    }
    if (type) *type = valueType;
    if (size) *size = length;
    return kSuccess;
}

uint32_t RegistryKey::SetValue(const std::u16string& name, uint32_t type, const uint8_t* data,
                               uint32_t size) const {
    ClearFailure();
    if (!IsOpen()) return NotOpen();
    if (!data && size != 0) {
        SetFailure("value data missing");
        return kInvalidParameter;
    }
    const LSTATUS code = ::RegSetValueExW(key_->key, Wide(name), 0, type, data, size);
    if (code != ERROR_SUCCESS)
        return Fail(static_cast<uint32_t>(code), "cannot write the registry value " + Utf16ToUtf8(name));
    return kSuccess;
}

uint32_t RegistryKey::SetDword(const std::u16string& name, uint32_t value) const {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return SetValue(name, kRegDword, bytes, sizeof bytes);
}

uint32_t RegistryKey::DeleteValue(const std::u16string& name) const {
    ClearFailure();
    if (!IsOpen()) return NotOpen();
    const LSTATUS code = ::RegDeleteValueW(key_->key, Wide(name));
    if (code != ERROR_SUCCESS)
        return Fail(static_cast<uint32_t>(code), "cannot delete the registry value " + Utf16ToUtf8(name));
    return kSuccess;
}

uint32_t RegistryKey::CountValues(uint32_t* count) const {
    ClearFailure();
    if (!IsOpen()) return NotOpen();
    if (!count) {
        SetFailure("no place for the value count");
        return kInvalidParameter;
    }
    DWORD values = 0;
    const LSTATUS code = ::RegQueryInfoKeyW(key_->key, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    if (code != ERROR_SUCCESS) return Fail(static_cast<uint32_t>(code), "cannot count the registry values");
    *count = values;
    return kSuccess;
}

uint32_t RegistryKey::EnumValue(uint32_t index, uint32_t nameCapacity, uint32_t dataCapacity,
                                RegistryValue& out) const {
    ClearFailure();
    if (!IsOpen()) return NotOpen();
    // Buffers of exactly the caller's capacities, so that Windows judges what fits; the data
    // buffer is never null, which would ask for no data at all.
    std::vector<wchar_t> name(std::max<uint32_t>(nameCapacity, 1));
    std::vector<uint8_t> data(std::max<uint32_t>(dataCapacity, 1));
    DWORD nameLength = nameCapacity, dataLength = dataCapacity, type = 0;
    const LSTATUS code = ::RegEnumValueW(key_->key, index, name.data(), &nameLength, nullptr, &type,
                                         data.data(), &dataLength);
    if (code == ERROR_NO_MORE_ITEMS) {
        SetFailure("no value at index " + std::to_string(index));
        return kNoMoreItems;
    }
    if (code == ERROR_MORE_DATA) {
        SetFailure("the value at index " + std::to_string(index) +
                   " does not fit the buffers for its name and data");
        return kMoreData;
    }
    if (code != ERROR_SUCCESS)
        return Fail(static_cast<uint32_t>(code), "cannot read the value at index " + std::to_string(index));
    out.name = FromWide(name.data(), nameLength);
    out.type = type;
    out.data.assign(data.begin(), data.begin() + dataLength);
    return kSuccess;
}

std::vector<std::u16string> RegistryKey::Subkeys() const {
    ClearFailure();
    std::vector<std::u16string> names;
    if (!IsOpen()) return names;
    DWORD longest = 0;
    if (::RegQueryInfoKeyW(key_->key, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        longest = 255;
    std::vector<wchar_t> name(longest + 1);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        const LSTATUS code =
            ::RegEnumKeyExW(key_->key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (code == ERROR_MORE_DATA) {  // a longer subkey came meanwhile
            name.resize(name.size() * 2);
            --index;
            continue;
        }
        if (code != ERROR_SUCCESS) break;
        names.push_back(FromWide(name.data(), length));
    }
    return names;
}

}  // namespace twinlink::platform

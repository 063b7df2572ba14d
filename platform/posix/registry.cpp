// The registry as a folder tree (see private_folders.h for where it lives): a hive is the
// folder HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE, a key path "Software\Qentra\LiveConnections"
// is nested folders named by the name encoding, and a value is a file holding its type as a
// little-endian u32 followed by its data. Writes replace the file in one step; enumeration is
// the directory listing in name order, case ignored, as Windows lists them. Value names compare
// as Windows compares them, without case (here: the case of ASCII letters): a value keeps the
// spelling it was first written with, and another spelling reads, overwrites and deletes it.
// The names in a key's path compare exactly (Windows ignores their case too; the plug-in opens
// its keys by fixed paths).
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "failure.h"
#include "name_encoding.h"
#include "private_folders.h"
#include "registry_value_files.h"
#include "twinlink/platform.h"

namespace twinlink::platform {

using namespace posix;

namespace {

constexpr size_t kTypeBytes = 4;

const char* HiveFolder(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

uint32_t CodeOf(FolderState state) {
    switch (state) {
        case FolderState::Ready:
            return kSuccess;
        case FolderState::Missing:
            return kFileNotFound;
        case FolderState::Refused:
        case FolderState::Failed:
            return kAccessDenied;
    }
    return kAccessDenied;
}

uint32_t Fail(uint32_t code, std::string text) {
    SetFailure(std::move(text));
    return code;
}

uint32_t OpenOrCreate(RegistryRoot root, const std::u16string& path, bool create,
                      std::string& folder) {
    ClearFailure();
    const auto visit = [&](const std::string& next) {
        const FolderState state = create ? EnsurePrivateFolder(next) : CheckPrivateFolder(next);
        if (state == FolderState::Missing)
            SetFailure("the registry key folder " + next + " does not exist");
        return CodeOf(state);
    };
    folder = StateFolder(StatePlace::Registry);
    if (const uint32_t code = visit(folder)) return code;
    folder += "/";
    folder += HiveFolder(root);
    if (const uint32_t code = visit(folder)) return code;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string::npos) end = path.size();
        if (end > start) {
            const std::string part =
                EncodeName(std::u16string_view(path).substr(start, end - start));
            if (part.size() > kMaxFileName) {
                return Fail(kInvalidParameter,
                            "a key name of the path " + Utf16ToUtf8(path) + " is too long");
            }
            folder += "/" + part;
            if (const uint32_t code = visit(folder)) return code;
        }
        start = end + 1;
    }
    return kSuccess;
}

// A name as Windows compares it: the ASCII letters in upper case. (Windows folds every letter
// it has an upper case for; the stand-in folds ASCII only.)
std::u16string Folded(std::u16string name) {
    for (char16_t& c : name) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return name;
}

// Keys and values are listed as Windows keeps them: in name order, case ignored.
bool NameOrder(const std::u16string& a, const std::u16string& b) {
    const std::u16string x = Folded(a), y = Folded(b);
    return x != y ? x < y : a < b;
}

// The encoded file name of value `name` as it is stored: its own spelling when a value of that
// spelling exists, otherwise that of a value whose name differs in case only, otherwise its own
// (a value yet to be written).
std::string StoredName(const std::string& folder, const std::u16string& name) {
    std::string exact = EncodeName(name);
    struct stat st;
    if (lstat(PlaceOfValue(folder, exact).Path().c_str(), &st) == 0) return exact;
    const std::u16string folded = Folded(name);
    for (std::string& fileName : ListValueNames(folder)) {
        const std::optional<std::u16string> other = DecodeName(fileName);
        if (other && Folded(*other) == folded) return std::move(fileName);
    }
    return exact;
}

// A key's values in the order they are enumerated: by name (NameOrder); files that
// name no value (never written by this layer) come last, as unreadable entries.
struct ListedValue {
    std::optional<std::u16string> name;
    std::string fileName;
};

std::vector<ListedValue> ListValues(const std::string& folder) {
    std::vector<ListedValue> values;
    for (std::string& fileName : ListValueNames(folder)) {
        std::optional<std::u16string> name = DecodeName(fileName);
        values.push_back({std::move(name), std::move(fileName)});
    }
    std::sort(values.begin(), values.end(), [](const ListedValue& a, const ListedValue& b) {
        if (a.name.has_value() != b.name.has_value()) return a.name.has_value();
        return a.name ? NameOrder(*a.name, *b.name) : a.fileName < b.fileName;
    });
    return values;
}

struct StoredValue {
    uint32_t type = 0;
    std::string data;
};

// Reads one value file: kFileNotFound when there is none, kRegistryCorrupt when it is too
// short to hold even its type.
uint32_t ReadValue(const ValuePlace& place, StoredValue& out) {
    int error = 0;
    const std::optional<std::string> content = ReadRegularFile(place.Path(), &error);
    if (!content) {
        // A folder of that name is a subkey, not a value.
        if (error == ENOENT || error == EISDIR || error == ENOTDIR) {
            return Fail(kFileNotFound, "no registry value " + place.Path());
        }
        SetFailureFromErrno("cannot read the registry value " + place.Path(), error);
        return kAccessDenied;
    }
    if (content->size() < kTypeBytes) {
        return Fail(kRegistryCorrupt, "the registry value " + place.Path() + " is truncated (" +
                                          std::to_string(content->size()) + " bytes)");
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(content->data());
    out.type = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
               uint32_t{bytes[3]} << 24;
    out.data = content->substr(kTypeBytes);
    return kSuccess;
}

}  // namespace

struct RegistryKey::OpenKey {
    std::string folder;
};

uint32_t RegistryKey::Open(RegistryRoot root, const std::u16string& path, RegistryKey& out) {
    std::string folder;
    const uint32_t code = OpenOrCreate(root, path, false, folder);
    if (code == kSuccess) out.key_ = std::make_shared<const OpenKey>(OpenKey{folder});
    return code;
}

uint32_t RegistryKey::Create(RegistryRoot root, const std::u16string& path, RegistryKey& out) {
    std::string folder;
    const uint32_t code = OpenOrCreate(root, path, true, folder);
    if (code == kSuccess) out.key_ = std::make_shared<const OpenKey>(OpenKey{folder});
    return code;
}

uint32_t RegistryKey::QueryValue(const std::u16string& name, uint32_t* type, uint8_t* buffer,
                                 uint32_t* size) const {
    ClearFailure();
    if (!IsOpen()) return Fail(kInvalidHandle, "the registry key is not open");
    if (buffer && !size) return Fail(kInvalidParameter, "a value buffer without its size");
    StoredValue value;
    if (const uint32_t code = ReadValue(PlaceOfValue(key_->folder, StoredName(key_->folder, name)), value))
        return code;
    const auto length = static_cast<uint32_t>(value.data.size());
    if (type) *type = value.type;
    if (buffer && *size < length) {
        *size = length;
        return Fail(kMoreData, "the registry value " + Utf16ToUtf8(name) + " holds " +
                                   std::to_string(length) + " bytes, more than the buffer");
    }
    if (buffer) std::memcpy(buffer, value.data.data(), length);
    if (size) *size = length;
    return kSuccess;
}

uint32_t RegistryKey::SetValue(const std::u16string& name, uint32_t type, const uint8_t* data,
                               uint32_t size) const {
    ClearFailure();
    if (!IsOpen()) return Fail(kInvalidHandle, "the registry key is not open");
    if (!data && size != 0) return Fail(kInvalidParameter, "value data missing");
    const ValuePlace place = PlaceOfValue(key_->folder, StoredName(key_->folder, name));
    if (place.Path().size() >= PATH_MAX) {
        return Fail(kInvalidParameter, "the value name " + Utf16ToUtf8(name) + " is too long");
    }
    std::string content(kTypeBytes, '\0');
    for (size_t i = 0; i < kTypeBytes; ++i)
        content[i] = static_cast<char>((type >> (8 * i)) & 0xFF);
    content.append(reinterpret_cast<const char*>(data), size);
    // A continuation folder may vanish under a concurrent delete of its last value; try again.
    int error = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        for (const std::string& folder : place.folders) {
            if (const FolderState state = EnsurePrivateFolder(folder);
                state != FolderState::Ready) {
                return CodeOf(state) == kFileNotFound ? kAccessDenied : CodeOf(state);
            }
        }
        error = WritePrivateFileAtomically(place.folder, place.leaf, content, true);
        if (error != ENOENT || place.folders.empty()) break;
    }
    if (error == 0) return kSuccess;
    if (error == EISDIR || error == ENOTEMPTY || error == EEXIST) {
        return Fail(kAccessDenied,
                    "the value " + Utf16ToUtf8(name) + " has the name of a subkey of " + key_->folder);
    }
    SetFailureFromErrno("cannot write the registry value " + place.Path(), error);
    return error == ENOENT ? kFileNotFound : kAccessDenied;
}

uint32_t RegistryKey::SetDword(const std::u16string& name, uint32_t value) const {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return SetValue(name, kRegDword, bytes, sizeof bytes);
}

uint32_t RegistryKey::DeleteValue(const std::u16string& name) const {
    ClearFailure();
    if (!IsOpen()) return Fail(kInvalidHandle, "the registry key is not open");
    const ValuePlace place = PlaceOfValue(key_->folder, StoredName(key_->folder, name));
    if (unlink(place.Path().c_str()) != 0) {
        const int error = errno;
        if (error == ENOENT || error == EISDIR || error == ENOTDIR || error == EPERM) {
            return Fail(kFileNotFound, "no registry value " + place.Path());
        }
        SetFailureFromErrno("cannot delete the registry value " + place.Path(), error);
        return kAccessDenied;
    }
    // Continuation folders go with their last value.
    for (auto folder = place.folders.rbegin(); folder != place.folders.rend(); ++folder) {
        if (rmdir(folder->c_str()) != 0) break;
    }
    return kSuccess;
}

uint32_t RegistryKey::CountValues(uint32_t* count) const {
    ClearFailure();
    if (!IsOpen()) return Fail(kInvalidHandle, "the registry key is not open");
    if (!count) return Fail(kInvalidParameter, "no place for the value count");
    *count = static_cast<uint32_t>(ListValueNames(key_->folder).size());
    return kSuccess;
}

uint32_t RegistryKey::EnumValue(uint32_t index, uint32_t nameCapacity, uint32_t dataCapacity,
                                RegistryValue& out) const {
    ClearFailure();
    if (!IsOpen()) return Fail(kInvalidHandle, "the registry key is not open");
    const std::vector<ListedValue> values = ListValues(key_->folder);
    if (index >= values.size())
        return Fail(kNoMoreItems, "no value at index " + std::to_string(index));
    const std::optional<std::u16string>& name = values[index].name;
    if (!name)
        return Fail(kRegistryCorrupt,
                    "the file " + values[index].fileName + " does not name a value");
    StoredValue value;
    if (const uint32_t code = ReadValue(PlaceOfValue(key_->folder, values[index].fileName), value))
        return code;
    if (name->size() + 1 > nameCapacity) {
        return Fail(kMoreData, "the value name at index " + std::to_string(index) + " has " +
                                   std::to_string(name->size()) +
                                   " units, too many for the buffer");
    }
    if (value.data.size() > dataCapacity) {
        return Fail(kMoreData, "the value at index " + std::to_string(index) + " holds " +
                                   std::to_string(value.data.size()) +
                                   " bytes, more than the buffer");
    }
    out.name = *name;
    out.type = value.type;
    out.data.assign(value.data.begin(), value.data.end());
    return kSuccess;
}

std::vector<std::u16string> RegistryKey::Subkeys() const {
    ClearFailure();
    std::vector<std::u16string> names;
    if (!IsOpen()) return names;
    for (const std::string& folder : ListSubkeyFolders(key_->folder)) {
        if (std::optional<std::u16string> name = DecodeName(folder))
            names.push_back(std::move(*name));
    }
    std::sort(names.begin(), names.end(), NameOrder);
    return names;
}

}  // namespace twinlink::platform

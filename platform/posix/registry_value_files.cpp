#include "registry_value_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include "name_encoding.h"

namespace twinlink::platform::posix {

namespace {

// Parts of a long name; short enough that a part plus '+' is a valid file name.
constexpr size_t kPartLength = 200;

enum class EntryKind { File, Folder, Other };

EntryKind KindOf(const std::string& folder, const dirent& entry) {
    if (entry.d_type == DT_REG) return EntryKind::File;
    if (entry.d_type == DT_DIR) return EntryKind::Folder;
    if (entry.d_type != DT_UNKNOWN) return EntryKind::Other;
    struct stat st;
    if (lstat((folder + "/" + entry.d_name).c_str(), &st) != 0) return EntryKind::Other;
    if (S_ISREG(st.st_mode)) return EntryKind::File;
    return S_ISDIR(st.st_mode) ? EntryKind::Folder : EntryKind::Other;
}

template <typename Visit>
void ForEachEntry(const std::string& folder, Visit visit) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || IsTemporaryEntry(name)) continue;
        visit(name, KindOf(folder, *entry));
    }
    closedir(dir);
}

void CollectValues(const std::string& folder, const std::string& prefix, bool inContinuation,
                   std::vector<std::string>& names) {
    ForEachEntry(folder, [&](const std::string& name, EntryKind kind) {
        if (kind == EntryKind::File) {
            const std::string full = prefix + name;
            // A file at the top of a key holds a short name; a long one sits in its folders.
            if (inContinuation ? full.size() > kMaxFileName : full.size() <= kMaxFileName) {
                names.push_back(full);
            }
        } else if (kind == EntryKind::Folder && name.back() == '+') {
            CollectValues(folder + "/" + name, prefix + name.substr(0, name.size() - 1), true,
                          names);
        }
    });
}

}  // namespace

ValuePlace PlaceOfValue(const std::string& keyFolder, const std::string& encodedName) {
    ValuePlace place;
    place.folder = keyFolder;
    size_t start = 0;
    if (encodedName.size() > kMaxFileName) {
        while (encodedName.size() - start > kPartLength) {
            size_t length = kPartLength;
            // Never cut an escape in two, so every part reads on its own.
            if (encodedName[start + length - 1] == '%')
                length -= 1;
            else if (encodedName[start + length - 2] == '%')
                length -= 2;
            place.folder += "/" + encodedName.substr(start, length) + "+";
            place.folders.push_back(place.folder);
            start += length;
        }
    }
    place.leaf = encodedName.substr(start);
    return place;
}

std::vector<std::string> ListValueNames(const std::string& keyFolder) {
    std::vector<std::string> names;
    CollectValues(keyFolder, "", false, names);
    return names;
}

std::vector<std::string> ListSubkeyFolders(const std::string& keyFolder) {
    std::vector<std::string> names;
    ForEachEntry(keyFolder, [&](const std::string& name, EntryKind kind) {
        if (kind == EntryKind::Folder && name.back() != '+') names.push_back(name);
    });
    return names;
}

}  // namespace twinlink::platform::posix

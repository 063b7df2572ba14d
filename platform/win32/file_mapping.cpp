// Named file mappings backed by the page file, in this session's namespace (names as given, no
// "Global\" prefix). The layer keeps the handles and views it gave out, so that one closed or
// unmapped twice, or never given, is ignored as the POSIX layer ignores it, instead of closing a
// handle that Windows may meanwhile have given to something else.
#include <mutex>
#include <unordered_map>

#include "failure.h"
#include "windows_api.h"

namespace twinlink::platform {

using namespace win32;

namespace {

constexpr size_t kNameLimitUnits = MAX_PATH;

struct Sections {
    std::mutex mutex;
    std::unordered_map<MappingHandle, size_t> sizes;  // every handle given out, with its size
    std::unordered_map<void*, MappingHandle> views;
};

// Never destroyed: a view may be unmapped by a thread still running while the process exits.
Sections& TheSections() {
    static Sections* const sections = new Sections;
    return *sections;
}

bool IsAcceptedName(const std::u16string& name) {
    if (name.empty()) {
        SetFailure("a section needs a name");
        return false;
    }
    if (name.size() >= kNameLimitUnits) {
        SetFailure("a section name may hold at most " + std::to_string(kNameLimitUnits - 1) +
                   " UTF-16 units; this one holds " + std::to_string(name.size()));
        return false;
    }
    return true;
}

// What VirtualQuery says of a view of the whole section: its size in whole pages. (Windows
// tells no finer size of a section opened by name.)
size_t SectionSize(HANDLE section) {
    void* view = ::MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0);
    if (!view) return 0;
    MEMORY_BASIC_INFORMATION region{};
    const size_t size = ::VirtualQuery(view, &region, sizeof region) ? region.RegionSize : 0;
    ::UnmapViewOfFile(view);
    return size;
}

MappingHandle Keep(HANDLE section) {
    const size_t size = SectionSize(section);
    const auto handle = reinterpret_cast<MappingHandle>(section);
    Sections& s = TheSections();
    std::lock_guard lock(s.mutex);
    s.sizes[handle] = size;
    return handle;
}

bool IsKept(MappingHandle handle, size_t* size = nullptr) {
    Sections& s = TheSections();
    std::lock_guard lock(s.mutex);
    const auto found = s.sizes.find(handle);
    if (found == s.sizes.end()) return false;
    if (size) *size = found->second;
    return true;
}

}  // namespace

MappingHandle CreateFileMapping(const std::u16string& name, uint32_t size, bool* alreadyExisted) {
    ClearFailure();
    if (alreadyExisted) *alreadyExisted = false;
    if (!IsAcceptedName(name)) return 0;
    if (size == 0) {
        SetFailure("a section needs a size");
        return 0;
    }
    HANDLE section = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size,
                                          Wide(name));
    const DWORD error = ::GetLastError();
    if (!section) {
        SetFailureFromSystem("cannot create the section " + Utf16ToUtf8(name), error);
        return 0;
    }
    if (alreadyExisted) *alreadyExisted = error == ERROR_ALREADY_EXISTS;
    return Keep(section);
}

MappingHandle OpenFileMapping(const std::u16string& name) {
    ClearFailure();
    if (!IsAcceptedName(name)) return 0;
    HANDLE section = ::OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, Wide(name));
    if (!section) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            SetFailure("no section named " + Utf16ToUtf8(name));
        else
            SetFailureFromSystem("cannot open the section " + Utf16ToUtf8(name), error);
        return 0;
    }
    return Keep(section);
}

void* MapViewOfFile(MappingHandle handle) {
    ClearFailure();
    if (!IsKept(handle)) {
        SetFailure("not a section handle");
        return nullptr;
    }
    void* view =
        ::MapViewOfFile(reinterpret_cast<HANDLE>(handle), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
    if (!view) {
        SetFailureFromSystem("cannot map the section", ::GetLastError());
        return nullptr;
    }
    Sections& s = TheSections();
    std::lock_guard lock(s.mutex);
    s.views[view] = handle;
    return view;
}

size_t MappingSize(MappingHandle handle) {
    size_t size = 0;
    return IsKept(handle, &size) ? size : 0;
}

void UnmapViewOfFile(void* view) {
    ClearFailure();
    {
        Sections& s = TheSections();
        std::lock_guard lock(s.mutex);
        if (s.views.erase(view) == 0) return;
    }
    ::UnmapViewOfFile(view);
}

void CloseHandle(MappingHandle handle) {
    ClearFailure();
    {
        Sections& s = TheSections();
        std::lock_guard lock(s.mutex);
        if (s.sizes.erase(handle) == 0) return;
    }
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace twinlink::platform

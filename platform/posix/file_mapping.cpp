// Named shared memory as files in the shared-memory folder (private_folders.h), named by the
// name encoding. Windows lifetimes are kept with flock: every holder of a section keeps a shared
// lock on its own descriptor, so a name exists exactly while someone holds it. The last holder
// to let go removes the file, as Windows destroys the section with its last handle; a file that
// nobody holds all the same (its holders ended, perhaps by a crash, which releases their locks)
// is stale and is removed by whoever meets it (stale_section_files.h). Meeting one means a
// process ended without cleaning up, so the whole folder is swept then, and the first time a
// process uses the folder: a crashed host's data sections are never met by name again. A new
// file only ever appears, already sized and locked, through link(), which fails while any file
// of that name is there. As on Windows, whose named objects lose their names with their last
// handle, the name lives while a handle is open somewhere; a view keeps only the memory it maps
// (an unlinked file stays mapped), not the name.
//
// A section is made in whole pages of 4096 bytes, as Windows makes it: MappingSize, which
// Windows can only tell from VirtualQuery on a view, is the requested size rounded up to pages.
//
// Names are limited as Windows limits them: CreateFileMappingW and OpenFileMappingW fail for a
// name of MAX_PATH (260) UTF-16 units or more, so the same names fail here.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <utility>

#include "failure.h"
#include "name_encoding.h"
#include "private_folders.h"
#include "stale_section_files.h"
#include "twinlink/platform.h"

namespace twinlink::platform {

using namespace posix;

namespace {

// MAX_PATH: the longest name Windows takes is one unit shorter.
constexpr size_t kNameLimitUnits = 260;

// Windows' page size on x86-64: what a section's size is rounded up to.
constexpr size_t kPageSize = 4096;

// One open section file; its descriptor (and with it the shared lock) is released when the last
// handle of it is closed, and the file with it when no other process holds it. Views outlive it.
struct SectionFile {
    int fd = -1;
    size_t size = 0;
    std::string path;
    // A forked child's copy shares the parent's lock: closing it must not remove the parent's file.
    pid_t holder = getpid();
    SectionFile(int descriptor, size_t bytes, std::string file)
        : fd(descriptor), size(bytes), path(std::move(file)) {}
    ~SectionFile() {
        if (getpid() == holder) RemoveIfUnheld(fd, path);
        close(fd);
    }
    SectionFile(const SectionFile&) = delete;
    SectionFile& operator=(const SectionFile&) = delete;
};

struct View {
    size_t size = 0;
};

struct Sections {
    std::mutex mutex;
    MappingHandle nextHandle = 4;  // handles count in fours, as Windows' do
    std::unordered_map<MappingHandle, std::shared_ptr<SectionFile>> handles;
    std::unordered_map<void*, View> views;
};

// Never destroyed: a view may be unmapped by a thread still running while the process exits.
Sections& TheSections() {
    static Sections* const sections = new Sections;
    return *sections;
}

MappingHandle AddHandle(int fd, size_t size, const std::string& path) {
    Sections& s = TheSections();
    std::lock_guard lock(s.mutex);
    const MappingHandle handle = s.nextHandle;
    s.nextHandle += 4;
    s.handles.emplace(handle, std::make_shared<SectionFile>(fd, size, path));
    return handle;
}

std::shared_ptr<SectionFile> FindHandle(MappingHandle handle) {
    Sections& s = TheSections();
    std::lock_guard lock(s.mutex);
    const auto found = s.handles.find(handle);
    return found == s.handles.end() ? nullptr : found->second;
}

int LockRetryingSignals(int fd, int operation) {
    int result;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

enum class Existing { Held, Absent, TryAgain, Failed };

// Joins the section file at `path` when someone holds it. A file nobody holds is removed, with
// every other such file of the folder, and reported absent.
Existing JoinExisting(const std::string& folder, const std::string& path, int& fdOut,
                      size_t& sizeOut) {
    const int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return Existing::Absent;
        SetFailureFromErrno("cannot open the section file " + path, errno);
        return Existing::Failed;
    }
    struct stat mine;
    if (fstat(fd, &mine) != 0 || !S_ISREG(mine.st_mode)) {
        SetFailure("the section file " + path + " is not a regular file");
        close(fd);
        return Existing::Failed;
    }
    if (RemoveIfUnheld(fd, path)) {
        close(fd);
        SweepUnheldSectionFiles(folder);
        return Existing::Absent;
    }
    // Someone holds it, or is judging it. Wait for a shared lock (a judge never waits while it
    // holds its exclusive one), then make sure the file was not removed meanwhile.
    if (LockRetryingSignals(fd, LOCK_SH) != 0) {
        SetFailureFromErrno("cannot lock the section file " + path, errno);
        close(fd);
        return Existing::Failed;
    }
    struct stat now;
    if (fstat(fd, &now) != 0 || now.st_nlink == 0) {
        close(fd);
        return Existing::TryAgain;
    }
    fdOut = fd;
    sizeOut = static_cast<size_t>(now.st_size);
    return Existing::Held;
}

// Makes a new section file of `size` zero bytes, locked, and links it in at `path`. EEXIST when
// a file of that name is there.
int CreateNew(const std::string& folder, const std::string& path, size_t size, int& fdOut) {
    bool named = false;
    std::string temporary;
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // A file system without anonymous files: make a named temporary one.
        named = true;
        temporary = folder + "/" + TemporaryFileName();
        fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) return errno;
    }
    int error = 0;
    fchmod(fd, 0600);
    if (ftruncate(fd, static_cast<off_t>(size)) != 0 || LockRetryingSignals(fd, LOCK_SH) != 0) {
        error = errno;
    } else if (named) {
        if (link(temporary.c_str(), path.c_str()) != 0) error = errno;
    } else {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
            error = errno;
    }
    if (named) unlink(temporary.c_str());
    if (error != 0) {
        close(fd);
        return error;
    }
    fdOut = fd;
    return 0;
}

// Sweeps `folder` the first time this process uses it.
void SweepOnFirstUse(const std::string& folder) {
    static std::mutex mutex;
    static auto* const swept = new std::set<std::string>;  // never destroyed, as TheSections
    {
        std::lock_guard lock(mutex);
        if (!swept->insert(folder).second) return;
    }
    SweepUnheldSectionFiles(folder);
}

// The section folder, checked; empty (with the reason set) when it cannot be used.
std::string SectionFolder(bool create) {
    const std::string folder = StateFolder(StatePlace::SharedMemory);
    const FolderState state = create ? EnsurePrivateFolder(folder) : CheckPrivateFolder(folder);
    if (state == FolderState::Ready) {
        SweepOnFirstUse(folder);
        return folder;
    }
    if (state == FolderState::Missing) SetFailure("no section exists yet: no folder " + folder);
    return {};
}

// Windows' limit on a name, with the reason set when `name` breaks it.
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

std::string SectionPath(const std::string& folder, const std::u16string& name) {
    std::string leaf = EncodeName(name);
    if (leaf.size() > kMaxFileName) leaf = ShortenedFileName(leaf);
    return folder + "/" + leaf;
}

constexpr int kAttempts = 64;

}  // namespace

MappingHandle CreateFileMapping(const std::u16string& name, uint32_t size, bool* alreadyExisted) {
    ClearFailure();
    if (alreadyExisted) *alreadyExisted = false;
    if (!IsAcceptedName(name)) return 0;
    if (size == 0) {
        SetFailure("a section needs a size");
        return 0;
    }
    const std::string folder = SectionFolder(true);
    if (folder.empty()) return 0;
    const std::string path = SectionPath(folder, name);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int fd = -1;
        const size_t pages = (size_t{size} + kPageSize - 1) / kPageSize * kPageSize;
        const int error = CreateNew(folder, path, pages, fd);
        if (error == 0) return AddHandle(fd, pages, path);
        if (error != EEXIST) {
            SetFailureFromErrno("cannot create the section file " + path, error);
            return 0;
        }
        size_t existingSize = 0;
        switch (JoinExisting(folder, path, fd, existingSize)) {
            case Existing::Held:
                if (alreadyExisted) *alreadyExisted = true;
                return AddHandle(fd, existingSize, path);
            case Existing::Failed:
                return 0;
            case Existing::Absent:
            case Existing::TryAgain:
                break;
        }
    }
    SetFailure("the section file " + path + " kept changing while it was being created");
    return 0;
}

MappingHandle OpenFileMapping(const std::u16string& name) {
    ClearFailure();
    if (!IsAcceptedName(name)) return 0;
    const std::string folder = SectionFolder(false);
    if (folder.empty()) return 0;
    const std::string path = SectionPath(folder, name);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int fd = -1;
        size_t size = 0;
        switch (JoinExisting(folder, path, fd, size)) {
            case Existing::Held:
                return AddHandle(fd, size, path);
            case Existing::Absent:
                SetFailure("no section named " + Utf16ToUtf8(name));
                return 0;
            case Existing::Failed:
                return 0;
            case Existing::TryAgain:
                break;
        }
    }
    SetFailure("the section file " + path + " kept changing while it was being opened");
    return 0;
}

void* MapViewOfFile(MappingHandle handle) {
    ClearFailure();
    const std::shared_ptr<SectionFile> section = FindHandle(handle);
    if (!section) {
        SetFailure("not a section handle");
        return nullptr;
    }
    if (section->size == 0) {
        SetFailure("the section is empty");
        return nullptr;
    }
    void* view = mmap(nullptr, section->size, PROT_READ | PROT_WRITE, MAP_SHARED, section->fd, 0);
    if (view == MAP_FAILED) {
        SetFailureFromErrno("cannot map the section", errno);
        return nullptr;
    }
    Sections& s = TheSections();
    std::lock_guard lock(s.mutex);
    s.views[view] = View{section->size};
    return view;
}

size_t MappingSize(MappingHandle handle) {
    const std::shared_ptr<SectionFile> section = FindHandle(handle);
    return section ? section->size : 0;
}

void UnmapViewOfFile(void* view) {
    ClearFailure();
    View unmapped;
    {
        Sections& s = TheSections();
        std::lock_guard lock(s.mutex);
        const auto found = s.views.find(view);
        if (found == s.views.end()) return;
        unmapped = std::move(found->second);
        s.views.erase(found);
    }
    munmap(view, unmapped.size);
}

void CloseHandle(MappingHandle handle) {
    ClearFailure();
    std::shared_ptr<SectionFile> closed;
    Sections& s = TheSections();
    std::lock_guard lock(s.mutex);
    const auto found = s.handles.find(handle);
    if (found == s.handles.end()) return;
    closed = std::move(found->second);
    s.handles.erase(found);
}

}  // namespace twinlink::platform

// Top-level windows and posted messages between processes (window_records.h describes the
// files). A posted message is one datagram of 24 bytes: the message as a u32, four zero bytes,
// wParam as a u64 and lParam as an i64, in this machine's byte order. Posting never waits: a
// full queue drops the message and the post reports false, as a full Windows queue does.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "failure.h"
#include "private_folders.h"
#include "processes.h"
#include "twinlink/platform.h"
#include "window_changes.h"
#include "window_connections.h"
#include "window_records.h"

namespace twinlink::platform {

using namespace posix;

namespace {

struct Datagram {
    uint32_t message;
    uint32_t zero;
    uint64_t wParam;
    int64_t lParam;
};
static_assert(sizeof(Datagram) == 24);

constexpr uint32_t kFirstUserMessage = 0x0400;  // WM_USER

uint64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000ull + static_cast<uint64_t>(now.tv_nsec);
}

// A fresh handle to try: random, non-zero, a multiple of four and within 32 bits (a window
// handle of 64-bit Windows fits 32 bits). Its uniqueness comes from binding its socket, which fails if it is taken.
WindowHandle HandleCandidate() {
    static std::atomic<uint64_t> counter{0};
    uint32_t random = 0;
    if (getrandom(&random, sizeof random, GRND_NONBLOCK) != sizeof random) {
        uint64_t mixed = MonotonicNanoseconds() ^
                         (uint64_t{static_cast<uint32_t>(getpid())} << 32) ^
                         (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
        mixed = (mixed ^ (mixed >> 31)) * 0xBF58476D1CE4E5B9ull;
        random = static_cast<uint32_t>(mixed ^ (mixed >> 29));
    }
    random &= 0x7FFFFFFCu;
    return random == 0 ? 4 : random;
}

// A socket address for `path`. A path too long for sun_path is reached through the folder's
// descriptor (/proc/self/fd/<n>/<leaf>), which `folderFd` then holds open until the caller closes
// it.
bool SocketAddress(const std::string& folder, const std::string& leaf, sockaddr_un& address,
                   int& folderFd) {
    address = {};
    address.sun_family = AF_UNIX;
    std::string path = folder + "/" + leaf;
    if (path.size() >= sizeof address.sun_path) {
        folderFd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folderFd < 0) return false;
        path = "/proc/self/fd/" + std::to_string(folderFd) + "/" + leaf;
        if (path.size() >= sizeof address.sun_path) return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

class FolderDescriptor {
  public:
    ~FolderDescriptor() {
        if (fd >= 0) close(fd);
    }
    int fd = -1;
};

// Whether a process is bound to the socket file `leaf` (a file left by a process that ended
// refuses connections).
bool SocketIsBound(const std::string& folder, const std::string& leaf) {
    FolderDescriptor folderFd;
    sockaddr_un address;
    if (!SocketAddress(folder, leaf, address, folderFd.fd)) return false;
    const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return true;  // cannot tell: leave it alone
    const bool bound =
        connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
        (errno != ECONNREFUSED && errno != ENOENT);
    close(probe);
    return bound;
}

// The runtime folder when it exists and is private; empty otherwise (with the reason set when
// it is refused).
std::string ExistingRuntimeFolder() {
    const std::string folder = StateFolder(StatePlace::Runtime);
    return CheckPrivateFolder(folder) == FolderState::Ready ? folder : std::string();
}

std::optional<WindowRecord> FindWindow(WindowHandle w) {
    ClearFailure();
    const std::string folder = ExistingRuntimeFolder();
    if (folder.empty()) return std::nullopt;
    std::optional<WindowRecord> record = LoadLiveRecord(folder, w);
    if (!record) SetFailure("no window " + HandleText(w));
    return record;
}

}  // namespace

std::vector<WindowInfo> EnumWindows() {
    ClearFailure();
    std::vector<WindowRecord> records;
    const std::string folder = ExistingRuntimeFolder();
    if (DIR* dir = folder.empty() ? nullptr : opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::optional<WindowHandle> handle = HandleFromRecordName(entry->d_name);
            if (!handle) continue;
            if (std::optional<WindowRecord> record = LoadLiveRecord(folder, *handle)) {
                WatchWindowProcess(record->info.processId, record->startTime);
                records.push_back(*record);
            }
        }
        closedir(dir);
    }
    // Newest first, as Windows lists a desktop's windows: each new top-level window comes in
    // at the top.
    std::sort(records.begin(), records.end(), [](const WindowRecord& a, const WindowRecord& b) {
        return a.created != b.created ? a.created > b.created : a.info.handle > b.info.handle;
    });
    std::vector<WindowInfo> windows;
    windows.reserve(records.size());
    for (const WindowRecord& record : records) windows.push_back(record.info);
    return windows;
}

bool IsWindow(WindowHandle w) {
    return FindWindow(w).has_value();
}

bool IsWindowVisible(WindowHandle w) {
    const std::optional<WindowRecord> record = FindWindow(w);
    return record && record->info.visible;
}

uint32_t GetWindowProcessId(WindowHandle w) {
    const std::optional<WindowRecord> record = FindWindow(w);
    return record ? record->info.processId : 0;
}

WindowHandle GetWindowOwner(WindowHandle w) {
    const std::optional<WindowRecord> record = FindWindow(w);
    return record ? record->info.owner : 0;
}

std::optional<std::u16string> GetClassName(WindowHandle w) {
    std::optional<WindowRecord> record = FindWindow(w);
    if (!record) return std::nullopt;
    return std::move(record->info.className);
}

std::optional<std::u16string> GetWindowText(WindowHandle w) {
    std::optional<WindowRecord> record = FindWindow(w);
    if (!record) return std::nullopt;
    return std::move(record->info.title);
}

// This machine has no desktop that brings one window to the front.
WindowHandle GetForegroundWindow() {
    return 0;
}

namespace {

// A socket connected to the socket of window `w` in `folder`; -1 with the failure set when
// there is no such window.
int ConnectToWindow(const std::string& folder, WindowHandle w) {
    FolderDescriptor folderFd;
    sockaddr_un address;
    if (w == 0 ||
        !SocketAddress(folder, HandleText(w) + std::string(kSocketSuffix), address, folderFd.fd)) {
        SetFailure("no window " + HandleText(w));
        return -1;
    }
    const int connection = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (connection < 0) {
        SetFailureFromErrno("cannot make a socket", errno);
        return -1;
    }
    if (connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return connection;
    const int error = errno;
    close(connection);
    if (error == ENOENT || error == ECONNREFUSED)
        SetFailure("no window " + HandleText(w));
    else
        SetFailureFromErrno("cannot post to window " + HandleText(w), error);
    return -1;
}

// The errno of a send that failed: 0 when the datagram went.
int Send(int connection, const Datagram& datagram) {
    const ssize_t sent = send(connection, &datagram, sizeof datagram, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(sizeof datagram)) return 0;
    return sent < 0 ? errno : EMSGSIZE;
}

// A refused send: the window the connection reached is gone.
bool Refused(int error) {
    return error == ECONNREFUSED || error == ENOTCONN;
}

}  // namespace

// The window's socket answers for it: a window that was destroyed has no socket file, one whose
// process is gone refuses the datagram, and either way the post fails as on an invalid handle.
// A thread keeps its connections (window_connections.h), so that a post to a window it has
// posted to before sends without looking the window's socket up again.
bool PostMessage(WindowHandle w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    ClearFailure();
    // The folder's privacy is judged again only when the window change count has moved since
    // this thread last judged it: the count moves when the folder goes, moves or changes owner
    // or mode. A wake-up is then one look at the count and one send.
    struct Judged {
        std::string folder;
        uint64_t changes = 0;
    };
    thread_local Judged judged;
    const uint64_t changes = WindowChangeCount();
    const std::string folder = StateFolder(StatePlace::Runtime);
    if (folder != judged.folder || changes != judged.changes) {
        judged.folder.clear();
        if (CheckPrivateFolder(folder) != FolderState::Ready) return false;
        judged = {folder, changes};
    }
    const Datagram datagram{message, 0, static_cast<uint64_t>(wParam),
                            static_cast<int64_t>(lParam)};
    WindowConnections& connections = WindowConnections::OfThisThread();
    int error = 0;
    bool connectAfresh = true;
    if (const int kept = connections.Find(folder, w); kept >= 0) {
        error = Send(kept, datagram);
        if (error == 0) return true;
        // Gone: the handle may stand for a later window by now, found through the folder.
        connectAfresh = Refused(error);
        if (connectAfresh) connections.Drop(w);
    }
    if (connectAfresh) {
        const int connection = ConnectToWindow(folder, w);
        if (connection < 0) return false;
        connections.Keep(folder, w, connection);
        error = Send(connection, datagram);
        if (error == 0) return true;
        if (Refused(error)) connections.Drop(w);
    }
    if (Refused(error)) {
        SetFailure("no window " + HandleText(w));
        return false;
    }
    SetFailureFromErrno(error == EAGAIN
                            ? "the message queue of window " + HandleText(w) + " is full"
                            : "cannot post to window " + HandleText(w),
                        error);
    return false;
}

struct OwnWindow::State {
    int socket = -1;
    std::string endpoint;
    uint32_t creatorPid = 0;  // a forked child's copy must not unpublish its parent's window
};

OwnWindow::OwnWindow() = default;

OwnWindow::~OwnWindow() {
    Destroy();
}

bool OwnWindow::Create(const std::u16string& className, const std::u16string& title, bool visible,
                       WindowHandle owner, std::string* error) {
    ClearFailure();
    Destroy();
    auto state = std::make_unique<State>();
    const auto fail = [&](std::string why) {
        if (!why.empty()) SetFailure(std::move(why));
        if (error) *error = LastErrorText();
        if (state->socket >= 0) close(state->socket);
        return false;
    };
    const std::string folder = StateFolder(StatePlace::Runtime);
    if (EnsurePrivateFolder(folder) != FolderState::Ready) return fail("");
    state->socket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (state->socket < 0) {
        SetFailureFromErrno("cannot make a socket", errno);
        return fail("");
    }
    WindowHandle handle = 0;
    for (int attempt = 0; attempt < 64 && handle == 0; ++attempt) {
        const WindowHandle candidate = HandleCandidate();
        const std::string leaf = HandleText(candidate) + std::string(kSocketSuffix);
        FolderDescriptor folderFd;
        sockaddr_un address;
        if (!SocketAddress(folder, leaf, address, folderFd.fd))
            return fail("no socket address in " + folder);
        if (bind(state->socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            handle = candidate;
        } else if (errno != EADDRINUSE) {
            SetFailureFromErrno("cannot publish a window in " + folder, errno);
            return fail("");
        } else if (!SocketIsBound(folder, leaf)) {
            RemoveWindowFiles(folder, candidate);  // left by a process that ended
        }
    }
    if (handle == 0) return fail("no free window handle in " + folder);
    const std::string base = folder + "/" + HandleText(handle);
    chmod((base + std::string(kSocketSuffix)).c_str(), 0600);

    WindowRecord record;
    record.info = WindowInfo{handle, GetCurrentProcessId(), className, title, visible, owner};
    record.startTime = ProcessStartTime(GetCurrentProcessId()).value_or(0);
    record.created = MonotonicNanoseconds();
    if (const int written = WritePrivateFileAtomically(
            folder, HandleText(handle) + std::string(kRecordSuffix), RecordText(record), true)) {
        unlink((base + std::string(kSocketSuffix)).c_str());
        SetFailureFromErrno("cannot publish the window record " + base + std::string(kRecordSuffix),
                            written);
        return fail("");
    }
    handle_ = handle;
    state->endpoint = base;
    state->creatorPid = GetCurrentProcessId();
    state_ = std::move(state);
    return true;
}

void OwnWindow::Destroy() {
    if (state_) {
        if (state_->socket >= 0) close(state_->socket);
        // A child forked from the creator holds a copy of this object; only the creator
        // unpublishes.
        if (handle_ != 0 && state_->creatorPid == GetCurrentProcessId()) {
            unlink((state_->endpoint + std::string(kRecordSuffix)).c_str());
            unlink((state_->endpoint + std::string(kSocketSuffix)).c_str());
        }
        state_.reset();
    }
    handle_ = 0;
}

std::optional<WindowMessage> OwnWindow::Receive(std::chrono::milliseconds timeout) {
    if (!state_ || state_->socket < 0) return std::nullopt;
    const int fd = state_->socket;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Datagram datagram{};
        const ssize_t got = recv(fd, &datagram, sizeof datagram, MSG_DONTWAIT | MSG_TRUNC);
        // Messages below WM_USER are the system's: on Windows they go to the window procedure
        // (which does nothing with them here), and Receive returns only the ones from WM_USER on.
        if (got == static_cast<ssize_t>(sizeof datagram) && datagram.message < kFirstUserMessage)
            continue;
        if (got == static_cast<ssize_t>(sizeof datagram)) {
            return WindowMessage{datagram.message, static_cast<uintptr_t>(datagram.wParam),
                                 static_cast<intptr_t>(datagram.lParam)};
        }
        if (got >= 0) continue;  // not one of ours: skip it
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return std::nullopt;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd waiting{fd, POLLIN, 0};
        poll(&waiting, 1, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
    }
}

}  // namespace twinlink::platform

#include "window_changes.h"

#include <pthread.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <unordered_map>

#include "private_folders.h"
#include "processes.h"
#include "twinlink/platform.h"

namespace twinlink::platform {

namespace posix {
namespace {

// The epoll tag of the folder's inotify instance; a pidfd is tagged with its process id.
constexpr uint64_t kFolderTag = UINT64_MAX;
// IN_ATTRIB: the folder's own owner or mode changed (those of what it holds move the count too).
constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;

class WindowChanges {
  public:
    uint64_t Count() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Ready()) return ++count_;  // nothing can be watched: every ask may follow a change
        TakeEvents();
        // After the events, which may say that the watched folder has gone.
        const std::string folder = StateFolder(StatePlace::Runtime);
        if (folderWatch_ < 0 || folder != folder_) WatchFolder(folder);
        // Without a watch (no folder yet) a window may come at any time.
        if (folderWatch_ < 0 || processesUnwatched_) ++count_;
        return count_;
    }

    void WatchProcess(uint32_t processId, uint64_t startTime) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Ready()) return;
        const auto known = processes_.find(processId);
        if (known != processes_.end()) {
            if (known->second.startTime == startTime) return;
            Unwatch(known);  // that process has ended and its id is taken again
        }
        // Through syscall: glibc 2.36's <sys/pidfd.h> declares pidfd_open without C linkage.
        const int pidfd =
            static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(processId), 0u));
        if (pidfd < 0) {
            if (errno != ESRCH) processesUnwatched_ = true;
            ++count_;
            return;
        }
        // Checked after opening, so that the pidfd is known to stand for the listed process.
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = processId;
        if (ProcessStartTime(processId) != startTime) {
            close(pidfd);
            ++count_;
        } else if (epoll_ctl(epoll_, EPOLL_CTL_ADD, pidfd, &event) != 0) {
            close(pidfd);
            processesUnwatched_ = true;
        } else {
            processes_[processId] = WatchedProcess{pidfd, startTime};
        }
    }

    // A forked child shares the parent's inotify instance and epoll set: reading from them would
    // take the parent's events, so the child starts its own at its first ask.
    void BeforeFork() { mutex_.lock(); }
    void AfterForkInParent() { mutex_.unlock(); }
    void AfterForkInChild() {
        inherited_ = true;
        mutex_.unlock();
    }

  private:
    struct WatchedProcess {
        int pidfd;
        uint64_t startTime;
    };
    using Processes = std::unordered_map<uint32_t, WatchedProcess>;

    bool Ready() {
        if (inherited_) {
            // Only closed: removing them from the shared epoll set would remove the parent's.
            for (const auto& [processId, watched] : processes_) close(watched.pidfd);
            processes_.clear();
            if (inotify_ >= 0) close(inotify_);
            if (epoll_ >= 0) close(epoll_);
            inotify_ = epoll_ = folderWatch_ = -1;
            folder_.clear();
            processesUnwatched_ = false;
            inherited_ = false;
        }
        if (epoll_ >= 0) return true;
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = kFolderTag;
        if (epoll_ >= 0 && inotify_ >= 0 && epoll_ctl(epoll_, EPOLL_CTL_ADD, inotify_, &event) == 0)
            return true;
        if (inotify_ >= 0) close(inotify_);
        if (epoll_ >= 0) close(epoll_);
        inotify_ = epoll_ = -1;
        return false;
    }

    // Whatever was in the folder before is unknown to the watch: the count moves.
    void WatchFolder(const std::string& folder) {
        if (folderWatch_ >= 0) inotify_rm_watch(inotify_, folderWatch_);
        folderWatch_ = inotify_add_watch(inotify_, folder.c_str(), kFolderEvents);
        folder_ = folder;
        ++count_;
    }

    void Unwatch(Processes::iterator watched) {
        epoll_ctl(epoll_, EPOLL_CTL_DEL, watched->second.pidfd, nullptr);
        close(watched->second.pidfd);
        processes_.erase(watched);
        ++count_;
    }

    void TakeEvents() {
        constexpr int kBatch = 16;
        epoll_event ready[kBatch];
        for (;;) {
            const int count = epoll_wait(epoll_, ready, kBatch, 0);
            if (count < 0 && errno == EINTR) continue;
            for (int i = 0; i < count; ++i) {
                if (ready[i].data.u64 == kFolderTag) {
                    TakeFolderEvents();
                    continue;
                }
                const auto ended = processes_.find(static_cast<uint32_t>(ready[i].data.u64));
                if (ended != processes_.end()) Unwatch(ended);
            }
            if (count < kBatch) return;
        }
    }

    void TakeFolderEvents() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = read(inotify_, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                // Events lost to a full queue may have been anything; those of a folder no
                // longer watched (the end of its watch among them) say nothing.
                if ((event->mask & IN_Q_OVERFLOW) != 0) ++count_;
                if (event->wd != folderWatch_ || folderWatch_ < 0) continue;
                ++count_;
                // The folder has gone, or moved away with the watch: the path is watched afresh.
                if ((event->mask & IN_MOVE_SELF) != 0) inotify_rm_watch(inotify_, folderWatch_);
                if ((event->mask & (IN_IGNORED | IN_MOVE_SELF)) != 0) folderWatch_ = -1;
            }
        }
    }

    std::mutex mutex_;
    bool inherited_ = false;
    int epoll_ = -1;
    int inotify_ = -1;
    int folderWatch_ = -1;
    std::string folder_;
    Processes processes_;
    bool processesUnwatched_ = false;  // a process could not be watched: its end would go unseen
    uint64_t count_ = 0;
};

WindowChanges* registered = nullptr;  // set once, before the fork handlers that use it

// Never destroyed: the fork handlers may run while the program ends.
WindowChanges& Changes() {
    static WindowChanges* const changes = [] {
        registered = new WindowChanges;
        pthread_atfork([] { registered->BeforeFork(); }, [] { registered->AfterForkInParent(); },
                       [] { registered->AfterForkInChild(); });
        return registered;
    }();
    return *changes;
}

}  // namespace

void WatchWindowProcess(uint32_t processId, uint64_t startTime) {
    Changes().WatchProcess(processId, startTime);
}

}  // namespace posix

uint64_t WindowChangeCount() {
    return posix::Changes().Count();
}

}  // namespace twinlink::platform

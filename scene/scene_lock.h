// The lock between the host's thread, which changes the mirror, and the sync worker, which
// sends it. A timed mutex built from a plain mutex, a condition variable and an owner word, so
// that the host can give up after a deadline and hold the lock across calls.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace korvan {

class SceneLock {
  public:
    using Clock = std::chrono::steady_clock;

    // Waits as long as needed.
    void Lock();
    // Gives up at the deadline; true when the lock was taken.
    bool TryLockUntil(Clock::time_point deadline);
    // Frees the lock and wakes one waiter.
    void Unlock();

  private:
    std::mutex mutex;
    std::condition_variable released;
    unsigned owner = 0;  // 0 = free
};

}  // namespace korvan

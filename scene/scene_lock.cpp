#include "scene/scene_lock.h"

namespace korvan {

void SceneLock::Lock() {
    std::unique_lock<std::mutex> guard(mutex);
    released.wait(guard, [this] { return owner == 0; });
    owner = 1;
}

bool SceneLock::TryLockUntil(Clock::time_point deadline) {
    std::unique_lock<std::mutex> guard(mutex);
    if (!released.wait_until(guard, deadline, [this] { return owner == 0; })) return false;
    owner = 1;
    return true;
}

// The owner word, not the mutex, is the lock: the host's thread may take it in one call and
// free it in another, and ResetScene frees it for the host.
void SceneLock::Unlock() {
    {
        std::lock_guard<std::mutex> guard(mutex);
        owner = 0;
    }
    released.notify_one();
}

}  // namespace korvan

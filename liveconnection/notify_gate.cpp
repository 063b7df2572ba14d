#include "liveconnection/notify_gate.h"

namespace TwinLinkAPI {

bool NotifyGate::Enter(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_lock<std::mutex> lock(mutex);
    if (!released.wait_until(lock, deadline, [this] { return busy == 0; })) return false;
    busy = kTaken;
    return true;
}

void NotifyGate::Leave() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        busy = 0;
    }
    released.notify_one();
}

}  // namespace TwinLinkAPI

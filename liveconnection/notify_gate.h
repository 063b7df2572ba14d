// Lets one thread at a time post notifications; a thread that cannot get in within its wait
// gives up instead of queueing behind a slow window scan.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace TwinLinkAPI {

class NotifyGate {
  public:
    // True when the gate was taken within `wait`.
    bool Enter(std::chrono::milliseconds wait);
    void Leave();

  private:
    static constexpr uint32_t kTaken = 0xFFFFFFFFu;

    std::mutex mutex;
    std::condition_variable released;
    uint32_t busy = 0;  // 0 free, kTaken while a thread is inside
};

}  // namespace TwinLinkAPI

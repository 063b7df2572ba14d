// The lock shared with Korvan: a word in the header holding the owner's process id, 0 when free.
// Nothing breaks it: if its holder dies, every later Lock times out.
#include <chrono>
#include <thread>

#include "liveconnection/live_connection.h"
#include "liveconnection/shared_word.h"

namespace TwinLinkAPI {
namespace {

// Takes the lock if it is free; true also when this process holds it already.
bool TryTake(uint32_t& owner, uint32_t processId) {
    uint32_t previous = 0;
    return SharedWord(owner).compare_exchange_strong(previous, processId) || previous == processId;
}

}  // namespace

bool LiveConnection::Lock(uint32_t timeoutMicroseconds) {
    if (!IsOpen()) return false;
    if (TryTake(header->lockOwner, processId)) return true;
    if (timeoutMicroseconds == 0) return false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::microseconds(timeoutMicroseconds);
    for (;;) {
        std::this_thread::yield();
        if (TryTake(header->lockOwner, processId)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
    }
}

void LiveConnection::Unlock() {
    if (!IsOpen()) return;
    uint32_t held = processId;
    SharedWord(header->lockOwner).compare_exchange_strong(held, 0);
}

}  // namespace TwinLinkAPI

// Words of the shared section that another thread or the peer process may change at the same
// time are read and written atomically through these helpers.
#pragma once

#include <atomic>
#include <cstdint>

namespace TwinLinkAPI {

inline std::atomic_ref<uint32_t> SharedWord(uint32_t& word) {
    return std::atomic_ref<uint32_t>(word);
}

inline uint32_t LoadShared(uint32_t& word) {
    return SharedWord(word).load(std::memory_order_acquire);
}

inline void StoreShared(uint32_t& word, uint32_t value) {
    SharedWord(word).store(value, std::memory_order_release);
}

}  // namespace TwinLinkAPI

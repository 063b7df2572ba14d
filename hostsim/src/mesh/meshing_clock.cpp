#include "mesh/meshing_clock.h"

#include <atomic>

namespace hostsim {

namespace {
std::atomic<uint64_t> total{0};
}

uint64_t MeshingNanoseconds() { return total.load(std::memory_order_relaxed); }
void AddMeshingNanoseconds(uint64_t ns) { total.fetch_add(ns, std::memory_order_relaxed); }
void ResetMeshingClock() { total.store(0, std::memory_order_relaxed); }

}  // namespace hostsim

// Time the host spends triangulating faces for SketchUpAPI callers (SUMeshHelperCreate), summed
// over every thread. Benchmarks subtract it to tell the host's work from a plug-in's own.
#pragma once

#include <cstdint>

namespace hostsim {

uint64_t MeshingNanoseconds();
void AddMeshingNanoseconds(uint64_t ns);
void ResetMeshingClock();

}  // namespace hostsim

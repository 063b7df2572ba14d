// A city for benchmarks: blocks of streets, buildings, trees and lamps, generated from a seed
// up to a wanted number of triangles. Buildings are component definitions placed many times
// (turned, some mirrored, some painted as a whole), each block is a group of its own, and
// materials come by the dozen, some of them textured. The same seed and size always give
// the same city.
#pragma once

#include <cstdint>

#include "model/model.h"

namespace hostsim {

struct CityStats {
    uint64_t triangles = 0;    // as drawn: every face of every placement, openings included
    uint64_t storedFaces = 0;  // faces held by the model and its definitions
    int blocks = 0, buildingTypes = 0, buildings = 0, trees = 0, lamps = 0;
};

// The sizes the generator accepts; it is tuned for 10 thousand to 2 million triangles.
inline constexpr uint64_t kCityFewestTriangles = 1'000, kCityMostTriangles = 20'000'000;

// Draws the city into `model` as one operation named "City". The triangle count ends within
// a few dozen triangles below `targetTriangles`.
CityStats BuildCity(Model& model, uint32_t seed, uint64_t targetTriangles);

// Builds the city as a new model and opens it as the active model.
Model* OpenCity(uint32_t seed, uint64_t targetTriangles, CityStats* stats = nullptr);

}  // namespace hostsim

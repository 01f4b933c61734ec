#pragma once
// The daisy mesh generator: fills the mesh store petal by petal.

#include <functional>
#include <vector>

#include "geometry/FlowerParameters.h"
#include "geometry/MeshStore.h"
#include "geometry/RandomSource.h"

namespace petalwright::geometry {

inline constexpr int kFacesPerPetal = 8;
// The flower's centre is (0, kFlowerCentreY, 0) and its axis points along +Y.
inline constexpr double kFlowerCentreY = 50;

// Size of each ring against the first: 1 for the first ring, running evenly to petalScale for the last.
std::vector<double> ringScales(const FlowerParameters& parameters);

// Called after each petal with the faces of the petals before it; returns false to stop (cancel).
using PetalStep = std::function<bool(int facesBefore)>;

// Fills `store` (allocated for these counts) with every ring, petal, point and strip. Draws exactly
// overlapCount - 1 numbers from `random` on a complete run. Returns false when `step` stopped it;
// the petals computed so far stay in the store.
bool makeDaisyMesh(const FlowerParameters& parameters, MeshStore& store, RandomSource& random,
                   const PetalStep& step = {});

} // namespace petalwright::geometry

#pragma once
// The printable flower: every petal thickened into a slab, a heart that joins the rings, all united
// into one closed shell that stands on z = 0.

#include <functional>
#include <string>

#include "formats/SolidMesh.h"
#include "geometry/MeshStore.h"

namespace petalwright::solid {

struct SolidOptions {
    double thicknessMm = 1.2; // two perimeters of a 0.4 mm nozzle and some infill
    double sizeMm = 0.0;      // largest width across X and Y; 0 keeps the drawing units as millimetres
};

// Called with the steps done and the steps in all (one per union); returns false to stop (cancel).
using SolidStep = std::function<bool(int done, int total)>;

enum class SolidOutcome {
    Finished,
    Cancelled, // stopped by the step; `out` is left empty
    Failed,    // the geometry could not be united into one closed shell; `out` is left empty
};

// Steps buildPrintSolid reports for a flower of these counts (the unions of its parts).
int solidStepTotal(int overlapCount, int petalCount);

// Builds the solid of the `overlapCount` x `petalCount` petals held in `mesh` into `out`.
// `problem` receives a Japanese sentence when the outcome is Failed.
SolidOutcome buildPrintSolid(const geometry::MeshStore& mesh, int overlapCount, int petalCount, const SolidOptions& options,
                             formats::SolidMesh& out, const SolidStep& step = {}, std::string* problem = nullptr);

} // namespace petalwright::solid

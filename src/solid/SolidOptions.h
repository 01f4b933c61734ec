#pragma once
// The thickness and size of the printable solid: read from their texts and checked against each other.

#include <string>
#include <string_view>

#include "geometry/FlowerParameters.h"
#include "solid/PrintSolid.h"

namespace petalwright::solid {

inline constexpr std::string_view kDefaultThicknessText = "1.2";
// The thickness may lie between these fractions of the flower's size: thinner would take minutes and
// gigabytes, thicker would swallow the petals.
inline constexpr double kThinnestPerSize = 1.0 / 200;
inline constexpr double kThickestPerSize = 1.0 / 20;
// What a printer can make at all: a petal as thick as a 0.4 mm nozzle's line, a flower 20 mm across.
inline constexpr double kThinnestMm = 0.4;
inline constexpr double kSmallestMm = 20;
// The solid's voxels: at least this many across a slab, and at most this many on the petals' sheets (both
// sides), which bounds the time and memory (under a gigabyte at the bound).
inline constexpr double kVoxelsPerSlab = 2.5;
inline constexpr double kMaxSheetVoxels = 5e6;
// Above this many active voxels in the united solid, its flat areas are not merged (the merge would need
// over a gigabyte): the file keeps the mesher's cells.
inline constexpr double kMaxMergedVoxels = 2.5e6;

// The thinnest petal the solid of this flower, `acrossMm` wide, can be made with in bounded memory.
double thinnestForDetail(const geometry::FlowerParameters& parameters, double acrossMm);

// The width across of the flower the six values describe, when no size is asked for (millimetres, rounded up).
double drawingSizeMm(const geometry::FlowerParameters& parameters);

// The progress text's line on how the built solid stands on the bed.
std::string orientationText(bool upsideDown);

// Reads `thicknessText` and `sizeText` (empty: the drawing's own size) into `options`. Returns the problems in
// Japanese, one per line joined by "\n"; empty when both are good.
std::string checkSolidOptions(std::string_view thicknessText, std::string_view sizeText,
                              const geometry::FlowerParameters& parameters, SolidOptions& options);

} // namespace petalwright::solid

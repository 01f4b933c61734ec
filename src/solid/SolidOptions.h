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

// The width across of the flower the six values describe, when no size is asked for (millimetres, rounded up).
double drawingSizeMm(const geometry::FlowerParameters& parameters);

// Reads `thicknessText` and `sizeText` (empty: the drawing's own size) into `options`. Returns the problems in
// Japanese, one per line joined by "\n"; empty when both are good.
std::string checkSolidOptions(std::string_view thicknessText, std::string_view sizeText,
                              const geometry::FlowerParameters& parameters, SolidOptions& options);

} // namespace petalwright::solid

#pragma once
// Face count and rough file size of a run, worked out before anything is generated.

#include <cstdint>
#include <string>

#include "formats/OutputFormat.h"
#include "geometry/FlowerParameters.h"

namespace petalwright::formats {

struct SizeEstimate {
    std::int32_t faceTotal = 0;    // faces the run writes
    std::string sizeEstimateText;  // "約 67.1 KB", "約 4.6 MB"
};

// For validated counts (petals 2..50, overlap 1..50).
SizeEstimate estimateSize(std::int32_t petalCount, std::int32_t overlapCount);

// The estimate of the file `format` writes for validated parameters: for the DXF type the one above,
// for the other surface types within a tenth of the file. Not for the printable types, whose size
// follows the solid's options (see solid/SolidSizeEstimate.h).
SizeEstimate estimateFileSize(OutputFormat format, const geometry::FlowerParameters& parameters);

// "約 20.3 KB", "約 1.5 MB": a byte count as the estimates show it (one decimal, rounded up).
std::string approximateSizeText(double bytes);

// Face count at which the main window asks before a run.
inline constexpr std::int32_t kConfirmFaceCount = 1200;

} // namespace petalwright::formats

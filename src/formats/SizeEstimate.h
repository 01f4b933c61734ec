#pragma once
// Face count and rough file size of a run, worked out before anything is generated.

#include <cstdint>
#include <string>

namespace petalwright::formats {

struct SizeEstimate {
    std::int32_t faceTotal = 0;    // faces the run writes
    std::string sizeEstimateText;  // "約 67.1 KB", "約 4.6 MB"
};

// For validated counts (petals 2..50, overlap 1..50).
SizeEstimate estimateSize(std::int32_t petalCount, std::int32_t overlapCount);

// Face count at which the main window asks before a run.
inline constexpr std::int32_t kConfirmFaceCount = 1200;

} // namespace petalwright::formats

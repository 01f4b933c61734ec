#include "formats/SizeEstimate.h"

#include "formats/NumberPatterns.h"

namespace petalwright::formats {
namespace {
constexpr std::int32_t kFacesPerPetal = 8;
constexpr std::int32_t kBytesPerPetal = 1906; // 238.25 bytes a face
constexpr float kKilobyte = 1024.0f;
constexpr double kRoundUp = 0.05; // so the shown size errs upward
} // namespace

SizeEstimate estimateSize(std::int32_t petalCount, std::int32_t overlapCount)
{
    SizeEstimate e;
    e.faceTotal = petalCount * kFacesPerPetal * overlapCount;
    const std::int32_t bytes = petalCount * kBytesPerPetal * overlapCount;
    // Exact in single precision: bytes / 1024 = n * 953 / 512.
    const float kb = static_cast<float>(bytes) / kKilobyte;
    const bool megabytes = kb > kKilobyte;
    const double value = (megabytes ? static_cast<double>(kb / kKilobyte) : static_cast<double>(kb)) + kRoundUp;
    e.sizeEstimateText = "約 " + formatOneDecimal(value) + (megabytes ? " MB" : " KB");
    return e;
}

} // namespace petalwright::formats

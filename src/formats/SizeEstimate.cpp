#include "formats/SizeEstimate.h"

#include <cmath>
#include <vector>

#include "formats/NumberPatterns.h"
#include "formats/StlRecord.h"
#include "geometry/DaisyMesh.h"

namespace petalwright::formats {
namespace {
constexpr std::int32_t kFacesPerPetal = 8;
constexpr std::int32_t kBytesPerPetal = 1906; // 238.25 bytes a face
constexpr float kKilobyte = 1024.0f;
constexpr double kRoundUp = 0.05; // so the shown size errs upward
constexpr double kTipDistance = 40; // a petal's tip lies this far from the centre, times its ring's scale
constexpr int kTrianglesPerPetal = 12; // 8 faces: the two next to the centre and the tip are triangles

// Integer digits a coordinate of a petal reaching `reach` from the centre has beyond the first, on
// average over points spread evenly along it.
double extraDigits(double reach)
{
    double digits = 0;
    for (double power = 10; power < reach; power *= 10)
        digits += 1 - power / reach;
    return digits;
}

// Average digit count of the numbers 1..n.
double averageDigits(double n)
{
    double total = 0;
    for (double low = 1; low <= n; low *= 10)
        total += (std::min(n, low * 10 - 1) - low + 1) * (std::log10(low) + 1);
    return n >= 1 ? total / n : 1;
}

// Text formats: a head, something per ring, and per petal a fixed part and a part per extra digit of
// its coordinates. The figures are fitted to the writers' files over flowers across the whole range.
struct TextModel {
    double head, perRing, perPetal, perExtraDigit, perIndexDigit;
};
constexpr TextModel kCadDxfModel = {701, 18, 2757, 139, 0};
constexpr TextModel kObjModel = {270, 67, 422, 37, 40}; // OBJ's faces name vertices by number

double textBytes(const TextModel& model, const geometry::FlowerParameters& p)
{
    double bytes = model.head;
    for (const double scale : geometry::ringScales(p))
        bytes += model.perRing + p.petalCount * (model.perPetal + model.perExtraDigit * extraDigits(kTipDistance * scale));
    const double petals = static_cast<double>(p.petalCount) * p.overlapCount;
    return bytes + model.perIndexDigit * petals * averageDigits(10 * petals);
}

// glTF: a head, a mesh and material per ring, and the petals' binary corners and normals.
constexpr double kGlbHead = 553;
constexpr double kGlbPerRing = 562;
constexpr double kGlbPerPetal = 865;
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

std::string approximateSizeText(double bytes)
{
    const double kb = bytes / kKilobyte;
    const bool megabytes = kb > kKilobyte;
    return "約 " + formatOneDecimal((megabytes ? kb / kKilobyte : kb) + kRoundUp) + (megabytes ? " MB" : " KB");
}

SizeEstimate estimateFileSize(OutputFormat format, const geometry::FlowerParameters& p)
{
    SizeEstimate e = estimateSize(p.petalCount, p.overlapCount);
    const double petals = static_cast<double>(p.petalCount) * p.overlapCount;
    switch (format) {
    case OutputFormat::Dxf:
    case OutputFormat::PrintStl:
    case OutputFormat::ThreeMf:
    case OutputFormat::Petal:
        return e;
    case OutputFormat::CadDxf:
        e.sizeEstimateText = approximateSizeText(textBytes(kCadDxfModel, p));
        break;
    case OutputFormat::Obj:
        e.sizeEstimateText = approximateSizeText(textBytes(kObjModel, p));
        break;
    case OutputFormat::Stl:
        e.sizeEstimateText = approximateSizeText(static_cast<double>(kStlHeadBytes + kStlCountBytes) + petals * kTrianglesPerPetal * static_cast<double>(kStlTriangleBytes));
        break;
    case OutputFormat::Glb:
        e.sizeEstimateText = approximateSizeText(kGlbHead + kGlbPerRing * p.overlapCount + kGlbPerPetal * petals);
        break;
    }
    return e;
}

} // namespace petalwright::formats

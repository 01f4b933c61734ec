#include "geometry/FlowerParameters.h"

#include "geometry/NumberScan.h"

namespace petalwright::geometry {
namespace {

enum Box { kPetal, kOverlap, kWidth, kScale, kAngleStart, kAngleEnd };

constexpr std::int32_t kPetalMin = 2, kPetalMax = 50;
constexpr std::int32_t kOverlapMin = 1, kOverlapMax = 50;
constexpr std::int32_t kWidthMin = 1, kWidthMax = 10;
constexpr double kScaleMin = 0.1, kScaleMax = 50.0;
constexpr double kAngleMin = 0.0, kAngleMax = 180.0;

double leadingValue(const std::string& text) { return scanLeadingNumber(trimBlanks(text)).value; }

} // namespace

ParameterTexts defaultParameterTexts() { return {"6", "6", "5", "0.5", "90", "135"}; }

FlowerParameters convertParameters(const ParameterTexts& texts)
{
    FlowerParameters p;
    p.petalCount = roundHalfEvenToInt32(leadingValue(texts[kPetal]));
    p.overlapCount = roundHalfEvenToInt32(leadingValue(texts[kOverlap]));
    p.petalWidth = roundHalfEvenToInt32(leadingValue(texts[kWidth]));
    p.petalScale = leadingValue(texts[kScale]);
    p.angleStart = leadingValue(texts[kAngleStart]);
    p.angleEnd = leadingValue(texts[kAngleEnd]);
    return p;
}

std::string checkParameters(const ParameterTexts& texts, const FlowerParameters& v)
{
    std::string message;
    const auto fail = [&message](std::string_view line) {
        if (!message.empty())
            message += "\r\n";
        message += line;
    };
    // The negated comparisons let NaN fail too, although the scan never produces one.
    if (v.petalCount < kPetalMin || v.petalCount > kPetalMax)
        fail(messages::kPetalCount);
    if (v.overlapCount < kOverlapMin || v.overlapCount > kOverlapMax)
        fail(messages::kOverlapCount);
    if (v.petalWidth < kWidthMin || v.petalWidth > kWidthMax)
        fail(messages::kPetalWidth);
    if (!(v.petalScale <= kScaleMax && v.petalScale >= kScaleMin))
        fail(messages::kPetalScale);
    if (!isNumericText(texts[kAngleStart]) || !(v.angleStart >= kAngleMin && v.angleStart <= kAngleMax))
        fail(messages::kAngleStart);
    if (!isNumericText(texts[kAngleEnd]) || !(v.angleEnd >= kAngleMin && v.angleEnd <= kAngleMax))
        fail(messages::kAngleEnd);
    if (v.angleStart > v.angleEnd)
        fail(messages::kAngleOrder);
    return message;
}

} // namespace petalwright::geometry

#include "geometry/SampleFlowers.h"

#include <algorithm>

namespace petalwright::geometry {
namespace {

// Found with the preview; each keeps its look whatever the ring turns, and each stays under the face
// count that makes the window ask before a run.
constexpr std::array<SampleFlower, 8> kSamples = {{
    {"daisy", "デイジー", {"6", "6", "5", "0.5", "90", "135"}},
    {"marguerite", "マーガレット", {"24", "1", "9", "1", "95", "95"}},
    {"lotus", "蓮", {"8", "3", "9", "0.7", "125", "160"}},
    {"chrysanthemum", "菊", {"24", "6", "10", "0.4", "80", "170"}},
    {"dahlia", "ダリア", {"8", "8", "10", "0.4", "95", "175"}},
    {"pompom", "ポンポンダリア", {"8", "12", "10", "1", "0", "180"}},
    {"tulip", "チューリップ", {"6", "1", "10", "1", "155", "155"}},
    {"bell", "ツリガネソウ", {"8", "1", "10", "1", "30", "30"}},
}};

} // namespace

ParameterTexts SampleFlower::parameterTexts() const
{
    ParameterTexts result;
    std::transform(texts.begin(), texts.end(), result.begin(), [](std::string_view t) { return std::string(t); });
    return result;
}

std::span<const SampleFlower> sampleFlowers() { return kSamples; }

const SampleFlower* findSampleFlower(std::string_view name)
{
    const auto* found = std::find_if(kSamples.begin(), kSamples.end(), [&](const SampleFlower& s) { return s.name == name; });
    return found == kSamples.end() ? nullptr : found;
}

const SampleFlower* sampleWithTexts(const ParameterTexts& texts)
{
    const auto* found = std::find_if(kSamples.begin(), kSamples.end(), [&](const SampleFlower& s) { return s.parameterTexts() == texts; });
    return found == kSamples.end() ? nullptr : found;
}

} // namespace petalwright::geometry

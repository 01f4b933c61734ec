#include "formats/RingColours.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace petalwright::formats {
namespace {

constexpr int kHues = 24;         // the palette's hue circle in 15 degree steps, numbers 10, 20, .. 240
constexpr int kYellowHue = 4;     // 0 is red at 10, 4 is yellow at 50
constexpr int kTipPoint = 4;
constexpr int kMiddleStrip = 1;
// Shade digits of full colour: 100 %, 65 % and 50 % brightness.
constexpr std::array<int, 3> kShades = {0, 2, 4};
constexpr std::array<double, 5> kShadeValue = {1.0, 0.65, 0.5, 0.3, 0.15};

} // namespace

std::array<double, 3> paletteRgb(int number)
{
    const int hue = number / 10 - 1;
    const int shade = number % 10;
    const double value = kShadeValue[static_cast<std::size_t>(shade / 2)];
    const double saturation = shade % 2 == 0 ? 1.0 : 0.5;
    // Hue, saturation, value to RGB.
    const double h = hue * 15.0 / 60.0;
    const int sector = static_cast<int>(std::floor(h)) % 6;
    const double f = h - std::floor(h);
    const double p = value * (1 - saturation), q = value * (1 - saturation * f), t = value * (1 - saturation * (1 - f));
    switch (sector) {
    case 0: return {value, t, p};
    case 1: return {q, value, p};
    case 2: return {p, value, t};
    case 3: return {p, q, value};
    case 4: return {t, p, value};
    default: return {value, p, q};
    }
}

std::vector<RingColour> ringColours(const geometry::MeshStore& mesh, int rings)
{
    const auto count = static_cast<std::size_t>(std::max(rings, 0));
    std::vector<double> reach(count);
    for (std::size_t ring = 0; ring < count; ++ring) {
        const std::size_t tip = mesh.index(static_cast<int>(ring), 0, kTipPoint, kMiddleStrip);
        const std::size_t base = mesh.index(static_cast<int>(ring), 0, 0, kMiddleStrip);
        // To a millionth of a millimetre, so rings of one size tie whatever their tilt.
        reach[ring] = std::round(std::hypot(mesh.x(tip) - mesh.x(base), mesh.y(tip) - mesh.y(base), mesh.z(tip) - mesh.z(base)) * 1e6);
    }
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return reach[a] < reach[b]; });

    const int shades = std::clamp((rings + kHues - 1) / kHues, 1, static_cast<int>(kShades.size()));
    const int hues = std::max((rings + shades - 1) / shades, 1);
    std::vector<RingColour> colours(count);
    for (std::size_t rank = 0; rank < count; ++rank) {
        const int k = static_cast<int>(rank);
        const int hueStep = k / shades * kHues / hues;
        const int hue = ((kYellowHue - hueStep) % kHues + kHues) % kHues;
        RingColour& colour = colours[order[rank]];
        colour.colourNumber = 10 * (hue + 1) + kShades[static_cast<std::size_t>(k % shades)];
        colour.rgb = paletteRgb(colour.colourNumber);
    }
    return colours;
}

} // namespace petalwright::formats

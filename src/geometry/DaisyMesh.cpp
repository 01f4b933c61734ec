#include "geometry/DaisyMesh.h"

#include <array>
#include <cmath>

#include "geometry/NumberScan.h"

namespace petalwright::geometry {
namespace {

// Slightly below the double nearest to pi; the points depend on this exact value.
constexpr double kPi = 3.14159265358979;
constexpr double kRadiansPerDegree = kPi / 180;
constexpr double kCentreY = kFlowerCentreY;
constexpr double kTiltOffsetDegrees = 270; // growth angle 0 hangs straight down
constexpr int kUnitsPerSector = 32;

constexpr std::array<double, kPointsPerStrip> kPointRadius = {0, 16, 24, 32, 40};
// Degrees subtracted from the ring's tilt: the middle line bends down further than the edges.
constexpr std::array<std::array<double, kPointsPerStrip>, kStripsPerPetal> kBendDegrees = {{
    {0, 2, 3, 1, 0},
    {0, 10, 8, 4, 0},
    {0, 2, 3, 1, 0},
}};

// Azimuth of each template point inside its petal's sector, in degrees.
std::array<std::array<double, kPointsPerStrip>, kStripsPerPetal> spreadDegrees(const FlowerParameters& p)
{
    const int w = std::abs(11 - p.petalWidth);
    const double sectorUnit = 360.0 / p.petalCount / kUnitsPerSector;
    const auto half = [](double v) { return static_cast<double>(roundHalfEvenToInt32(v)); };
    std::array<std::array<double, kPointsPerStrip>, kStripsPerPetal> units = {{
        {0, double(w), double(w + 1), half((15 - w) / 2.0 + (w + 1)), 16},
        {0, 16, 16, 16, 16},
        {0, double(32 - w), double(31 - w), half((15 - w) / 2.0 + 16), 16},
    }};
    for (auto& strip : units)
        for (double& u : strip)
            u *= sectorUnit;
    return units;
}

int ringTilt(const FlowerParameters& p, int ring)
{
    const double t = p.overlapCount > 1
        ? (p.angleEnd - p.angleStart) / (p.overlapCount - 1) * ring + (p.angleStart + kTiltOffsetDegrees)
        : p.angleStart + kTiltOffsetDegrees;
    return roundHalfEvenToInt32(t) % 360;
}

} // namespace

std::vector<double> ringScales(const FlowerParameters& p)
{
    std::vector<double> scale(static_cast<std::size_t>(p.overlapCount), 1.0);
    if (p.petalScale == 1.0 || p.overlapCount == 1)
        return scale;
    const double steps = p.overlapCount - 1;
    for (int ring = 0; ring < p.overlapCount; ++ring) {
        scale[static_cast<std::size_t>(ring)] = p.petalScale < 1.0
            ? 1.0 - (1.0 - p.petalScale) / steps * ring
            : (p.petalScale - 1.0) / steps * ring + 1.0;
    }
    return scale;
}

bool makeDaisyMesh(const FlowerParameters& p, MeshStore& store, RandomSource& random, const PetalStep& step)
{
    const std::vector<double> scale = ringScales(p);
    const auto spread = spreadDegrees(p);
    const double petalSpacing = 360.0 / p.petalCount;
    const double turnUnit = 360.0 / p.petalCount / p.overlapCount;

    for (int ring = 0; ring < p.overlapCount; ++ring) {
        const int tilt = ringTilt(p, ring);
        const double turn = ring == 0 ? 0.0 : std::floor(random.next() * p.overlapCount) * turnUnit;
        const double f = scale[static_cast<std::size_t>(ring)];

        for (int petal = 0; petal < p.petalCount; ++petal) {
            const double petalAzimuth = petalSpacing * petal + turn;
            for (int strip = 0; strip < kStripsPerPetal; ++strip) {
                for (int point = 0; point < kPointsPerStrip; ++point) {
                    const double d = kPointRadius[static_cast<std::size_t>(point)];
                    const double elevation = (tilt - kBendDegrees[static_cast<std::size_t>(strip)][static_cast<std::size_t>(point)]) * kRadiansPerDegree;
                    const double azimuth = (spread[static_cast<std::size_t>(strip)][static_cast<std::size_t>(point)] + petalAzimuth) * kRadiansPerDegree;
                    store.set(ring, petal, point, strip,
                              d * f * std::cos(azimuth) * std::cos(elevation),
                              d * f * std::sin(elevation) + kCentreY,
                              d * f * std::sin(azimuth) * std::cos(elevation));
                }
            }
            if (step && !step(kFacesPerPetal * (p.petalCount * ring + petal)))
                return false;
        }
    }
    return true;
}

} // namespace petalwright::geometry

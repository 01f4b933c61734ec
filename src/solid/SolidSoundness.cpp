#include "solid/SolidSoundness.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <unordered_map>
#include <vector>

namespace petalwright::solid {
namespace {

// A reader takes a triangle's direction from the corners' float differences (their products rounded
// to floats) and corrects the one written where it finds it a thousandth off (admesh does), or where that leaves
// less than this area (twice, mm²): no direction at all. Stricter by a margin, so no reader's rounding
// tips a triangle over.
constexpr double kNormalAgreement = 8e-4;
constexpr double kLeastTwiceArea = 1e-10;

using Corner = std::array<float, 3>;

// Whether the direction written (worked out in double from the corners) is the one a reader finds.
bool directionHolds(const Corner& a, const Corner& b, const Corner& c)
{
    const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const float fu[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const float fv[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    // As admesh rounds: the first product to a float, the difference to a float.
    const auto product = [](float p, float q, float r, float t) {
        return static_cast<float>(double(static_cast<float>(double(p) * q)) - double(r) * t);
    };
    const float read[3] = {product(fu[1], fv[2], fv[1], fu[2]), product(fu[2], fv[0], fv[2], fu[0]), product(fu[0], fv[1], fv[0], fu[1])};
    const double readLength = std::sqrt(double(read[0]) * read[0] + double(read[1]) * read[1] + double(read[2]) * read[2]);
    if (length < kLeastTwiceArea || readLength < kLeastTwiceArea)
        return false;
    for (std::size_t k = 0; k < 3; ++k)
        if (std::abs(double(static_cast<float>(n[k] / length)) - read[k] / readLength) > kNormalAgreement)
            return false;
    return true;
}

std::size_t find(std::vector<std::size_t>& parent, std::size_t i)
{
    while (parent[i] != i)
        i = parent[i] = parent[parent[i]];
    return i;
}

} // namespace

SolidSoundness checkSoundness(const formats::SolidMesh& mesh)
{
    SolidSoundness s;
    // Corners welded by their exact floats.
    std::map<Corner, std::uint32_t> welded;
    std::vector<std::uint32_t> index(mesh.points.size());
    for (std::size_t i = 0; i < mesh.points.size(); ++i)
        index[i] = welded.try_emplace(mesh.points[i], static_cast<std::uint32_t>(welded.size())).first->second;

    // Per undirected edge: the uses each way and the first triangle met on it.
    struct EdgeUse {
        int forward = 0, backward = 0;
        std::size_t triangle = 0;
    };
    std::unordered_map<std::uint64_t, EdgeUse> edges;
    std::vector<std::size_t> parent(mesh.triangles.size());
    std::iota(parent.begin(), parent.end(), std::size_t{0});
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        const auto& tri = mesh.triangles[t];
        if (!directionHolds(mesh.points[tri[0]], mesh.points[tri[1]], mesh.points[tri[2]]))
            ++s.withoutArea;
        for (std::size_t k = 0; k < 3; ++k) {
            const std::uint32_t from = index[tri[k]], to = index[tri[(k + 1) % 3]];
            const std::uint64_t key = std::uint64_t{std::min(from, to)} << 32 | std::max(from, to);
            const auto [use, added] = edges.try_emplace(key, EdgeUse{0, 0, t});
            (from < to ? use->second.forward : use->second.backward) += 1;
            if (!added)
                parent[find(parent, t)] = find(parent, use->second.triangle);
        }
    }
    for (const auto& [key, use] : edges)
        s.badEdges += use.forward == 1 && use.backward == 1 ? 0 : 1;
    for (std::size_t t = 0; t < parent.size(); ++t)
        s.parts += find(parent, t) == t ? 1 : 0;
    return s;
}

} // namespace petalwright::solid

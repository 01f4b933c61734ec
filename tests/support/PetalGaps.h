#pragma once
// Whether the gaps the design leaves between petals are still gaps in the printable solid. The probe
// takes the recipe's parts (each petal's slab, the heart), placed as the solid was, and looks for points
// in the space between two slabs: the middle of the shortest way from one slab to another, kept when no
// part lies within half the wanted width of it. Each such point is then looked up in the solid: a
// point of a gap that the solid holds is a gap filled (webbed or fused).
// Plain C++, used by the solid's tests and its benchmark.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "formats/SolidMesh.h"
#include "solid/SolidRecipe.h"

namespace petalwright::testing {

struct GapPoint {
    std::array<double, 3> at{}; // millimetres, as the solid is placed
    double width = 0;           // the gap's width there: twice the distance to the nearest part
    bool filled = false;        // the solid holds the point
    bool enclosed = false;      // filled, and the parts close it in on every side: a cavity the solid fills
};

namespace gaps {

using Vec = std::array<double, 3>;

inline Vec sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec add(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Vec mul(double s, const Vec& a) { return {s * a[0], s * a[1], s * a[2]}; }
inline double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The point of triangle abc nearest to p (by regions of the triangle, as in the textbooks).
inline Vec nearestOnTriangle(const Vec& p, const Vec& a, const Vec& b, const Vec& c)
{
    const Vec ab = sub(b, a), ac = sub(c, a), ap = sub(p, a);
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0)
        return a;
    const Vec bp = sub(p, b);
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3)
        return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return add(a, mul(d1 / (d1 - d3), ab));
    const Vec cp = sub(p, c);
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6)
        return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return add(a, mul(d2 / (d2 - d6), ac));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0)
        return add(b, mul((d4 - d3) / ((d4 - d3) + (d5 - d6)), sub(c, b)));
    const double denominator = 1 / (va + vb + vc);
    return add(a, add(mul(vb * denominator, ab), mul(vc * denominator, ac)));
}

// A closed part in millimetres, with its box.
struct Part {
    std::vector<std::array<Vec, 3>> triangles;
    Vec low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};

    double boxDistance(const Vec& p) const
    {
        double s = 0;
        for (std::size_t a = 0; a < 3; ++a) {
            const double d = std::max({low[a] - p[a], 0.0, p[a] - high[a]});
            s += d * d;
        }
        return std::sqrt(s);
    }
    Vec nearest(const Vec& p) const
    {
        Vec best{};
        double bestSquared = 1e300;
        for (const auto& t : triangles) {
            const Vec q = nearestOnTriangle(p, t[0], t[1], t[2]);
            const Vec d = sub(q, p);
            if (dot(d, d) < bestSquared) {
                bestSquared = dot(d, d);
                best = q;
            }
        }
        return best;
    }
    // Whether p is inside: the triangles crossed by a ray straight up, counted.
    bool holds(const Vec& p) const
    {
        if (boxDistance(p) > 0)
            return false;
        int crossings = 0;
        for (const auto& t : triangles)
            crossings += crossesAbove(p, t[0], t[1], t[2]) ? 1 : 0;
        return crossings % 2 == 1;
    }
    // Whether the ray from p along d meets the part (boxes first, then each triangle).
    bool meets(const Vec& p, const Vec& d) const
    {
        double near = 0, far = 1e300;
        for (std::size_t a = 0; a < 3; ++a) {
            if (d[a] == 0) {
                if (p[a] < low[a] || p[a] > high[a])
                    return false;
                continue;
            }
            double t0 = (low[a] - p[a]) / d[a], t1 = (high[a] - p[a]) / d[a];
            if (t0 > t1)
                std::swap(t0, t1);
            near = std::max(near, t0);
            far = std::min(far, t1);
        }
        if (near > far)
            return false;
        for (const auto& t : triangles) {
            const Vec e1 = sub(t[1], t[0]), e2 = sub(t[2], t[0]);
            const Vec h = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
            const double det = dot(e1, h);
            if (std::abs(det) < 1e-15)
                continue;
            const Vec s = sub(p, t[0]);
            const double u = dot(s, h) / det;
            const Vec q = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
            const double v = dot(d, q) / det;
            if (u >= 0 && v >= 0 && u + v <= 1 && dot(e2, q) / det > 0)
                return true;
        }
        return false;
    }
    static bool crossesAbove(const Vec& p, const Vec& a, const Vec& b, const Vec& c)
    {
        // The triangle seen from above, and p's place in it.
        const double area = (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
        if (area == 0)
            return false;
        const double u = ((b[0] - p[0]) * (c[1] - p[1]) - (c[0] - p[0]) * (b[1] - p[1])) / area;
        const double v = ((c[0] - p[0]) * (a[1] - p[1]) - (a[0] - p[0]) * (c[1] - p[1])) / area;
        const double w = 1 - u - v;
        if (u < 0 || v < 0 || w < 0)
            return false;
        return u * a[2] + v * b[2] + w * c[2] > p[2];
    }
};

inline Part placedPart(const solid::PartMesh& mesh, const formats::SolidMesh& solid)
{
    Part part;
    for (const auto& t : mesh.triangles) {
        std::array<Vec, 3> corners{};
        for (std::size_t k = 0; k < 3; ++k)
            for (std::size_t a = 0; a < 3; ++a) {
                corners[k][a] = (mesh.points[t[k]][a] - solid.partsOrigin[a]) * solid.partsScale;
                part.low[a] = std::min(part.low[a], corners[k][a]);
                part.high[a] = std::max(part.high[a], corners[k][a]);
            }
        part.triangles.push_back(corners);
    }
    return part;
}

// The solid's triangles sorted into columns a millimetre square, for rays straight up.
class Columns {
public:
    explicit Columns(const formats::SolidMesh& solid) : solid_(solid)
    {
        for (const auto& p : solid.points)
            for (std::size_t a = 0; a < 2; ++a) {
                low_[a] = std::min(low_[a], static_cast<double>(p[a]));
                high_[a] = std::max(high_[a], static_cast<double>(p[a]));
            }
        for (std::size_t a = 0; a < 2; ++a)
            count_[a] = std::max(1, static_cast<int>(std::ceil(high_[a] - low_[a])));
        cells_.resize(static_cast<std::size_t>(count_[0] * count_[1]));
        for (std::size_t t = 0; t < solid.triangles.size(); ++t) {
            std::array<double, 2> lo{1e300, 1e300}, hi{-1e300, -1e300};
            for (const std::uint32_t v : solid.triangles[t])
                for (std::size_t a = 0; a < 2; ++a) {
                    lo[a] = std::min(lo[a], static_cast<double>(solid.points[v][a]));
                    hi[a] = std::max(hi[a], static_cast<double>(solid.points[v][a]));
                }
            for (int i = cell(lo[0], 0); i <= cell(hi[0], 0); ++i)
                for (int j = cell(lo[1], 1); j <= cell(hi[1], 1); ++j)
                    cells_[static_cast<std::size_t>(i * count_[1] + j)].push_back(static_cast<std::uint32_t>(t));
        }
    }
    bool holds(const Vec& p) const
    {
        if (p[0] < low_[0] || p[0] > high_[0] || p[1] < low_[1] || p[1] > high_[1])
            return false;
        int crossings = 0;
        for (const std::uint32_t t : cells_[static_cast<std::size_t>(cell(p[0], 0) * count_[1] + cell(p[1], 1))]) {
            const auto& f = solid_.triangles[t];
            const auto corner = [&](std::size_t k) {
                const auto& q = solid_.points[f[k]];
                return Vec{q[0], q[1], q[2]};
            };
            crossings += Part::crossesAbove(p, corner(0), corner(1), corner(2)) ? 1 : 0;
        }
        return crossings % 2 == 1;
    }

private:
    int cell(double x, std::size_t a) const
    {
        return std::clamp(static_cast<int>(std::floor(x - low_[a])), 0, count_[a] - 1);
    }
    const formats::SolidMesh& solid_;
    std::array<double, 2> low_{1e300, 1e300}, high_{-1e300, -1e300};
    std::array<int, 2> count_{};
    std::vector<std::vector<std::uint32_t>> cells_;
};

} // namespace gaps

// The gap points between the slabs of `plan` at least `narrowestMm` and at most `widestMm` wide, above
// the bed, each looked up in `solid` (built from the same plan). Slab surfaces are sampled every
// `stepMm` or so.
inline std::vector<GapPoint> petalGaps(const solid::SolidPlan& plan, const formats::SolidMesh& solid, double narrowestMm,
                                       double widestMm, double stepMm = 0.5)
{
    using namespace gaps;
    std::vector<Part> parts;
    for (const solid::PartMesh& slab : plan.slabs)
        parts.push_back(placedPart(slab, solid));
    const std::size_t slabCount = parts.size();
    if (!plan.heart.triangles.empty())
        parts.push_back(placedPart(plan.heart, solid));
    const Columns columns(solid);

    // The distance from p to the nearest part (0 inside one).
    const auto clearance = [&](const Vec& p) {
        double best = 1e300;
        for (const Part& part : parts) {
            if (part.boxDistance(p) >= best)
                continue;
            if (part.holds(p))
                return 0.0;
            const Vec d = sub(part.nearest(p), p);
            best = std::min(best, std::sqrt(dot(d, d)));
        }
        return best;
    };

    // Whether every ray from p, in 26 directions, meets a part: p lies in a cavity the parts close in.
    const auto closedIn = [&](const Vec& p) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dz = -1; dz <= 1; ++dz) {
                    if (dx == 0 && dy == 0 && dz == 0)
                        continue;
                    // Turned a little off the axes, so no ray runs along a wall.
                    const Vec d = {dx + 0.0123, dy + 0.0231, dz + 0.0312};
                    if (std::none_of(parts.begin(), parts.end(), [&](const Part& part) { return part.meets(p, d); }))
                        return false;
                }
        return true;
    };

    std::vector<GapPoint> found;
    for (std::size_t i = 0; i < slabCount; ++i)
        for (std::size_t j = 0; j < slabCount; ++j) {
            if (i == j)
                continue;
            const Part& from = parts[i];
            const Part& to = parts[j];
            for (const auto& t : from.triangles) {
                // Only the triangles of `from` that come near `to`.
                Part box;
                for (const Vec& c : t)
                    for (std::size_t a = 0; a < 3; ++a) {
                        box.low[a] = std::min(box.low[a], c[a]);
                        box.high[a] = std::max(box.high[a], c[a]);
                    }
                bool near = true;
                for (std::size_t a = 0; a < 3; ++a)
                    near = near && box.low[a] <= to.high[a] + widestMm && to.low[a] <= box.high[a] + widestMm;
                if (!near)
                    continue;
                const double longest = std::max({std::sqrt(dot(sub(t[1], t[0]), sub(t[1], t[0]))),
                                                 std::sqrt(dot(sub(t[2], t[1]), sub(t[2], t[1]))),
                                                 std::sqrt(dot(sub(t[0], t[2]), sub(t[0], t[2])))});
                const int n = std::max(1, static_cast<int>(std::ceil(longest / stepMm)));
                for (int u = 0; u <= n; ++u)
                    for (int v = 0; u + v <= n; ++v) {
                        const double a = static_cast<double>(u) / n, b = static_cast<double>(v) / n;
                        const Vec p = add(t[0], add(mul(a, sub(t[1], t[0])), mul(b, sub(t[2], t[0]))));
                        if (to.boxDistance(p) > widestMm)
                            continue;
                        const Vec q = to.nearest(p);
                        const Vec d = sub(q, p);
                        const double across = std::sqrt(dot(d, d));
                        if (across < narrowestMm || across > widestMm)
                            continue;
                        const Vec middle = mul(0.5, add(p, q));
                        const double width = 2 * clearance(middle);
                        // Above the bed by more than the cut's own layer.
                        if (width < narrowestMm || middle[2] < 0.5 * width + 0.5)
                            continue;
                        GapPoint g{middle, width, columns.holds(middle)};
                        g.enclosed = g.filled && closedIn(middle);
                        found.push_back(g);
                    }
            }
        }
    return found;
}

} // namespace petalwright::testing

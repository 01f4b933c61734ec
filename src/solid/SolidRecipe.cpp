#include "solid/SolidRecipe.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "formats/Placement.h"
#include "geometry/FaceWalk.h"
#include "solid/SolidOptions.h"

namespace petalwright::solid {
namespace {

using Vec = std::array<double, 3>;

constexpr int kHeartSides = 32;
constexpr double kLineMm = 0.4;                // a 0.4 mm nozzle's line: the finest a printer makes
constexpr double kVoxelsAcross = 200;          // beyond 80 mm the voxels grow with the flower
constexpr double kHeartRadiusPerPetal = 0.12;  // heart radius per length of the largest petal
constexpr double kSteepest = 0.7071;           // |normal z| above which a surface needs support (flatter than 45 degrees)
constexpr double kFlipGain = 0.9;              // upside down only when it saves a tenth of the support at least
constexpr double kNarrowFootPerRadius = 0.25;  // a flower standing on less than this share of its radius is on a neck

Vec operator-(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec operator+(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec operator*(double s, const Vec& a) { return {s * a[0], s * a[1], s * a[2]}; }
Vec cross(const Vec& a, const Vec& b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }
double length(const Vec& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec widened(const std::array<float, 3>& p) { return {p[0], p[1], p[2]}; }

// A petal's surface: the centre, the 3 x 3 inner grid points and the tip, at the flower's own scale.
struct PetalSurface {
    std::vector<Vec> point;                      // 0 centre, 1..9 grid (point 1..3, strip 0..2), 10 tip
    std::vector<std::array<std::size_t, 3>> triangle;
    std::vector<std::size_t> boundary;           // the outline, centre to tip along strip 0, back along strip 2
};

std::size_t gridIndex(int point, int strip)
{
    if (point == 0)
        return 0;
    if (point == geometry::kPointsPerStrip - 1)
        return 10;
    return static_cast<std::size_t>(1 + (point - 1) * geometry::kStripsPerPetal + strip);
}

PetalSurface petalSurface(const geometry::MeshStore& mesh, int ring, int petal)
{
    PetalSurface s;
    s.point.assign(11, Vec{});
    for (int point = 0; point < geometry::kPointsPerStrip; ++point)
        for (int strip = 0; strip < geometry::kStripsPerPetal; ++strip)
            s.point[gridIndex(point, strip)] = formats::place(mesh, mesh.index(ring, petal, point, strip), formats::kCadPlacement);
    for (int p = 0; p < geometry::kSegmentsPerStrip; ++p) {
        for (int q = 0; q < geometry::kStripPairs; ++q) {
            const std::size_t a = gridIndex(p, q), b = gridIndex(p, q + 1), c = gridIndex(p + 1, q + 1), d = gridIndex(p + 1, q);
            if (a != b)
                s.triangle.push_back({a, b, c});
            if (c != d)
                s.triangle.push_back({a, c, d});
        }
    }
    s.boundary = {0, gridIndex(1, 0), gridIndex(2, 0), gridIndex(3, 0), 10, gridIndex(3, 2), gridIndex(2, 2), gridIndex(1, 2)};
    return s;
}

using TriangleSoup = PartMesh;

// The slab of a petal: its surface moved half the thickness both ways along its own normals, closed by
// walls along its outline (every face turned outward), so the outline stays where the design puts it,
// seen from the normal.
void addSlab(const PetalSurface& s, double scale, double half, TriangleSoup& soup)
{
    std::vector<Vec> normal(s.point.size(), Vec{});
    for (const auto& t : s.triangle) {
        const Vec n = cross(s.point[t[1]] - s.point[t[0]], s.point[t[2]] - s.point[t[0]]);
        for (const std::size_t v : t)
            normal[v] = normal[v] + n;
    }
    const auto first = static_cast<unsigned>(soup.points.size());
    const auto count = static_cast<unsigned>(s.point.size());
    for (int side = 0; side < 2; ++side)
        for (std::size_t v = 0; v < s.point.size(); ++v) {
            const double l = length(normal[v]);
            const Vec offset = l > 0 ? ((side == 0 ? half : -half) / l) * normal[v] : Vec{};
            const Vec p = scale * s.point[v] + offset;
            soup.points.push_back({static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])});
        }
    for (const auto& t : s.triangle) {
        const auto a = static_cast<unsigned>(t[0]), b = static_cast<unsigned>(t[1]), c = static_cast<unsigned>(t[2]);
        soup.triangles.push_back({first + a, first + b, first + c});
        soup.triangles.push_back({first + count + a, first + count + c, first + count + b});
    }
    for (std::size_t i = 0; i < s.boundary.size(); ++i) {
        const auto a = static_cast<unsigned>(s.boundary[i]), b = static_cast<unsigned>(s.boundary[(i + 1) % s.boundary.size()]);
        soup.triangles.push_back({first + b, first + count + a, first + a});
        soup.triangles.push_back({first + b, first + count + b, first + count + a});
    }
}

// A closed prism over the polygon `outline` (x, y) from z = `bottom` to `top`.
TriangleSoup prismSoup(const std::vector<std::array<double, 2>>& outline, double bottom, double top)
{
    TriangleSoup soup;
    const auto n = static_cast<unsigned>(outline.size());
    for (const double z : {bottom, top})
        for (const auto& p : outline)
            soup.points.push_back({static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(z)});
    for (unsigned k = 0; k < n; ++k) {
        const unsigned next = (k + 1) % n;
        soup.triangles.push_back({k, next, n + next});
        soup.triangles.push_back({k, n + next, n + k});
        if (k > 0 && next > 0) {
            soup.triangles.push_back({0u, next, k});
            soup.triangles.push_back({n, n + k, n + next});
        }
    }
    return soup;
}

// Whether the point (x, y) lies inside the outline of a petal seen from above.
bool insideSeenFromAbove(const PetalSurface& s, double x, double y)
{
    bool inside = false;
    for (std::size_t i = 0, j = s.boundary.size() - 1; i < s.boundary.size(); j = i++) {
        const Vec& a = s.point[s.boundary[i]];
        const Vec& b = s.point[s.boundary[j]];
        if ((a[1] > y) != (b[1] > y) && x < (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]) + a[0])
            inside = !inside;
    }
    return inside;
}

// The heart's radius: the largest circle about the centre, up to `wanted`, that the petals cover seen from above.
double coveredRadius(const std::vector<PetalSurface>& petals, double wanted)
{
    constexpr int kSteps = 24, kAround = 96;
    double covered = 0;
    for (int step = 1; step <= kSteps; ++step) {
        const double r = wanted * step / kSteps;
        for (int k = 0; k < kAround; ++k) {
            const double a = 2 * M_PI * k / kAround;
            if (std::none_of(petals.begin(), petals.end(), [&](const PetalSurface& s) { return insideSeenFromAbove(s, r * std::cos(a), r * std::sin(a)); }))
                return covered;
        }
        covered = r;
    }
    return covered;
}

// How much support standing this way takes: the flat-facing area of the petals times its height over the
// lowest point; infinite for a flower that would stand on a neck (its lowest points all near the axis).
double supportCost(const std::vector<PetalSurface>& petals, bool upsideDown)
{
    const double sign = upsideDown ? -1 : 1;
    double low = 1e300, high = -1e300, radius = 0;
    for (const PetalSurface& s : petals)
        for (const Vec& p : s.point) {
            low = std::min(low, sign * p[2]);
            high = std::max(high, sign * p[2]);
            radius = std::max(radius, std::hypot(p[0], p[1]));
        }
    double foot = 0, cost = 0;
    const double near = low + 0.05 * (high - low);
    for (const PetalSurface& s : petals) {
        for (const Vec& p : s.point)
            if (sign * p[2] <= near)
                foot = std::max(foot, std::hypot(p[0], p[1]));
        for (const auto& t : s.triangle) {
            const Vec n = cross(s.point[t[1]] - s.point[t[0]], s.point[t[2]] - s.point[t[0]]);
            const double area = 0.5 * length(n);
            if (area == 0 || std::abs(n[2]) < kSteepest * 2 * area)
                continue;
            const double z = sign * (s.point[t[0]][2] + s.point[t[1]][2] + s.point[t[2]][2]) / 3;
            cost += std::abs(n[2]) * 0.5 * (z - low);
        }
    }
    return foot < kNarrowFootPerRadius * radius ? 1e300 + cost : cost;
}

// The narrowest width, seen from above, of the slab's part below `cut` (its corners under the cut and where
// its edges cross it, measured across in a few directions).
double widthBelow(const TriangleSoup& slab, double cut)
{
    constexpr int kDirections = 8;
    std::array<double, kDirections> low, high;
    low.fill(1e300);
    high.fill(-1e300);
    const auto take = [&](const Vec& p) {
        for (std::size_t k = 0; k < kDirections; ++k) {
            const double angle = M_PI * static_cast<double>(k) / kDirections;
            const double along = p[0] * std::cos(angle) + p[1] * std::sin(angle);
            low[k] = std::min(low[k], along);
            high[k] = std::max(high[k], along);
        }
    };
    for (const auto& t : slab.triangles)
        for (std::size_t e = 0; e < 3; ++e) {
            const Vec a = widened(slab.points[t[e]]), b = widened(slab.points[t[(e + 1) % 3]]);
            if (a[2] <= cut)
                take(a);
            if ((a[2] < cut) != (b[2] < cut))
                take(a + ((cut - a[2]) / (b[2] - a[2])) * (b - a));
        }
    double narrowest = 1e300;
    for (std::size_t k = 0; k < kDirections; ++k)
        narrowest = std::min(narrowest, high[k] - low[k]);
    return std::max(narrowest, 0.0);
}

// Keeps the largest piece of the mesh (cavities closed in by overlapping petals are filled), facing outward.
void keepOuterShell(const std::vector<std::array<float, 3>>& points, std::vector<std::array<std::uint32_t, 3>>& triangles)
{
    std::vector<std::uint32_t> parent(points.size());
    std::iota(parent.begin(), parent.end(), 0u);
    const auto find = [&](std::uint32_t v) {
        while (parent[v] != v)
            v = parent[v] = parent[parent[v]];
        return v;
    };
    for (const auto& t : triangles) {
        parent[find(t[1])] = find(t[0]);
        parent[find(t[2])] = find(t[0]);
    }
    std::vector<double> volume(points.size(), 0.0);
    for (const auto& t : triangles) {
        const Vec a = widened(points[t[0]]), b = widened(points[t[1]]), c = widened(points[t[2]]);
        volume[find(t[0])] += dot(a, cross(b, c)) / 6;
    }
    std::uint32_t keep = 0;
    for (std::uint32_t v = 0; v < volume.size(); ++v)
        if (std::abs(volume[v]) > std::abs(volume[keep]))
            keep = v;
    const bool flip = volume[keep] < 0;
    std::erase_if(triangles, [&](const auto& t) { return find(t[0]) != keep; });
    if (flip)
        for (auto& t : triangles)
            std::swap(t[1], t[2]);
}

} // namespace

int solidStepTotal(int overlapCount, int) { return std::max(overlapCount, 0) + 2; }

SolidPlan planPrintSolid(const geometry::MeshStore& store, int overlapCount, int petalCount, const SolidOptions& options)
{
    SolidPlan plan;
    plan.overlapCount = overlapCount;
    plan.petalCount = petalCount;
    plan.sizeMm = options.sizeMm;
    const double t = plan.thicknessMm = options.thicknessMm;

    std::vector<PetalSurface> petals;
    for (int ring = 0; ring < overlapCount; ++ring)
        for (int petal = 0; petal < petalCount; ++petal)
            petals.push_back(petalSurface(store, ring, petal));
    // Upside down when that takes less support (a cup of petals pointing up stands on their tips): a half
    // turn about Y, a rotation, never a mirror.
    const bool upsideDown = plan.upsideDown = supportCost(petals, true) < kFlipGain * supportCost(petals, false);
    double longest = 0, sheetArea = 0;
    std::array<double, 4> box = {1e300, 1e300, -1e300, -1e300};
    for (PetalSurface& s : petals) {
        if (upsideDown)
            for (Vec& p : s.point)
                p = {-p[0], p[1], -p[2]};
        longest = std::max(longest, length(s.point[10] - s.point[0]));
        for (const Vec& p : s.point)
            box = {std::min(box[0], p[0]), std::min(box[1], p[1]), std::max(box[2], p[0]), std::max(box[3], p[1])};
        for (const auto& tri : s.triangle)
            sheetArea += length(cross(s.point[tri[1]] - s.point[tri[0]], s.point[tri[2]] - s.point[tri[0]]));
    }
    const double surfaceWidth = std::max(box[2] - box[0], box[3] - box[1]);
    const auto width = [&](double scale) { return surfaceWidth * scale + t; };
    double scale = 1.0;
    if (options.sizeMm > 0) {
        double low = 0, high = 1;
        while (width(high) < options.sizeMm && high < 1e9)
            high *= 2;
        for (int i = 0; i < 60; ++i) {
            const double mid = 0.5 * (low + high);
            (width(mid) < options.sizeMm ? low : high) = mid;
        }
        scale = high;
    }
    // The detail follows the nozzle's line and the flower's size, not the thickness; a flower of very many
    // petals gets coarser voxels (its sheets, both sides, in voxels stay bounded), but never too coarse for its slabs.
    const double voxel = plan.voxel = std::min(std::max({kLineMm, width(scale) / kVoxelsAcross,
                                                         std::sqrt(sheetArea * scale * scale / kMaxSheetVoxels)}),
                                               t / kVoxelsPerSlab);

    // Each petal's slab.
    double lowest = 1e300, highest = -1e300;
    std::vector<TriangleSoup>& slabs = plan.slabs;
    slabs.resize(petals.size());
    for (std::size_t k = 0; k < petals.size(); ++k) {
        addSlab(petals[k], scale, 0.5 * t, slabs[k]);
        for (const auto& p : slabs[k].points) {
            lowest = std::min(lowest, static_cast<double>(p[2]));
            highest = std::max(highest, static_cast<double>(p[2]));
        }
    }

    // The heart: a disc as thick as a petal about the centre, where every petal begins, within the petals'
    // outline seen from above (so never above the highest petal's base nor beyond the petals), with a cone
    // of 45 degrees under it that prints without support (cut away where it meets the bed).
    const double heartRadius = coveredRadius(petals, kHeartRadiusPerPetal * longest) * scale;
    if (heartRadius > t) {
        TriangleSoup& heart = plan.heart;
        const auto n = static_cast<unsigned>(kHeartSides);
        for (const double z : {0.5 * t, -0.5 * t})
            for (unsigned k = 0; k < n; ++k) {
                const double a = 2 * M_PI * k / n;
                heart.points.push_back({static_cast<float>(heartRadius * std::cos(a)), static_cast<float>(heartRadius * std::sin(a)),
                                        static_cast<float>(z)});
            }
        heart.points.push_back({0.f, 0.f, static_cast<float>(0.5 * t)});
        heart.points.push_back({0.f, 0.f, static_cast<float>(-0.5 * t - heartRadius)});
        // Every face turned outward.
        for (unsigned k = 0; k < n; ++k) {
            const unsigned next = (k + 1) % n;
            heart.triangles.push_back({k, n + next, next});
            heart.triangles.push_back({k, n + k, n + next});
            heart.triangles.push_back({2 * n, k, next});
            heart.triangles.push_back({2 * n + 1, n + next, n + k});
        }
    }

    // On the bed: cut flat where every petal that reaches the bed has a contact a nozzle's line wide.
    const double reach = std::max(2 * t, 0.02 * (highest - lowest));
    // At least two voxels, and a voxel more than the line: the voxels round a slab's corners off by about one.
    double depth = 2 * voxel;
    for (const TriangleSoup& slab : slabs) {
        double bottom = 1e300;
        for (const auto& p : slab.points)
            bottom = std::min(bottom, static_cast<double>(p[2]));
        if (bottom > lowest + reach)
            continue;
        double d = std::max(depth, bottom - lowest + voxel);
        while (d < reach && widthBelow(slab, lowest + d) < kLineMm + voxel)
            d += 0.5 * voxel;
        depth = std::min(std::max(depth, d), reach);
    }
    // On a voxel's middle plane, so the cut's corners all come out at the same height.
    const double cut = plan.cut = (std::floor((lowest + depth) / voxel) + 0.5) * voxel;
    const double margin = 4 * voxel;
    std::vector<std::array<double, 2>> square = {{box[0] * scale - margin - t, box[1] * scale - margin - t},
                                                 {box[2] * scale + margin + t, box[1] * scale - margin - t},
                                                 {box[2] * scale + margin + t, box[3] * scale + margin + t},
                                                 {box[0] * scale - margin - t, box[3] * scale + margin + t}};
    plan.below = prismSoup(square, lowest - margin, cut);
    return plan;
}

PlacedShell placeOuterShell(const SolidPlan& plan, std::vector<std::array<float, 3>>& points,
                            std::vector<std::array<std::uint32_t, 3>>& faces, double flatAbove)
{
    keepOuterShell(points, faces);
    if (faces.empty()) {
        points.clear();
        return {};
    }

    // Centred in X and Y, on the bed at the cut, and exactly the asked width.
    std::vector<std::uint32_t> index(points.size(), UINT32_MAX);
    std::array<double, 6> extent = {1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (const auto& f : faces)
        for (const std::uint32_t v : f)
            for (std::size_t a = 0; a < 3; ++a) {
                extent[a] = std::min(extent[a], static_cast<double>(points[v][a]));
                extent[a + 3] = std::max(extent[a + 3], static_cast<double>(points[v][a]));
            }
    const double across = std::max(extent[3] - extent[0], extent[4] - extent[1]);
    const double fit = plan.sizeMm > 0 && across > 0 ? plan.sizeMm / across : 1.0;
    const double cx = 0.5 * (extent[0] + extent[3]), cy = 0.5 * (extent[1] + extent[4]);
    std::vector<std::array<float, 3>> placed;
    for (auto& f : faces)
        for (std::uint32_t& v : f) {
            if (index[v] == UINT32_MAX) {
                index[v] = static_cast<std::uint32_t>(placed.size());
                const std::array<float, 3>& p = points[v];
                // The corners of the cells the cut crosses go onto the bed: one per cell, so none meet.
                const double z = p[2] - plan.cut < flatAbove ? 0.0 : (p[2] - plan.cut) * fit;
                placed.push_back({static_cast<float>((p[0] - cx) * fit), static_cast<float>((p[1] - cy) * fit), static_cast<float>(z)});
            }
            v = index[v];
        }
    points = std::move(placed);
    return {across * fit, fit, {cx, cy, plan.cut}};
}

SolidOutcome finishPlacedSolid(const SolidPlan& plan, std::vector<std::array<float, 3>> points,
                               std::vector<std::array<std::uint32_t, 3>> faces, const PlacedShell& placed, formats::SolidMesh& out,
                               std::string* problem)
{
    out = {};
    if (faces.empty()) {
        if (problem)
            *problem = "立体を作れませんでした。";
        return SolidOutcome::Failed;
    }
    out.points = std::move(points);
    out.triangles = std::move(faces);
    out.sizeMm = placed.sizeMm;
    out.partsOrigin = placed.origin;
    out.partsScale = placed.scale;
    out.thicknessMm = plan.thicknessMm;
    out.upsideDown = plan.upsideDown;
    return SolidOutcome::Finished;
}

SolidOutcome finishPrintSolid(const SolidPlan& plan, std::vector<std::array<float, 3>> points,
                              std::vector<std::array<std::uint32_t, 3>> faces, double flatAbove, formats::SolidMesh& out,
                              std::string* problem)
{
    const PlacedShell placed = placeOuterShell(plan, points, faces, flatAbove);
    return finishPlacedSolid(plan, std::move(points), std::move(faces), placed, out, problem);
}

} // namespace petalwright::solid

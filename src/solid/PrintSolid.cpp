#include "solid/PrintSolid.h"

#include <openvdb/openvdb.h>
#include <openvdb/tools/Composite.h>
#include <openvdb/tools/MeshToVolume.h>
#include <openvdb/tools/ValueTransformer.h>
#include <openvdb/tools/VolumeToMesh.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <vector>

#include "formats/Placement.h"
#include "geometry/FaceWalk.h"

namespace petalwright::solid {
namespace {

using Vec = std::array<double, 3>;

constexpr int kHeartSides = 32;
constexpr double kVoxelsPerThickness = 2.5;   // voxels across the slab: every voxel on the petal sees an inside sample
constexpr double kMaxVoxelsAcross = 2500;     // beyond, the voxels grow with the flower (memory stays bounded)
constexpr double kBandVoxels = 3;             // narrow band beyond the surface, in voxels
constexpr double kHeartRadiusPerPetal = 0.12; // heart radius per length of the largest petal
constexpr double kHeartHeightPerRadius = 0.4; // dome height per heart radius

Vec operator-(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double length(const Vec& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

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

using Grid = openvdb::FloatGrid;

struct TriangleSoup {
    std::vector<openvdb::Vec3s> points;
    std::vector<openvdb::Vec3I> triangles;
};

// The heart: a column of `radius` from `bottom` up to the flower's centre, topped by a low dome.
TriangleSoup heartSoup(double radius, double bottom, double height)
{
    const std::array<std::array<double, 2>, 5> profile = {{{1.0, bottom}, {1.0, 0.0}, {0.85, 0.5 * height}, {0.5, 0.87 * height}, {0.0, height}}};
    TriangleSoup soup;
    const auto n = static_cast<unsigned>(kHeartSides);
    for (std::size_t ring = 0; ring + 1 < profile.size(); ++ring)
        for (unsigned k = 0; k < n; ++k) {
            const double a = 2 * M_PI * k / n;
            soup.points.emplace_back(static_cast<float>(radius * profile[ring][0] * std::cos(a)),
                                     static_cast<float>(radius * profile[ring][0] * std::sin(a)), static_cast<float>(profile[ring][1]));
        }
    const auto apex = static_cast<unsigned>(soup.points.size());
    soup.points.emplace_back(0.f, 0.f, static_cast<float>(height));
    soup.points.emplace_back(0.f, 0.f, static_cast<float>(bottom));
    const unsigned rings = static_cast<unsigned>(profile.size() - 1);
    for (unsigned k = 0; k < n; ++k) {
        const unsigned next = (k + 1) % n;
        for (unsigned r = 0; r + 1 < rings; ++r) {
            soup.triangles.emplace_back(r * n + k, r * n + next, (r + 1) * n + next);
            soup.triangles.emplace_back(r * n + k, (r + 1) * n + next, (r + 1) * n + k);
        }
        soup.triangles.emplace_back((rings - 1) * n + k, (rings - 1) * n + next, apex);
        soup.triangles.emplace_back(next, k, apex + 1);
    }
    return soup;
}

// Keeps the largest piece of the mesh (cavities closed in by overlapping petals are filled), facing outward.
void keepOuterShell(const std::vector<openvdb::Vec3s>& points, std::vector<std::array<std::uint32_t, 3>>& triangles)
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
        const openvdb::Vec3d a = points[t[0]], b = points[t[1]], c = points[t[2]];
        volume[find(t[0])] += a.dot(b.cross(c)) / 6;
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

SolidOutcome buildPrintSolid(const geometry::MeshStore& store, int overlapCount, int petalCount, const SolidOptions& options,
                             formats::SolidMesh& out, const SolidStep& step, std::string* problem)
{
    out = {};
    openvdb::initialize();
    const double t = options.thicknessMm;
    const int total = solidStepTotal(overlapCount, petalCount);
    int done = 0;
    const auto advance = [&] { return !step || step(++done, total); };

    std::vector<PetalSurface> petals;
    double longest = 0;
    std::array<double, 4> box = {1e300, 1e300, -1e300, -1e300};
    for (int ring = 0; ring < overlapCount; ++ring)
        for (int petal = 0; petal < petalCount; ++petal) {
            petals.push_back(petalSurface(store, ring, petal));
            const PetalSurface& s = petals.back();
            longest = std::max(longest, length(s.point[10] - s.point[0]));
            for (const Vec& p : s.point) {
                box = {std::min(box[0], p[0]), std::min(box[1], p[1]), std::max(box[2], p[0]), std::max(box[3], p[1])};
            }
        }
    const double surfaceWidth = std::max(box[2] - box[0], box[3] - box[1]);
    // The heart follows the largest petal, but is never thinner than the slabs.
    const auto heartRadius = [&](double scale) { return std::max(kHeartRadiusPerPetal * longest * scale, 2 * t); };
    const auto width = [&](double scale) { return std::max(surfaceWidth * scale + t, 2 * heartRadius(scale)); };
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
    const double voxel = std::max(t / kVoxelsPerThickness, width(scale) / kMaxVoxelsAcross);
    const openvdb::math::Transform::Ptr transform = openvdb::math::Transform::createLinearTransform(voxel);
    const auto band = static_cast<float>(kBandVoxels + 0.5 * t / voxel);

    // One ring at a time: the distance to its petals, less half the thickness, joined to the rings before.
    Grid::Ptr solid;
    double lowest = 0;
    for (int ring = 0; ring < overlapCount; ++ring) {
        TriangleSoup soup;
        for (int petal = 0; petal < petalCount; ++petal) {
            const PetalSurface& s = petals[static_cast<std::size_t>(ring * petalCount + petal)];
            const auto first = static_cast<unsigned>(soup.points.size());
            for (const Vec& p : s.point) {
                soup.points.emplace_back(static_cast<float>(p[0] * scale), static_cast<float>(p[1] * scale), static_cast<float>(p[2] * scale));
                lowest = std::min(lowest, p[2] * scale);
            }
            for (const auto& tri : s.triangle)
                soup.triangles.emplace_back(first + static_cast<unsigned>(tri[0]), first + static_cast<unsigned>(tri[1]),
                                            first + static_cast<unsigned>(tri[2]));
        }
        Grid::Ptr shell = openvdb::tools::meshToUnsignedDistanceField<Grid>(*transform, soup.points, soup.triangles, {}, band);
        const auto half = static_cast<float>(0.5 * t);
        openvdb::tools::foreach(shell->beginValueAll(), [half](const Grid::ValueAllIter& it) { it.setValue(*it - half); });
        shell->tree().root().setBackground(shell->background() - half, false);
        shell->setGridClass(openvdb::GRID_LEVEL_SET);
        if (solid)
            openvdb::tools::csgUnion(*solid, *shell);
        else
            solid = shell;
        if (!advance())
            return SolidOutcome::Cancelled;
    }

    // The heart stands on a flat base below every petal.
    const double radius = heartRadius(scale);
    const double bottom = std::min(lowest - 0.5 * t, -t) - 0.5 * t;
    const TriangleSoup heart = heartSoup(radius, bottom, std::max(kHeartHeightPerRadius * radius, t));
    Grid::Ptr heartGrid = openvdb::tools::meshToLevelSet<Grid>(*transform, heart.points, heart.triangles, band);
    if (solid)
        openvdb::tools::csgUnion(*solid, *heartGrid);
    else
        solid = heartGrid;
    if (!advance())
        return SolidOutcome::Cancelled;

    std::vector<openvdb::Vec3s> points;
    std::vector<openvdb::Vec3I> triangles;
    std::vector<openvdb::Vec4I> quads;
    openvdb::tools::volumeToMesh(*solid, points, triangles, quads, 0.0, 0.0);
    std::vector<std::array<std::uint32_t, 3>> faces;
    faces.reserve(triangles.size() + 2 * quads.size());
    // The mesher's faces turn inward: reversed here.
    for (const auto& tri : triangles)
        faces.push_back({tri[0], tri[2], tri[1]});
    for (const auto& q : quads) {
        faces.push_back({q[0], q[2], q[1]});
        faces.push_back({q[0], q[3], q[2]});
    }
    keepOuterShell(points, faces);
    if (faces.empty()) {
        if (problem)
            *problem = "立体を作れませんでした。";
        return SolidOutcome::Failed;
    }

    // Centred in X and Y, on z = 0, and exactly the asked width.
    std::vector<std::uint32_t> index(points.size(), UINT32_MAX);
    std::array<double, 6> extent = {1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (const auto& f : faces)
        for (const std::uint32_t v : f)
            for (std::size_t a = 0; a < 3; ++a) {
                extent[a] = std::min(extent[a], static_cast<double>(points[v][static_cast<int>(a)]));
                extent[a + 3] = std::max(extent[a + 3], static_cast<double>(points[v][static_cast<int>(a)]));
            }
    const double across = std::max(extent[3] - extent[0], extent[4] - extent[1]);
    const double fit = options.sizeMm > 0 && across > 0 ? options.sizeMm / across : 1.0;
    const double cx = 0.5 * (extent[0] + extent[3]), cy = 0.5 * (extent[1] + extent[4]);
    for (auto& f : faces) {
        for (std::uint32_t& v : f) {
            if (index[v] == UINT32_MAX) {
                index[v] = static_cast<std::uint32_t>(out.points.size());
                const openvdb::Vec3s& p = points[v];
                out.points.push_back({static_cast<float>((p[0] - cx) * fit), static_cast<float>((p[1] - cy) * fit),
                                      static_cast<float>((p[2] - extent[2]) * fit)});
            }
            v = index[v];
        }
        out.triangles.push_back(f);
    }
    if (!advance()) {
        out = {};
        return SolidOutcome::Cancelled;
    }
    return SolidOutcome::Finished;
}

} // namespace petalwright::solid

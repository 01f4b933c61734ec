#include "solid/SolidSizeEstimate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "formats/StlRecord.h"
#include "geometry/DaisyMesh.h"
#include "geometry/FaceWalk.h"
#include "solid/SolidOptions.h"
#include "solid/SolidRecipe.h"

namespace petalwright::solid {
namespace {

using Vec = std::array<double, 3>;

// As the solid builder meshes: voxels per thickness, at most this many across, the heart's radius.
constexpr double kHeartRadiusPerPetal = 0.12;
constexpr double kPetalLength = 40; // drawing units from the centre to the tip of an unscaled petal
// Fitted to the builder's files over the samples, sizes and thicknesses: the mesh with its flat areas
// merged keeps about this many triangles per exposed petal area in voxels² (the heart and the walls are
// in the noise).
constexpr double kTrianglesPerArea = 0.86;
constexpr double kThreeMfBytesPerTriangle = 14.2; // the deflated model
// The largest flowers keep the mesher's cells: about this many of their triangles per triangle the merge
// would have kept (fewer than the merge's fifth of the edges: where many petals meet, sheets fuse), and
// their regular mesh deflates a little better. The united solid has about this many active voxels per
// merged triangle; around the line the two counts are blended, as the flower may fall on either side.
constexpr double kCellTrianglesPerMerged = 3.8;
constexpr double kCellThreeMfBytesPerTriangle = 12.3;
constexpr double kActiveVoxelsPerMergedTriangle = 7.5;
constexpr double kBlendBelow = 0.8, kBlendAbove = 1.25; // shares of the line where the blend begins and ends
// A bound for odd inputs only: the recipe's voxel already keeps the sheets under kMaxSheetVoxels, so
// cells of two voxels see at most a few million samples (under a second for the largest flowers).
constexpr std::int64_t kMaxSamples = 40'000'000;

// The exact mesh union, fitted to its files over the samples and random flowers at 80 mm: triangles per
// face of the design, more for rings this close in tilt (their petals cross along long seams), fewer
// below this many voxels across, where the engine drops detail finer than its tolerance.
constexpr double kMeshTrianglesPerFace = 8.5;
constexpr double kMeshCrossingTrianglesPerFace = 14;
constexpr double kMeshCrossingDegrees = 4;
constexpr double kMeshFullDetailVoxels = 200;
constexpr double kMeshThreeMfBytesPerTriangle = 12.8; // the model deflated by the page
constexpr double kMeshThreeMfPackageBytes = 1000;

Vec corner(const geometry::MeshStore& mesh, std::size_t element) { return {mesh.x(element), mesh.y(element), mesh.z(element)}; }
Vec minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec cross(const Vec& a, const Vec& b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }
double norm(const Vec& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

// Area of the petals (drawing units²) that no other petal lies within `cell` (half the thickness) of,
// outside the heart's radius, each face weighted by how a voxel mesh steps across its slope.
double exposedArea(const geometry::MeshStore& mesh, const geometry::FlowerParameters& p, double cell, double heart)
{
    std::unordered_map<std::uint64_t, int> owner; // cell -> the petal first seen in it
    const auto key = [](std::int64_t x, std::int64_t y, std::int64_t z) {
        constexpr std::int64_t kOffset = 1 << 20;
        return static_cast<std::uint64_t>(x + kOffset) << 42 | static_cast<std::uint64_t>(y + kOffset) << 21
            | static_cast<std::uint64_t>(z + kOffset);
    };
    double area = 0;
    geometry::forEachFace(mesh, p.overlapCount, p.petalCount, [&](const geometry::Face& face) {
        std::array<Vec, 4> c{};
        for (std::size_t k = 0; k < c.size(); ++k)
            c[k] = corner(mesh, face.corner[k]);
        const Vec normal = cross(minus(c[2], c[0]), minus(c[3], c[1]));
        const double twiceArea = norm(cross(minus(c[1], c[0]), minus(c[2], c[0]))) + norm(cross(minus(c[2], c[0]), minus(c[3], c[0])));
        const double length = norm(normal);
        if (length == 0 || twiceArea == 0)
            return true;
        // A voxel mesh of a sloping face has as many quads as its area projected on the three axes.
        const double weight = (std::abs(normal[0]) + std::abs(normal[1]) + std::abs(normal[2])) / length;
        std::size_t axis = 0;
        for (std::size_t a = 1; a < 3; ++a)
            axis = std::abs(normal[a]) > std::abs(normal[axis]) ? a : axis;
        const int id = face.ring * p.petalCount + face.petal;
        const double span = std::max({norm(minus(c[2], c[0])), norm(minus(c[3], c[1])), norm(minus(c[1], c[0])), norm(minus(c[3], c[0]))});
        const int n = std::max(1, static_cast<int>(std::ceil(span / (cell * 0.5))));
        const double share = 0.5 * twiceArea * weight / (static_cast<double>(n) * n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                const double u = (i + 0.5) / n, w = (j + 0.5) / n;
                Vec q{};
                for (std::size_t a = 0; a < 3; ++a)
                    q[a] = (1 - u) * (1 - w) * c[0][a] + u * (1 - w) * c[1][a] + u * w * c[2][a] + (1 - u) * w * c[3][a];
                if (std::hypot(q[0], q[1] - geometry::kFlowerCentreY, q[2]) < heart)
                    continue;
                std::array<std::int64_t, 3> at{};
                for (std::size_t a = 0; a < 3; ++a)
                    at[a] = static_cast<std::int64_t>(std::floor(q[a] / cell));
                const auto [found, added] = owner.try_emplace(key(at[0], at[1], at[2]), id);
                bool covered = !added && found->second != id;
                for (const std::int64_t step : {-1, 1}) {
                    std::array<std::int64_t, 3> next = at;
                    next[axis] += step;
                    const auto near = owner.find(key(next[0], next[1], next[2]));
                    covered = covered || (near != owner.end() && near->second != id);
                }
                if (!covered)
                    area += share;
            }
        return true;
    });
    return area;
}

// What the solid's triangle count follows, in millimetres: the exposed petal area (outside the
// heart's radius) and the voxel.
struct SolidMeasures {
    double area = 0, heart = 0, voxel = 1, acrossMm = 0;
};

SolidMeasures measure(const geometry::FlowerParameters& p, const SolidOptions& options)
{
    geometry::MeshStore mesh;
    mesh.allocate(p.overlapCount, p.petalCount);
    geometry::SeededRandom random(0); // the turns change where petals overlap, hardly how much
    geometry::makeDaisyMesh(p, mesh, random);

    // The drawing's width across X and Y, the scale to the asked size, the voxel, the heart.
    std::array<double, 4> box = {1e300, 1e300, -1e300, -1e300};
    for (std::size_t element = 0; element < mesh.size(); ++element)
        box = {std::min(box[0], mesh.x(element)), std::min(box[1], mesh.z(element)), std::max(box[2], mesh.x(element)),
               std::max(box[3], mesh.z(element))};
    double petalArea = 0;
    const std::vector<double> ringScale = geometry::ringScales(p);
    for (const double s : ringScale)
        petalArea += kPetalLength * kPetalLength * s * s * p.petalCount;
    const double t = options.thicknessMm;
    const double drawingWidth = std::max(box[2] - box[0], box[3] - box[1]);
    const double scale = options.sizeMm > 0 && drawingWidth > 0 ? std::max(options.sizeMm - t, t) / drawingWidth : 1.0;
    const double longest = kPetalLength * *std::max_element(ringScale.begin(), ringScale.end());

    SolidMeasures m;
    // The recipe's own detail for this flower.
    m.voxel = planPrintSolid(mesh, p.overlapCount, p.petalCount, options).voxel;
    m.heart = std::max(kHeartRadiusPerPetal * longest * scale, 2 * t);
    // Cells two voxels across (petals nearer than that merge in the solid); coarser only past the bound.
    const double cell = std::max(2 * m.voxel / scale, std::sqrt(4 * petalArea / static_cast<double>(kMaxSamples)));
    m.area = exposedArea(mesh, p, cell, m.heart / scale) * scale * scale;
    return m;
}

// The exact mesh union's triangles: the design's faces, the rings' crossings, the detail the flower's size keeps.
double meshTriangles(const geometry::FlowerParameters& p, const SolidMeasures& m)
{
    const double faces = static_cast<double>(p.petalCount) * geometry::kFacesPerPetal * p.overlapCount;
    double crossing = 0;
    if (p.overlapCount > 1) {
        const double step = (p.angleEnd - p.angleStart) / (p.overlapCount - 1);
        crossing = kMeshCrossingTrianglesPerFace * (p.overlapCount - 1) / p.overlapCount * std::exp(-step / kMeshCrossingDegrees);
    }
    const double detail = std::min(1.0, m.acrossMm / (m.voxel * kMeshFullDetailVoxels));
    return faces * (kMeshTrianglesPerFace * std::pow(detail, 0.2) + crossing * std::pow(detail, 1.5));
}

} // namespace

formats::SizeEstimate estimateSolidFileSize(formats::OutputFormat format, const geometry::FlowerParameters& p, const SolidOptions& options,
                                            SolidEngine engine)
{
    formats::SizeEstimate e = formats::estimateSize(p.petalCount, p.overlapCount);
    if (engine == SolidEngine::ExactMesh) {
        geometry::MeshStore mesh;
        mesh.allocate(p.overlapCount, p.petalCount);
        geometry::SeededRandom random(0);
        geometry::makeDaisyMesh(p, mesh, random);
        SolidMeasures m;
        m.voxel = planPrintSolid(mesh, p.overlapCount, p.petalCount, options).voxel;
        std::array<double, 4> box = {1e300, 1e300, -1e300, -1e300};
        for (std::size_t element = 0; element < mesh.size(); ++element)
            box = {std::min(box[0], mesh.x(element)), std::min(box[1], mesh.z(element)), std::max(box[2], mesh.x(element)),
                   std::max(box[3], mesh.z(element))};
        m.acrossMm = options.sizeMm > 0 ? options.sizeMm : std::max(box[2] - box[0], box[3] - box[1]) + options.thicknessMm;
        const double triangles = meshTriangles(p, m);
        const double bytes = format == formats::OutputFormat::ThreeMf
            ? kMeshThreeMfPackageBytes + kMeshThreeMfBytesPerTriangle * triangles
            : static_cast<double>(formats::kStlHeadBytes + formats::kStlCountBytes) + triangles * static_cast<double>(formats::kStlTriangleBytes);
        e.sizeEstimateText = formats::approximateSizeText(bytes);
        return e;
    }
    const SolidMeasures m = measure(p, options);
    const double perVoxel = 1 / (m.voxel * m.voxel);
    const double merged = kTrianglesPerArea * m.area * perVoxel;
    const double line = kActiveVoxelsPerMergedTriangle * merged / kMaxMergedVoxels;
    const double cells = std::clamp(std::log(line / kBlendBelow) / std::log(kBlendAbove / kBlendBelow), 0.0, 1.0);
    const double triangles = merged * std::pow(kCellTrianglesPerMerged, cells);
    const double bytes = format == formats::OutputFormat::ThreeMf
        ? std::pow(kThreeMfBytesPerTriangle, 1 - cells) * std::pow(kCellThreeMfBytesPerTriangle, cells) * triangles
        : static_cast<double>(formats::kStlHeadBytes + formats::kStlCountBytes) + triangles * static_cast<double>(formats::kStlTriangleBytes);
    e.sizeEstimateText = formats::approximateSizeText(bytes);
    return e;
}

} // namespace petalwright::solid

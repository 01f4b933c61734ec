#include "solid/PrintSolid.h"

#include <openvdb/openvdb.h>
#include <openvdb/tools/Composite.h>
#include <openvdb/tools/MeshToVolume.h>
#include <openvdb/tools/ValueTransformer.h>
#include <openvdb/tools/VolumeToMesh.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "solid/SolidRecipe.h"

// The desktop's engine of the recipe (SolidRecipe.cpp): the parts as OpenVDB level sets, united,
// the part below the bed taken away, and the volume meshed.
namespace petalwright::solid {
namespace {

constexpr double kBandVoxels = 3;              // narrow band on each side of the surface, in voxels
constexpr double kAdaptivity = 0.5;            // the mesher merges voxels on flat areas up to this
constexpr double kFlatVoxels = 0.5;            // corners this near the cut: the mesher's layer of cells it crosses

using Grid = openvdb::FloatGrid;

struct TriangleSoup {
    std::vector<openvdb::Vec3s> points;
    std::vector<openvdb::Vec3I> triangles;
};

// Appends `part` to `soup`.
void addPart(const PartMesh& part, TriangleSoup& soup)
{
    const auto first = static_cast<unsigned>(soup.points.size());
    for (const auto& p : part.points)
        soup.points.emplace_back(p[0], p[1], p[2]);
    for (const auto& tri : part.triangles)
        soup.triangles.emplace_back(tri[0] + first, tri[1] + first, tri[2] + first);
}

Grid::Ptr levelSet(const openvdb::math::Transform& transform, const PartMesh& part, float band)
{
    TriangleSoup soup;
    addPart(part, soup);
    return openvdb::tools::meshToLevelSet<Grid>(transform, soup.points, soup.triangles, band);
}

} // namespace

SolidOutcome buildPrintSolid(const geometry::MeshStore& store, int overlapCount, int petalCount, const SolidOptions& options,
                             formats::SolidMesh& out, const SolidStep& step, std::string* problem)
{
    out = {};
    openvdb::initialize();
    const int total = solidStepTotal(overlapCount, petalCount);
    int done = 0;
    const auto advance = [&] { return !step || step(++done, total); };

    const SolidPlan plan = planPrintSolid(store, overlapCount, petalCount, options);
    const double voxel = plan.voxel;
    const openvdb::math::Transform::Ptr transform = openvdb::math::Transform::createLinearTransform(voxel);
    const auto band = static_cast<float>(kBandVoxels);

    // One ring at a time: its petals' slabs, joined to the rings before.
    Grid::Ptr solid;
    for (int ring = 0; ring < overlapCount; ++ring) {
        TriangleSoup soup;
        for (int petal = 0; petal < petalCount; ++petal)
            addPart(plan.slabs[static_cast<std::size_t>(ring * petalCount + petal)], soup);
        Grid::Ptr shell = openvdb::tools::meshToLevelSet<Grid>(*transform, soup.points, soup.triangles, band);
        if (solid)
            openvdb::tools::csgUnion(*solid, *shell);
        else
            solid = shell;
        if (!advance())
            return SolidOutcome::Cancelled;
    }
    if (!plan.heart.triangles.empty())
        openvdb::tools::csgUnion(*solid, *levelSet(*transform, plan.heart, band));
    openvdb::tools::csgDifference(*solid, *levelSet(*transform, plan.below, band));
    if (!advance())
        return SolidOutcome::Cancelled;

    std::vector<openvdb::Vec3s> points;
    std::vector<openvdb::Vec3I> triangles;
    std::vector<openvdb::Vec4I> quads;
    openvdb::tools::volumeToMesh(*solid, points, triangles, quads, 0.0, kAdaptivity);
    std::vector<std::array<float, 3>> corners;
    corners.reserve(points.size());
    for (const auto& p : points)
        corners.push_back({p[0], p[1], p[2]});
    std::vector<std::array<std::uint32_t, 3>> faces;
    faces.reserve(triangles.size() + 2 * quads.size());
    // The mesher's faces turn inward: reversed here.
    for (const auto& tri : triangles)
        faces.push_back({tri[0], tri[2], tri[1]});
    for (const auto& q : quads) {
        faces.push_back({q[0], q[2], q[1]});
        faces.push_back({q[0], q[3], q[2]});
    }
    if (const SolidOutcome outcome = finishPrintSolid(plan, corners, std::move(faces), kFlatVoxels * voxel, out, problem);
        outcome != SolidOutcome::Finished)
        return outcome;
    if (!advance()) {
        out = {};
        return SolidOutcome::Cancelled;
    }
    return SolidOutcome::Finished;
}

} // namespace petalwright::solid

#include "solid/PrintSolid.h"

#include <openvdb/openvdb.h>
#include <openvdb/tools/Composite.h>
#include <openvdb/tools/MeshToVolume.h>
#include <openvdb/tools/ValueTransformer.h>
#include <openvdb/tools/VolumeToMesh.h>

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/polygon_soup_to_polygon_mesh.h>
#include <CGAL/Polygon_mesh_processing/self_intersections.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/Surface_mesh_simplification/Policies/Edge_collapse/Bounded_normal_change_filter.h>
#include <CGAL/Surface_mesh_simplification/Policies/Edge_collapse/LindstromTurk.h>
#include <CGAL/Surface_mesh_simplification/edge_collapse.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "solid/SolidOptions.h"
#include "solid/SolidRecipe.h"

// The desktop's engine of the recipe (SolidRecipe.cpp): the parts as OpenVDB level sets, united,
// the part below the bed taken away, and the volume meshed cell by cell; then CGAL's edge collapse
// merges the flat areas' triangles, keeping the surface clear of itself. The largest flowers keep
// the cell-by-cell mesh.
namespace petalwright::solid {
namespace {

constexpr double kBandVoxels = 3;              // narrow band on each side of the surface, in voxels
constexpr double kApartVoxels = 0.05;          // samples this near the surface go inside (see keepSheetsApart)
constexpr double kKeptEdges = 0.2;             // the edge collapse keeps this share of the mesher's edges
constexpr double kGuardVoxels = 3;             // a collapse that crosses the surface: the corners this near stay
constexpr int kCollapseRounds = 4;             // rounds of the collapse, each guarding where the last crossed
constexpr int kApartRounds = 4;                // the same, on the mesh of the sheets kept apart
constexpr std::size_t kCollapsesPerAsk = 4096; // the job is asked whether it is still wanted this often
constexpr double kFlatVoxels = 0.5;            // corners this near the cut: the mesher's layer of cells it crosses
constexpr double kNearBedVoxels = 3;           // the mesher's triangles this near the bed layer can cross it
constexpr double kOnBedVoxels = 1e-3;          // corners this near the bed always go onto it

using Grid = openvdb::FloatGrid;
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Surface = CGAL::Surface_mesh<Kernel::Point_3>;
using Corners = std::vector<std::array<float, 3>>;
using Faces = std::vector<std::array<std::uint32_t, 3>>;
namespace collapse = CGAL::Surface_mesh_simplification;

// How the collapse came out: clear of itself, crossing in every round (the mesher's mesh kept), or stopped.
enum class Merge { Clear, Crossed, Unwanted };

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

// Stops the collapse once it has kept `ratio` of the edges, or when the job is no longer wanted: it is
// asked every few thousand collapses, so a window stays answering and a cancel is seen during a long merge.
class KeptShareOrUnwanted {
public:
    KeptShareOrUnwanted(double ratio, std::size_t fixed, const std::function<bool()>& wanted, bool& unwanted)
        : ratio_(ratio), fixed_(static_cast<double>(fixed)), wanted_(&wanted), unwanted_(&unwanted)
    {
    }
    template <class FT, class Profile>
    bool operator()(const FT&, const Profile&, std::size_t initial, std::size_t current) const
    {
        if (++asked_ % kCollapsesPerAsk == 0 && !(*wanted_)())
            *unwanted_ = true;
        return *unwanted_ || static_cast<double>(current) < ratio_ * (static_cast<double>(initial) - fixed_) + fixed_;
    }

private:
    double ratio_;
    double fixed_;
    const std::function<bool()>* wanted_;
    bool* unwanted_;
    mutable std::size_t asked_ = 0;
};

// Lindstrom-Turk's placement, two corners on the bed (z = 0) merged on it.
class BedPlacement {
public:
    template <typename Profile>
    boost::optional<typename Profile::Point> operator()(const Profile& profile) const
    {
        boost::optional<typename Profile::Point> place = collapse::LindstromTurk_placement<Surface>()(profile);
        if (place && profile.p0().z() <= 0 && profile.p1().z() <= 0)
            place = typename Profile::Point(place->x(), place->y(), 0);
        return place;
    }
};

// Refuses to collapse an edge with a guarded corner, and keeps the corners laid on the bed apart: an
// edge from one of them to a corner above stays, and a corner above stays at least at `above`. No
// corner goes outside the flower's extent in X and Y (its extreme corners are guarded), so its width
// stays exact.
class GuardFilter {
public:
    GuardFilter(const std::vector<char>& guarded, double above, const std::array<double, 4>& extent)
        : guarded_(&guarded), above_(above), extent_(extent)
    {
    }
    template <typename Profile>
    boost::optional<typename Profile::Point> operator()(const Profile& profile, boost::optional<typename Profile::Point> place) const
    {
        const bool onBed = profile.p0().z() <= 0;
        if (!place || (*guarded_)[profile.v0().idx()] || (*guarded_)[profile.v1().idx()] || (profile.p1().z() <= 0) != onBed
            || place->x() < extent_[0] || place->y() < extent_[1] || place->x() > extent_[2] || place->y() > extent_[3])
            return boost::none;
        return onBed || place->z() >= above_ ? place : boost::none;
    }

private:
    const std::vector<char>* guarded_;
    double above_;
    std::array<double, 4> extent_; // lowest X and Y, highest X and Y
};

// Merges the triangles of flat areas: CGAL's edge collapse (Lindstrom-Turk's placement, which keeps the
// volume and the flat sides flat; no collapse that turns a triangle over) down to a share of the edges.
// A collapse can still carry a triangle through a nearby sheet (two petals a voxel apart): then the
// collapse starts again from the mesher's mesh with the corners about each crossing kept, up to `rounds`
// times, while the crossings grow fewer; the mesher's own mesh is kept when no round comes out clear.
// The mesh is checked as it will be written: placed, its bed layer laid (layBedLayer), kept there by the
// collapse (GuardFilter), and its corners rounded to floats. `corners` and `faces` are replaced when a
// round comes out clear.
Merge mergeFlatAreas(Corners& corners, Faces& faces, int rounds, double guard, double above, const std::function<bool()>& wanted)
{
    std::vector<Kernel::Point_3> points;
    points.reserve(corners.size());
    for (const auto& p : corners)
        points.emplace_back(p[0], p[1], p[2]);
    Faces polygons = faces;
    if (!CGAL::Polygon_mesh_processing::is_polygon_soup_a_polygon_mesh(polygons))
        return Merge::Crossed;
    std::vector<char> guarded(points.size(), 0);
    std::array<double, 4> extent = {1e300, 1e300, -1e300, -1e300};
    for (const auto& p : points)
        extent = {std::min(extent[0], p.x()), std::min(extent[1], p.y()), std::max(extent[2], p.x()), std::max(extent[3], p.y())};
    for (std::size_t k = 0; k < points.size(); ++k)
        guarded[k] = points[k].x() == extent[0] || points[k].y() == extent[1] || points[k].x() == extent[2] || points[k].y() == extent[3];
    std::size_t crossedBefore = SIZE_MAX;
    for (int round = 0; round < rounds; ++round) {
        Surface surface;
        CGAL::Polygon_mesh_processing::polygon_soup_to_polygon_mesh(points, polygons, surface);
        bool unwanted = false;
        // The edges at a guarded corner stay: the others keep the share, so the collapse goes no
        // further elsewhere than in the round before.
        std::size_t fixed = 0;
        for (const Surface::Edge_index e : surface.edges())
            fixed += guarded[surface.source(surface.halfedge(e)).idx()] || guarded[surface.target(surface.halfedge(e)).idx()];
        const KeptShareOrUnwanted stop(kKeptEdges, fixed, wanted, unwanted);
        const collapse::Bounded_normal_change_filter<GuardFilter> filter{GuardFilter(guarded, above, extent)};
        collapse::edge_collapse(surface, stop,
                                CGAL::parameters::get_cost(collapse::LindstromTurk_cost<Surface>())
                                    .get_placement(BedPlacement())
                                    .filter(filter));
        if (unwanted || !wanted())
            return Merge::Unwanted;
        for (const Surface::Vertex_index v : surface.vertices()) {
            const Kernel::Point_3 p = surface.point(v);
            surface.point(v) = Kernel::Point_3(static_cast<float>(p.x()), static_cast<float>(p.y()), static_cast<float>(p.z()));
        }
        std::vector<std::pair<Surface::Face_index, Surface::Face_index>> crossings;
        CGAL::Polygon_mesh_processing::self_intersections(surface, std::back_inserter(crossings));
        if (crossings.empty()) {
            // The vertices keep their numbers (the soup's) until the garbage is collected.
            surface.collect_garbage();
            corners.clear();
            for (const Surface::Vertex_index v : surface.vertices()) {
                const Kernel::Point_3& p = surface.point(v);
                corners.push_back({static_cast<float>(p.x()), static_cast<float>(p.y()), static_cast<float>(p.z())});
            }
            faces.clear();
            for (const Surface::Face_index f : surface.faces()) {
                std::array<std::uint32_t, 3> tri{};
                std::size_t k = 0;
                for (const Surface::Vertex_index v : CGAL::vertices_around_face(surface.halfedge(f), surface))
                    tri[k++] = static_cast<std::uint32_t>(v.idx());
                faces.push_back(tri);
            }
            return Merge::Clear;
        }
        // Guarding more corners only moves the crossings elsewhere once they stop growing fewer.
        if (crossings.size() >= crossedBefore)
            return Merge::Crossed;
        crossedBefore = crossings.size();
        // The mesher's corners near a crossing stay where they are next round.
        for (const auto& pair : crossings)
            for (const Surface::Face_index f : {pair.first, pair.second})
                for (const Surface::Vertex_index v : CGAL::vertices_around_face(surface.halfedge(f), surface)) {
                    const Kernel::Point_3& c = surface.point(v);
                    for (std::size_t k = 0; k < points.size(); ++k)
                        if (CGAL::squared_distance(points[k], c) < guard * guard)
                            guarded[k] = 1;
                }
        if (!wanted())
            return Merge::Unwanted;
    }
    return Merge::Crossed;
}

// Where two sheets nearly touch at a sample (a gap of a hair between two petals), the mesher puts a
// corner of each sheet microns from the other's: exact checks find no crossing, but a reader's tolerant
// one (FreeCAD's) takes the two triangles for crossing, and a collapse nearby crosses. The samples this
// near the surface go inside, so the sheets meet there and every surface crossing on an edge stays a
// share of a voxel from its ends; the surface moves by at most that share.
void keepSheetsApart(Grid& grid, double voxel)
{
    const auto apart = static_cast<float>(kApartVoxels * voxel);
    openvdb::tools::foreach(grid.beginValueOn(), [apart](const Grid::ValueOnIter& it) {
        if (std::abs(*it) < apart)
            it.setValue(-apart);
    });
}

// The mesher's mesh, cell by cell, its faces turned outward.
void meshCells(const Grid& grid, Corners& corners, Faces& faces)
{
    std::vector<openvdb::Vec3s> points;
    std::vector<openvdb::Vec3I> triangles;
    std::vector<openvdb::Vec4I> quads;
    openvdb::tools::volumeToMesh(grid, points, triangles, quads, 0.0, 0.0);
    corners.clear();
    corners.reserve(points.size());
    for (const auto& p : points)
        corners.push_back({p[0], p[1], p[2]});
    points = {};
    faces.clear();
    faces.reserve(triangles.size() + 2 * quads.size());
    // The mesher's faces turn inward: reversed here.
    for (const auto& tri : triangles)
        faces.push_back({tri[0], tri[2], tri[1]});
    for (const auto& q : quads) {
        faces.push_back({q[0], q[2], q[1]});
        faces.push_back({q[0], q[3], q[2]});
    }
}

// Lays the corners within half a `cell` of the bed (the layer of the mesher's cells the cut crosses,
// placed; `cell` is the voxel in millimetres) on the bed at z = 0, so the flower stands on a flat
// face. Where a petal rises from the bed at a shallow angle, its upper side comes within that layer
// too, and laid flat it would fold onto the face under it. So a corner stays where the mesher put it
// when laying it turns one of its triangles over or lays an upward triangle on the bed, or, with
// `exact`, when its triangles then cross another by CGAL's exact check. The corners within a hair of
// the bed always go onto it.
void layBedLayer(Corners& corners, const Faces& faces, double cell, bool exact)
{
    const double above = kOnBedVoxels * cell, floor = kFlatVoxels * cell;
    std::vector<float> mesher(corners.size());
    std::vector<char> laid(corners.size(), 0);
    for (std::size_t v = 0; v < corners.size(); ++v) {
        mesher[v] = corners[v][2];
        laid[v] = mesher[v] < floor;
    }
    const auto keepAbove = [&](const std::array<std::uint32_t, 3>& f) {
        bool kept = false;
        for (const std::uint32_t v : f)
            if (laid[v] && mesher[v] >= above) {
                laid[v] = 0;
                kept = true;
            }
        return kept;
    };
    const auto normal = [&](const std::array<std::uint32_t, 3>& f, bool asLaid) {
        std::array<std::array<double, 3>, 3> p{};
        for (std::size_t k = 0; k < 3; ++k)
            p[k] = {corners[f[k]][0], corners[f[k]][1], asLaid && laid[f[k]] ? 0.0 : mesher[f[k]]};
        const std::array<double, 3> a{p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const std::array<double, 3> b{p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (const auto& f : faces) {
            if (!laid[f[0]] && !laid[f[1]] && !laid[f[2]])
                continue;
            const auto before = normal(f, false), after = normal(f, true);
            const bool flat = laid[f[0]] && laid[f[1]] && laid[f[2]];
            if (before[0] * after[0] + before[1] * after[1] + before[2] * after[2] <= 0 || (flat && before[2] >= 0))
                changed |= keepAbove(f);
        }
    }
    const auto place = [&] {
        for (std::size_t v = 0; v < corners.size(); ++v)
            corners[v][2] = laid[v] ? 0.0f : mesher[v];
    };
    place();
    if (!exact)
        return;
    std::vector<Kernel::Point_3> points(corners.size());
    for (bool changed = true; changed; place()) {
        for (std::size_t v = 0; v < corners.size(); ++v)
            points[v] = Kernel::Point_3(corners[v][0], corners[v][1], corners[v][2]);
        Surface surface;
        CGAL::Polygon_mesh_processing::polygon_soup_to_polygon_mesh(points, faces, surface);
        // Only triangles near the bed can cross a laid one: a cell's triangle spans about two cells.
        std::vector<Surface::Face_index> low;
        for (const Surface::Face_index f : surface.faces()) {
            double lowest = 1e300;
            for (const Surface::Vertex_index v : CGAL::vertices_around_face(surface.halfedge(f), surface))
                lowest = std::min(lowest, surface.point(v).z());
            if (lowest < floor + kNearBedVoxels * cell)
                low.push_back(f);
        }
        std::vector<std::pair<Surface::Face_index, Surface::Face_index>> crossings;
        CGAL::Polygon_mesh_processing::self_intersections(low, surface, std::back_inserter(crossings));
        changed = false;
        for (const auto& pair : crossings)
            for (const Surface::Face_index f : {pair.first, pair.second}) {
                std::array<std::uint32_t, 3> tri{};
                std::size_t k = 0;
                for (const Surface::Vertex_index v : CGAL::vertices_around_face(surface.halfedge(f), surface))
                    tri[k++] = static_cast<std::uint32_t>(v.idx());
                changed |= keepAbove(tri);
            }
    }
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

    // Cell by cell, merged by the collapse; the largest flowers (a mesh of millions of triangles) keep the
    // cells, their sheets kept apart first. The mesher's own adaptive merging is not used: its merged
    // triangles cross where two sheets lie a voxel apart.
    const bool merge = static_cast<double>(solid->activeVoxelCount()) <= kMaxMergedVoxels;
    if (!merge)
        keepSheetsApart(*solid, voxel);
    // The mesher's mesh as it will be written: its outer piece, placed, the bed layer laid.
    Corners corners;
    Faces faces;
    PlacedShell placed;
    double cell = voxel;
    const auto cellsAsWritten = [&](bool exact) {
        meshCells(*solid, corners, faces);
        placed = placeOuterShell(plan, corners, faces, 0.0);
        cell = voxel * placed.scale;
        layBedLayer(corners, faces, cell, exact);
    };
    cellsAsWritten(merge);
    if (!merge)
        solid.reset();
    // The merge takes seconds on a large flower: the step so far is told again now and then, so the
    // progress window answers and a cancel is seen.
    const std::function<bool()> stillWanted = [&] { return !step || step(done, total); };
    if (merge && !faces.empty()) {
        Merge merged = mergeFlatAreas(corners, faces, kCollapseRounds, kGuardVoxels * cell, kOnBedVoxels * cell, stillWanted);
        // A collapse that crossed in every round starts again from the mesh of the sheets kept apart
        // (where it crossed, they nearly touched), and that mesh is kept if it crosses again.
        if (merged == Merge::Crossed) {
            keepSheetsApart(*solid, voxel);
            cellsAsWritten(true);
            merged = mergeFlatAreas(corners, faces, kApartRounds, kGuardVoxels * cell, kOnBedVoxels * cell, stillWanted);
        }
        if (merged == Merge::Unwanted)
            return SolidOutcome::Cancelled;
    }
    solid.reset();
    if (const SolidOutcome outcome = finishPlacedSolid(plan, std::move(corners), std::move(faces), placed, out, problem);
        outcome != SolidOutcome::Finished)
        return outcome;
    if (!advance()) {
        out = {};
        return SolidOutcome::Cancelled;
    }
    return SolidOutcome::Finished;
}

} // namespace petalwright::solid

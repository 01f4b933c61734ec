// The page's check of a printable mesh for triangles that cross one another, and its mending: CGAL's
// exact self-intersection test and its local repair (the triangles about each crossing taken out and
// the hole filled again), compiled into a module of its own that a printable job loads beside the
// union library. The union library's meshes are exact before they become floats; as floats, and once
// its simplification has moved their corners, two sheets a few microns apart or a sliver at a petal's
// heart can cross, which strict checkers (FreeCAD's mesh check) report and a slicer may fill wrongly.
//
// WebAssembly has no rounding modes: CGAL's interval filters are built for rounding to nearest
// (CGAL_ALWAYS_ROUND_TO_NEAREST), and its exact fallback uses Boost's numbers instead of GMP.
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/connected_components.h>
#include <CGAL/Polygon_mesh_processing/measure.h>
#include <CGAL/Polygon_mesh_processing/polygon_soup_to_polygon_mesh.h>
#include <CGAL/Polygon_mesh_processing/repair_polygon_soup.h>
#include <CGAL/Polygon_mesh_processing/repair_self_intersections.h>
#include <CGAL/Polygon_mesh_processing/self_intersections.h>
#include <CGAL/Surface_mesh.h>

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

namespace {

using emscripten::val;
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Surface = CGAL::Surface_mesh<Kernel::Point_3>;
namespace pmp = CGAL::Polygon_mesh_processing;

// Each mending takes the triangles about the crossings out and fills the holes; rounded to floats
// again, a filled patch can itself cross by a hair, so it is tried again while the crossings grow fewer.
constexpr int kMendRounds = 3;
// Each step of the repair widens the patch about a crossing it could not fill; its hole filling grows
// fast with the patch's rim. Every crossing mended on the flowers measured was mended within two steps;
// where sheets cross at length, seven steps took 10 s and more a round on 4,000 triangles, to no avail.
constexpr int kRepairSteps = 2;
// Where sheets cross at length, the repair can cut a petal off or turn a patch inside out: a mended
// mesh that is not one piece, or whose volume moved by more than this share, is not taken.
constexpr double kMostVolumeChange = 2e-3;
// The most volume the crumbs a mending cut off may hold together, as a share of the solid's.
constexpr double kMostCrumbShare = 1e-4;
// A closed piece of fewer triangles than a tetrahedron has no volume.
constexpr std::size_t kFewestFacesOfASolid = 4;

std::size_t crossingCount(const Surface& surface)
{
    std::vector<std::pair<Surface::Face_index, Surface::Face_index>> crossings;
    pmp::self_intersections(surface, std::back_inserter(crossings));
    return crossings.size();
}

// The corners rounded to the floats a file holds.
void roundToFloats(Surface& surface)
{
    for (const Surface::Vertex_index v : surface.vertices()) {
        const Kernel::Point_3 p = surface.point(v);
        surface.point(v) = Kernel::Point_3(static_cast<float>(p.x()), static_cast<float>(p.y()), static_cast<float>(p.z()));
    }
}

// Whether the mended `surface` is still the solid whose volume was `volume`: closed, its volume kept, and
// one piece once the crumbs are dropped. Among many petals crossing one another, the repair can cut
// crumbs off (25 pieces of 4 to 16 triangles, 2.3 mm³ in all, on the largest flower): loose, they would
// print as specks or lie inside the solid; together under kMostCrumbShare of the volume, they go.
bool stillTheSolid(Surface& surface, double volume)
{
    if (!CGAL::is_closed(surface))
        return false;
    auto pieces = surface.add_property_map<Surface::Face_index, std::size_t>("f:piece").first;
    const std::size_t pieceCount = pmp::connected_components(surface, pieces);
    surface.remove_property_map(pieces);
    if (pieceCount > 1) {
        const double whole = pmp::volume(surface);
        pmp::keep_largest_connected_components(surface, 1);
        surface.collect_garbage();
        if (std::abs(whole - pmp::volume(surface)) > kMostCrumbShare * std::abs(volume))
            return false;
    }
    return std::abs(pmp::volume(surface) - volume) <= kMostVolumeChange * std::abs(volume);
}

// mendCrossings(points, triangles, most): `points` (Float32Array of x, y, z) and `triangles` (Uint32Array
// of corner numbers), a closed mesh; answers { crossings, left } (the pairs of crossing triangles before and
// after, -1 where the mesh is not one CGAL can take) and, where it mended, { points, triangles } of the
// mended mesh, its crumbs dropped (stillTheSolid). A mesh with more than `most` crossings is left as it
// is (the repair's time grows with them: the caller tries the mesh made with other figures first). A
// mending that splits the mesh (more than crumbs) or moves its volume (kMostVolumeChange) answers its
// crossings as left.
val mendCrossings(const val& pointValues, const val& triangleValues, int most)
{
    val out = val::object();
    out.set("crossings", -1);
    out.set("left", -1);
    const std::vector<float> values = emscripten::convertJSArrayToNumberVector<float>(pointValues);
    const std::vector<std::uint32_t> indices = emscripten::convertJSArrayToNumberVector<std::uint32_t>(triangleValues);
    std::vector<Kernel::Point_3> points;
    points.reserve(values.size() / 3);
    for (std::size_t i = 0; i + 2 < values.size(); i += 3)
        points.emplace_back(values[i], values[i + 1], values[i + 2]);
    std::vector<std::array<std::size_t, 3>> faces;
    faces.reserve(indices.size() / 3);
    for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
        if (indices[i] >= points.size() || indices[i + 1] >= points.size() || indices[i + 2] >= points.size())
            return out;
        faces.push_back({indices[i], indices[i + 1], indices[i + 2]});
    }
    try {
        if (!pmp::is_polygon_soup_a_polygon_mesh(faces))
            return out;
        Surface surface;
        pmp::polygon_soup_to_polygon_mesh(points, faces, surface);
        const std::size_t crossings = crossingCount(surface);
        out.set("crossings", static_cast<double>(crossings));
        out.set("left", static_cast<double>(crossings));
        if (crossings == 0 || crossings > static_cast<std::size_t>(most))
            return out;
        const double volume = pmp::volume(surface);
        std::size_t left = crossings;
        for (int round = 0; round < kMendRounds && left > 0; ++round) {
            pmp::experimental::remove_self_intersections(surface, pmp::parameters::preserve_genus(false).number_of_iterations(kRepairSteps));
            roundToFloats(surface);
            // A filled hole can leave two triangles on the same three corners, facing apart: a piece of
            // its own without volume, which the check counts as a crossing and the repair cannot take.
            pmp::keep_large_connected_components(surface, kFewestFacesOfASolid);
            surface.collect_garbage();
            const std::size_t before = left;
            left = crossingCount(surface);
            if (left >= before)
                break;
        }
        if (left == 0 && !stillTheSolid(surface, volume))
            left = crossings;
        out.set("left", static_cast<double>(left));
        if (left > 0)
            return out;
        surface.collect_garbage();
        std::vector<float> mendedPoints;
        mendedPoints.reserve(3 * surface.number_of_vertices());
        for (const Surface::Vertex_index v : surface.vertices()) {
            const Kernel::Point_3& p = surface.point(v);
            mendedPoints.insert(mendedPoints.end(), {static_cast<float>(p.x()), static_cast<float>(p.y()), static_cast<float>(p.z())});
        }
        std::vector<std::uint32_t> mendedTriangles;
        mendedTriangles.reserve(3 * surface.number_of_faces());
        for (const Surface::Face_index f : surface.faces())
            for (const Surface::Vertex_index v : CGAL::vertices_around_face(surface.halfedge(f), surface))
                mendedTriangles.push_back(static_cast<std::uint32_t>(v.idx()));
        // Copies: the views last only as long as the vectors.
        out.set("points", val::global("Float32Array").new_(val(emscripten::typed_memory_view(mendedPoints.size(), mendedPoints.data()))));
        out.set("triangles",
                val::global("Uint32Array").new_(val(emscripten::typed_memory_view(mendedTriangles.size(), mendedTriangles.data()))));
    } catch (...) {
        // CGAL's preconditions throw; the mesh is then answered as one it cannot take.
        out.set("crossings", -1);
        out.set("left", -1);
    }
    return out;
}

} // namespace

EMSCRIPTEN_BINDINGS(petalwright_mend)
{
    emscripten::function("mendCrossings", &mendCrossings);
}

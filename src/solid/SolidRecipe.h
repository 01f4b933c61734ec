#pragma once
// How the printable flower is made, apart from the engine that unites volumes: the parts as closed
// triangle meshes (each petal's slab, the heart, the block cut away under the bed), the orientation, the
// size and the detail; then, from the engine's united mesh, the outer shell set on the bed at its size.
// Standard C++ alone, no Qt and no geometry library, so the desktop (OpenVDB) and the browser page
// (its WebAssembly engine) make the same solid from the same steps.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/SolidMesh.h"
#include "geometry/MeshStore.h"
#include "solid/PrintSolid.h"

namespace petalwright::solid {

// A closed triangle mesh, each triangle counter-clockwise seen from outside.
struct PartMesh {
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<std::uint32_t, 3>> triangles;
};

// The parts and the figures the engine works with. The solid is: the slabs, a ring at a time (ring r's
// petals are slabs [r * petalCount, (r + 1) * petalCount)), united; then the heart; less `below`.
struct SolidPlan {
    int overlapCount = 0;
    int petalCount = 0;
    std::vector<PartMesh> slabs;
    PartMesh heart;          // no triangles when the petals leave no room for it
    PartMesh below;          // everything under the bed, cut away
    double voxel = 0;        // the detail: a nozzle's line or finer; the cell of an engine that samples volumes
    double cut = 0;          // the bed's height in the parts' coordinates
    double sizeMm = 0;       // as asked (0: the drawing units as millimetres)
    double thicknessMm = 0;
    bool upsideDown = false;
};

// The parts of the `overlapCount` x `petalCount` petals held in `mesh`.
SolidPlan planPrintSolid(const geometry::MeshStore& mesh, int overlapCount, int petalCount, const SolidOptions& options);

// From the engine's united mesh (`faces` into `points`, in the parts' coordinates, either way round):
// the largest closed piece facing outward, centred, on the bed at z = 0 and exactly the asked size.
// Corners less than `flatAbove` over the cut go onto the bed (a voxel engine's cells the cut crosses).
// Failed, with a Japanese sentence in `problem`, when nothing is left.
SolidOutcome finishPrintSolid(const SolidPlan& plan, std::vector<std::array<float, 3>> points,
                              std::vector<std::array<std::uint32_t, 3>> faces, double flatAbove, formats::SolidMesh& out,
                              std::string* problem = nullptr);

// The same in two steps, for an engine that works on the mesh as it will be written: the piece kept and
// its corners placed (`points` then holds only the piece's corners); then the solid taken as it is.
struct PlacedShell {
    double sizeMm = 0;              // the piece's width, 0 when nothing is left
    double scale = 1;               // millimetres per unit of the parts' coordinates
    std::array<double, 3> origin{}; // the point of the parts that lands on (0, 0, 0): the piece's centre on the bed
};
PlacedShell placeOuterShell(const SolidPlan& plan, std::vector<std::array<float, 3>>& points,
                            std::vector<std::array<std::uint32_t, 3>>& faces, double flatAbove);
SolidOutcome finishPlacedSolid(const SolidPlan& plan, std::vector<std::array<float, 3>> points,
                               std::vector<std::array<std::uint32_t, 3>> faces, const PlacedShell& placed, formats::SolidMesh& out,
                               std::string* problem = nullptr);

} // namespace petalwright::solid

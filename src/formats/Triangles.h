#pragma once
// The flower's faces as placed triangles with their normals, for the formats that take triangles only.

#include "formats/FaceSplit.h"
#include "formats/Placement.h"
#include "geometry/FaceWalk.h"

namespace petalwright::formats {

// Calls `visit(a, b, c, normal)` for every triangle of `face` (split as splitFace does, none of zero
// area), its corners placed for `placement`, the normal by the right-hand rule.
template <typename Visit>
void forEachTriangle(const geometry::MeshStore& mesh, const geometry::Face& face, Placement placement, Visit&& visit)
{
    const SplitFace split = splitFace(mesh, face);
    for (int i = 0; i < split.count; ++i) {
        const Polygon& polygon = split.polygon[static_cast<std::size_t>(i)];
        for (int t = 0; t < triangleCount(polygon); ++t) {
            const auto at = triangle(polygon, t);
            const Point a = place(mesh, at[0], placement);
            const Point b = place(mesh, at[1], placement);
            const Point c = place(mesh, at[2], placement);
            visit(a, b, c, unitNormal(a, b, c));
        }
    }
}

} // namespace petalwright::formats

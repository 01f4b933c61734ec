#pragma once
// A face of the flower as readers of other formats want it: triangles and flat four-point faces, none of
// zero area.

#include <array>
#include <cstddef>

#include "geometry/FaceWalk.h"
#include "geometry/MeshStore.h"

namespace petalwright::formats {

// A triangle (cornerCount 3) or a planar, convex four-point face; corners are mesh elements in the face's order.
struct Polygon {
    int cornerCount = 0;
    std::array<std::size_t, geometry::kCornersPerFace> corner{};
};

struct SplitFace {
    int count = 0; // 0, 1 or 2 polygons
    std::array<Polygon, 2> polygon{};
};

// Corners at the same position collapse into one (the centre at the base, the tip at the end). Four
// corners that are not coplanar, or form a bent face, become the triangles (1, 2, 3) and (1, 3, 4);
// polygons of zero area are left out.
SplitFace splitFace(const geometry::MeshStore& mesh, const geometry::Face& face);

// Triangles of a polygon: one for a triangle, (0, 1, 2) and (0, 2, 3) for a four-point face.
inline int triangleCount(const Polygon& polygon) { return polygon.cornerCount - 2; }
inline std::array<std::size_t, 3> triangle(const Polygon& polygon, int t)
{
    const auto k = static_cast<std::size_t>(t);
    return {polygon.corner[0], polygon.corner[k + 1], polygon.corner[k + 2]};
}

// Unit normal of the triangle a, b, c by the right-hand rule; a triangle splitFace keeps always has one.
std::array<double, 3> unitNormal(const std::array<double, 3>& a, const std::array<double, 3>& b,
                                 const std::array<double, 3>& c);

} // namespace petalwright::formats

#include "formats/FaceSplit.h"

#include <algorithm>
#include <cmath>

namespace petalwright::formats {
namespace {

// Relative to the face's size: a sine of 1e-9 between two edges is a straight line, an offset of a
// billionth of the diagonal is flat. Nine decimals of a millimetre cannot show more.
constexpr double kFlatness = 1e-9;

using Vec = std::array<double, 3>;

Vec at(const geometry::MeshStore& mesh, std::size_t e) { return {mesh.x(e), mesh.y(e), mesh.z(e)}; }
Vec minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec cross(const Vec& a, const Vec& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double squared(const Vec& a) { return dot(a, a); }

// Twice the area's normal of the triangle a, b, c; zero when its corners lie on one line.
Vec areaNormal(const Vec& a, const Vec& b, const Vec& c) { return cross(minus(b, a), minus(c, a)); }

// Compares squares: no root on the way of every face.
bool hasArea(const Vec& a, const Vec& b, const Vec& c, const Vec& normal)
{
    const double sides = squared(minus(b, a)) * squared(minus(c, a));
    return sides > 0.0 && squared(normal) > kFlatness * kFlatness * sides;
}

void add(SplitFace& split, std::initializer_list<std::size_t> corners)
{
    Polygon& polygon = split.polygon[static_cast<std::size_t>(split.count++)];
    polygon.cornerCount = static_cast<int>(corners.size());
    std::copy(corners.begin(), corners.end(), polygon.corner.begin());
}

} // namespace

std::array<double, 3> unitNormal(const Vec& a, const Vec& b, const Vec& c)
{
    const Vec n = areaNormal(a, b, c);
    const double l = std::sqrt(squared(n));
    return l > 0.0 ? Vec{n[0] / l, n[1] / l, n[2] / l} : Vec{0.0, 0.0, 1.0};
}

SplitFace splitFace(const geometry::MeshStore& mesh, const geometry::Face& face)
{
    // The corners without repeats: a corner equal to the one before it adds nothing.
    std::array<std::size_t, geometry::kCornersPerFace> e{};
    std::array<Vec, geometry::kCornersPerFace> v{};
    int n = 0;
    for (const std::size_t element : face.corner) {
        const Vec point = at(mesh, element);
        if (n > 0 && point == v[static_cast<std::size_t>(n - 1)])
            continue;
        e[static_cast<std::size_t>(n)] = element;
        v[static_cast<std::size_t>(n)] = point;
        ++n;
    }
    if (n > 1 && v[static_cast<std::size_t>(n - 1)] == v[0])
        --n;

    SplitFace split;
    if (n == 3) {
        if (hasArea(v[0], v[1], v[2], areaNormal(v[0], v[1], v[2])))
            add(split, {e[0], e[1], e[2]});
        return split;
    }
    if (n < 3)
        return split;

    const Vec n012 = areaNormal(v[0], v[1], v[2]);
    const Vec n023 = areaNormal(v[0], v[2], v[3]);
    const bool first = hasArea(v[0], v[1], v[2], n012);
    const bool second = hasArea(v[0], v[2], v[3], n023);
    if (first && second) {
        const double diagonal = std::max(squared(minus(v[2], v[0])), squared(minus(v[3], v[1])));
        const double offset = dot(n012, minus(v[3], v[0]));
        const bool flat = offset * offset <= kFlatness * kFlatness * diagonal * squared(n012);
        // Convex: both diagonals split it into two triangles that face the same way.
        if (flat && dot(n012, n023) > 0.0 && dot(areaNormal(v[1], v[2], v[3]), areaNormal(v[1], v[3], v[0])) > 0.0) {
            add(split, {e[0], e[1], e[2], e[3]});
            return split;
        }
    }
    if (first)
        add(split, {e[0], e[1], e[2]});
    if (second)
        add(split, {e[0], e[2], e[3]});
    return split;
}

} // namespace petalwright::formats

#pragma once
// How a format places the flower: centre at the origin, the axis up as the format expects, in its unit.

#include <array>
#include <cstddef>

#include "geometry/DaisyMesh.h"
#include "geometry/MeshStore.h"

namespace petalwright::formats {

enum class UpAxis {
    Y, // the flower's axis stays +Y
    Z, // turned a quarter about +X: the axis +Y becomes +Z and +Z becomes -Y (a rotation, never a mirror)
};

struct Placement {
    UpAxis up = UpAxis::Z;
    double unitsPerMillimetre = 1.0; // a drawing unit of the mesh is one millimetre
};

inline constexpr Placement kCadPlacement = {UpAxis::Z, 1.0};     // cad-dxf and STL: Z up, millimetres
inline constexpr Placement kObjPlacement = {UpAxis::Y, 1.0};     // OBJ: Y up, millimetres
inline constexpr Placement kGltfPlacement = {UpAxis::Y, 0.001};  // glTF: Y up, metres

using Point = std::array<double, 3>;

// The mesh point `element` moved so the flower's centre is the origin, turned and scaled for `placement`.
inline Point place(const geometry::MeshStore& mesh, std::size_t element, Placement placement)
{
    const double x = mesh.x(element);
    const double y = mesh.y(element) - geometry::kFlowerCentreY;
    const double z = mesh.z(element);
    const double s = placement.unitsPerMillimetre;
    if (placement.up == UpAxis::Y)
        return {x * s, y * s, z * s};
    return {x * s, -z * s, y * s};
}

} // namespace petalwright::formats

#pragma once
// A closed triangle mesh for printing: shared corners, each triangle counter-clockwise seen from outside.

#include <array>
#include <cstdint>
#include <vector>

namespace petalwright::formats {

struct SolidMesh {
    std::vector<std::array<float, 3>> points;            // millimetres, Z up, standing on z = 0
    std::vector<std::array<std::uint32_t, 3>> triangles; // corner indices into `points`
    double sizeMm = 0;                                   // largest width across X and Y
    double thicknessMm = 0;                              // the petals' thickness
    bool upsideDown = false;                             // stands on its face (petals pointing up in the design)
    // Where the recipe's parts landed: a point p of the parts is at (p - partsOrigin) * partsScale here.
    std::array<double, 3> partsOrigin{};
    double partsScale = 1;
};

} // namespace petalwright::formats

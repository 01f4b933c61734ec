#pragma once
// A closed triangle mesh for printing: shared corners, each triangle counter-clockwise seen from outside.

#include <array>
#include <cstdint>
#include <vector>

namespace petalwright::formats {

struct SolidMesh {
    std::vector<std::array<float, 3>> points;            // millimetres, Z up, standing on z = 0
    std::vector<std::array<std::uint32_t, 3>> triangles; // corner indices into `points`
};

} // namespace petalwright::formats

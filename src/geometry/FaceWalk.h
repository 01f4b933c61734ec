#pragma once
// The one walk over the flower's faces: ring, petal, strip pair, segment, with each face's four corners.

#include <array>
#include <cstddef>

#include "geometry/MeshStore.h"

namespace petalwright::geometry {

inline constexpr int kSegmentsPerStrip = kPointsPerStrip - 1; // faces along a petal, base to tip
inline constexpr int kStripPairs = kStripsPerPetal - 1;       // faces across a petal
inline constexpr int kCornersPerFace = 4;

// One cell of a petal's point grid: segment p along the petal, strip pair q across it.
struct Face {
    int ring = 0;
    int petal = 0;
    int q = 0;
    int p = 0;
    // Mesh elements of the corners, in the file's order: (p,q), (p,q+1), (p+1,q+1), (p+1,q).
    std::array<std::size_t, kCornersPerFace> corner{};
};

// Calls `visit(const Face&)` for every face of the `rings` x `petals` petals, in the file's order (q outer,
// p inner within a petal); `visit` returns false to stop. Returns false when it was stopped.
template <typename Visit>
bool forEachFace(const MeshStore& mesh, int rings, int petals, Visit&& visit)
{
    Face face;
    for (face.ring = 0; face.ring < rings; ++face.ring) {
        for (face.petal = 0; face.petal < petals; ++face.petal) {
            for (face.q = 0; face.q < kStripPairs; ++face.q) {
                for (face.p = 0; face.p < kSegmentsPerStrip; ++face.p) {
                    face.corner = {mesh.index(face.ring, face.petal, face.p, face.q),
                                   mesh.index(face.ring, face.petal, face.p, face.q + 1),
                                   mesh.index(face.ring, face.petal, face.p + 1, face.q + 1),
                                   mesh.index(face.ring, face.petal, face.p + 1, face.q)};
                    if (!visit(static_cast<const Face&>(face)))
                        return false;
                }
            }
        }
    }
    return true;
}

} // namespace petalwright::geometry

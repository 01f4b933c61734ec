#include "geometry/MeshStore.h"

namespace petalwright::geometry {

void MeshStore::allocate(std::int32_t overlapCount, std::int32_t petalCount)
{
    if (overlapCount < 0 || petalCount < 0)
        overlapCount = petalCount = 0; // only validated counts come here; never a huge allocation
    m_rings = overlapCount;
    m_petals = petalCount;
    m_petalStride = static_cast<std::size_t>(petalCount) + 1;
    const std::size_t count = (static_cast<std::size_t>(overlapCount) + 1) * m_petalStride * kPointStride * kStripStride;
    // Fresh vectors rather than a refill: the old arrays are released first.
    m_x = std::vector<double>();
    m_y = std::vector<double>();
    m_z = std::vector<double>();
    m_x.assign(count, 0.0);
    m_y.assign(count, 0.0);
    m_z.assign(count, 0.0);
}

} // namespace petalwright::geometry

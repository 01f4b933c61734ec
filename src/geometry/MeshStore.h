#pragma once
// The flower's points: three parallel coordinate arrays addressed [ring][petal][point][strip].

#include <cstddef>
#include <cstdint>
#include <vector>

namespace petalwright::geometry {

inline constexpr int kPointsPerStrip = 5; // base (0) to tip (4)
inline constexpr int kStripsPerPetal = 3; // edge, middle line, edge

class MeshStore {
public:
    // Releases the arrays and allocates them anew for the counts, every element 0.0. Each
    // dimension keeps one spare index (ring overlapCount, petal petalCount, point 5, strip 3).
    void allocate(std::int32_t overlapCount, std::int32_t petalCount);

    // Rings and petals the store was allocated for (0 before the first allocation).
    std::int32_t rings() const { return m_rings; }
    std::int32_t petals() const { return m_petals; }
    // Elements per array, spare entries included.
    std::size_t size() const { return m_x.size(); }

    std::size_t index(int ring, int petal, int point, int strip) const
    {
        return ((static_cast<std::size_t>(ring) * m_petalStride + static_cast<std::size_t>(petal)) * kPointStride
                + static_cast<std::size_t>(point)) * kStripStride
            + static_cast<std::size_t>(strip);
    }

    void set(int ring, int petal, int point, int strip, double x, double y, double z)
    {
        const std::size_t i = index(ring, petal, point, strip);
        m_x[i] = x;
        m_y[i] = y;
        m_z[i] = z;
    }

    double x(std::size_t i) const { return m_x[i]; }
    double y(std::size_t i) const { return m_y[i]; }
    double z(std::size_t i) const { return m_z[i]; }

private:
    static constexpr std::size_t kPointStride = kPointsPerStrip + 1;
    static constexpr std::size_t kStripStride = kStripsPerPetal + 1;

    std::int32_t m_rings = 0;
    std::int32_t m_petals = 0;
    std::size_t m_petalStride = 0;
    std::vector<double> m_x, m_y, m_z;
};

} // namespace petalwright::geometry

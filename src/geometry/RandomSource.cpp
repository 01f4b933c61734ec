#include "geometry/RandomSource.h"

#include <chrono>

namespace petalwright::geometry {

double SeededRandom::next()
{
    // The top 53 bits scaled by 2^-53: strictly below 1, which generate_canonical does not promise.
    return static_cast<double>(m_engine() >> 11) * 0x1.0p-53;
}

std::uint64_t seedFromClock()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

} // namespace petalwright::geometry

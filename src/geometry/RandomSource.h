#pragma once
// Uniform pseudo-random numbers in [0, 1) for the ring turns.

#include <cstdint>
#include <random>

namespace petalwright::geometry {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Next number r with 0 <= r < 1.
    virtual double next() = 0;
};

// A 64-bit Mersenne Twister; the same seed gives the same sequence on every machine.
class SeededRandom final : public RandomSource {
public:
    explicit SeededRandom(std::uint64_t seed) : m_engine(seed) {}
    double next() override;

private:
    std::mt19937_64 m_engine;
};

// A seed from the clock, different for two runs started a moment apart.
std::uint64_t seedFromClock();

} // namespace petalwright::geometry

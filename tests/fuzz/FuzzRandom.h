// The fuzzer's only source of chance: splitmix64 from a seed, so one seed
// always gives the same inputs in the same order.
#pragma once

#include <cstddef>
#include <cstdint>

class CFuzzRandom
{
public:
    explicit CFuzzRandom(uint64_t seed) : m_state(seed) {}

    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // 0 .. n-1; 0 when n is 0.
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }
    bool OneIn(size_t n) { return Below(n) == 0; }

private:
    uint64_t m_state;
};

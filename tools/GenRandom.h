// A small, fully specified random source, so that one seed gives the same
// hotlist on every compiler and standard library (std distributions differ).
#pragma once

#include <cstdint>

namespace gen {

// splitmix64: fast, good enough for test data, and trivially reproducible.
struct Rng {
    uint64_t state = 0;
};

inline Rng MakeRng(uint64_t seed)
{
    Rng rng;
    rng.state = seed ^ 0x5DEECE66Dull;
    return rng;
}

inline uint64_t NextU64(Rng& rng)
{
    rng.state += 0x9E3779B97F4A7C15ull;
    uint64_t z = rng.state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// A number in [0, n); n = 0 gives 0. The tiny bias of the multiply is harmless here.
inline uint64_t Below(Rng& rng, uint64_t n)
{
    if (n == 0) return 0;
    if (n <= 0xFFFFFFFFull) return ((NextU64(rng) >> 32) * n) >> 32;
    return NextU64(rng) % n;
}

// True with the given chance in percent.
inline bool Chance(Rng& rng, unsigned percent)
{
    return Below(rng, 100) < percent;
}

// A number in [lo, hi], both included.
inline uint64_t Between(Rng& rng, uint64_t lo, uint64_t hi)
{
    return lo + Below(rng, hi - lo + 1);
}

}  // namespace gen

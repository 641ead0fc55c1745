// The pseudo-random generator behind Random() in both builds: PCG32
// (a 64-bit linear congruential state, output by a permuted 32-bit part).
// Small, fast and statistically sound enough for frame-time jitter.
#pragma once

#include <stdint.h>

struct RandomState {
    uint64_t state;
};

static inline uint32_t RandomStep(RandomState *generator) {
    const uint64_t increment = 1442695040888963407ull;
    uint64_t old = generator->state;
    generator->state = old * 6364136223846793005ull + increment;
    uint32_t shifted = (uint32_t)(((old >> 18u) ^ old) >> 27u);
    uint32_t rotation = (uint32_t)(old >> 59u);
    return (shifted >> rotation) | (shifted << ((32u - rotation) & 31u));
}

static inline void RandomSeed(RandomState *generator, uint32_t seed) {
    generator->state = 0;
    RandomStep(generator);
    generator->state += seed;
    RandomStep(generator);
}

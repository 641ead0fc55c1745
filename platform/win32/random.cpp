// Random() for the Windows build: the same generator as the simulated
// device's, seeded from the tick count the first time it is asked.
#include "platform.h"

#include "common/random_step.h"

namespace {

RandomState generator;
bool seeded;

}  // namespace

DWORD Random(void) {
    if (!seeded) {
        RandomSeed(&generator, GetTickCount());
        seeded = true;
    }
    return RandomStep(&generator);
}

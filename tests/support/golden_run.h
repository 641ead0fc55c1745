// The golden run: the whole program on the simulated device, from a set time
// until a number of ticks have drawn, and a hash of the screen it leaves.
#pragma once

#include "platform.h"

#include <filesystem>
#include <stdint.h>

// The bundled skin's folder in the source tree.
std::filesystem::path BundledSkin();
// The program in root at depth and mode from start until tickCount ticks
// have drawn: the screen's hash, or 0 when the run ended before.
uint32_t RunAndHash(const std::filesystem::path &root, int depth, int mode, const SYSTEMTIME &start, int tickCount);

// The start-up probe of how the display stores colours.
#pragma once

#include "core/image.h"

#include "graphics/pixels.h"

// Records the display's depth as the program handles it: 16 and 32 bits as
// 24. A display reporting 32 bits stores 8 bits a channel like a 24-bit one;
// taken at its word, keyed pictures would vanish and only two opacities be
// offered.
void RecordDisplayDepth(int32_t bitsPerPixel);
// The whole format at once, for the tools and tests that draw for a display
// of their choosing.
void SetDisplayFormat(const DisplayFormat &format);
// Echoes colours through the top-left pixel of surface (the work surface).
void ProbeDisplayFormat(const ImageRecord *surface);
uint32_t MatchDisplayColour(uint32_t colour);
// Forgets what the probe learnt: the display format as before start-up.
void ResetDisplayFormat(void);

// Date and time placeholders in the texts a frame shows.
#pragma once

#include "platform.h"

// A FormatTimeText destination holds this many units; the expansion never
// grows beyond its source and stops short of this length.
enum { kTimeTextUnits = 256 };

// Expands source's placeholders for the local time now into destination.
// Returns 1 when a placeholder was expanded.
int FormatTimeText(WCHAR *destination, const WCHAR *source);

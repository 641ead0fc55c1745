// The compositor's two halves, private to the engine: drawing a frame's
// layers into frameSurface and coverageMask, and merging the frame with the
// background into the work surface.
#pragma once

#include "core/tables.h"

// Draws the frame's layers in slot order until the end marker; layers whose
// references fall outside the tables are skipped.
void ComposeFrameLayers(const Frame *frame);

// Merges the frame into workSurface, which holds the screen under the work
// area: tracks the background where the screen changed (when mascotShown),
// blends covered pixels by blendMode, restores the background elsewhere, and
// records the result in shownSurface.
void MergeFrameWithBackground(void);

// The graphics layer: pictures and the work surfaces.
//
// Data flows in from two sides. BMP files come through bmp.h's loader into
// image records (core/image.h), converted to the few depths the program
// stores; the screen comes through this header's capture into the work
// surfaces. pixels.h holds the per-pixel reads, writes and blends that the
// engine's compositor uses on both, and probe.h learns at start-up how the
// display stores colours. Start reading here, then pixels.h.
//
// This header: the work surfaces, the screen blits and text drawing.
#pragma once

#include "core/image.h"

// The screen's DC and the surfaces, written only here (surfaces.cpp): the
// DC by OpenDisplay, the records and the DC that holds the work surface by
// CreateWorkSurfaces and ReleaseWorkSurfaces. The engine draws into their
// pixels and reads the records.
extern const HDC &screenDC;
extern const HDC &workDC;
extern const ImageRecord &workSurface;
extern const ImageRecord &frameSurface;
extern const ImageRecord &backgroundSurface;
extern const ImageRecord &shownSurface;
extern BYTE *const &coverageMask;  // W x H bytes, top row first
// 1 while the last frame is on the screen: set by ShowWorkSurface, cleared
// by a capture and by ReleaseWorkSurfaces.
extern const int32_t &mascotShown;

// Takes the screen's DC and records the display's depth (probe.h). Start-up
// calls it before the skin loads, since the skin's choices depend on it.
void OpenDisplay(void);

// Creates the surfaces for the skin's work area (after the skin is loaded).
// Returns 1, or 0 after telling the user which platform object failed.
int CreateWorkSurfaces(void);
// 1 once CreateWorkSurfaces has succeeded.
int WorkSurfacesReady(void);
// Frees every surface and deletes their platform objects: not ready after.
void ReleaseWorkSurfaces(void);
// ReleaseWorkSurfaces, and forgets the screen's DC and the text font: the
// surfaces as a new process finds them.
void ResetWorkSurfaces(void);
// The whole graphics layer as a new process finds it: the surfaces, the
// display format and the loader.
void ResetGraphicsState(void);
// The 1 x 1 8-bit DC the display probe settles colours through; null unless
// the display has 8 bits.
HDC ProbeBitmapDC(void);

// Copies the screen under the work area into the background.
void CaptureBackground(void);
// Puts the captured background back on the screen, with what others drew
// there since; does nothing unless a capture came since the last restore.
void RestoreBackground(void);
// Copies the screen under the work area into the work surface, ready to read.
void ReadScreenUnderArea(void);
// Puts the work surface on the screen at the work area: the mascot is shown.
void ShowWorkSurface(void);
// Row y (top first) of the screen under the work area at the display's own
// precision, as captured and as others drew since; null on 16-bit displays,
// where the background is exact. Packed 3-byte pixels.
BYTE *DesktopRow(int32_t y);
// The bits of a packed pixel (byte 0 lowest) that tell another program's
// drawing from what the mascot showed: all of them on displays deeper than
// 16 bits, which give back exactly what was written; else the 5-6-5 bits (a
// palette display shows the entry nearest to a frame's colour, which only
// that reading matches).
uint32_t TrackedBits(void);
void SelectTextFont(int32_t size);
// Draws the text's glyphs into frameSurface at x, y and marks them covered;
// the extent measured, before it is clipped to the work area, goes to the
// observer's textMeasured report.
void DrawTextItem(const WCHAR *text, int32_t size, int32_t x, int32_t y, uint32_t colour);

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

extern HDC screenDC;
extern HDC workDC;
extern HBITMAP workBitmap;
extern ImageRecord workSurface;
extern ImageRecord frameSurface;
extern ImageRecord backgroundSurface;
extern ImageRecord shownSurface;
extern BYTE *coverageMask;   // W x H bytes, top row first
extern HBITMAP probeBitmap;  // 8-bit displays only
extern HDC probeDC;          // 8-bit displays only
extern int32_t mascotShown;

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

// Copies the screen under the work area into the background.
void CaptureBackground(void);
// Puts the captured background back on the screen, with what others drew
// there since; does nothing unless a capture came since the last restore.
void RestoreBackground(void);
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

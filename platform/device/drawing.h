// Shared between the drawing half's own files (screen.cpp, gdi.cpp,
// font.cpp); nothing else includes it.
//
// The screen keeps, for every pixel, the colour a 24-bit read would give back
// (already rounded to what a display of its depth can hold). Every drawing
// target — the screen or a DIB section selected into a memory DC — is reached
// as a DrawSurface, read and written one 0x00BBGGRR colour at a time, so
// BitBlt and DrawTextW need no case per pair of formats.
#pragma once

#include "internal.h"

#include <cstdint>
#include <vector>

// ---- the screen (screen.cpp) ----------------------------------------------------
COLORREF ScreenPixel(int x, int y);               // caller keeps (x, y) on screen
void ScreenStore(int x, int y, COLORREF colour);  // rounds to the screen's depth
// Rows as 24-bit DIB bytes (blue, green, red): count pixels from (x, y),
// which the caller keeps on screen.
const uint8_t *ScreenRowBytes(int x, int y);
void ScreenStoreRow(int x, int y, const uint8_t *bgr, int count);
void ScreenCountRead();
void ScreenCountWrite();
void ResetScreen();

// The entry of table (count entries) nearest to colour; ties go to the lower index.
int NearestTableEntry(const RGBQUAD *table, int count, COLORREF colour);
COLORREF TableColour(const RGBQUAD &entry);

// ---- GDI objects (gdi.cpp) ------------------------------------------------------
struct GdiBitmap {
    int width = 0, height = 0, bitCount = 0;
    bool topDown = false;
    size_t stride = 0;        // bytes per row, padded to 4
    uint8_t *bits = nullptr;  // points into storage; stable for the bitmap's life
    std::vector<uint8_t> storage;
    RGBQUAD table[256] = {};
    int tableSize = 0;  // entries of the colour table (depths 1-8)
};

struct DrawSurface {
    GdiBitmap *bitmap = nullptr;  // null: the screen
    int width = 0, height = 0;
};

// The surface a DC draws on. Fails for unknown or deleted DCs.
bool SurfaceOfDC(HDC dc, DrawSurface *surface);
COLORREF SurfaceRead(const DrawSurface &surface, int x, int y);
void SurfaceWrite(const DrawSurface &surface, int x, int y, COLORREF colour);

// Takes one of the failures queued by DeviceFailNext for the named call.
bool TakeQueuedFailure(const char *call);

struct FontFace;  // font.cpp: a loaded face at one pixel size
HFONT NewFontObject(const LOGFONTW &font, FontFace *face);
// The face of the font selected into dc, or null when none was resolved.
FontFace *SelectedFontFace(HDC dc);
void ResetGdiObjects();

// ---- fonts (font.cpp) -----------------------------------------------------------
// The cached face for a logical font: fontconfig match of the face name,
// falling back to the default sans face. Null only when no font file loads.
FontFace *ResolveFontFace(const LOGFONTW &font);
FontFace *DefaultFontFace();

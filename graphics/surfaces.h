// The work surfaces, the screen blits and text drawing.
#pragma once

#include "image.h"

extern HDC screenDC;
extern HDC workDC;
extern HBITMAP workBitmap;
extern ImageRecord workSurface;
extern ImageRecord frameSurface;
extern ImageRecord backgroundSurface;
extern ImageRecord shownSurface;
extern BYTE *coverageMask;         // W x H bytes, top row first
extern HBITMAP probeBitmap;        // 8-bit displays only
extern HDC probeDC;                // 8-bit displays only
extern int32_t mascotShown;

// Creates the surfaces for the skin's work area (after the skin is loaded).
// Returns 1, or 0 after telling the user which platform object failed.
int CreateWorkSurfaces(void);
// 1 once CreateWorkSurfaces has succeeded.
int WorkSurfacesReady(void);

void CaptureBackground(void);
void RestoreBackground(void);
void SelectTextFont(int32_t size);
void DrawTextItem(const WCHAR *text, int32_t size, int32_t x, int32_t y, uint32_t colour);

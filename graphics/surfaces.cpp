// The work surfaces, the screen blits and text drawing.
//
// CreateWorkSurfaces makes (at start-up) the W x H surfaces of the skin's work area:
// three packed 24-bit records of our own (frameSurface, backgroundSurface,
// shownSurface), the coverage mask, and workSurface, which addresses the
// pixels of a platform DIB section (workBitmap, selected into workDC) so
// that the same pixels can be blitted to and from the screen. The DIB's rows
// are padded to 4 bytes, so workSurface carries the padded row length.
// On 8-bit displays a 1 x 1 8-bit DIB (probeBitmap in probeDC) also exists
// for the display probe.
//
// Pixels blitted in from the screen are full precision; the copies into our
// own records reduce them to 5-6-5 like every other write.
#include "graphics/surfaces.h"

#include "core/observer.h"
#include "core/process.h"
#include "core/tables.h"
#include "graphics/bmp.h"
#include "graphics/pixels.h"
#include "graphics/probe.h"

#include <string.h>

// What surfaces.h lets others read, and the probe's bitmap, which only
// ProbeBitmapDC hands out.
static struct {
    HDC screenDC, workDC, probeDC;
    HBITMAP workBitmap, probeBitmap;  // probeBitmap on 8-bit displays only
    ImageRecord workSurface, frameSurface, backgroundSurface, shownSurface;
    BYTE *coverageMask;
    int32_t mascotShown;
} own;

const HDC &screenDC = own.screenDC;
const HDC &workDC = own.workDC;
const ImageRecord &workSurface = own.workSurface;
const ImageRecord &frameSurface = own.frameSurface;
const ImageRecord &backgroundSurface = own.backgroundSurface;
const ImageRecord &shownSurface = own.shownSurface;
BYTE *const &coverageMask = own.coverageMask;
const int32_t &mascotShown = own.mascotShown;

enum {
    kSurfaceMessageUnits = 256,
    kWhite = 0xFFFFFF,
    kTextBoxExtension = 7,
    // lfQuality NONANTIALIASED_QUALITY: glyph pixels are picked out as the
    // exactly black ones, and smoothed edges would come out grey and vanish
    // (desktop systems smooth text by default; the handheld does not).
    kMonochromeQuality = 3
};

static int32_t surfacesReady;
// 1 while the screen under the work area has been captured and not yet put
// back: before a capture the surfaces hold nothing of the desktop, and after
// a restore the screen shows the desktop itself, so there is nothing to put.
static int32_t backgroundCaptured;
// The screen under the work area at the display's own precision (packed
// rows): as captured, and wherever another program has drawn since. The
// background is kept at 5-6-5 precision, which only a 16-bit display shows
// exactly; on any other display uncovered pixels and the restore take these
// bytes. On a deeper one the mascot's rectangle would otherwise show a shade
// off the desktop; on a palette display the 5-6-5 value maps to another entry,
// which the next tick would take for a change and keep: the colour would walk.
static BYTE *capturedScreen;
static int32_t keepsDesktopBytes;  // the display is not exactly 5-6-5
static int32_t echoesExactly;      // deeper than 16 bits: reads back what was written
static LOGFONTW textFont;
static HFONT textFontHandle;  // the font we last selected into workDC, or null
static WCHAR surfaceMessage[kSurfaceMessageUnits];

int WorkSurfacesReady(void) { return surfacesReady; }

// Tells the user which platform object failed, with the platform's error.
static void ReportSurfaceError(const WCHAR *format, DWORD error) {
    wsprintfW(surfaceMessage, format, (int)error);
    ShowErrorBox(surfaceMessage);
}

static void FailureBeep(void) { MessageBeep(MB_ICONASTERISK); }

static BYTE *AllocateBytes(size_t bytes) { return (BYTE *)LocalAlloc(LPTR, bytes ? bytes : 1); }

static void FreeBytes(BYTE **bytes) {
    if (*bytes) LocalFree(*bytes);
    *bytes = NULL;
}

// Returns 1, or 0 when any buffer could not be had (the caller frees the rest).
static int AllocateOwnSurfaces(int32_t width, int32_t height) {
    size_t pixelCount = (size_t)width * (size_t)height;
    return AllocateImagePixels(&own.frameSurface, width, height, 24) &&
           AllocateImagePixels(&own.backgroundSurface, width, height, 24) &&
           AllocateImagePixels(&own.shownSurface, width, height, 24) &&
           (capturedScreen = AllocateBytes(pixelCount * 3)) != NULL &&
           (own.coverageMask = AllocateBytes(pixelCount)) != NULL;
}

// The DC goes first: the platform refuses to delete a bitmap still selected.
static void DeleteBitmapInDC(HBITMAP *bitmap, HDC *dc) {
    if (*dc) DeleteDC(*dc);
    if (*bitmap) DeleteObject(*bitmap);
    *dc = NULL;
    *bitmap = NULL;
}

void ReleaseWorkSurfaces(void) {
    surfacesReady = 0;
    backgroundCaptured = 0;
    own.mascotShown = 0;
    FreeImagePixels(&own.frameSurface);
    FreeImagePixels(&own.backgroundSurface);
    FreeImagePixels(&own.shownSurface);
    FreeBytes(&capturedScreen);
    FreeBytes(&own.coverageMask);
    DeleteBitmapInDC(&own.workBitmap, &own.workDC);
    DeleteBitmapInDC(&own.probeBitmap, &own.probeDC);
    if (textFontHandle) DeleteObject(textFontHandle);  // no longer selected: its DC is gone
    textFontHandle = NULL;
    memset(&own.workSurface, 0, sizeof own.workSurface);
}

void ResetWorkSurfaces(void) {
    ReleaseWorkSurfaces();
    own.screenDC = NULL;
    memset(&textFont, 0, sizeof textFont);
}

void ResetGraphicsState(void) {
    ResetWorkSurfaces();
    ResetDisplayFormat();
    ResetBitmapLoader();
}

void OpenDisplay(void) {
    own.screenDC = GetDC(NULL);
    RecordDisplayDepth(GetDeviceCaps(own.screenDC, BITSPIXEL));
}

HDC ProbeBitmapDC(void) { return own.probeDC; }

// Creates a DIB section as described and a memory DC holding it. On failure
// tells the user which of the two failed (bitmapError or "baseDC error"),
// deletes what was made, beeps and returns 0.
static int CreateBitmapInDC(const BITMAPINFO *info, const WCHAR *bitmapError, HBITMAP *bitmap,
                            HDC *dc, void **bits) {
    *bitmap = CreateDIBSection(screenDC, info, DIB_RGB_COLORS, bits, NULL, 0);
    if (!*bitmap || !*bits) {
        ReportSurfaceError(bitmapError, GetLastError());
        DeleteBitmapInDC(bitmap, dc);
        FailureBeep();
        return 0;
    }
    *dc = CreateCompatibleDC(screenDC);
    if (!*dc) {
        ReportSurfaceError(WSTR("baseDC error (%d)"), GetLastError());
        DeleteBitmapInDC(bitmap, dc);
        FailureBeep();
        return 0;
    }
    SelectObject(*dc, *bitmap);
    return 1;
}

// The platform refuses empty bitmaps, so an empty work area (a skin without
// a D line) still gets a 1 x 1 DIB; workSurface keeps the area's own size.
static int CreateWorkBitmap(int32_t width, int32_t height) {
    int32_t dibWidth = width > 0 ? width : 1, dibHeight = height > 0 ? height : 1;
    void *bits = NULL;
    if (!CreateBitmapInDC(DescribeBitmap(dibWidth, dibHeight, 24), WSTR("baseBmp error (%d)"),
                          &own.workBitmap, &own.workDC, &bits))
        return 0;
    own.workSurface.pixels = (BYTE *)bits;
    own.workSurface.width = width;
    own.workSurface.height = height;
    own.workSurface.bitsPerPixel = 24;
    own.workSurface.palette = NULL;
    own.workSurface.rowBytes = (dibWidth * 3 + 3) & ~3;  // DIB rows are padded to 4 bytes
    return 1;
}

// Only on 8-bit displays, where the probe settles colours through an 8-bit
// bitmap whose colour table is the last loaded file's.
static int CreateProbeBitmap(void) {
    void *bits = NULL;
    return CreateBitmapInDC(DescribeBitmap(1, 1, 8), WSTR("tmp256Bmp error (%d)"), &own.probeBitmap,
                            &own.probeDC, &bits);
}

// Every failure leaves nothing behind and the surfaces not ready, so the
// animation stays stopped.
int CreateWorkSurfaces(void) {
    ReleaseWorkSurfaces();
    int32_t width = skinTables.areaWidth, height = skinTables.areaHeight;
    // Sizes outside what a record can hold are refused as a bitmap the
    // platform could not make, before any size product can overflow.
    int sizeOk = width >= 0 && height >= 0 && width <= kMaxImageSide && height <= kMaxImageSide;
    if (!sizeOk || !AllocateOwnSurfaces(width, height)) {
        ReleaseWorkSurfaces();
        ReportSurfaceError(WSTR("baseBmp error (%d)"), ERROR_NOT_ENOUGH_MEMORY);
        FailureBeep();
        return 0;
    }
    if (!CreateWorkBitmap(width, height) || (displayFormat.depth == 8 && !CreateProbeBitmap())) {
        ReleaseWorkSurfaces();
        return 0;
    }
    surfacesReady = 1;
    return 1;
}

// Copies one row of 24-bit pixels, reducing them to 5-6-5.
static void CopyReducedRow(BYTE *to, const BYTE *from, int32_t width) {
    for (int32_t i = 0; i < 3 * width; i += 3) ReducePixel(to + i, from + i);
}

static BYTE *CapturedRow(int32_t y) {
    return capturedScreen + (size_t)(workSurface.height - 1 - y) * (size_t)workSurface.width * 3;
}

BYTE *DesktopRow(int32_t y) {
    if (!surfacesReady || !keepsDesktopBytes || y < 0 || y >= workSurface.height) return NULL;
    return CapturedRow(y);
}

uint32_t TrackedBits(void) {
    return surfacesReady && echoesExactly ? 0xFFFFFFu : (uint32_t)kReducedBits;
}

// Puts one row of the background back: the captured pixel itself where the
// background still holds it (at 5-6-5 precision), else the background, which
// then holds what another program drew there since.
static void RestoreRow(BYTE *to, const BYTE *background, const BYTE *captured, int32_t width) {
    for (int32_t i = 0; i < 3 * width; i += 3) {
        const BYTE *from = ReducesTo(captured + i, background + i) ? captured + i : background + i;
        to[i] = from[0];
        to[i + 1] = from[1];
        to[i + 2] = from[2];
    }
}

void CaptureBackground(void) {
    if (!surfacesReady) return;
    // A frame still on the screen (a stop that left it there) goes first:
    // nothing of it may become desktop. It stands where the capture is about
    // to read, since whoever moves the work area puts the background back
    // before.
    if (mascotShown) RestoreBackground();
    // Read on every capture: a display change may change the depth too.
    int32_t bits = GetDeviceCaps(screenDC, BITSPIXEL);
    keepsDesktopBytes = bits != 16;
    echoesExactly = bits > 16;
    BitBlt(workDC, 0, 0, workSurface.width, workSurface.height, screenDC, skinTables.areaX,
           skinTables.areaY, SRCCOPY);
    GdiFlush();  // the platform may still be writing the DIB's bits
    for (int32_t y = 0; y < workSurface.height; y++) {
        const BYTE *screenRow = ImageRow(&workSurface, y);
        CopyReducedRow(ImageRow(&backgroundSurface, y), screenRow, workSurface.width);
        memcpy(CapturedRow(y), screenRow, (size_t)workSurface.width * 3);
    }
    own.mascotShown = 0;
    backgroundCaptured = 1;
}

void ReadScreenUnderArea(void) {
    BitBlt(own.workDC, 0, 0, skinTables.areaWidth, skinTables.areaHeight, own.screenDC,
           skinTables.areaX, skinTables.areaY, SRCCOPY);
    GdiFlush();  // the platform may batch the blit; its pixels must be in the DIB before we read
}

void ShowWorkSurface(void) {
    BitBlt(own.screenDC, skinTables.areaX, skinTables.areaY, skinTables.areaWidth,
           skinTables.areaHeight, own.workDC, 0, 0, SRCCOPY);
    own.mascotShown = 1;
}

void RestoreBackground(void) {
    if (!surfacesReady || !backgroundCaptured) return;
    for (int32_t y = 0; y < workSurface.height; y++)
        RestoreRow(ImageRow(&workSurface, y), ImageRow(&backgroundSurface, y), CapturedRow(y),
                   workSurface.width);
    BitBlt(screenDC, skinTables.areaX, skinTables.areaY, workSurface.width, workSurface.height,
           workDC, 0, 0, SRCCOPY);
    backgroundCaptured = 0;
}

// The platform may refuse to delete a font still selected into a device
// context, so the previous font goes only after the new one is selected.
// When the font cannot be made, workDC keeps the font it has.
void SelectTextFont(int32_t size) {
    textFont.lfHeight = size & 0xFF;
    textFont.lfQuality = kMonochromeQuality;
    size_t n = 0;
    while (n < kFaceUnits - 1 && skinTables.fontFace[n] != 0) {
        textFont.lfFaceName[n] = skinTables.fontFace[n];
        n++;
    }
    textFont.lfFaceName[n] = 0;
    HFONT font = CreateFontIndirectW(&textFont);
    if (!font) return;
    SelectObject(workDC, font);
    if (textFontHandle) DeleteObject(textFontHandle);
    textFontHandle = font;
}

static int32_t ClampInt(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : value;
}

// The text's box on the scratch pad: the measured extent, 7 pixels wider
// (glyphs may overhang their advance), clipped to the work area.
static RECT MeasureTextBox(const WCHAR *text) {
    int32_t width = workSurface.width, height = workSurface.height;
    RECT box = {0, 0, width - 1, height - 1};
    DrawTextW(workDC, text, -1, &box, DT_CALCRECT);
    if (observer.textMeasured) observer.textMeasured(box.right - box.left, box.bottom - box.top);
    box.left = ClampInt(box.left, 0, width - 1);
    box.top = ClampInt(box.top, 0, height - 1);
    box.bottom = ClampInt(box.bottom, -1, height - 1);
    box.right = ClampInt(box.right + kTextBoxExtension, -1, width - 1);
    return box;
}

// Every black pixel of the box is a glyph pixel: it goes into frameSurface
// at (px + x, py + y) and is marked covered, when inside the work area.
static void TakeGlyphPixels(const RECT *box, int32_t x, int32_t y, uint32_t colour) {
    int32_t width = workSurface.width, height = workSurface.height;
    for (int32_t py = box->top; py <= box->bottom; py++) {
        for (int32_t px = box->left; px <= box->right; px++) {
            if (ReadPixel(&workSurface, px, py) != 0) continue;
            int64_t tx = (int64_t)px + x, ty = (int64_t)py + y;
            if (tx < 0 || tx >= width || ty < 0 || ty >= height) continue;
            WritePixel(&own.frameSurface, (int32_t)tx, (int32_t)ty, colour);
            coverageMask[(size_t)ty * (size_t)width + (size_t)tx] = 1;
        }
    }
}

// The work surface is the scratch pad: the platform renders the text black
// on white there, and the compositor overwrites it later in the same tick.
void DrawTextItem(const WCHAR *text, int32_t size, int32_t x, int32_t y, uint32_t colour) {
    if (!surfacesReady || !text || workSurface.width < 1 || workSurface.height < 1) return;
    SelectTextFont(size & 0xFF);
    RECT box = MeasureTextBox(text);
    GdiFlush();
    for (int32_t py = box.top; py <= box.bottom; py++)
        for (int32_t px = box.left; px <= box.right; px++)
            WritePixel(&own.workSurface, px, py, kWhite);
    DrawTextW(workDC, text, -1, &box, 0);
    GdiFlush();
    TakeGlyphPixels(&box, x, y, colour);
}

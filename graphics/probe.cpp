// The start-up probe of how the display stores colours.
//
// The compositor compares what it reads back from the screen with what it
// drew there, so every colour the skin draws must survive the trip to the
// screen and back unchanged. The probe echoes single pixels through the
// screen's top-left corner, records in displayFormat how the display
// rounds, and rewrites the pictures' palettes and the texts' colours into
// colours the display gives back as they are. Pure black and the display's
// white are moved off, because the compositor's transparency tests treat
// them specially.
//
// Depth 24 here stands for every display of 16, 24 or 32 bits: start-up
// records 16 and 32 as 24, so that keyed pictures keep working and all the
// opacities stay on offer.
#include "graphics/probe.h"

#include "core/tables.h"
#include "graphics/pixels.h"
#include "graphics/surfaces.h"

#include <string.h>

enum {
    kGreyStep = 0x010101,
    kWhite = 0xFFFFFF,
    kSettleRounds = 16  // the 8-bit settle loop ends within a few rounds on any sane display
};

static DisplayFormat format;
const DisplayFormat &displayFormat = format;

static const ImageRecord *probeSurface;  // the work surface the probe echoes through

static void CopyPixel(HDC to, HDC from) { BitBlt(to, 0, 0, 1, 1, from, 0, 0, SRCCOPY); }

// What the screen gives back for colour c.
static uint32_t EchoColour(uint32_t c) {
    WriteRgb24(ImageRow(probeSurface, 0), c);
    CopyPixel(screenDC, workDC);
    CopyPixel(workDC, screenDC);
    GdiFlush();
    return ReadPixel(probeSurface, 0, 0);
}

// The red channel of white as shown gives the display's red step: 8 for
// five bits of red, 1 when the display keeps all eight (or rounds oddly).
static uint32_t RedStep(uint32_t white) {
    static const uint32_t steppedReds[] = {255, 254, 252, 248, 240, 224, 192};
    uint32_t red = white & 0xFF;
    for (uint32_t stepped : steppedReds)
        if (red == stepped) return 256 - red;
    return 1;
}

static void CalibrateTrueColour(void) {
    uint32_t white = EchoColour(kWhite);
    format.whiteValue = white;
    format.channelMask[0] = (BYTE)(white >> 16);
    format.channelMask[1] = (BYTE)(white >> 8);
    format.channelMask[2] = (BYTE)white;
    format.blackValue = 0;
    uint32_t step = RedStep(white);
    format.darkSubstitute = step;
    format.lightSubstitute = white - step;
}

// On 8-bit displays the darkest grey that does not show as black replaces
// black; white never reads back as 0xFFFFFF, so its substitute is simply
// white as shown.
static void CalibratePalettedDisplay(void) {
    format.blackValue = 0;
    for (uint32_t g = 0; g <= kWhite; g += kGreyStep) {
        uint32_t shown = EchoColour(g);
        if (shown != displayFormat.blackValue) {
            format.darkSubstitute = shown;
            break;
        }
    }
    format.whiteValue = kWhite;
    for (int32_t level = 255; level >= 0; level--) {
        uint32_t shown = EchoColour(kGreyStep * (uint32_t)level);
        if (shown != displayFormat.whiteValue) {
            format.lightSubstitute = shown;
            break;
        }
    }
}

// Passes r through the 8-bit probe bitmap until the display and the probe
// bitmap's colour table both keep it; bounded, keeping the last read-back.
static uint32_t SettleThroughProbeBitmap(uint32_t r) {
    HDC probeDC = ProbeBitmapDC();
    if (!probeDC) return r;
    uint32_t s = EchoColour(r);
    for (int round = 0; s != r && round < kSettleRounds; round++) {
        r = s;
        CopyPixel(probeDC, screenDC);
        CopyPixel(screenDC, probeDC);
        CopyPixel(workDC, screenDC);
        GdiFlush();
        s = ReadPixel(probeSurface, 0, 0);
    }
    return s;
}

uint32_t MatchDisplayColour(uint32_t colour) {
    if (!probeSurface) probeSurface = &workSurface;
    uint32_t r = EchoColour(colour);
    if (r == displayFormat.blackValue) r = displayFormat.darkSubstitute;
    if (r == displayFormat.whiteValue) r = displayFormat.lightSubstitute;
    if (displayFormat.depth == 8) r = SettleThroughProbeBitmap(r);
    return r;
}

static void MatchPalettes(void) {
    if (!skinTables.graphics) return;
    for (int32_t i = 0; i <= skinTables.graphicMax; i++) {
        ImageRecord *picture = &skinTables.graphics[i];
        int32_t bits = picture->bitsPerPixel;
        if (!picture->pixels || !picture->palette || bits < 1 || bits > 8) continue;
        for (int32_t entry = 0; entry < (1 << bits); entry++)
            picture->palette[entry] = MatchDisplayColour(picture->palette[entry]);
    }
}

static void MatchTextColours(void) {
    if (!skinTables.texts) return;
    for (int32_t i = 0; i <= skinTables.textMax; i++) {
        TextItem *item = &skinTables.texts[i];
        if (item->height != -1) item->colour = MatchDisplayColour(item->colour);
    }
}

void RecordDisplayDepth(int32_t bitsPerPixel) {
    format.depth = bitsPerPixel == 16 || bitsPerPixel == 32 ? 24 : bitsPerPixel;
}

void SetDisplayFormat(const DisplayFormat &chosen) { format = chosen; }

void ResetDisplayFormat(void) {
    memset(&format, 0, sizeof format);
    probeSurface = NULL;
}

void ProbeDisplayFormat(const ImageRecord *surface) {
    // An empty work area has no pixel to echo through, and nothing to draw.
    if (!surface || !surface->pixels || surface->width < 1 || surface->height < 1) return;
    probeSurface = surface;
    CopyPixel(workDC, screenDC);
    GdiFlush();
    // The screen's own bytes, not the 5-6-5 reading: a deeper display gets
    // its pixel back exactly.
    BYTE saved[3];
    memcpy(saved, ImageRow(surface, 0), sizeof saved);
    if (displayFormat.depth == 8) CalibratePalettedDisplay();
    if (displayFormat.depth == 24) CalibrateTrueColour();
    MatchPalettes();
    MatchTextColours();
    memcpy(ImageRow(surface, 0), saved, sizeof saved);
    CopyPixel(screenDC, workDC);
}

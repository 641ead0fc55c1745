// The compositor's second half: the frame merged with the desktop.
//
// workSurface holds what the screen shows under the work area. For every
// pixel: when the mascot was shown, a screen pixel that differs from
// shownSurface in the tracked bits (TrackedBits) was drawn by another
// program and becomes background; a covered pixel gets the frame blended
// with the background by blendMode; any other pixel gets the background back
// (on displays other than 16 bits the desktop's own bytes, which the
// background holds at 5-6-5 precision). The result is also recorded in
// shownSurface as written; only its tracked bits are ever compared.
//
// This runs over the whole work area on every tick. Pixels are handled as
// packed 0x00RRGGBB-ordered words of their three stored bytes (byte 0 in the
// low bits), so that the 5-6-5 reduction is one AND and the blends work on
// all three channels at once; and runs of sixteen pixels in which the screen
// still shows what the last tick showed are mixed and copied 16 bytes at a
// time, with the coverage turned into byte-select masks. Where the run is
// uncovered, as most of a work area larger than the mascot is, that is a
// masked copy of the background.
// Every path gives exactly the pixels of ReadPixel, WritePixel and the
// per-pixel blend the tests keep as the reference.
#include "engine/compose.h"

#include "core/process.h"
#include "graphics/pixels.h"
#include "graphics/surfaces.h"

#include <string.h>

#include <bit>

namespace {

// Coverage is turned into byte-select masks eight pixels (24 bytes) at a time.
enum { kBlock = 8 };

struct MergeRowState {
    BYTE *work, *background, *shown;
    BYTE *desktop;  // the desktop at full precision (deep displays), or null
    const BYTE *frame, *covered;
    int32_t y;
};

struct MergeSettings {
    int32_t tracking;  // mascotShown
    int32_t mode;      // blendMode, -1 for a mode that writes nothing
    uint32_t keep;     // channelMask AND the pixel precision, packed
    uint32_t tracked;  // TrackedBits
};

inline uint32_t Load(const BYTE *p) { return p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16; }

inline void Store(BYTE *p, uint32_t v) {
    p[0] = (BYTE)v;
    p[1] = (BYTE)(v >> 8);
    p[2] = (BYTE)(v >> 16);
}

// The three mixes on reduced channels: every channel is a multiple of 4, so
// halves and quarters divide exactly and no channel carries into the next.
inline uint32_t Blend(uint32_t f, uint32_t b, int32_t mode, uint32_t keep) {
    uint32_t mixed;
    if (mode == kBlend75)
        mixed = ((f >> 2) & 0x3F3F3F) * 3 + ((b >> 2) & 0x3F3F3F);
    else if (mode == kBlend50)
        mixed = ((f >> 1) & 0x7F7F7F) + ((b >> 1) & 0x7F7F7F);
    else
        mixed = ((f >> 2) & 0x3F3F3F) + ((b >> 2) & 0x3F3F3F) * 3;
    return mixed & keep;
}

void MergePixel(const MergeRowState &row, int32_t x, const MergeSettings &settings) {
    BYTE *work = row.work + 3 * x, *background = row.background + 3 * x;
    uint32_t screen = Load(work) & kReducedBits;
    uint32_t back = Load(background) & kReducedBits;
    if (settings.tracking && ((Load(row.shown + 3 * x) ^ Load(work)) & settings.tracked) != 0) {
        back = screen;
        Store(background, back);
        if (row.desktop) Store(row.desktop + 3 * x, Load(work));
    }
    uint32_t result = screen;
    if (!row.covered[x]) {
        result = row.desktop ? Load(row.desktop + 3 * x) : back;
    } else {
        int32_t mode = settings.mode;
        uint32_t frame = Load(row.frame + 3 * x) & kReducedBits;
        if (mode == kBlendFull || (mode == kBlendChecker && ((x ^ row.y) & 1) == 0))
            result = frame;
        else if (mode >= kBlend75 && mode <= kBlend25)
            result = Blend(frame, back, mode, settings.keep);
        else
            result = Load(work);  // the pixel stays as the screen left it
    }
    Store(work, result);
    Store(row.shown + 3 * x, result);
}

// Byte-select words for eight pixels: entry b has 0xFF in the three bytes of
// every pixel i whose bit i is set in b.
struct BlockSelect {
    uint64_t word[3];
};
BlockSelect selectTable[256];

void BuildSelectTable() {
    for (int bits = 0; bits < 256; bits++) {
        BYTE bytes[3 * kBlock];
        for (int i = 0; i < 3 * kBlock; i++) bytes[i] = (bits >> (i / 3)) & 1 ? 0xFF : 0;
        memcpy(selectTable[bits].word, bytes, sizeof bytes);
    }
}

static_assert(std::endian::native == std::endian::little, "coverage bytes are read as words");

// Bit i set when coverage byte i is not 0.
inline uint32_t CoverageBits(const BYTE *covered) {
    uint64_t bytes;
    memcpy(&bytes, covered, sizeof bytes);
    const uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
    uint64_t ones = ((((bytes & low7) + low7) | bytes) >> 7) & 0x0101010101010101ull;
    return (uint32_t)((ones * 0x0102040810204080ull) >> 56);
}

// Sixteen pixels (48 bytes) as three 16-byte values of two 64-bit lanes:
// the compiler keeps them in vector registers where the processor has them
// and splits them into words where it has not.
enum { kChunk = 16 };
typedef uint64_t Lanes __attribute__((vector_size(16)));
// Without SSE (the 32-bit Windows build) GCC warns that such values would be
// passed differently across a call; these helpers are private and inlined,
// so no call boundary sees them. The warning is off from here on: GCC gives
// it where a function using them is expanded, which can be as late as the
// end of the file.
#pragma GCC diagnostic ignored "-Wpsabi"

struct Chunk {
    Lanes v0, v1, v2;
};

// The same through any byte address; may_alias lets it read the surfaces'
// bytes without breaking the aliasing rules.
typedef uint64_t UnalignedLanes __attribute__((vector_size(16), aligned(1), may_alias));

inline Lanes LoadLanes(const BYTE *p) { return *(const UnalignedLanes *)p; }

inline Chunk LoadChunk(const BYTE *p) {
    return {LoadLanes(p), LoadLanes(p + 16), LoadLanes(p + 32)};
}

inline void StoreChunk(BYTE *p, Lanes v0, Lanes v1, Lanes v2) {
    *(UnalignedLanes *)p = v0;
    *(UnalignedLanes *)(p + 16) = v1;
    *(UnalignedLanes *)(p + 32) = v2;
}

inline int AnyBits(Lanes v) { return (v[0] | v[1]) != 0; }

// The byte-select values of sixteen pixels from two table entries.
inline Chunk SelectChunk(uint32_t bits) {
    const uint64_t *low = selectTable[bits & 0xFF].word, *high = selectTable[bits >> 8].word;
    return {Lanes{low[0], low[1]}, Lanes{low[2], high[0]}, Lanes{high[1], high[2]}};
}

// The blends of Blend, lane by lane: they act on each byte alone, so the
// lanes need not line up with pixels. x * 3 is written x + 2x: no byte
// carries, and lane multiplication is not a vector instruction.
inline Lanes BlendLanes(Lanes f, Lanes b, int32_t mode) {
    const Lanes low6 = {0x3F3F3F3F3F3F3F3Full, 0x3F3F3F3F3F3F3F3Full};
    const Lanes low7 = {0x7F7F7F7F7F7F7F7Full, 0x7F7F7F7F7F7F7F7Full};
    if (mode == kBlend50) return ((f >> 1) & low7) + ((b >> 1) & low7);
    Lanes f4 = (f >> 2) & low6, b4 = (b >> 2) & low6;
    if (mode == kBlend75) return f4 + (f4 << 1) + b4;
    return f4 + b4 + (b4 << 1);
}

// The per-byte precision, the kept channels and the tracked bits over
// sixteen pixels.
struct ChunkMasks {
    Chunk precision, keep, tracked;
};

Chunk RepeatedChunk(uint32_t pixel) {
    BYTE bytes[3 * kChunk];
    Store(bytes, pixel);
    for (int i = 3; i < 3 * kChunk; i++) bytes[i] = bytes[i - 3];
    return LoadChunk(bytes);
}

void MakeChunkMasks(const MergeSettings &settings, ChunkMasks *masks) {
    masks->precision = RepeatedChunk(kReducedBits);
    masks->keep = RepeatedChunk(settings.keep);
    masks->tracked = RepeatedChunk(settings.tracked);
}

// One covered pixel's value in a chunk: the frame (blended where the mode
// blends), or the screen's own pixel where the mode writes nothing there.
inline Lanes CoveredLanes(Lanes screen, Lanes f, Lanes b, Lanes chosen, Lanes keep, int32_t mode) {
    Lanes mixed = f;
    if (mode >= kBlend75 && mode <= kBlend25) mixed = BlendLanes(f, b, mode) & keep;
    return (mixed & chosen) | (screen & ~chosen);
}

// Sixteen pixels at x; 0 when the screen changed among them since the last
// tick, which the pixel-by-pixel path handles. Uncovered pixels (most of a
// work area larger than the mascot) get the background straight back.
int MergeChunk(const MergeRowState &row, int32_t x, const MergeSettings &settings,
               const ChunkMasks &masks) {
    BYTE *work = row.work + 3 * x, *shown = row.shown + 3 * x;
    const Chunk &m = masks.precision, &t = masks.tracked;
    Chunk s = LoadChunk(work);
    if (settings.tracking) {
        Chunk h = LoadChunk(shown);
        if (AnyBits(((s.v0 ^ h.v0) & t.v0) | ((s.v1 ^ h.v1) & t.v1) | ((s.v2 ^ h.v2) & t.v2)))
            return 0;
    }
    Chunk b = LoadChunk(row.background + 3 * x);
    b = {b.v0 & m.v0, b.v1 & m.v1, b.v2 & m.v2};
    // What uncovered pixels get: the desktop's own bytes where kept, which
    // reduce to the background.
    Chunk d = row.desktop ? LoadChunk(row.desktop + 3 * x) : b;
    if (!AnyBits(LoadLanes(row.covered + x))) {
        StoreChunk(work, d.v0, d.v1, d.v2);
        StoreChunk(shown, d.v0, d.v1, d.v2);
        return 1;
    }
    uint32_t coveredBits = CoverageBits(row.covered + x) | CoverageBits(row.covered + x + 8) << 8;
    Chunk f = LoadChunk(row.frame + 3 * x);
    f = {f.v0 & m.v0, f.v1 & m.v1, f.v2 & m.v2};
    // Chunks start at even columns: the checker writes the even ones on even
    // rows and the odd ones on odd rows.
    uint32_t written = settings.mode == kBlendChecker ? ((row.y & 1) ? 0xAAAA : 0x5555)
                       : settings.mode < 0            ? 0
                                                      : 0xFFFF;
    Chunk covered = SelectChunk(coveredBits), chosen = SelectChunk(coveredBits & written);
    const Chunk &k = masks.keep;
    int32_t mode = settings.mode;
    Lanes r0 = CoveredLanes(s.v0, f.v0, b.v0, chosen.v0, k.v0, mode);
    Lanes r1 = CoveredLanes(s.v1, f.v1, b.v1, chosen.v1, k.v1, mode);
    Lanes r2 = CoveredLanes(s.v2, f.v2, b.v2, chosen.v2, k.v2, mode);
    r0 = (r0 & covered.v0) | (d.v0 & ~covered.v0);
    r1 = (r1 & covered.v1) | (d.v1 & ~covered.v1);
    r2 = (r2 & covered.v2) | (d.v2 & ~covered.v2);
    StoreChunk(work, r0, r1, r2);
    StoreChunk(shown, r0, r1, r2);
    return 1;
}

void MergeRow(int32_t y, const MergeSettings &settings, const ChunkMasks &masks) {
    int32_t width = workSurface.width;
    MergeRowState row;
    row.work = ImageRow(&workSurface, y);
    row.frame = ImageRow(&frameSurface, y);
    row.background = ImageRow(&backgroundSurface, y);
    row.shown = ImageRow(&shownSurface, y);
    row.desktop = DesktopRow(y);
    row.covered = coverageMask + (size_t)y * (size_t)width;
    row.y = y;
    int32_t x = 0;
    for (; x + kChunk <= width; x += kChunk) {
        if (MergeChunk(row, x, settings, masks)) continue;
        for (int32_t i = x; i < x + kChunk; i++) MergePixel(row, i, settings);
    }
    for (; x < width; x++) MergePixel(row, x, settings);
}

}  // namespace

// The copy into shownSurface is made here, before the caller's blit to the
// screen rather than after it: the blit only reads the work surface, so the
// copy is the same and the pixels are walked once.
void MergeFrameWithBackground(void) {
    MergeSettings settings;
    settings.tracking = mascotShown;
    settings.mode = blendMode;
    if (settings.mode < kBlendFull || settings.mode > kBlendChecker) settings.mode = -1;
    const BYTE *keep = displayFormat.channelMask;
    settings.keep = (keep[0] | (uint32_t)keep[1] << 8 | (uint32_t)keep[2] << 16) & kReducedBits;
    settings.tracked = TrackedBits();
    ChunkMasks masks;
    MakeChunkMasks(settings, &masks);
    if (selectTable[1].word[0] == 0) BuildSelectTable();
    for (int32_t y = 0; y < workSurface.height; y++) MergeRow(y, settings, masks);
}

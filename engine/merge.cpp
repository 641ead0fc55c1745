// The compositor's second half: the frame merged with the desktop.
//
// workSurface holds what the screen shows under the work area. For every
// pixel: when the mascot was shown, a screen pixel that differs from
// shownSurface was drawn by another program and becomes background; a
// covered pixel gets the frame blended with the background by blendMode;
// any other pixel gets the background back. The result is also recorded in
// shownSurface.
//
// This runs over the whole work area on every tick. Pixels are handled as
// packed 0x00RRGGBB-ordered words of their three stored bytes (byte 0 in the
// low bits), so that the 5-6-5 reduction is one AND and the blends work on
// all three channels at once; and runs of eight pixels in which the screen
// still shows what the last tick showed are mixed and copied a 64-bit word
// at a time, with the coverage turned into byte-select masks.
// Every path gives exactly the pixels of ReadPixel, WritePixel and BlendPixel.
#include "engine/compose.h"

#include "graphics/pixels.h"
#include "graphics/surfaces.h"
#include "shell/globals.h"

#include <string.h>

#include <bit>

namespace {

// The stored bytes' precision (blue, green, red) as a packed word.
const uint32_t kPixelBits = 0xF8FCF8;

// Eight pixels are 24 bytes, three 64-bit words; the masks repeat the
// per-byte precision F8 FC F8 across them.
enum { kBlock = 8 };
struct BlockMasks {
    uint64_t word[3];
};

BlockMasks MakeBlockMasks() {
    BYTE bytes[3 * kBlock];
    for (int i = 0; i < 3 * kBlock; i += 3) {
        bytes[i] = 0xF8;
        bytes[i + 1] = 0xFC;
        bytes[i + 2] = 0xF8;
    }
    BlockMasks masks;
    memcpy(masks.word, bytes, sizeof bytes);
    return masks;
}

struct MergeRowState {
    BYTE *work, *background, *shown;
    const BYTE *frame, *covered;
    int32_t y;
};

struct MergeSettings {
    int32_t tracking;   // mascotShown
    int32_t mode;       // blendMode, -1 for a mode that writes nothing
    uint32_t keep;      // channelMask AND the pixel precision, packed
    BlockMasks masks;
    uint64_t keepWord[3];  // keep repeated over a block
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
    if (mode == kBlend75) mixed = ((f >> 2) & 0x3F3F3F) * 3 + ((b >> 2) & 0x3F3F3F);
    else if (mode == kBlend50) mixed = ((f >> 1) & 0x7F7F7F) + ((b >> 1) & 0x7F7F7F);
    else mixed = ((f >> 2) & 0x3F3F3F) + ((b >> 2) & 0x3F3F3F) * 3;
    return mixed & keep;
}

void MergePixel(const MergeRowState &row, int32_t x, const MergeSettings &settings) {
    BYTE *work = row.work + 3 * x, *background = row.background + 3 * x;
    uint32_t screen = Load(work) & kPixelBits;
    uint32_t back = Load(background) & kPixelBits;
    if (settings.tracking && (Load(row.shown + 3 * x) & kPixelBits) != screen) {
        back = screen;
        Store(background, back);
    }
    uint32_t result = screen;
    if (!row.covered[x]) {
        result = back;
    } else {
        int32_t mode = settings.mode;
        uint32_t frame = Load(row.frame + 3 * x) & kPixelBits;
        if (mode == kBlendFull || (mode == kBlendChecker && ((x ^ row.y) & 1) == 0)) result = frame;
        else if (mode >= kBlend75 && mode <= kBlend25) result = Blend(frame, back, mode, settings.keep);
        else result = Load(work);  // the pixel stays as the screen left it
    }
    Store(work, result);
    Store(row.shown + 3 * x, result & kPixelBits);
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

// The blends of Blend on 64-bit words: they act on each byte alone, so the
// words need not line up with pixels.
inline uint64_t BlendWord(uint64_t f, uint64_t b, int32_t mode) {
    const uint64_t low6 = 0x3F3F3F3F3F3F3F3Full, low7 = 0x7F7F7F7F7F7F7F7Full;
    if (mode == kBlend75) return ((f >> 2) & low6) * 3 + ((b >> 2) & low6);
    if (mode == kBlend50) return ((f >> 1) & low7) + ((b >> 1) & low7);
    return ((f >> 2) & low6) + ((b >> 2) & low6) * 3;
}

// Eight pixels at x as 64-bit words; 0 when the screen changed in the block
// since the last tick, which the pixel-by-pixel path handles.
int MergeBlock(const MergeRowState &row, int32_t x, const MergeSettings &settings) {
    BYTE *work = row.work + 3 * x, *shown = row.shown + 3 * x;
    uint64_t screen[3], before[3], frame[3], back[3], result[3];
    memcpy(screen, work, sizeof screen);
    if (settings.tracking) {
        memcpy(before, shown, sizeof before);
        for (int i = 0; i < 3; i++)
            if (((screen[i] ^ before[i]) & settings.masks.word[i]) != 0) return 0;
    }
    memcpy(back, row.background + 3 * x, sizeof back);
    uint32_t coveredBits = CoverageBits(row.covered + x);
    if (coveredBits == 0) {
        for (int i = 0; i < 3; i++) result[i] = back[i] & settings.masks.word[i];
    } else {
        memcpy(frame, row.frame + 3 * x, sizeof frame);
        const BlockSelect &covered = selectTable[coveredBits];
        // Where the checker skips, and in a mode that writes nothing, the
        // screen's pixel stays as it is.
        uint32_t written = settings.mode == kBlendChecker ? ((row.y & 1) ? 0xAA : 0x55)
                           : settings.mode < 0             ? 0
                                                           : 0xFF;
        const BlockSelect &chosen = selectTable[coveredBits & written];
        for (int i = 0; i < 3; i++) {
            uint64_t f = frame[i] & settings.masks.word[i], b = back[i] & settings.masks.word[i];
            uint64_t mixed = f;
            if (settings.mode >= kBlend75 && settings.mode <= kBlend25)
                mixed = BlendWord(f, b, settings.mode) & settings.keepWord[i];
            uint64_t coveredValue = (mixed & chosen.word[i]) | (screen[i] & ~chosen.word[i]);
            result[i] = (coveredValue & covered.word[i]) | (b & ~covered.word[i]);
        }
    }
    memcpy(work, result, sizeof result);
    for (int i = 0; i < 3; i++) result[i] &= settings.masks.word[i];
    memcpy(shown, result, sizeof result);
    return 1;
}

int32_t RowBytesOf(const ImageRecord *record) {
    return record->rowBytes > 0 ? record->rowBytes : 3 * record->width;
}

inline BYTE *StorageRow(const ImageRecord *record, int32_t y) {
    return record->pixels + (size_t)(record->height - 1 - y) * (size_t)RowBytesOf(record);
}

void MergeRow(int32_t y, const MergeSettings &settings) {
    int32_t width = workSurface.width;
    MergeRowState row;
    row.work = StorageRow(&workSurface, y);
    row.frame = StorageRow(&frameSurface, y);
    row.background = StorageRow(&backgroundSurface, y);
    row.shown = StorageRow(&shownSurface, y);
    row.covered = coverageMask + (size_t)y * (size_t)width;
    row.y = y;
    int32_t x = 0;
    for (; x + kBlock <= width; x += kBlock) {
        if (MergeBlock(row, x, settings)) continue;
        for (int32_t i = x; i < x + kBlock; i++) MergePixel(row, i, settings);
    }
    for (; x < width; x++) MergePixel(row, x, settings);
}

} // namespace

// The copy into shownSurface is made here, before the caller's blit to the
// screen rather than after it: the blit only reads the work surface, so the
// copy is the same and the pixels are walked once.
void MergeFrameWithBackground(void) {
    MergeSettings settings;
    settings.tracking = mascotShown;
    settings.mode = blendMode;
    if (settings.mode < kBlendFull || settings.mode > kBlendChecker) settings.mode = -1;
    const BYTE *keep = displayFormat.channelMask;
    settings.keep = (keep[0] | (uint32_t)keep[1] << 8 | (uint32_t)keep[2] << 16) & kPixelBits;
    settings.masks = MakeBlockMasks();
    BYTE keepBytes[3 * kBlock];
    for (int i = 0; i < 3 * kBlock; i++) keepBytes[i] = (BYTE)(settings.keep >> (8 * (i % 3)));
    memcpy(settings.keepWord, keepBytes, sizeof keepBytes);
    if (selectTable[1].word[0] == 0) BuildSelectTable();
    for (int32_t y = 0; y < workSurface.height; y++) MergeRow(y, settings);
}

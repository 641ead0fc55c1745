// The compositor's first half: a frame's layers into frameSurface.
//
// These loops run over every pixel of every layer on every tick, so they
// work on row pointers with the storage rules of the pixel operations written
// out inline: image row y is storage row height - 1 - y, 24-bit pixels are
// blue, green, red bytes kept at 5-6-5 precision (AND 0xF8, 0xFC, 0xF8).
// The results are exactly those of ReadPixel, WritePixel and the per-pixel
// blend the tests keep as the reference.
//
// A picture layer is clipped to the work area before its loop starts (pixels
// outside are neither drawn nor marked, and reading them has no effect), and
// a palette picture is drawn through a table built once per layer that holds
// each index's stored bytes and whether the index is transparent.
#include "engine/compose.h"

#include "core/process.h"
#include "engine/schedule.h"
#include "engine/timetext.h"
#include "graphics/pixels.h"
#include "graphics/surfaces.h"

namespace {

enum { kMaxPaletteEntries = 256 };

struct IndexEntry {
    BYTE blue, green, red;
    BYTE keyed;  // 1: the transparent colour or index
};

// Where a layer's pixels land: the first and last-plus-one source column and
// row whose target lies inside the work area.
struct LayerClip {
    int32_t x0, x1, y0, y1;
};

template <int Depth>
inline uint32_t IndexAt(const BYTE *row, int32_t x) {
    if (Depth == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    if (Depth == 2) return (row[x >> 2] >> (6 - 2 * (x & 3))) & 3u;
    if (Depth == 4) return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15u;
    return row[x];
}

uint32_t IndexAtDepth(const BYTE *row, int32_t x, int32_t depth) {
    switch (depth) {
    case 1: return IndexAt<1>(row, x);
    case 2: return IndexAt<2>(row, x);
    case 4: return IndexAt<4>(row, x);
    default: return IndexAt<8>(row, x);
    }
}

int IsLoaded(const ImageRecord *record) {
    return record->pixels != nullptr && record->width > 0 && record->height > 0 &&
           IsStoredDepth(record->bitsPerPixel);
}

const ImageRecord *GraphicAt(int32_t index) {
    if (skinTables.graphics == nullptr || index < 0 || index > skinTables.graphicMax)
        return nullptr;
    const ImageRecord *record = &skinTables.graphics[index];
    return IsLoaded(record) ? record : nullptr;
}

// A mask that cannot be read (none, outside the table, not loaded) cuts
// nothing: the picture draws opaque.
const ImageRecord *MaskAt(int32_t index) {
    if (skinTables.masks == nullptr || index < 0 || index > skinTables.maskMax) return nullptr;
    const ImageRecord *record = &skinTables.masks[index];
    return IsLoaded(record) ? record : nullptr;
}

// A key is usable only as an index into the picture's own palette; a
// 24-bit picture has none, and a key past the palette names no entry. Such
// a picture is cut out by its mask as if it had no key.
int HasUsableKey(const ImageRecord *graphic) {
    return graphic->hasTransparentKey != 0 && graphic->palette != nullptr &&
           graphic->bitsPerPixel <= 8 && graphic->transparentKey < (1u << graphic->bitsPerPixel);
}

// ReadPixel of a mask is not 0 at (x, y): the picture is not drawn there.
// Places outside a smaller mask are not cut.
inline int MaskCuts(const ImageRecord *mask, const BYTE *maskRow, int32_t x) {
    if (maskRow == nullptr || x >= mask->width) return 0;
    if (mask->bitsPerPixel == 24)
        return (maskRow[3 * x] & kBlueBits) | (maskRow[3 * x + 1] & kGreenBits) |
               (maskRow[3 * x + 2] & kRedBits);
    uint32_t index = IndexAtDepth(maskRow, x, mask->bitsPerPixel);
    return mask->palette != nullptr ? mask->palette[index] != 0 : index != 0;
}

void BuildIndexTable(const ImageRecord *graphic, IndexEntry *table) {
    uint32_t entries = 1u << graphic->bitsPerPixel;
    int keyed = HasUsableKey(graphic);
    uint32_t key = graphic->transparentKey;
    // The 8-bit display compares indices; every other depth compares the
    // colour, so each index whose entry equals the key's colour is transparent.
    int byIndex = displayFormat.depth == 8;
    for (uint32_t i = 0; i < entries; i++) {
        uint32_t colour = graphic->palette != nullptr ? graphic->palette[i] : i;
        BYTE stored[3];
        WriteRgb24(stored, colour);
        table[i].blue = stored[0];
        table[i].green = stored[1];
        table[i].red = stored[2];
        table[i].keyed = 0;
        if (keyed) table[i].keyed = byIndex ? i == key : colour == graphic->palette[key];
    }
}

LayerClip ClipLayer(const ImageRecord *graphic, int32_t areaWidth, int32_t areaHeight) {
    int64_t x0 = -(int64_t)graphic->x, y0 = -(int64_t)graphic->y;
    int64_t x1 = (int64_t)areaWidth - graphic->x, y1 = (int64_t)areaHeight - graphic->y;
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > graphic->width) x1 = graphic->width;
    if (y1 > graphic->height) y1 = graphic->height;
    if (x1 < x0) x1 = x0;
    if (y1 < y0) y1 = y0;
    return {(int32_t)x0, (int32_t)x1, (int32_t)y0, (int32_t)y1};
}

// One source row of the layer, its frame row and coverage row, and where the
// source columns land (target x = source x + shift).
struct LayerRow {
    const BYTE *source;
    const BYTE *maskRow;  // null: nothing cuts this row
    BYTE *target;
    BYTE *covered;
    int32_t shift;
};

// How a row's mask is read: not at all (no mask, or past its last row), a
// 1-bit mask inline, or any other mask through MaskCuts.
enum MaskKind { kNoMask, kBitMask, kOtherMask };

template <int Kind>
inline int Cut(const ImageRecord *mask, const BYTE *maskRow, const BYTE *bitCuts, int32_t x) {
    if (Kind == kNoMask) return 0;
    if (Kind == kBitMask) return bitCuts[IndexAt<1>(maskRow, x)];
    return MaskCuts(mask, maskRow, x);
}

inline void PutPixel(BYTE *pixel, BYTE *covered, BYTE blue, BYTE green, BYTE red) {
    pixel[0] = blue;
    pixel[1] = green;
    pixel[2] = red;
    *covered = 1;
}

template <int Depth, int Kind>
void DrawIndexRun(const LayerRow &row, const IndexEntry *table, const ImageRecord *mask,
                  const BYTE *bitCuts, int32_t x0, int32_t x1) {
    for (int32_t x = x0; x < x1; x++) {
        const IndexEntry &entry = table[IndexAt<Depth>(row.source, x)];
        if (entry.keyed || Cut<Kind>(mask, row.maskRow, bitCuts, x)) continue;
        int32_t tx = x + row.shift;
        PutPixel(row.target + 3 * tx, row.covered + tx, entry.blue, entry.green, entry.red);
    }
}

template <int Kind>
void DrawColourRun(const LayerRow &row, const ImageRecord *mask, const BYTE *bitCuts, int32_t x0,
                   int32_t x1) {
    for (int32_t x = x0; x < x1; x++) {
        if (Cut<Kind>(mask, row.maskRow, bitCuts, x)) continue;
        int32_t tx = x + row.shift;
        const BYTE *source = row.source + 3 * x;
        PutPixel(row.target + 3 * tx, row.covered + tx, source[0] & kBlueBits,
                 source[1] & kGreenBits, source[2] & kRedBits);
    }
}

template <int Kind>
void DrawRun(const LayerRow &row, int32_t depth, const IndexEntry *table, const ImageRecord *mask,
             const BYTE *bitCuts, int32_t x0, int32_t x1) {
    switch (depth) {
    case 1: DrawIndexRun<1, Kind>(row, table, mask, bitCuts, x0, x1); break;
    case 2: DrawIndexRun<2, Kind>(row, table, mask, bitCuts, x0, x1); break;
    case 4: DrawIndexRun<4, Kind>(row, table, mask, bitCuts, x0, x1); break;
    case 8: DrawIndexRun<8, Kind>(row, table, mask, bitCuts, x0, x1); break;
    default: DrawColourRun<Kind>(row, mask, bitCuts, x0, x1); break;
    }
}

// One row of the layer: the columns under the mask, then those beyond a
// narrower mask, which nothing cuts.
void DrawLayerRow(const LayerRow &row, int32_t depth, const IndexEntry *table,
                  const ImageRecord *mask, const BYTE *bitCuts, const LayerClip &clip) {
    if (row.maskRow == nullptr) {
        DrawRun<kNoMask>(row, depth, table, mask, bitCuts, clip.x0, clip.x1);
        return;
    }
    int32_t masked = mask->width < clip.x1 ? mask->width : clip.x1;
    if (masked < clip.x0) masked = clip.x0;
    if (mask->bitsPerPixel == 1)
        DrawRun<kBitMask>(row, depth, table, mask, bitCuts, clip.x0, masked);
    else
        DrawRun<kOtherMask>(row, depth, table, mask, bitCuts, clip.x0, masked);
    DrawRun<kNoMask>(row, depth, table, mask, bitCuts, masked, clip.x1);
}

void DrawPictureLayer(const ImageRecord *graphic, const ImageRecord *mask) {
    int32_t areaWidth = frameSurface.width, areaHeight = frameSurface.height;
    LayerClip clip = ClipLayer(graphic, areaWidth, areaHeight);
    if (clip.x0 >= clip.x1 || clip.y0 >= clip.y1) return;
    if (HasUsableKey(graphic)) mask = nullptr;
    static IndexEntry table[kMaxPaletteEntries];
    int32_t depth = graphic->bitsPerPixel;
    if (depth <= 8) BuildIndexTable(graphic, table);
    // What each value of a 1-bit mask does, through its palette as ReadPixel reads it.
    BYTE bitCuts[2] = {0, 1};
    if (mask != nullptr && mask->bitsPerPixel == 1 && mask->palette != nullptr)
        for (int bit = 0; bit < 2; bit++) bitCuts[bit] = mask->palette[bit] != 0;
    for (int32_t y = clip.y0; y < clip.y1; y++) {
        int32_t ty = y + graphic->y;
        LayerRow row;
        row.source = ImageRow(graphic, y);
        row.maskRow = mask != nullptr && y < mask->height ? ImageRow(mask, y) : nullptr;
        row.target = ImageRow(&frameSurface, ty);
        row.covered = coverageMask + (size_t)ty * (size_t)areaWidth;
        row.shift = graphic->x;
        DrawLayerRow(row, depth, table, mask, bitCuts, clip);
    }
}

// The text of a text layer, or null when the choice or the text it names was
// never set by the skin.
const TextItem *ChooseText(const Frame *frame, int slot) {
    int32_t last = frame->layerTextLast[slot];
    if (last < 0 || last >= kTextChoices) return nullptr;
    uint32_t choice = RandomInRange(0, (uint32_t)last);
    int32_t index = frame->layerText[slot][choice];
    if (skinTables.texts == nullptr || index < 0 || index > skinTables.textMax) return nullptr;
    const TextItem *text = &skinTables.texts[index];
    return text->height == -1 ? nullptr : text;
}

void DrawTextLayer(const Frame *frame, int slot) {
    const TextItem *text = ChooseText(frame, slot);
    if (text == nullptr) return;
    WCHAR expanded[kTimeTextUnits];
    FormatTimeText(expanded, text->text);
    DrawTextItem(expanded, text->height, text->x, text->y, text->colour);
}

}  // namespace

void ComposeFrameLayers(const Frame *frame) {
    for (int slot = 0; slot < kLayerSlots; slot++) {
        int32_t graphicIndex = frame->layerGraphic[slot];
        if (graphicIndex != -1) {
            const ImageRecord *graphic = GraphicAt(graphicIndex);
            if (graphic != nullptr) DrawPictureLayer(graphic, MaskAt(frame->layerMask[slot]));
        } else if (frame->layerMask[slot] == -1) {
            return;
        } else {
            DrawTextLayer(frame, slot);
        }
    }
}

// GDI objects of the simulated device: device contexts, DIB sections and
// fonts in one flat table, and the calls that create, select, delete and
// copy between them.
//
// A handle is 0x40000000 | generation << 16 | slot, with a 13-bit
// generation: below 2^32 as on a 32-bit system, clear of the window half's
// stock-object handles (0x7FFF0000 up), and a handle whose slot has been
// reused since no longer matches, so a deleted object stays invalid. The screen DC, a 1x1
// monochrome bitmap and the default font are stock objects that exist from
// reset on and cannot be deleted; a new memory DC starts out holding both.
//
// The real platform refuses to delete a bitmap or font that is still
// selected into a DC; so does this one, so a test sees such a program leak
// (DeviceLiveFonts).
#include "drawing.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

enum ObjectKind { KindFree, KindBitmap, KindFont, KindDC };

struct GdiObject {
    ObjectKind kind = KindFree;
    uint16_t generation = 0;
    bool stock = false;
    std::unique_ptr<GdiBitmap> bitmap;  // KindBitmap
    HDC selectedInto = nullptr;         // KindBitmap: the DC holding it
    LOGFONTW font = {};                 // KindFont
    FontFace *face = nullptr;           // KindFont
    int selections = 0;                 // KindFont: DCs holding it
    bool screen = false;                // KindDC: the screen DC
    HGDIOBJ selectedBitmap = nullptr;   // KindDC
    HGDIOBJ selectedFont = nullptr;     // KindDC
};

enum : uint32_t {
    HandleTag = 0x40000000u,
    SlotBits = 16,
    SlotCount = 1u << SlotBits,
    GenerationMask = 0x1FFF
};

struct GdiState {
    std::vector<GdiObject> objects{1};  // slot 0 is never used
    std::vector<uint32_t> freeSlots;
    HDC screenDC = nullptr;
    HGDIOBJ stockBitmap = nullptr, stockFont = nullptr;
    // Per call: how many calls still succeed, then how many fail.
    std::map<std::string, std::pair<int, int>> failures;
    int liveFonts = 0;
};
GdiState gdi;

HANDLE HandleOf(uint32_t slot) {
    uint32_t value =
        HandleTag | (uint32_t(gdi.objects[slot].generation & GenerationMask) << SlotBits) | slot;
    return reinterpret_cast<HANDLE>(uintptr_t(value));
}

GdiObject *Lookup(const void *handle, ObjectKind kind) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if ((value & ~uintptr_t(0x1FFFFFFF)) != HandleTag) return nullptr;
    uint32_t slot = value & (SlotCount - 1);
    if (slot == 0 || slot >= gdi.objects.size()) return nullptr;
    GdiObject &object = gdi.objects[slot];
    if (object.kind != kind || HandleOf(slot) != handle) return nullptr;
    return &object;
}

// A fresh slot, or 0 when the table is full.
uint32_t TakeSlot(ObjectKind kind) {
    uint32_t slot;
    if (!gdi.freeSlots.empty()) {
        slot = gdi.freeSlots.back();
        gdi.freeSlots.pop_back();
    } else {
        if (gdi.objects.size() >= SlotCount) return 0;
        slot = uint32_t(gdi.objects.size());
        gdi.objects.emplace_back();
    }
    GdiObject &object = gdi.objects[slot];
    uint16_t generation = uint16_t((object.generation + 1) & GenerationMask);
    object = GdiObject{};
    object.generation = generation;
    object.kind = kind;
    return slot;
}

void FreeSlot(GdiObject &object) {
    uint32_t slot = uint32_t(&object - gdi.objects.data());
    uint16_t generation = object.generation;
    object = GdiObject{};
    object.generation = generation;
    gdi.freeSlots.push_back(slot);
}

uint32_t SlotOf(const GdiObject &object) { return uint32_t(&object - gdi.objects.data()); }

// ---- DIB sections -----------------------------------------------------------------

// Rows beyond this many bytes in all are refused rather than allocated.
const uint64_t MaxDibBytes = 256ull << 20;

bool DibDepthSupported(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
}

// Checks the header fields a DIB section is built from.
bool DibHeaderIsValid(const BITMAPINFOHEADER &header) {
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1) return false;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) return false;
    if (header.biCompression != BI_RGB || !DibDepthSupported(header.biBitCount)) return false;
    uint64_t stride = ((uint64_t(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    uint64_t rows = uint64_t(header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight);
    return stride * rows <= MaxDibBytes;
}

// The colour table follows the header (biSize bytes from its start); biClrUsed
// 0 means the full 2^bitCount entries, and a larger count is cut to that.
void CopyColourTable(GdiBitmap &bitmap, const BITMAPINFO *info) {
    if (bitmap.bitCount > 8) return;
    int full = 1 << bitmap.bitCount;
    uint32_t used = info->bmiHeader.biClrUsed;
    bitmap.tableSize = full;
    int given = (used == 0 || used > uint32_t(full)) ? full : int(used);
    const uint8_t *table = reinterpret_cast<const uint8_t *>(info) + info->bmiHeader.biSize;
    std::memcpy(bitmap.table, table, size_t(given) * sizeof(RGBQUAD));
}

std::unique_ptr<GdiBitmap> NewDib(const BITMAPINFO *info) {
    const BITMAPINFOHEADER &header = info->bmiHeader;
    auto bitmap = std::make_unique<GdiBitmap>();
    bitmap->width = header.biWidth;
    bitmap->topDown = header.biHeight < 0;
    bitmap->height = bitmap->topDown ? -header.biHeight : header.biHeight;
    bitmap->bitCount = header.biBitCount;
    bitmap->stride = ((size_t(bitmap->width) * bitmap->bitCount + 31) / 32) * 4;
    bitmap->storage.assign(bitmap->stride * size_t(bitmap->height), 0);
    bitmap->bits = bitmap->storage.data();
    CopyColourTable(*bitmap, info);
    return bitmap;
}

// ---- pixels of a DIB --------------------------------------------------------------

uint8_t *RowOf(const GdiBitmap &bitmap, int y) {
    int row = bitmap.topDown ? y : bitmap.height - 1 - y;
    return bitmap.bits + size_t(row) * bitmap.stride;
}

int ReadIndex(const GdiBitmap &bitmap, const uint8_t *row, int x) {
    switch (bitmap.bitCount) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    default: return row[x];
    }
}

void WriteIndex(const GdiBitmap &bitmap, uint8_t *row, int x, int index) {
    switch (bitmap.bitCount) {
    case 1: {
        int shift = 7 - x % 8;
        row[x / 8] = uint8_t((row[x / 8] & ~(1 << shift)) | (index << shift));
        break;
    }
    case 4: {
        int shift = x % 2 ? 0 : 4;
        row[x / 2] = uint8_t((row[x / 2] & ~(15 << shift)) | (index << shift));
        break;
    }
    default: row[x] = uint8_t(index);
    }
}

COLORREF ReadDibPixel(const GdiBitmap &bitmap, int x, int y) {
    const uint8_t *row = RowOf(bitmap, y);
    if (bitmap.bitCount == 24 || bitmap.bitCount == 32) {
        const uint8_t *p = row + size_t(x) * (bitmap.bitCount / 8);
        return RGB(p[2], p[1], p[0]);
    }
    return TableColour(bitmap.table[ReadIndex(bitmap, row, x)]);
}

void WriteDibPixel(const GdiBitmap &bitmap, int x, int y, COLORREF colour) {
    uint8_t *row = RowOf(bitmap, y);
    if (bitmap.bitCount == 24 || bitmap.bitCount == 32) {
        uint8_t *p = row + size_t(x) * (bitmap.bitCount / 8);
        p[0] = uint8_t(colour >> 16);
        p[1] = uint8_t(colour >> 8);
        p[2] = uint8_t(colour);
        return;
    }
    WriteIndex(bitmap, row, x, NearestTableEntry(bitmap.table, bitmap.tableSize, colour));
}

// ---- stock objects ------------------------------------------------------------------

HGDIOBJ NewStockBitmap() {
    uint32_t slot = TakeSlot(KindBitmap);
    GdiObject &object = gdi.objects[slot];
    object.stock = true;
    auto bitmap = std::make_unique<GdiBitmap>();
    bitmap->width = bitmap->height = 1;
    bitmap->bitCount = 1;
    bitmap->stride = 4;
    bitmap->storage.assign(4, 0);
    bitmap->bits = bitmap->storage.data();
    bitmap->tableSize = 2;
    bitmap->table[1] = RGBQUAD{255, 255, 255, 0};
    object.bitmap = std::move(bitmap);
    return HandleOf(slot);
}

void MakeStockObjects() {
    uint32_t slot = TakeSlot(KindDC);
    gdi.objects[slot].stock = true;
    gdi.objects[slot].screen = true;
    gdi.screenDC = static_cast<HDC>(HandleOf(slot));
    gdi.stockBitmap = NewStockBitmap();
    slot = TakeSlot(KindFont);
    gdi.objects[slot].stock = true;
    gdi.stockFont = HandleOf(slot);
    gdi.objects[slot].selections = 1;  // the screen DC's font, never released
    gdi.objects[SlotOf(*Lookup(gdi.screenDC, KindDC))].selectedFont = gdi.stockFont;
}

void EnsureStockObjects() {
    if (!gdi.screenDC) MakeStockObjects();
}

GdiObject *LookupDC(HDC dc) {
    EnsureStockObjects();
    return Lookup(dc, KindDC);
}

HGDIOBJ SelectBitmap(GdiObject &dc, GdiObject &bitmap, HDC dcHandle) {
    if (dc.screen) return nullptr;
    if (!bitmap.stock && bitmap.selectedInto && bitmap.selectedInto != dcHandle) return nullptr;
    HGDIOBJ previous = dc.selectedBitmap;
    if (GdiObject *old = Lookup(previous, KindBitmap)) old->selectedInto = nullptr;
    if (!bitmap.stock) bitmap.selectedInto = dcHandle;
    dc.selectedBitmap = HandleOf(SlotOf(bitmap));
    return previous;
}

HGDIOBJ SelectFont(GdiObject &dc, GdiObject &font) {
    HGDIOBJ previous = dc.selectedFont;
    if (GdiObject *old = Lookup(previous, KindFont)) old->selections--;
    font.selections++;
    dc.selectedFont = HandleOf(SlotOf(font));
    return previous;
}

void DeselectAll(GdiObject &dc) {
    if (GdiObject *bitmap = Lookup(dc.selectedBitmap, KindBitmap))
        if (!bitmap->stock) bitmap->selectedInto = nullptr;
    if (GdiObject *font = Lookup(dc.selectedFont, KindFont)) font->selections--;
}

bool IsDib24(const DrawSurface &surface) {
    return surface.bitmap && surface.bitmap->bitCount == 24;
}

// The copies of every animation tick, between the screen and a 24-bit DIB,
// go row by row: the screen keeps its pixels in the same byte layout.
bool CopyScreenRows(const DrawSurface &dest, int x, int y, const DrawSurface &src, int x1, int y1,
                    int64_t startX, int64_t endX, int64_t startY, int64_t endY) {
    int count = int(endX - startX);
    if (!src.bitmap && IsDib24(dest)) {
        for (int64_t dy = startY; dy < endY; dy++)
            std::memcpy(RowOf(*dest.bitmap, int(y + dy)) + size_t(x + startX) * 3,
                        ScreenRowBytes(int(x1 + startX), int(y1 + dy)), size_t(count) * 3);
        return true;
    }
    if (!dest.bitmap && IsDib24(src)) {
        for (int64_t dy = startY; dy < endY; dy++)
            ScreenStoreRow(int(x + startX), int(y + dy),
                           RowOf(*src.bitmap, int(y1 + dy)) + size_t(x1 + startX) * 3, count);
        return true;
    }
    return false;
}

// Copies the clipped rectangle; source pixels are gathered first when the
// two surfaces are the same, so overlapping copies read the old pixels.
void CopyPixels(const DrawSurface &dest, int x, int y, int cx, int cy, const DrawSurface &src,
                int x1, int y1) {
    int64_t startX = std::max<int64_t>({0, -int64_t(x), -int64_t(x1)});
    int64_t endX = std::min<int64_t>({cx, int64_t(dest.width) - x, int64_t(src.width) - x1});
    int64_t startY = std::max<int64_t>({0, -int64_t(y), -int64_t(y1)});
    int64_t endY = std::min<int64_t>({cy, int64_t(dest.height) - y, int64_t(src.height) - y1});
    if (startX >= endX || startY >= endY) return;
    if (CopyScreenRows(dest, x, y, src, x1, y1, startX, endX, startY, endY)) return;
    std::vector<COLORREF> gathered;
    bool same = dest.bitmap == src.bitmap;
    if (same) {
        for (int64_t dy = startY; dy < endY; dy++)
            for (int64_t dx = startX; dx < endX; dx++)
                gathered.push_back(SurfaceRead(src, int(x1 + dx), int(y1 + dy)));
    }
    size_t next = 0;
    for (int64_t dy = startY; dy < endY; dy++)
        for (int64_t dx = startX; dx < endX; dx++) {
            COLORREF colour =
                same ? gathered[next++] : SurfaceRead(src, int(x1 + dx), int(y1 + dy));
            SurfaceWrite(dest, int(x + dx), int(y + dy), colour);
        }
}

}  // namespace

// ---- shared with the drawing half's other files ----------------------------------------

bool SurfaceOfDC(HDC dc, DrawSurface *surface) {
    GdiObject *object = LookupDC(dc);
    if (!object) return false;
    if (object->screen) {
        *surface = DrawSurface{nullptr, DeviceScreenWidth(), DeviceScreenHeight()};
        return true;
    }
    GdiObject *bitmap = Lookup(object->selectedBitmap, KindBitmap);
    if (!bitmap) return false;
    *surface = DrawSurface{bitmap->bitmap.get(), bitmap->bitmap->width, bitmap->bitmap->height};
    return true;
}

COLORREF SurfaceRead(const DrawSurface &surface, int x, int y) {
    return surface.bitmap ? ReadDibPixel(*surface.bitmap, x, y) : ScreenPixel(x, y);
}

void SurfaceWrite(const DrawSurface &surface, int x, int y, COLORREF colour) {
    if (surface.bitmap)
        WriteDibPixel(*surface.bitmap, x, y, colour);
    else
        ScreenStore(x, y, colour);
}

bool TakeQueuedFailure(const char *call) {
    auto found = gdi.failures.find(call);
    if (found == gdi.failures.end()) return false;
    std::pair<int, int> &plan = found->second;
    if (plan.first > 0) {
        plan.first--;
        return false;
    }
    if (plan.second <= 0) return false;
    plan.second--;
    return true;
}

HFONT NewFontObject(const LOGFONTW &font, FontFace *face) {
    EnsureStockObjects();
    uint32_t slot = TakeSlot(KindFont);
    if (!slot) return nullptr;
    gdi.objects[slot].font = font;
    gdi.objects[slot].face = face;
    gdi.liveFonts++;
    return static_cast<HFONT>(HandleOf(slot));
}

FontFace *SelectedFontFace(HDC dc) {
    GdiObject *object = LookupDC(dc);
    GdiObject *font = object ? Lookup(object->selectedFont, KindFont) : nullptr;
    if (!font || font->stock || !font->face) return DefaultFontFace();
    return font->face;
}

void ResetGdiObjects() {
    gdi = GdiState{};
    MakeStockObjects();
}

// ---- device controls -------------------------------------------------------------------

void DeviceFailNext(const std::string &call, int count, int after) {
    gdi.failures[call] = {after, count};
}

int DeviceLiveFonts() { return gdi.liveFonts; }

int DeviceLiveGdiObjects() {
    int live = 0;
    for (const GdiObject &object : gdi.objects) live += object.kind != KindFree && !object.stock;
    return live;
}

// ---- the calls -------------------------------------------------------------------------

HDC GetDC(HWND) {
    EnsureStockObjects();
    return gdi.screenDC;
}

int ReleaseDC(HWND, HDC dc) { return LookupDC(dc) ? 1 : 0; }

int GetDeviceCaps(HDC dc, int index) {
    if (!LookupDC(dc)) return 0;
    switch (index) {
    case BITSPIXEL: return DeviceScreenDepth();
    case HORZRES: return DeviceScreenWidth();
    case VERTRES: return DeviceScreenHeight();
    default: return 0;
    }
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits, HANDLE, DWORD) {
    if (bits) *bits = nullptr;
    if (TakeQueuedFailure("CreateDIBSection")) {
        DeviceSetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if ((dc && !LookupDC(dc)) || !info || usage != DIB_RGB_COLORS ||
        !DibHeaderIsValid(info->bmiHeader)) {
        DeviceSetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    uint32_t slot = TakeSlot(KindBitmap);
    if (!slot) {
        DeviceSetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    gdi.objects[slot].bitmap = NewDib(info);
    // A platform fault the program must survive: a section without bits.
    if (bits && !TakeQueuedFailure("CreateDIBSection:bits")) *bits = gdi.objects[slot].bitmap->bits;
    return static_cast<HBITMAP>(HandleOf(slot));
}

HDC CreateCompatibleDC(HDC dc) {
    if (TakeQueuedFailure("CreateCompatibleDC")) {
        DeviceSetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (dc && !LookupDC(dc)) {
        DeviceSetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    EnsureStockObjects();
    uint32_t slot = TakeSlot(KindDC);
    if (!slot) {
        DeviceSetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    GdiObject &object = gdi.objects[slot];
    object.selectedBitmap = gdi.stockBitmap;
    object.selectedFont = gdi.stockFont;
    Lookup(gdi.stockFont, KindFont)->selections++;
    return static_cast<HDC>(HandleOf(slot));
}

BOOL DeleteDC(HDC dc) {
    GdiObject *object = LookupDC(dc);
    if (!object || object->stock) return FALSE;
    DeselectAll(*object);
    FreeSlot(*object);
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ handle) {
    GdiObject *dcObject = LookupDC(dc);
    if (!dcObject) return nullptr;
    if (GdiObject *bitmap = Lookup(handle, KindBitmap)) return SelectBitmap(*dcObject, *bitmap, dc);
    if (GdiObject *font = Lookup(handle, KindFont)) return SelectFont(*dcObject, *font);
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ handle) {
    EnsureStockObjects();
    if (GdiObject *bitmap = Lookup(handle, KindBitmap)) {
        if (bitmap->stock) return TRUE;
        if (bitmap->selectedInto) return FALSE;
        FreeSlot(*bitmap);
        return TRUE;
    }
    if (GdiObject *font = Lookup(handle, KindFont)) {
        if (font->stock) return TRUE;
        if (font->selections > 0) return FALSE;
        FreeSlot(*font);
        gdi.liveFonts--;
        return TRUE;
    }
    return FALSE;
}

// Only SRCCOPY. Pixels are copied where both the destination and the source
// lie inside their surfaces; where the source lies outside its surface (a
// screen area partly off the screen) the destination keeps what it had.
BOOL BitBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop) {
    DrawSurface to, from;
    if (rop != SRCCOPY || !SurfaceOfDC(dest, &to) || !SurfaceOfDC(src, &from)) {
        DeviceSetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!from.bitmap) ScreenCountRead();
    if (!to.bitmap) ScreenCountWrite();
    if (cx > 0 && cy > 0) CopyPixels(to, x, y, cx, cy, from, x1, y1);
    if (!to.bitmap) DeviceNotifyScreenChanged();
    return TRUE;
}

BOOL GdiFlush(void) { return TRUE; }

// Reading BMP files into image records.
//
// LoadBitmapFile is the entry: it gives up what the record held, builds the
// path, opens the file, checks the file header (TestBitmapFile), reads the
// info header and colour table into the shared headerBuffer and checks every
// field the conversion relies on (ParseBitmapHeader), then converts the rows
// one at a time through the row buffer into the record (LoadPicture or
// LoadMask), storing each pixel with WritePixel. Every file the loader
// cannot read without overrunning a buffer (header beyond headerBuffer, rows
// beyond the row buffer, sizes beyond kMaxImageSide, top-down or empty
// images, compressed data), every file with an info header it does not know
// (ReadInfoHeader) and every file whose pixel data is shorter than its rows
// is refused with "File Type error", like a file that is not a BMP at all;
// a refused file leaves the record empty (no pixels, width and height 0).
// The pixel memory one skin may load is capped (pixelBytesLoaded).
#include "graphics/bmp.h"

#include "core/observer.h"
#include "core/process.h"
#include "graphics/pixels.h"

#include <stdlib.h>
#include <string.h>

// Aligned so the work surfaces can hand it to the platform as a BITMAPINFO.
alignas(8) static BYTE sharedHeader[kHeaderBufferBytes];
const BYTE *const headerBuffer = sharedHeader;

enum {
    kFileHeaderBytes = 14,
    kInfoHeaderBytes = 40,  // the header headerBuffer holds, whatever the file's size
    kLargestInfoHeader = 124,
    kColourTableBytes = kHeaderBufferBytes - kInfoHeaderBytes,
    kMinOffBits = kFileHeaderBytes + kInfoHeaderBytes,
    kUnpaddedMarker = 1008,  // trailing bytes that mark a file with unpadded rows
    kMessageUnits = kImagePathUnits + 32
};

static BYTE fileHeader[kFileHeaderBytes];
static BYTE rowBuffer[kRowBufferBytes];
static WCHAR messageText[kMessageUnits];
// Pixel bytes handed out since the skin load began; every load counts, also
// one that replaces an earlier picture, so the work is capped as well.
static uint64_t pixelBytesLoaded;

// What ParseBitmapHeader learnt of the file.
struct BitmapLayout {
    int32_t width, height, bitsPerPixel;
    uint32_t pixelBytes;  // bytes that hold one row's pixels
    uint32_t rowLength;   // bytes of one file row, padding included
};

static uint32_t ReadLe16(const BYTE *p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8); }

static uint32_t ReadLe32(const BYTE *p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static void WriteLe32(BYTE *p, uint32_t value) {
    for (int i = 0; i < 4; i++) p[i] = (BYTE)(value >> (8 * i));
}

// What the load under way made of its file, for the observer: a
// BitmapVerdict, and the file's bits a pixel (0 until its header was read).
static int32_t bitmapVerdict, bitmapFileDepth;

// Returns 0, the loader's failure value, after noting why.
static int Refuse(int32_t verdict) {
    bitmapVerdict = verdict;
    return 0;
}

// Reads up to count bytes; what the file does not deliver stays as it was.
static DWORD ReadBytes(HANDLE file, BYTE *buffer, DWORD count) {
    DWORD got = 0;
    if (count == 0) return 0;
    if (!ReadFile(file, buffer, count, &got, NULL)) return 0;
    return got;
}

// Units of text before its terminator, looking at no more than limit units.
static size_t BoundedLength(const WCHAR *text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n] != 0) n++;
    return n;
}

// exeFolder + fileName into path (kImagePathUnits). Returns 1 when the whole
// path fits; 0 when it had to be cut (path then holds the cut path). A
// fileName that fills all its units without a terminator counts as 63 units.
static int BuildImagePath(const ImageRecord *record, WCHAR *path) {
    size_t folder = BoundedLength(exeFolder, kExeFolderUnits - 1);
    size_t name = BoundedLength(record->fileName, kFileNameUnits - 1);
    size_t room = kImagePathUnits - 1;
    size_t folderTaken = folder < room ? folder : room;
    size_t nameTaken = name < room - folderTaken ? name : room - folderTaken;
    memcpy(path, exeFolder, folderTaken * sizeof(WCHAR));
    memcpy(path + folderTaken, record->fileName, nameTaken * sizeof(WCHAR));
    path[folderTaken + nameTaken] = 0;
    return folder + name <= room;
}

static void ReportOpenError(const WCHAR *path) {
    wsprintfW(messageText, WSTR("File Open error %s"), path);
    ShowErrorBox(messageText);
}

// Reads the 14-byte file header into *offBits (bfOffBits). Returns 1, or 0
// when the file does not start with the letters B and M. bfSize (offset 2)
// and the reserved words (6) are not read: the file's real size counts.
static int TestBitmapFile(HANDLE file, uint32_t *offBits) {
    memset(fileHeader, 0, sizeof fileHeader);
    ReadBytes(file, fileHeader, kFileHeaderBytes);
    uint32_t bfType = ReadLe16(fileHeader + 0);
    *offBits = ReadLe32(fileHeader + 10);
    return bfType == 0x4D42;
}

// Info header sizes the loader reads: the classic 40 bytes, and the 108 and
// 124 bytes that many editors write today, which only add colour-space
// fields after the same 40 bytes. Older and other headers lay their fields
// out differently and would be misread.
static int IsReadableInfoHeader(uint32_t biSize) {
    return biSize == kInfoHeaderBytes || biSize == 108 || biSize == kLargestInfoHeader;
}

static int SkipBytes(HANDLE file, DWORD count) {
    BYTE skipped[kLargestInfoHeader - kInfoHeaderBytes];
    if (count > sizeof skipped) return 0;
    return ReadBytes(file, skipped, count) == count;
}

// Reads the info header and the colour table up to bfOffBits into
// headerBuffer, always laid out as a 40-byte header followed by the table
// (the work surfaces and the probe rely on that): a longer header's extra
// fields are skipped and the stored biSize says 40. Returns 0 for another
// header size, or a header and table that do not fit before bfOffBits or
// into the buffer (headerBuffer may then hold part of what the file gave).
static int ReadInfoHeader(HANDLE file, uint32_t offBits) {
    BYTE info[kInfoHeaderBytes];
    if (offBits < kMinOffBits) return Refuse(kBitmapBadHeader);
    if (ReadBytes(file, info, kInfoHeaderBytes) != kInfoHeaderBytes)
        return Refuse(kBitmapTruncated);
    uint32_t biSize = ReadLe32(info);
    if (!IsReadableInfoHeader(biSize) || offBits < kFileHeaderBytes + biSize)
        return Refuse(kBitmapBadHeader);
    DWORD tableBytes = offBits - kFileHeaderBytes - biSize;
    if (tableBytes > kColourTableBytes) return Refuse(kBitmapBadHeader);
    if (!SkipBytes(file, biSize - kInfoHeaderBytes)) return Refuse(kBitmapTruncated);
    memcpy(sharedHeader, info, kInfoHeaderBytes);
    WriteLe32(sharedHeader, kInfoHeaderBytes);
    if (ReadBytes(file, sharedHeader + kInfoHeaderBytes, tableBytes) != tableBytes)
        return Refuse(kBitmapTruncated);
    return 1;
}

// The file's row length: files whose size exceeds header and unpadded pixel
// data by exactly 1008 bytes have unpadded rows; a file that holds padded
// rows but lacks (part of) the last row's padding, which some writers drop,
// has padded rows; otherwise the pixel data is shared out evenly among the
// rows (which gives the padded length of an ordinary file).
static uint32_t FileRowLength(uint32_t fileSize, uint32_t offBits, const BitmapLayout *layout) {
    uint64_t rows = (uint64_t)layout->height;
    uint64_t padded = ((uint64_t)layout->pixelBytes + 3) / 4 * 4;
    int64_t unpadded = (int64_t)layout->pixelBytes * layout->height;
    if ((int64_t)fileSize - unpadded - (int64_t)offBits == kUnpaddedMarker)
        return layout->pixelBytes;
    if (fileSize < offBits) return 0;
    uint64_t data = fileSize - offBits;
    if (data < rows * padded && data >= (rows - 1) * padded + layout->pixelBytes)
        return (uint32_t)padded;
    return (uint32_t)(data / rows);
}

// Whether the file holds every row's pixels: rows of rowLength bytes, the
// last of which may stop right after its pixels.
static int HoldsEveryRow(uint32_t fileSize, uint32_t offBits, const BitmapLayout *layout) {
    if (layout->rowLength < layout->pixelBytes || fileSize < offBits) return 0;
    uint64_t needed = (uint64_t)(layout->height - 1) * layout->rowLength + layout->pixelBytes;
    return needed <= fileSize - offBits;
}

// Reads the info header and colour table (ReadInfoHeader) and checks what
// the conversion relies on. Colour-table entries the file does not hold keep
// what headerBuffer held before.
static int ParseBitmapHeader(HANDLE file, uint32_t offBits, BitmapLayout *layout) {
    if (!ReadInfoHeader(file, offBits)) return 0;
    // Not read: biSize (offset 0, 40 once stored), biPlanes (12), and from
    // biSizeImage (20) on the sizes, resolutions and colour counts, which the
    // rows and the offset already decide.
    int32_t width = (int32_t)ReadLe32(headerBuffer + 4);
    int32_t height = (int32_t)ReadLe32(headerBuffer + 8);
    int32_t bits = (int32_t)ReadLe16(headerBuffer + 14);
    uint32_t compression = ReadLe32(headerBuffer + 16);
    bitmapFileDepth = bits;
    if (width < 1 || height < 1) return Refuse(kBitmapBadHeader);  // top-down files too
    if (width > kMaxImageSide || height > kMaxImageSide) return Refuse(kBitmapTooLarge);
    if (compression != 0) return Refuse(kBitmapCompressed);
    layout->width = width;
    layout->height = height;
    layout->bitsPerPixel = bits;
    layout->pixelBytes = (uint32_t)(((int64_t)bits * width + 7) / 8);
    uint32_t fileSize = GetFileSize(file, NULL);
    layout->rowLength = FileRowLength(fileSize, offBits, layout);
    // Missing rows would read as zeros: a header alone could then claim a
    // picture of many megabytes.
    if (!HoldsEveryRow(fileSize, offBits, layout)) return Refuse(kBitmapTruncated);
    if (!IsStoredDepth(bits)) return 1;  // no rows will be read
    if (layout->pixelBytes > kRowBufferBytes || layout->rowLength > kRowBufferBytes)
        return Refuse(kBitmapTooLarge);
    return 1;
}

// Reads the next file row into the row buffer; bytes the file does not
// deliver (a truncated file, a row length shorter than the pixels) read as 0.
static void ReadFileRow(HANDLE file, const BitmapLayout *layout) {
    uint32_t clear =
        layout->rowLength > layout->pixelBytes ? layout->rowLength : layout->pixelBytes;
    memset(rowBuffer, 0, clear);
    ReadBytes(file, rowBuffer, layout->rowLength);
}

// Pixel x of the row buffer: a palette index at depths 1-8, a full-precision
// colour value at depth 24.
static uint32_t FilePixel(int32_t x, int32_t bits) {
    if (bits == 24) {
        const BYTE *p = rowBuffer + 3 * x;
        return ((uint32_t)p[0] << 16) | ((uint32_t)p[1] << 8) | p[2];
    }
    if (bits == 8) return rowBuffer[x];
    return (uint32_t)(rowBuffer[x / (8 / bits)] >> SubByteShift(x, bits)) & ((1u << bits) - 1);
}

// The palette of a picture of depth 1-8: 2^bits entries from headerBuffer's
// colour table, whatever biClrUsed says.
static ColourValue *LoadPalette(int32_t bits) {
    int32_t count = 1 << bits;
    ColourValue *palette = (ColourValue *)malloc(sizeof(ColourValue) * (size_t)count);
    if (!palette) return NULL;
    for (int32_t i = 0; i < count; i++) {
        const BYTE *entry = headerBuffer + kInfoHeaderBytes + 4 * i;  // blue, green, red, 0
        palette[i] = ((uint32_t)entry[0] << 16) | ((uint32_t)entry[1] << 8) | entry[2];
    }
    return palette;
}

void ResetPixelBudget(void) { pixelBytesLoaded = 0; }

void ResetBitmapLoader(void) {
    ResetPixelBudget();
    memset(sharedHeader, 0, sizeof sharedHeader);
}

const BITMAPINFO *DescribeBitmap(int32_t width, int32_t height, WORD bits) {
    BITMAPINFOHEADER header;
    memset(&header, 0, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = BI_RGB;
    memcpy(sharedHeader, &header, sizeof header);
    return (const BITMAPINFO *)sharedHeader;
}

// Gives the record its pixel buffer at the storage depth, within the skin's
// pixel budget: a load that would go over it is told as "Out of memory."
// and gets nothing. Returns 1 or 0.
static int AllocateLoadedPixels(ImageRecord *record, const BitmapLayout *layout, int32_t bits) {
    uint64_t bytes = (uint64_t)PackedRowBytes(layout->width, bits) * (uint64_t)layout->height;
    if (pixelBytesLoaded + bytes > kSkinPixelBudget) {
        bitmapVerdict = kBitmapOverBudget;
        ShowErrorBox(WSTR("Out of memory."));
        return 0;
    }
    if (!AllocateImagePixels(record, layout->width, layout->height, bits)) return 0;
    pixelBytesLoaded += bytes;
    return 1;
}

static void LoadPicture(ImageRecord *record, HANDLE file, const BitmapLayout *layout) {
    int32_t bits = layout->bitsPerPixel;
    if (!IsStoredDepth(bits)) return;
    ColourValue *palette = NULL;
    if (bits <= 8 && !(palette = LoadPalette(bits))) return;
    if (!AllocateLoadedPixels(record, layout, bits)) {
        free(palette);
        return;
    }
    record->palette = palette;
    for (int32_t y = layout->height - 1; y >= 0; y--) {
        ReadFileRow(file, layout);
        for (int32_t x = 0; x < layout->width; x++) WritePixel(record, x, y, FilePixel(x, bits));
    }
}

// A mask bit of 1 marks where the picture is not drawn: the file's own bit
// at depth 1; else a palette index, or a full-precision colour at depth 24,
// equal to transparentKey. Files of other depths give an all-zero mask.
static uint32_t MaskBit(const ImageRecord *record, int32_t x, int32_t bits) {
    uint32_t value = FilePixel(x, bits);
    if (bits == 1) return value;
    return value == record->transparentKey ? 1 : 0;
}

static void LoadMask(ImageRecord *record, HANDLE file, const BitmapLayout *layout) {
    static const ColourValue maskPaletteValues[2] = {0, 1};
    ColourValue *palette = (ColourValue *)malloc(sizeof maskPaletteValues);
    if (!palette) return;
    memcpy(palette, maskPaletteValues, sizeof maskPaletteValues);
    if (!AllocateLoadedPixels(record, layout, 1)) {
        free(palette);
        return;
    }
    record->palette = palette;
    int32_t bits = layout->bitsPerPixel;
    if (!IsStoredDepth(bits)) return;
    for (int32_t y = layout->height - 1; y >= 0; y--) {
        ReadFileRow(file, layout);
        for (int32_t x = 0; x < layout->width; x++)
            WritePixel(record, x, y, MaskBit(record, x, bits));
    }
}

// A later script line with the same index loads into the same record: what
// the earlier one loaded is freed here, whatever the new load gives.
static void ReleaseImage(ImageRecord *record) {
    FreeImageRecord(record);
    record->width = 0;
    record->height = 0;
    record->rowBytes = 0;
}

// Checks the file and converts its pixels; a refusal is told to the user.
static void LoadOpenedFile(ImageRecord *record, int kind, HANDLE file) {
    BitmapLayout layout;
    bitmapVerdict = kBitmapRead;
    uint32_t offBits = 0;
    int isBitmap = TestBitmapFile(file, &offBits);
    if (!isBitmap) bitmapVerdict = kBitmapNotBmp;
    if (!isBitmap || !ParseBitmapHeader(file, offBits, &layout)) {
        ShowErrorBox(WSTR("File Type error"));
    } else if (kind == kLoadPicture) {
        LoadPicture(record, file, &layout);
    } else {
        LoadMask(record, file, &layout);
    }
}

static void LoadImageFile(ImageRecord *record, int kind) {
    WCHAR path[kImagePathUnits];
    if (!BuildImagePath(record, path)) {
        ReportOpenError(path);
        return;
    }
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        ReportOpenError(path);
        return;
    }
    LoadOpenedFile(record, kind, file);
    CloseHandle(file);
}

void LoadBitmapFile(ImageRecord *record, int kind) {
    ReleaseImage(record);
    bitmapVerdict = kBitmapNoFile;
    bitmapFileDepth = 0;
    LoadImageFile(record, kind);
    if (observer.bitmap) observer.bitmap(bitmapVerdict, bitmapFileDepth, headerBuffer);
}

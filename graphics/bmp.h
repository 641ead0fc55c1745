// Loading pictures and masks from BMP files into image records.
#pragma once

#include "core/image.h"

enum { kHeaderBufferBytes = 1064, kRowBufferBytes = 3080, kImagePathUnits = 256 };

// The shared header buffer (kHeaderBufferBytes): a BITMAPINFOHEADER followed
// by room for 256 RGBQUAD entries. Each loaded file leaves its header and
// colour table here; the work surfaces build their BITMAPINFO in it
// afterwards through DescribeBitmap. Written only by bmp.cpp.
extern const BYTE *const headerBuffer;

// Describes a bottom-up, uncompressed DIB in headerBuffer. Its colour table
// (for 8 bits) is whatever follows the header there: the last loaded file's.
const BITMAPINFO *DescribeBitmap(int32_t width, int32_t height, WORD bits);

enum { kLoadMask = 0, kLoadPicture = 1 };

// Loads exeFolder + record->fileName into the record as a picture (kind 1)
// or a 1-bit mask (kind 0). The record's pixels and palette must be owned by
// it or null: whatever it held is freed first. On failure the record keeps
// no pixels and the user has been told.
void LoadBitmapFile(ImageRecord *record, int kind);

// Each load ends with the observer's bitmap report (core/observer.h): what it
// made of the file.

// The pixel memory the pictures and masks of one skin may load together,
// far above any real skin: every load counts, also one that replaces an
// earlier picture, so that a script naming a large file on many lines is
// refused instead of taking gigabytes and minutes. A load that would go over
// it is refused with "Out of memory." and the skin loads on without it.
enum { kSkinPixelBudget = 64 * 1024 * 1024 };

// Starts the count anew for the next skin (LoadSkin calls it before the
// first G or M line).
void ResetPixelBudget(void);
// The loader as a new process finds it: the budget anew and the shared header
// buffer empty.
void ResetBitmapLoader(void);

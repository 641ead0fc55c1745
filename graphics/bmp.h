// Loading pictures and masks from BMP files into image records.
#pragma once

#include "image.h"

enum { kHeaderBufferBytes = 1064, kRowBufferBytes = 3080, kImagePathUnits = 256 };

// The shared header buffer: a BITMAPINFOHEADER followed by room for 256
// RGBQUAD entries. Each loaded file leaves its header and colour table here;
// the work surfaces build their BITMAPINFO in it afterwards.
extern BYTE headerBuffer[kHeaderBufferBytes];

enum { kLoadMask = 0, kLoadPicture = 1 };

// Loads exeFolder + record->fileName into the record as a picture (kind 1)
// or a 1-bit mask (kind 0). The record's pixels and palette must be owned by
// it or null: whatever it held is freed first. On failure the record keeps
// no pixels and the user has been told.
void LoadBitmapFile(ImageRecord *record, int kind);

// A DIB section selected into its own memory DC, bottom-up, with a colour
// table when one is given.
#pragma once

#include "platform.h"

#include <vector>

struct TestDib {
    HDC dc;
    BYTE *bits;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    TestDib(LONG width, LONG height, WORD bitCount = 24, const std::vector<COLORREF> &table = {}) {
        info.header = {sizeof(BITMAPINFOHEADER), width, height, 1, bitCount, BI_RGB, 0, 0, 0, DWORD(table.size()), 0};
        for (size_t i = 0; i < table.size(); i++)
            info.colours[i] = RGBQUAD{BYTE(table[i] >> 16), BYTE(table[i] >> 8), BYTE(table[i]), 0};
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(screen, (BITMAPINFO *)&info, DIB_RGB_COLORS, (void **)&bits, nullptr, 0);
        dc = CreateCompatibleDC(screen);
        SelectObject(dc, bitmap);
        ReleaseDC(nullptr, screen);
    }
};

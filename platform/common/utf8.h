// UTF-16 text as UTF-8, for the device's text calls and for the tools and
// tests of both builds, which print and compare the program's WCHAR text.
// An unpaired surrogate becomes U+FFFD.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

template <typename Unit>
std::string Utf8FromUtf16(const Unit *text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; i++) {
        uint32_t code = (uint16_t)text[i], next = i + 1 < length ? (uint16_t)text[i + 1] : 0;
        if (code >= 0xD800 && code < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00);
            i++;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        int extra = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
        static const uint8_t lead[] = {0x00, 0xC0, 0xE0, 0xF0};
        out += (char)(lead[extra] | (code >> (6 * extra)));
        for (int k = extra - 1; k >= 0; k--) out += (char)(0x80 | ((code >> (6 * k)) & 0x3F));
    }
    return out;
}

// Text on the device: the ANSI code page behind MultiByteToWideChar, the
// Win32 formatter wsprintfW, and UTF-8 <-> UTF-16 helpers for tests.
//
// Code pages 932 and 1252 are decoded with the C library's iconv. Where a
// byte sequence has no character, Windows' own answers are kept: in 932 an
// undefined double-byte pair, or a lead byte without a trail byte, becomes
// U+30FB (the katakana middle dot Windows uses as its default character);
// in 1252 the five unassigned bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D map to
// the same-numbered control characters, as Windows maps them.
#include "files_half.h"

#include "common/utf8.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <iconv.h>

namespace {

unsigned ansiCodePage = 932;

// ---- UTF-8 and UTF-16 --------------------------------------------------------

void AppendUtf16(std::u16string &out, uint32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out += (char16_t)(0xD800 + (code >> 10));
        out += (char16_t)(0xDC00 + (code & 0x3FF));
    } else {
        out += (char16_t)code;
    }
}

// One UTF-8 sequence at text[*at]; advances *at. Malformed bytes give U+FFFD.
uint32_t NextUtf8(const std::string &text, size_t *at) {
    unsigned char lead = (unsigned char)text[(*at)++];
    if (lead < 0x80) return lead;
    int extra = lead < 0x80                   ? 0
                : lead >= 0xF0 && lead < 0xF5 ? 3
                : lead >= 0xE0                ? 2
                : lead >= 0xC2                ? 1
                                              : -1;
    if (extra < 0 || lead >= 0xF5) return 0xFFFD;
    uint32_t code = lead & (0x3F >> extra);
    for (int i = 0; i < extra; i++) {
        if (*at >= text.size() || ((unsigned char)text[*at] & 0xC0) != 0x80) return 0xFFFD;
        code = (code << 6) | ((unsigned char)text[(*at)++] & 0x3F);
    }
    static const uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
        return 0xFFFD;
    return code;
}

// ---- code pages ---------------------------------------------------------------

// One converter per code page, opened on first use and kept.
iconv_t ConverterFor(unsigned codePage) {
    static iconv_t cp932 = (iconv_t)-1, cp1252 = (iconv_t)-1, utf8 = (iconv_t)-1;
    iconv_t *slot = codePage == 932 ? &cp932 : codePage == 1252 ? &cp1252 : &utf8;
    const char *name = codePage == 932 ? "CP932" : codePage == 1252 ? "CP1252" : "UTF-8";
    if (*slot == (iconv_t)-1) *slot = iconv_open("UTF-16LE", name);
    return *slot;
}

bool IsLeadByte932(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// What Windows gives for an unconvertible sequence at bytes[0]; sets *used
// to the bytes it stands for.
char16_t Replacement(unsigned codePage, const unsigned char *bytes, size_t left, size_t *used) {
    *used = 1;
    if (codePage == 1252) return bytes[0];
    if (codePage == 932) {
        if (IsLeadByte932(bytes[0]) && left >= 2 && bytes[1] >= 0x40 && bytes[1] != 0x7F &&
            bytes[1] <= 0xFC)
            *used = 2;
        return 0x30FB;
    }
    return 0xFFFD;
}

// Decodes count bytes into units. Returns false on a sequence without a
// character when strict (MB_ERR_INVALID_CHARS).
bool Decode(unsigned codePage, const char *bytes, size_t count, bool strict,
            std::u16string &units) {
    iconv_t converter = ConverterFor(codePage);
    if (converter == (iconv_t)-1) return false;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(bytes);
    size_t inLeft = count;
    while (inLeft > 0) {
        char16_t chunk[256];
        char *out = (char *)chunk;
        size_t outLeft = sizeof chunk;
        size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        units.append(chunk, (sizeof chunk - outLeft) / sizeof(char16_t));
        if (result != (size_t)-1 || errno == E2BIG) continue;
        if (strict) return false;
        size_t used;
        units += Replacement(codePage, (const unsigned char *)in, inLeft, &used);
        in += used;
        inLeft -= used;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

// ---- wsprintfW ----------------------------------------------------------------

// Win32's formatter writes at most 1024 units, its terminator included.
const size_t kFormatLimit = 1024;

struct Conversion {
    bool left = false, zero = false, alternate = false;
    int width = 0, precision = -1;
    char size = 0;  // 'h', 'l' or 0
    char16_t type = 0;
};

void AppendPadded(std::u16string &out, const Conversion &field, const std::u16string &body,
                  const std::u16string &prefix) {
    size_t length = prefix.size() + body.size();
    size_t pad = field.width > (int)length ? field.width - length : 0;
    if (field.left) {
        out += prefix + body + std::u16string(pad, u' ');
    } else if (field.zero) {
        out += prefix + std::u16string(pad, u'0') + body;
    } else {
        out += std::u16string(pad, u' ') + prefix + body;
    }
}

std::u16string Digits(uint32_t value, unsigned base, bool upper, int precision) {
    const char *digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string text;
    while (value) {
        text.insert(text.begin(), (char16_t)digits[value % base]);
        value /= base;
    }
    int minimum = precision < 0 ? 1 : precision;
    if ((int)text.size() < minimum) text.insert(0, minimum - text.size(), u'0');
    return text;
}

// Parses flags, width, precision and size at fmt; returns the position of
// the type character.
const char16_t *ParseConversion(const char16_t *fmt, Conversion &field) {
    for (;; fmt++) {
        if (*fmt == u'-')
            field.left = true;
        else if (*fmt == u'0')
            field.zero = true;
        else if (*fmt == u'#')
            field.alternate = true;
        else
            break;
    }
    while (*fmt >= u'0' && *fmt <= u'9' && field.width < 100000)
        field.width = field.width * 10 + (*fmt++ - u'0');
    if (*fmt == u'.') {
        field.precision = 0;
        fmt++;
        while (*fmt >= u'0' && *fmt <= u'9' && field.precision < 100000)
            field.precision = field.precision * 10 + (*fmt++ - u'0');
    }
    if (*fmt == u'l' || *fmt == u'h') field.size = (char)*fmt++;
    field.type = *fmt;
    return fmt;
}

void FormatString(std::u16string &out, const Conversion &field, va_list &args) {
    std::u16string body;
    if (field.size == 'h' || field.type == u'S') {
        const char *text = va_arg(args, const char *);
        for (const char *c = text ? text : "(null)"; *c; c++) body += (char16_t)(unsigned char)*c;
    } else {
        const char16_t *text = va_arg(args, const char16_t *);
        body = text ? text : u"(null)";
    }
    if (field.precision >= 0 && body.size() > (size_t)field.precision) body.resize(field.precision);
    Conversion padded = field;
    padded.zero = false;
    AppendPadded(out, padded, body, u"");
}

void FormatNumber(std::u16string &out, const Conversion &field, va_list &args) {
    // LONG and DWORD are 32 bits on this platform, so %ld reads an int too;
    // 'h' changes nothing for numbers, as on Windows.
    int32_t value = va_arg(args, int32_t);
    std::u16string prefix;
    uint32_t magnitude = (uint32_t)value;
    unsigned base = 10;
    if (field.type == u'd' || field.type == u'i') {
        if (value < 0) {
            prefix = u"-";
            magnitude = 0u - (uint32_t)value;
        }
    } else if (field.type == u'x' || field.type == u'X') {
        base = 16;
        if (field.alternate && value) prefix = field.type == u'x' ? u"0x" : u"0X";
    }
    Conversion padded = field;
    if (field.precision >= 0) padded.zero = false;
    AppendPadded(out, padded, Digits(magnitude, base, field.type == u'X', field.precision), prefix);
}

void FormatOne(std::u16string &out, const Conversion &field, va_list &args) {
    switch (field.type) {
    case u's':
    case u'S': FormatString(out, field, args); break;
    case u'c':
    case u'C': {
        int unit = va_arg(args, int);
        bool narrow = field.size == 'h' || field.type == u'C';
        Conversion padded = field;
        padded.zero = false;
        AppendPadded(out, padded,
                     std::u16string(1, narrow ? (char16_t)(unsigned char)unit : (char16_t)unit),
                     u"");
        break;
    }
    case u'd':
    case u'i':
    case u'u':
    case u'x':
    case u'X': FormatNumber(out, field, args); break;
    default:
        // An unknown type is written as itself, the way Win32 does.
        out += field.type;
    }
}

}  // namespace

// ---- half-internal -------------------------------------------------------------------

unsigned DeviceAnsiCodePage() { return ansiCodePage; }
void ResetTextState() { ansiCodePage = 932; }

// ---- device controls -------------------------------------------------------------

// UTF-8 as the ANSI code page exists on recent desktop systems; it is the
// one code page whose characters can need two UTF-16 units.
void DeviceSetCodePage(unsigned codePage) {
    ansiCodePage = codePage == 1252 || codePage == CP_UTF8 ? codePage : 932;
}

std::u16string DeviceUtf16(const std::string &utf8) {
    std::u16string out;
    for (size_t at = 0; at < utf8.size();) AppendUtf16(out, NextUtf8(utf8, &at));
    return out;
}

std::string DeviceUtf8(const std::u16string &utf16) {
    return Utf8FromUtf16(utf16.data(), utf16.size());
}

std::string DeviceUtf8(const WCHAR *utf16) {
    return utf16 ? DeviceUtf8(std::u16string(utf16)) : std::string();
}

// ---- Win32 calls ---------------------------------------------------------------------

// Win32 semantics: a count of -1 converts the terminator too and counts it;
// a wideCount of 0 asks for the units needed; a buffer too small fails with
// ERROR_INSUFFICIENT_BUFFER and writes nothing.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR bytes, int byteCount, LPWSTR wide,
                        int wideCount) {
    if (codePage == CP_ACP) codePage = ansiCodePage;
    bool known = codePage == 932 || codePage == 1252 || codePage == CP_UTF8;
    if (!known || !bytes || byteCount == 0 || byteCount < -1 || wideCount < 0 ||
        (wideCount && !wide)) {
        DeviceSetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t count = byteCount == -1 ? strlen(bytes) + 1 : (size_t)byteCount;
    std::u16string units;
    if (!Decode(codePage, bytes, count, (flags & MB_ERR_INVALID_CHARS) != 0, units)) {
        DeviceSetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (wideCount == 0) return (int)units.size();
    if (units.size() > (size_t)wideCount) {
        DeviceSetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(wide, units.data(), units.size() * sizeof(WCHAR));
    return (int)units.size();
}

// Formats %s (WCHAR text; %hs or %S narrow), %c, %d, %i, %u, %x, %X and %%,
// with '-', '0' and '#' flags, width, precision and h/l sizes. Output stops
// at 1023 units plus the terminator; returns the units written without it.
int wsprintfW(LPWSTR out, LPCWSTR format, ...) {
    if (!out || !format) return 0;
    va_list args;
    va_start(args, format);
    std::u16string text;
    for (const char16_t *fmt = format; *fmt && text.size() < kFormatLimit; fmt++) {
        if (*fmt != u'%') {
            text += *fmt;
            continue;
        }
        Conversion field;
        fmt = ParseConversion(fmt + 1, field);
        if (!*fmt) break;
        FormatOne(text, field, args);
    }
    va_end(args);
    if (text.size() > kFormatLimit - 1) text.resize(kFormatLimit - 1);
    memcpy(out, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    return (int)text.size();
}

int lstrlenW(LPCWSTR text) {
    int length = 0;
    if (text)
        while (text[length]) length++;
    return length;
}

// Date and time placeholders in a text item: "%Y" "%M" "%D" "%h" "%m" "%s"
// become two digits each and "%%" one percent sign, so the expansion is never
// longer than its source.
#include "engine/timetext.h"

namespace {

WCHAR *PutTwoDigits(WCHAR *out, uint32_t value) {
    out[0] = (WCHAR)(u'0' + value / 10 % 10);
    out[1] = (WCHAR)(u'0' + value % 10);
    return out + 2;
}

// The field a placeholder letter names, or -1 for a letter that names none.
int32_t PlaceholderValue(WCHAR letter, const SYSTEMTIME *now) {
    switch (letter) {
    case u'Y': return now->wYear % 100;
    case u'M': return now->wMonth;
    case u'D': return now->wDay;
    case u'h': return now->wHour;
    case u'm': return now->wMinute;
    case u's': return now->wSecond;
    default: return -1;
    }
}

}  // namespace

// destination holds kTimeTextUnits units; a longer source is cut short there.
// A "%" before any other character is copied with that character, and a "%"
// that ends the text is copied alone.
int FormatTimeText(WCHAR *destination, const WCHAR *source) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    WCHAR *out = destination;
    WCHAR *last = destination + kTimeTextUnits - 1;
    int inserted = 0;
    while (*source != 0 && out < last) {
        if (source[0] != u'%' || source[1] == 0) {
            *out++ = *source++;
            continue;
        }
        int32_t value = PlaceholderValue(source[1], &now);
        if (value >= 0 && last - out >= 2) {
            out = PutTwoDigits(out, (uint32_t)value);
            inserted = 1;
        } else if (source[1] == u'%') {
            *out++ = u'%';
        } else if (value < 0 && last - out >= 2) {
            out[0] = source[0];
            out[1] = source[1];
            out += 2;
        } else {
            break;
        }
        source += 2;
    }
    *out = 0;
    return inserted;
}

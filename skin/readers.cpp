// The two lexical readers of skin.txt: lines (CR LF, widened from the ANSI
// code page) and numbers (unsigned decimal, one separator each).
#include "skin/readers.h"

#include "core/observer.h"

// Reads one byte; returns 1, or 0 at the end of the file (or on an error,
// which the script treats alike).
static int ReadByte(HANDLE file, char *byte) {
    DWORD got = 0;
    if (!ReadFile(file, byte, 1, &got, NULL)) return 0;
    return got == 1;
}

// Widens the stored bytes into line. Code pages the device uses (single- and
// double-byte) give at most one UTF-16 unit per byte, so 999 bytes always fit
// the 1000 units; the terminator is forced anyway in case the conversion
// fails half-way.
static void WidenLine(const char *bytes, WCHAR *line) {
    if (MultiByteToWideChar(CP_ACP, 0, bytes, -1, line, kLineUnits) == 0) line[0] = 0;
    line[kLineUnits - 1] = 0;
}

// What one ReadScriptLine call went through, for the observer.
struct LineWalk {
    int32_t consumed, lineStart, lineBytes;
};

static int EndLineRead(const LineWalk *walk, int result) {
    if (observer.scriptLine)
        observer.scriptLine(walk->consumed, walk->lineStart, walk->lineBytes, result);
    return result;
}

static int ReadCountedByte(HANDLE file, char *byte, LineWalk *walk) {
    if (!ReadByte(file, byte)) return 0;
    walk->consumed++;
    return 1;
}

int ReadScriptLine(HANDLE file, WCHAR *line) {
    char bytes[kLineBytes + 1];
    int stored = 0;
    char byte;
    LineWalk walk = {0, -1, 0};
    for (;;) {
        // a partly read line is dropped
        if (!ReadCountedByte(file, &byte, &walk)) return EndLineRead(&walk, 0);
        if (byte == '\r') {
            char lineFeed;
            // CR at the very end loses the line
            if (!ReadCountedByte(file, &lineFeed, &walk)) return EndLineRead(&walk, 0);
            if (stored == 0) continue;  // an empty line
            break;
        }
        if (walk.lineBytes++ == 0) walk.lineStart = walk.consumed - 1;
        // Bytes past the 999th are dropped: the line keeps its start.
        if (stored < kLineBytes) bytes[stored++] = byte;
    }
    bytes[stored] = 0;
    WidenLine(bytes, line);
    return EndLineRead(&walk, 1);
}

int32_t ReadNumber(const WCHAR *line, int32_t *position) {
    int32_t at = *position;
    if (at < 0) return -1;
    while (line[at] == ' ' || line[at] == '\t') at++;
    // Unsigned so that overlong digit runs wrap as the device's 32-bit
    // arithmetic does, instead of being undefined.
    uint32_t value = 0;
    int digits = 0;
    while (line[at] >= '0' && line[at] <= '9') {
        value = value * 10u + (uint32_t)(line[at] - '0');
        digits++;
        at++;
    }
    // The separator is consumed whatever it is; the terminator ends the line.
    *position = line[at] == 0 ? -1 : at + 1;
    return digits ? (int32_t)value : -1;
}

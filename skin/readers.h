// Reading skin.txt: lines and numbers.
#pragma once

#include "platform.h"

#include <stdint.h>

enum { kLineBytes = 999, kLineUnits = 1000 };

// Reads the next CR LF line of the file into line (room for kLineUnits units),
// widened from the device's ANSI code page. Returns 1, or 0 at the end of the file.
int ReadScriptLine(HANDLE file, WCHAR *line);

// Called at the end of every ReadScriptLine when set, for the skin author's
// lint (the program sets none): the bytes the call consumed, where among them
// the line it returned or dropped began (-1 for none), how many bytes that
// line had before any cut, and the call's result.
extern void (*scriptLineHook)(int32_t consumed, int32_t lineStart, int32_t lineBytes, int result);

// Reads the number at *position of line, or -1 when there are no digits, and
// moves *position past the separator (-1 once the line's end is passed).
int32_t ReadNumber(const WCHAR *line, int32_t *position);

// Reading skin.txt: lines and numbers.
#pragma once

#include "platform.h"

#include <stdint.h>

enum { kLineBytes = 999, kLineUnits = 1000 };

// Reads the next CR LF line of the file into line (room for kLineUnits units),
// widened from the device's ANSI code page. Returns 1, or 0 at the end of the
// file. Each call ends with the observer's scriptLine report (core/observer.h).
int ReadScriptLine(HANDLE file, WCHAR *line);

// Reads the number at *position of line, or -1 when there are no digits, and
// moves *position past the separator (-1 once the line's end is passed).
int32_t ReadNumber(const WCHAR *line, int32_t *position);

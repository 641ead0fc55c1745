// Shared between the files, text, message-box and resource files of the
// simulated device (files.cpp, text.cpp, messagebox.cpp, resources.cpp);
// nothing else includes it.
#pragma once

#include "internal.h"

#include <string>

// Each file resets its own state; DeviceResetFiles (files.cpp) calls them all.
void ResetMessageLog();
void ResetTextState();

// The device's ANSI code page (932 or 1252), set by DeviceSetCodePage.
unsigned DeviceAnsiCodePage();

// Handle values of this half: files and searches count up from kFileHandleBase
// in steps of 4, icons are kIconHandleBase + the icon's resource id. Both lie
// below 2^32 and away from the windows, mutexes and GDI objects of the other
// half, so a stray handle is never mistaken for one of ours.
enum : uintptr_t {
    kFileHandleBase = 0x7F000000u,
    kIconHandleBase = 0x7E000000u,
};

// Shared between the files, paths, text, message-box and resource files of
// the simulated device (files.cpp, paths.cpp, text.cpp, messagebox.cpp,
// resources.cpp); nothing else includes it.
#pragma once

#include "internal.h"

#include <string>

// Each file resets its own state; DeviceResetFiles (files.cpp) calls them all.
void ResetMessageLog();
void ResetTextState();

// The device's ANSI code page (932 or 1252), set by DeviceSetCodePage.
unsigned DeviceAnsiCodePage();

// Names as NTFS compares them (paths.cpp): a UTF-16 unit upper-cased, and a
// name with every unit upper-cased.
char16_t DeviceUpcase(char16_t unit);
std::u16string DeviceUpcased(const std::u16string &name);

// A search pattern normalised as DeviceHostPath does, cut into the host path
// of its folder and its last element, the mask. Returns false when there is
// no mask (the pattern ends in a separator or names the root).
bool DeviceSplitPattern(const std::u16string &pattern, std::string &folderHost,
                        std::u16string &mask);

// Handle values of this half: files and searches count up from kFileHandleBase
// in steps of 4, icons are kIconHandleBase + the icon's resource id. Both lie
// below 2^32 and away from the windows, mutexes and GDI objects of the other
// half, so a stray handle is never mistaken for one of ours.
enum : uintptr_t {
    kFileHandleBase = 0x7F000000u,
    kIconHandleBase = 0x7E000000u,
};

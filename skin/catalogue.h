// Finding the skin folders and choosing one.
#pragma once

#include "platform.h"

#include <stdint.h>

enum { kMaxSkins = 32, kTitleChars = 80, kScriptPathUnits = 260 };

// How many skin folders the last scan found (at most kMaxSkins).
int32_t SkinCount(void);

// Fills path (kScriptPathUnits units) with the chosen skin.txt and points
// exeFolder at its folder. Returns 1, or 0 after telling the user.
int ChooseSkin(WCHAR *path);
// Gives back the catalogue and forgets the choice.
void ResetCatalogue(void);

INT_PTR CALLBACK SelectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The skin layer: from a skin folder to the skin tables.
//
// LoadSkin (here) asks the catalogue (catalogue.h) which skin.txt to read,
// then reads it three times with the line and number readers (readers.h):
// once to count the sequences, once to size every table (core/tables.h),
// once to fill them, loading each picture and mask through graphics/bmp.h.
// Nothing in a script is an error: what the reader cannot use it skips.
// Start reading at LoadSkin in script.cpp.
//
// This header: reading the chosen skin.txt into the skin tables.
#pragma once

#include "core/tables.h"

// Returns 1 when a skin has been loaded, 0 after telling the user why not.
int LoadSkin(void);

// Reads the skin.txt at path (a full path) into the skin tables, exeFolder
// already pointing at its folder: LoadSkin after the skin is chosen. The
// skin author's lint calls it for a folder it names itself.
int LoadSkinScript(const WCHAR *path);
// Every value of the skin layer back to its start: the catalogue given back
// and the choice forgotten. The tables themselves are core's (FreeSkinTables).
void ResetSkinState(void);

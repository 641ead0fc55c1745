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

// What the reader passes over, cuts or clips, and which line filled what,
// for the skin author's lint: scriptNoteHook, when set, hears each note
// while its line is applied, with a detail and the line. The program sets
// none.
enum ScriptNote {
    kNotePass,         // a pass begins: detail 1 and 2 count, 3 fills
    kNoteComment,      // the line's first character names no kind
    kNoteBadIndex,     // no index or sequence number, or one too large: skipped
    kNoteNoNumber,     // a number the line needs is missing: detail its field, from 1
    kNoteNoFileComma,  // no comma after the file name: skipped
    kNoteFileNameCut,
    kNoteTextCut,
    kNoteFaceCut,
    kNoteLayersCut,     // layers past the ninth
    kNoteChoicesCut,    // text choices past the tenth
    kNoteFramesCut,     // frames past kMaxFramesPerSequence
    kNoteItemOutside,   // a $ item wholly outside its field: detail the field, from 0
    kNoteItemClipped,   // a $ range clipped to its field
    kNoteItemReversed,  // a $ range a-b with a above b
    kNoteArea,          // the D line was applied
    kNoteFont,
    kNoteGraphic,  // detail the index the line filled (and loaded)
    kNoteMask,
    kNoteText,
    kNoteFrame,      // detail the sequence whose next frame the line filled
    kNoteEventMark,  // detail the sequence the line marked N
    kNoteRule        // detail the rule the line filled
};
extern void (*scriptNoteHook)(int32_t note, int32_t detail, const WCHAR *line);

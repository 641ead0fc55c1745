// What the program reports to the tools that run it: one record of
// function pointers, all null in the program itself, so that each report
// costs one test of a pointer. The skin author's lint hears the reader, the
// loader and the text measure through it, and the tool's run hears each
// tick: nothing else of the program is there for the tools alone.
#pragma once

#include "platform.h"

#include <stdint.h>

// What the script reader passes over, cuts or clips, and which line filled
// what: each note comes while its line is applied, with a detail and the line.
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

// What a BMP load made of its file: kBitmapRead when the file passed every
// check (its pixels may still be missing for a depth the program does not
// store), else why it was refused.
enum BitmapVerdict {
    kBitmapRead,
    kBitmapNoFile,
    kBitmapNotBmp,
    kBitmapBadHeader,
    kBitmapTruncated,
    kBitmapTooLarge,
    kBitmapCompressed,
    kBitmapOverBudget
};

// One animation tick: the frame it showed and the wait it planned after it; what
// the next tick shows, and when, is the animation state by then.
struct TickReport {
    int32_t rule, frameIndex;  // the rule and frame the tick showed
    int32_t duration;          // the frame's wait, after event rules had their say
    uint32_t interval;         // the timer period armed from the tick's start
};

struct Observer {
    // The end of each ReadScriptLine: the bytes it consumed, where among them
    // the line it returned or dropped began (-1 for none), how many bytes
    // that line had before any cut, and its result.
    void (*scriptLine)(int32_t consumed, int32_t lineStart, int32_t lineBytes, int result);
    // Each ScriptNote.
    void (*scriptNote)(int32_t note, int32_t detail, const WCHAR *line);
    // A failure message, told here instead of in a box when set.
    void (*message)(const WCHAR *text);
    // The end of each BMP load: its BitmapVerdict, the file's bits a pixel
    // (0 until its header was read) and the loader's header buffer as the
    // load left it (the file's 40-byte info header, little-endian, once read).
    void (*bitmap)(int32_t verdict, int32_t depth, const BYTE *header);
    // The extent of each text drawn, before it is clipped to the work area.
    void (*textMeasured)(int32_t width, int32_t height);
    // The end of each animation tick that drew.
    void (*tick)(const TickReport *report);
};

extern Observer observer;

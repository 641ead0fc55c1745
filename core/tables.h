// The skin tables: the one loaded skin that the engine plays.
//
// Every table is sized from the highest index the script uses, plus one, and
// every index field uses -1 for none.
#pragma once

#include "core/image.h"

#include <stdint.h>

enum {
    kLayerSlots = 10,   // slots per frame; the last layer is followed by the end marker
    kTextChoices = 10,  // choices per text layer
    kTextUnits = 128,   // a TextItem's text, terminator included
    kFaceUnits = 16,    // the font face, terminator included
    kWeekdays = 7,
    kMonthFlags = 13,
    kDayFlags = 32,
    kHours = 24,
    kMinutes = 60,
    kSeconds = 60
};

struct TextItem {
    WCHAR text[kTextUnits];
    int32_t x, y;
    int32_t height;   // -1 until an S line sets it
    uint32_t colour;  // 0x00BBGGRR
};

struct Frame {
    int32_t layerGraphic[kLayerSlots];
    int32_t layerMask[kLayerSlots];
    int32_t layerTextLast[kLayerSlots];
    int32_t layerText[kLayerSlots][kTextChoices];
    int32_t duration;
    int32_t durationMax;
};

struct ScheduleRule {
    int32_t sequence;
    uint8_t weekday[kWeekdays];
    uint8_t month[kMonthFlags];
    uint8_t day[kDayFlags];
    uint8_t hour[kHours];
    uint8_t minute[kMinutes];
    uint8_t second[kSeconds];
};

struct SkinTables {
    int32_t areaWidth, areaHeight;
    int32_t marginRight, marginBottom;
    int32_t areaX, areaY;
    WCHAR fontFace[kFaceUnits];
    int32_t graphicMax;
    ImageRecord *graphics;
    int32_t maskMax;
    ImageRecord *masks;
    int32_t textMax;
    TextItem *texts;
    int32_t sequenceMax;
    Frame **sequences;  // sequenceMax + 1 Frame arrays of frameCount[n] + 1 Frames
    int32_t *frameCount;
    int32_t *regular;  // 1 regular, 0 event sequence
    int32_t ruleCount;
    ScheduleRule *rules;  // ruleCount + 1; rule 0 is the default rule
};

// The tables for reading: the engine plays them every tick through this
// view. Only the skin loader changes them, through SkinTablesToFill and the
// table building below, and PlaceWorkArea (core/process.h) moves the work
// area; tests and benchmarks that build tables by hand put
// them in place with UseSkinTables.
extern const SkinTables &skinTables;
SkinTables *SkinTablesToFill(void);
// Puts tables whose arrays belong to the caller in place of the loaded ones
// (which are not freed): FreeSkinTables must not run on them; another call
// with an all-zero record takes them out.
void UseSkinTables(const SkinTables *tables);

// The highest G, M or S index and sequence number a script may use; lines
// naming a larger one (or none) are skipped by every pass, so a stray huge
// number cannot make the loader allocate gigabytes.
enum { kMaxScriptIndex = 4095, kMaxFramesPerSequence = 4096 };

// Table building, in the order LoadSkin calls it. Each returns 1, or 0 when
// the standard allocator refuses (what was taken stays taken).
// After the first counting pass: the per-sequence arrays for 0..sequenceMax,
// and filledFrames, the loader's own count of frames filled so far.
int AllocateSequenceTables(int32_t **filledFrames);
// Before the second counting pass: maxima and counts back to zero.
void ResetTableCounts(void);
// After the second counting pass: every remaining table, with its initial
// values (nothing loaded, heights -1, empty frames, the default rule).
int AllocateSkinTables(int32_t *filledFrames);
// Frees every table and every picture and mask loaded into them, and leaves
// the tables empty. The program keeps its skin for its whole life; tools
// and tests that load many skins in one process give them back with this.
void FreeSkinTables(void);

// A slot is the end marker when it holds neither a graphic nor a text layer.
inline int IsEndMarker(const Frame *frame, int slot) {
    return frame->layerGraphic[slot] == -1 && frame->layerMask[slot] == -1;
}

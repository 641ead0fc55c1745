// The skin tables: allocation and initial values.
//
// LoadSkin sizes every table from its counting passes, then calls these in
// order; the filling pass writes only what the script names, so every entry
// it leaves alone keeps the value set here. Allocations are zero-filled
// (fields the loader leaves unset are then at least defined) and kept for
// the life of the process.
#include "core/tables.h"

#include "core/process.h"

#include <stdlib.h>
#include <string.h>

static SkinTables tables;
const SkinTables &skinTables = tables;

SkinTables *SkinTablesToFill(void) { return &tables; }

void UseSkinTables(const SkinTables *record) { tables = *record; }

// Zero-filled storage for count records; calloc refuses sizes that overflow.
static void *AllocateRecords(int32_t count, size_t size) { return calloc((size_t)count, size); }

int AllocateSequenceTables(int32_t **filledFrames) {
    int32_t entries = tables.sequenceMax + 1;
    tables.sequences = (Frame **)AllocateRecords(entries, sizeof(Frame *));
    tables.frameCount = (int32_t *)AllocateRecords(entries, sizeof(int32_t));
    tables.regular = (int32_t *)AllocateRecords(entries, sizeof(int32_t));
    *filledFrames = (int32_t *)AllocateRecords(entries, sizeof(int32_t));
    return tables.sequences && tables.frameCount && tables.regular && *filledFrames;
}

void ResetTableCounts(void) {
    tables.graphicMax = 0;
    tables.maskMax = 0;
    tables.textMax = 0;
    tables.ruleCount = 0;
    for (int32_t n = 0; n <= tables.sequenceMax; n++) tables.frameCount[n] = 0;
}

static void InitImages(ImageRecord *images, int32_t maximum) {
    for (int32_t i = 0; i <= maximum; i++) images[i].pixels = NULL;
}

static void InitTexts(void) {
    for (int32_t i = 0; i <= tables.textMax; i++) tables.texts[i].height = -1;
}

// Every frame starts as the end of its sequence: no layers, no duration.
static void InitFrame(Frame *frame) {
    for (int slot = 0; slot < kLayerSlots; slot++) {
        frame->layerGraphic[slot] = -1;
        frame->layerMask[slot] = -1;
    }
    frame->duration = -1;
    frame->durationMax = -1;
}

static int AllocateSequence(int32_t n) {
    int32_t frames = tables.frameCount[n] + 1;
    Frame *sequence = (Frame *)AllocateRecords(frames, sizeof(Frame));
    if (!sequence) return 0;
    for (int32_t f = 0; f < frames; f++) InitFrame(&sequence[f]);
    tables.sequences[n] = sequence;
    return 1;
}

static void SetFlags(uint8_t *flags, int first, int last) {
    for (int i = first; i <= last; i++) flags[i] = 1;
}

// Rule 0 plays sequence 0 at every moment; the rules of the $ lines start
// matching nothing, so only what their line names will match.
static void InitRules(void) {
    ScheduleRule *fallback = &tables.rules[0];
    fallback->sequence = 0;
    SetFlags(fallback->weekday, 0, 6);
    SetFlags(fallback->month, 1, 12);
    SetFlags(fallback->day, 1, 31);
    SetFlags(fallback->hour, 0, 23);
    SetFlags(fallback->minute, 0, 59);
    SetFlags(fallback->second, 0, 59);
    for (int32_t r = 1; r <= tables.ruleCount; r++) tables.rules[r].sequence = -1;
}

int AllocateSkinTables(int32_t *filledFrames) {
    tables.graphics = (ImageRecord *)AllocateRecords(tables.graphicMax + 1, sizeof(ImageRecord));
    tables.masks = (ImageRecord *)AllocateRecords(tables.maskMax + 1, sizeof(ImageRecord));
    tables.texts = (TextItem *)AllocateRecords(tables.textMax + 1, sizeof(TextItem));
    tables.rules = (ScheduleRule *)AllocateRecords(tables.ruleCount + 1, sizeof(ScheduleRule));
    if (!tables.graphics || !tables.masks || !tables.texts || !tables.rules) return 0;
    InitImages(tables.graphics, tables.graphicMax);
    InitImages(tables.masks, tables.maskMax);
    InitTexts();
    for (int32_t n = 0; n <= tables.sequenceMax; n++) {
        if (!AllocateSequence(n)) return 0;
        tables.regular[n] = 1;
        filledFrames[n] = 0;
    }
    InitRules();
    return 1;
}

static void FreeImages(ImageRecord *images, int32_t maximum) {
    for (int32_t i = 0; images && i <= maximum; i++) FreeImageRecord(&images[i]);
    free(images);
}

void FreeSkinTables(void) {
    FreeImages(tables.graphics, tables.graphicMax);
    FreeImages(tables.masks, tables.maskMax);
    for (int32_t n = 0; tables.sequences && n <= tables.sequenceMax; n++) free(tables.sequences[n]);
    free(tables.sequences);
    free(tables.frameCount);
    free(tables.regular);
    free(tables.texts);
    free(tables.rules);
    memset(&tables, 0, sizeof tables);
}

// LoadSkin: the chosen skin.txt read into the skin tables in three passes.
//
// Pass 1 finds the highest sequence number, pass 2 the highest G, M and S
// indices and the number of frames and rules, and pass 3 fills the tables
// and loads each image as its line is read. A line that names no index, or
// one above kMaxScriptIndex, is skipped by all three passes alike
// (IndexOfLine), so the tables sized by the counting passes always hold
// every entry the filling pass writes. Start reading at LoadSkin.
#include "skin/script.h"

#include "core/observer.h"
#include "core/process.h"
#include "graphics/bmp.h"
#include "skin/catalogue.h"
#include "skin/readers.h"

#include <stdlib.h>

enum { kMaxLayers = kLayerSlots - 1, kMessageUnits = kScriptPathUnits + 32 };

// The loader is the tables' one writer.
static SkinTables *const filling = SkinTablesToFill();
// The filling pass's own state: frames filled so far per sequence, and the
// next rule to fill.
static int32_t *filledFrames;
static int32_t nextRule;

typedef void (*LineHandler)(const WCHAR *line);

// What the reader passes over, cuts or clips, and which line filled what
// (a ScriptNote of core/observer.h).
static void Note(int32_t note, int32_t detail, const WCHAR *line) {
    if (observer.scriptNote) observer.scriptNote(note, detail, line);
}

static WCHAR LineKind(const WCHAR *line) {
    WCHAR kind = line[0];
    return (kind >= 'a' && kind <= 'z') ? (WCHAR)(kind - 'a' + 'A') : kind;
}

// The index or sequence number at position 1, or -1 when the line names none
// the tables may hold.
static int32_t IndexOfLine(const WCHAR *line, int32_t *position) {
    *position = 1;
    int32_t index = ReadNumber(line, position);
    if (index >= 0 && index <= kMaxScriptIndex) return index;
    Note(kNoteBadIndex, index, line);
    return -1;
}

// A number the line needs; a missing one is noted and read as -1.
static int32_t ReadNeeded(const WCHAR *line, int32_t *position, int32_t field) {
    int32_t value = ReadNumber(line, position);
    if (value == -1) Note(kNoteNoNumber, field, line);
    return value;
}

// A number that refers to another table entry: anything that wrapped below
// zero means none, like a missing one.
static int32_t ReadReference(const WCHAR *line, int32_t *position) {
    int32_t value = ReadNumber(line, position);
    return value < 0 ? -1 : value;
}

// The separator ReadNumber just consumed, or 0 once the line has ended.
static WCHAR LastSeparator(const WCHAR *line, int32_t position) {
    return position < 0 ? 0 : line[position - 1];
}

// Copies line[from] up to stop (or the line's end) into to, at most maxChars
// characters; never ends on the first half of a surrogate pair. Returns the
// index where the copy stopped in line; a cut is noted as cutNote.
static int32_t CopyField(WCHAR *to, int maxChars, const WCHAR *line, int32_t from, WCHAR stop,
                         int32_t cutNote) {
    int32_t at = from;
    while (line[at] && line[at] != stop) at++;
    if (at - from > maxChars) Note(cutNote, at - from, line);
    int count = (at - from < maxChars) ? at - from : maxChars;
    if (count > 0 && count < at - from && line[from + count - 1] >= 0xD800 &&
        line[from + count - 1] < 0xDC00)
        count--;
    for (int i = 0; i < count; i++) to[i] = line[from + i];
    to[count] = 0;
    return at;
}

static void CountSequences(const WCHAR *line);
static void CountEntries(const WCHAR *line);

// Runs handler on every line of path. Returns 0 after telling the user when
// the file does not open.
static int ReadScriptPass(const WCHAR *path, LineHandler handler) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        WCHAR message[kMessageUnits];
        wsprintfW(message, WSTR("File Open error %s"), path);
        ShowErrorBox(message);
        return 0;
    }
    WCHAR line[kLineUnits];
    Note(kNotePass, handler == CountSequences ? 1 : handler == CountEntries ? 2 : 3, NULL);
    while (ReadScriptLine(file, line)) handler(line);
    CloseHandle(file);
    return 1;
}

// ---- the counting passes -------------------------------------------------------

static void RaiseTo(int32_t *maximum, int32_t index) {
    if (index > *maximum) *maximum = index;
}

static void CountSequences(const WCHAR *line) {
    int32_t position;
    if (line[0] != '#') return;
    int32_t n = IndexOfLine(line, &position);
    if (n >= 0) RaiseTo(&filling->sequenceMax, n);
}

static void CountEntries(const WCHAR *line) {
    int32_t position;
    WCHAR kind = LineKind(line);
    if (kind == '$') {
        filling->ruleCount++;
        return;
    }
    if (kind != 'G' && kind != 'M' && kind != 'S' && kind != '#') return;
    int32_t index = IndexOfLine(line, &position);
    if (index < 0) return;
    if (kind == 'G') RaiseTo(&filling->graphicMax, index);
    if (kind == 'M') RaiseTo(&filling->maskMax, index);
    if (kind == 'S') RaiseTo(&filling->textMax, index);
    // The file may have changed since the first pass: a sequence beyond the
    // arrays that pass sized is not counted (the filling pass skips it too).
    if (kind == '#' && index <= filling->sequenceMax &&
        filling->frameCount[index] < kMaxFramesPerSequence)
        filling->frameCount[index]++;
    else if (kind == '#' && index <= filling->sequenceMax)
        Note(kNoteFramesCut, index, line);
}

// ---- the filling pass: D, F, G, M and S lines -----------------------------------

// The work area goes to the bottom-right corner at once (no user offset
// exists while the skin loads).
static void ApplyAreaLine(const WCHAR *line) {
    int32_t position = 1;
    filling->areaWidth = ReadNeeded(line, &position, 1);
    filling->areaHeight = ReadNeeded(line, &position, 2);
    filling->marginRight = ReadNeeded(line, &position, 3);
    filling->marginBottom = ReadNeeded(line, &position, 4);
    PlaceWorkArea();
    Note(kNoteArea, 0, line);
}

// The character after F is skipped; the face runs to the first comma.
static void ApplyFontLine(const WCHAR *line) {
    if (line[1] == 0) {
        filling->fontFace[0] = 0;
        return;
    }
    CopyField(filling->fontFace, kFaceUnits - 1, line, 2, ',', kNoteFaceCut);
    Note(kNoteFont, 0, line);
}

// Gindex,file,x,y,key and Mindex,file,x,y,key. A line without the comma
// after the file name is skipped: its numbers would be read from the name.
// A line that reuses an index loads into the same record, and the loader
// frees what the earlier line loaded there.
static void ApplyImageLine(const WCHAR *line, int isGraphic) {
    int32_t position;
    int32_t index = IndexOfLine(line, &position);
    int32_t maximum = isGraphic ? filling->graphicMax : filling->maskMax;
    if (index < 0 || index > maximum) return;
    if (position < 0) {  // the line ends after the index
        Note(kNoteNoFileComma, index, line);
        return;
    }
    WCHAR fileName[kFileNameUnits];
    int32_t comma = CopyField(fileName, kFileNameUnits - 1, line, position, ',', kNoteFileNameCut);
    if (line[comma] != ',') {
        Note(kNoteNoFileComma, index, line);
        return;
    }
    ImageRecord *image = isGraphic ? &filling->graphics[index] : &filling->masks[index];
    CopyField(image->fileName, kFileNameUnits - 1, fileName, 0, 0, kNoteFileNameCut);
    position = comma + 1;
    image->x = ReadNeeded(line, &position, 2);
    image->y = ReadNeeded(line, &position, 3);
    int32_t key = ReadNumber(line, &position);
    if (isGraphic) {
        image->transparentKey = (uint32_t)key;
        image->hasTransparentKey = key != -1;
    } else {
        image->transparentKey = key == -1 ? 0 : (uint32_t)key;
    }
    LoadBitmapFile(image, isGraphic ? kLoadPicture : kLoadMask);
    Note(isGraphic ? kNoteGraphic : kNoteMask, index, line);
}

// A colour component outside 0 to 255 is clamped; a missing one is 0.
static uint32_t ReadComponent(const WCHAR *line, int32_t *position, int32_t field) {
    int32_t value = ReadNeeded(line, position, field);
    if (value < 0) return 0;
    return value > 255 ? 255u : (uint32_t)value;
}

// Sindex,height,red,green,blue,x,y,text: the text is the rest of the line.
static void ApplyTextLine(const WCHAR *line) {
    int32_t position;
    int32_t index = IndexOfLine(line, &position);
    if (index < 0 || index > filling->textMax) return;
    TextItem *item = &filling->texts[index];
    item->height = ReadNeeded(line, &position, 1);
    uint32_t red = ReadComponent(line, &position, 2);
    uint32_t green = ReadComponent(line, &position, 3);
    uint32_t blue = ReadComponent(line, &position, 4);
    item->colour = red + green * 256u + blue * 65536u;
    item->x = ReadNeeded(line, &position, 5);
    item->y = ReadNeeded(line, &position, 6);
    if (position < 0)
        item->text[0] = 0;
    else
        CopyField(item->text, kTextUnits - 1, line, position, 0, kNoteTextCut);
    Note(kNoteText, index, line);
}

// ---- the filling pass: # lines -------------------------------------------------

// s2:5:6 - up to ten choices; further ones are read past and ignored.
static void ReadTextLayer(Frame *frame, int slot, const WCHAR *line, int32_t *position) {
    frame->layerGraphic[slot] = -1;
    frame->layerMask[slot] = 0;
    frame->layerTextLast[slot] = 0;
    frame->layerText[slot][0] = ReadReference(line, position);
    while (LastSeparator(line, *position) == ':') {
        int32_t choice = ReadReference(line, position);
        if (frame->layerTextLast[slot] < kTextChoices - 1)
            frame->layerText[slot][++frame->layerTextLast[slot]] = choice;
        else
            Note(kNoteChoicesCut, slot, line);
    }
}

// graphic[:mask]. Returns 0 when the list ends here: no graphic number, so
// the slot stays the end marker even if a mask was written after it.
static int ReadGraphicLayer(Frame *frame, int slot, const WCHAR *line, int32_t *position) {
    int32_t graphic = ReadReference(line, position);
    int32_t mask = -1;
    if (LastSeparator(line, *position) == ':') mask = ReadReference(line, position);
    if (graphic < 0) return 0;
    frame->layerGraphic[slot] = graphic;
    frame->layerMask[slot] = mask;
    return 1;
}

// Layers fill slots 0 to 8 at most, so slot 9 always stays an end marker;
// layers past the ninth are ignored.
static int StartsTextLayer(const WCHAR *line, int32_t position) {
    return position >= 0 && (line[position] == 's' || line[position] == 'S');
}

static void ReadLayers(Frame *frame, const WCHAR *line, int32_t position) {
    for (int slot = 0; slot < kMaxLayers; slot++) {
        if (StartsTextLayer(line, position)) {
            position++;
            ReadTextLayer(frame, slot, line, &position);
        } else if (!ReadGraphicLayer(frame, slot, line, &position)) {
            return;
        }
    }
    // A tenth layer would have been read here; only the note looks at it.
    if (StartsTextLayer(line, position) || ReadNumber(line, &position) >= 0)
        Note(kNoteLayersCut, kMaxLayers, line);
}

static void ApplyFrameLine(const WCHAR *line) {
    int32_t position;
    int32_t n = IndexOfLine(line, &position);
    if (n < 0 || n > filling->sequenceMax) return;
    if (position >= 0 && (line[position] == 'N' || line[position] == 'n')) {
        filling->regular[n] = 0;
        Note(kNoteEventMark, n, line);
        return;
    }
    // The counting pass capped the frames; lines beyond the cap fill nothing.
    if (filledFrames[n] >= filling->frameCount[n]) return;
    Frame *frame = &filling->sequences[n][filledFrames[n]++];
    frame->duration = ReadNeeded(line, &position, 1);
    frame->durationMax = frame->duration;
    if (LastSeparator(line, position) == ':') frame->durationMax = ReadNeeded(line, &position, 2);
    ReadLayers(frame, line, position);
    Note(kNoteFrame, n, line);
}

// ---- the filling pass: $ lines -------------------------------------------------

struct RuleField {
    int first, last;  // the values the field's flags cover
};
static const RuleField kRuleFields[] = {
    /* first last */
    {0, 6},   // weekdays, 0 = Sunday
    {1, 12},  // months
    {1, 31},  // days of the month
    {0, 23},  // hours
    {0, 59},  // minutes
    {0, 59},  // seconds: runs to the end of the line
};
enum { kRuleFieldCount = sizeof(kRuleFields) / sizeof(kRuleFields[0]) };

static uint8_t *RuleFlags(ScheduleRule *rule, int field) {
    uint8_t *flags[kRuleFieldCount] = {rule->weekday, rule->month,  rule->day,
                                       rule->hour,    rule->minute, rule->second};
    return flags[field];
}

// Sets the flags first..last, clipped to the field; a reversed or
// half-missing range sets nothing.
static void SetRange(uint8_t *flags, const RuleField *field, int32_t first, int32_t last,
                     const WCHAR *line) {
    int32_t fieldNumber = (int32_t)(field - kRuleFields);
    if (first < 0 || last < 0) return;
    if (first > last)
        Note(kNoteItemReversed, fieldNumber, line);
    else if (first > field->last || last < field->first)
        Note(kNoteItemOutside, fieldNumber, line);
    else if (first < field->first || last > field->last)
        Note(kNoteItemClipped, fieldNumber, line);
    if (first < field->first) first = field->first;
    if (last > field->last) last = field->last;
    for (int32_t value = first; value <= last; value++) flags[value] = 1;
}

// Reads one item (*, a or a-b) at *position into the field's flags. Returns
// its separator (0 once the line has ended); *isValue says whether the item
// was a star or a number.
static WCHAR ReadRuleItem(uint8_t *flags, const RuleField *field, const WCHAR *line,
                          int32_t *position, int *isValue) {
    if (line[*position] == '*') {
        SetRange(flags, field, field->first, field->last, line);
        WCHAR separator = line[*position + 1];
        *position = separator == 0 ? -1 : *position + 2;
        *isValue = 1;
        return separator;
    }
    int32_t first = ReadNumber(line, position);
    int32_t last = first;
    if (LastSeparator(line, *position) == '-') last = ReadNumber(line, position);
    SetRange(flags, field, first, last, line);
    *isValue = first >= 0;
    return LastSeparator(line, *position);
}

// $sequence weekdays months days hours minutes seconds. A blank ends each of
// the first five fields; the seconds run to the end of the line.
static void ApplyRuleLine(const WCHAR *line) {
    if (nextRule > filling->ruleCount) return;
    Note(kNoteRule, nextRule, line);
    ScheduleRule *rule = &filling->rules[nextRule++];
    int32_t position = 1;
    rule->sequence = ReadReference(line, &position);
    int field = 0;
    while (position >= 0) {
        int isValue;
        int isSeconds = field == kRuleFieldCount - 1;
        WCHAR separator =
            ReadRuleItem(RuleFlags(rule, field), &kRuleFields[field], line, &position, &isValue);
        if (isSeconds && !isValue) return;
        if (!isSeconds && separator == ' ') field++;
    }
}

static void ApplyLine(const WCHAR *line) {
    switch (LineKind(line)) {
    case 'D': ApplyAreaLine(line); break;
    case 'F': ApplyFontLine(line); break;
    case 'G': ApplyImageLine(line, 1); break;
    case 'M': ApplyImageLine(line, 0); break;
    case 'S': ApplyTextLine(line); break;
    case '#': ApplyFrameLine(line); break;
    case '$': ApplyRuleLine(line); break;
    case 'T': break;
    default: Note(kNoteComment, 0, line); break;
    }
}

// The three passes over the script: count sequences, count the rest, fill.
static int ReadSkinScript(const WCHAR *path) {
    filling->sequenceMax = 0;
    if (!ReadScriptPass(path, CountSequences)) return 0;
    if (!AllocateSequenceTables(&filledFrames)) {
        ShowErrorBox(WSTR("Out of memory."));
        return 0;
    }
    ResetTableCounts();
    if (!ReadScriptPass(path, CountEntries)) return 0;
    if (!AllocateSkinTables(filledFrames)) {
        ShowErrorBox(WSTR("Out of memory."));
        return 0;
    }
    nextRule = 1;
    ResetPixelBudget();  // each skin gets the whole budget for its pictures
    return ReadScriptPass(path, ApplyLine);
}

// The fill pass's frame counts are needed only while the script is read.
int LoadSkinScript(const WCHAR *path) {
    int loaded = ReadSkinScript(path);
    free(filledFrames);
    filledFrames = NULL;
    return loaded;
}

void ResetSkinState(void) {
    ResetCatalogue();
    nextRule = 0;
}

int LoadSkin(void) {
    WCHAR path[kScriptPathUnits];
    if (!ChooseSkin(path)) return 0;
    return LoadSkinScript(path);
}

// The skin lint: reading the script, what the reader passed over, the
// pictures and the references. The schedule and frame checks are in
// lintchecks.cpp.
//
// LintSkinFolder first looks at the raw bytes of skin.txt (line ends, code
// page), then runs the program's own LoadSkinScript with the program's
// observer set (core/observer.h): its scriptLine report tells where each line
// the reader took began, so every note the reader makes (scriptNote), every
// verdict of the loader (bitmap) and every message it would have shown
// (message) lands on its line. Then the checks walk the loaded tables.
#include "lint.h"
#include "lintstate.h"

#include "common/utf8.h"

#include "core/observer.h"
#include "core/process.h"
#include "skin/readers.h"
#include "skin/script.h"

#include <cstring>

#include <algorithm>
#include <cstdio>

LintRun lint;

namespace {

// skin.txt files larger than this are not looked at byte by byte.
const uint32_t kMaxScriptBytes = 16u * 1024u * 1024u;

WideString Wide(const char *ascii) {
    WideString text;
    while (*ascii) text.push_back((WCHAR)*ascii++);
    return text;
}

bool ReadWholeFile(const WideString &path, std::string *bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(file, NULL);
    bool ok = size <= kMaxScriptBytes;
    if (ok) {
        bytes->assign(size, 0);
        DWORD got = 0;
        ok = size == 0 || (ReadFile(file, &(*bytes)[0], size, &got, NULL) && got == size);
    }
    CloseHandle(file);
    return ok;
}

// Editor lines: one starts at 0, after every LF and after every CR that no
// LF follows.
void MapLines(const std::string &bytes) {
    lint.lineStarts.assign(1, 0);
    for (size_t i = 0; i < bytes.size(); i++) {
        bool lineFeed = bytes[i] == '\n';
        bool loneReturn = bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n');
        if (lineFeed || loneReturn) lint.lineStarts.push_back((uint32_t)i + 1);
    }
}

int32_t LineOfOffset(uint32_t offset) {
    auto after = std::upper_bound(lint.lineStarts.begin(), lint.lineStarts.end(), offset);
    return (int32_t)(after - lint.lineStarts.begin());
}

// Line ends and code page, straight from the bytes.
void CheckLineEnds(const std::string &bytes) {
    bool hasReturn = bytes.find('\r') != std::string::npos;
    lint.lineFeedsOnly = !hasReturn && bytes.find('\n') != std::string::npos;
    if (lint.lineFeedsOnly) {
        Report(1, kLintError, "line-ends",
               "lines end with LF alone: the reader needs CR LF and finds no line in this file");
        return;
    }
    for (size_t i = 0; i < bytes.size(); i++) {
        int32_t line = LineOfOffset((uint32_t)i);
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            Report(line, kLintError, "line-ends",
                   "this line ends with LF alone: the reader runs it together with the next line");
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] != '\n')
            Report(line, kLintError, "lone-cr",
                   "CR without LF: the reader ends the line here and drops the byte after it");
    }
}

void CheckCodePage(const std::string &bytes) {
    for (size_t n = 0; n < lint.lineStarts.size(); n++) {
        size_t start = lint.lineStarts[n];
        size_t end = n + 1 < lint.lineStarts.size() ? lint.lineStarts[n + 1] : bytes.size();
        while (end > start && (bytes[end - 1] == '\n' || bytes[end - 1] == '\r')) end--;
        if (end == start || end - start > kLineBytes) continue;
        WCHAR wide[kLineUnits];
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data() + start,
                                (int)(end - start), wide, kLineUnits) == 0)
            Report((int32_t)n + 1, kLintWarning, "code-page",
                   "bytes that are not valid text in the code page: the reader turns them into "
                   "other characters");
    }
}

// ---- the file's encoding ------------------------------------------------------

// The length of the UTF-8 sequence at bytes[i] (2 to 4), or 0 when none starts there.
size_t Utf8SequenceAt(const std::string &bytes, size_t i) {
    unsigned char lead = (unsigned char)bytes[i];
    size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (lead >= 0xF5 || length == 0 || i + length > bytes.size()) return 0;
    for (size_t k = 1; k < length; k++)
        if (((unsigned char)bytes[i + k] & 0xC0) != 0x80) return 0;
    return length;
}

// The offset of the first letter outside ASCII when the whole file is valid
// UTF-8, else npos.
size_t FirstUtf8Letter(const std::string &bytes, size_t from) {
    size_t first = std::string::npos;
    for (size_t i = from; i < bytes.size(); i++) {
        if ((unsigned char)bytes[i] < 0x80) continue;
        size_t length = Utf8SequenceAt(bytes, i);
        if (length == 0) return std::string::npos;
        if (first == std::string::npos) first = i;
        i += length - 1;
    }
    return first;
}

// Whether the code page widens UTF-8 as UTF-8 (the code page is 65001).
bool CodePageIsUtf8() {
    WCHAR wide[2] = {0, 0};
    return MultiByteToWideChar(CP_ACP, 0, "\xC3\xA9", 2, wide, 2) == 1 && wide[0] == 0xE9;
}

bool LooksUtf16(const std::string &bytes) {
    if (bytes.size() >= 2 &&
        ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF')))
        return true;
    return std::count(bytes.begin(), bytes.end(), '\0') * 4 >= (long)bytes.size() && !bytes.empty();
}

const char kSaveAnsi[] = "save it as ANSI (the system's code page), without a byte-order mark";

// One finding for a file saved in an encoding the reader does not take.
// Returns 2 when the file is UTF-16 (nothing in it reads as lines), 1 after
// another finding, 0 when the encoding is sound.
int CheckEncoding(const std::string &bytes) {
    if (LooksUtf16(bytes)) {
        Report(1, kLintError, "encoding",
               std::string("the file is saved as UTF-16 (an editor's \"Unicode\"): the reader "
                           "finds no line in it; ") +
                   kSaveAnsi);
        return 2;
    }
    bool mark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    size_t letter = FirstUtf8Letter(bytes, mark ? 3 : 0);
    bool utf8Letters = letter != std::string::npos && !CodePageIsUtf8();
    if (mark) {
        Report(
            1, kLintError, "encoding",
            std::string("the file starts with a UTF-8 byte-order mark, which the reader takes as "
                        "the first character of line 1") +
                (utf8Letters ? ", and its letters outside ASCII show as other characters; "
                             : "; ") +
                kSaveAnsi);
        return 1;
    }
    if (!utf8Letters) return 0;
    Report(LineOfOffset((uint32_t)letter), kLintWarning, "encoding",
           std::string("the file is saved as UTF-8 but read in the system's code page, so its "
                       "letters outside ASCII show as other characters; ") +
               kSaveAnsi);
    return 1;
}

// ---- what the program reports ----------------------------------------------------

void HearLine(int32_t consumed, int32_t lineStart, int32_t lineBytes, int result) {
    if (lineStart >= 0) lint.currentLine = LineOfOffset(lint.passOffset + (uint32_t)lineStart);
    lint.passOffset += (uint32_t)consumed;
    if (lint.pass != 3 || lineStart < 0) return;
    if (lineBytes > kLineBytes && !lint.lineFeedsOnly)
        Report(lint.currentLine, kLintError, "long-line",
               "line of " + std::to_string(lineBytes) + " bytes: the reader keeps the first " +
                   std::to_string(kLineBytes));
    if (result == 0 && !lint.lineFeedsOnly)
        Report(lint.currentLine, kLintError, "last-line",
               "the last line does not end with CR LF: the reader drops it");
}

void HearMessage(const WCHAR *text) { lint.messages.push_back(Utf8FromWide(text)); }

void HearBitmap(int32_t verdict, int32_t depth, const BYTE *header) {
    lint.bitmapVerdict = verdict;
    lint.bitmapDepth = depth;
    std::memcpy(lint.bitmapHeader, header, sizeof lint.bitmapHeader);
}

const char *FieldName(WCHAR kind, int32_t field) {
    static const char *area[] = {"", "width", "height", "right margin", "bottom margin"};
    static const char *image[] = {"", "", "x", "y"};
    static const char *text[] = {"", "height", "red", "green", "blue", "x", "y"};
    static const char *frame[] = {"", "display time", "longest display time"};
    if (kind == 'D' && field >= 1 && field <= 4) return area[field];
    if ((kind == 'G' || kind == 'M') && field >= 2 && field <= 3) return image[field];
    if (kind == 'S' && field >= 1 && field <= 6) return text[field];
    if (kind == '#' && field >= 1 && field <= 2) return frame[field];
    return "value";
}

WCHAR KindOf(const WCHAR *line) {
    WCHAR kind = line[0];
    return (kind >= 'a' && kind <= 'z') ? (WCHAR)(kind - 'a' + 'A') : kind;
}

bool IsCommandKind(WCHAR kind) {
    return kind == 'D' || kind == 'F' || kind == 'G' || kind == 'M' || kind == 'S' || kind == '#' ||
           kind == '$' || kind == 'T';
}

// A comment that looks like a command the author meant: a command indented
// by blanks, or a line starting with a letter that names no kind.
void CheckComment(const WCHAR *line) {
    size_t at = 0;
    while (line[at] == ' ' || line[at] == '\t') at++;
    WCHAR first = line[0];
    if (at > 0 && IsCommandKind(KindOf(line + at)) && line[at + 1] >= '0' && line[at + 1] <= '9') {
        Report(lint.currentLine, kLintWarning, "comment-command",
               "this command starts with a blank, so the reader takes the line as a comment");
        return;
    }
    bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
    if (letter)
        Report(lint.currentLine, kLintWarning, "comment-command",
               std::string("'") + (char)first +
                   "' names no kind of line, so the reader takes the line as a comment");
}

// A longest display time below the shortest makes the program pick from the
// wrapped-around range, which runs to weeks.
void CheckFrameTime(int32_t sequence) {
    size_t filled = lint.frameLines[sequence].size();
    const Frame &frame = skinTables.sequences[sequence][filled - 1];
    if (frame.duration < 0 || frame.durationMax < 0 || frame.duration <= frame.durationMax) return;
    std::string shortest = std::to_string(frame.durationMax),
                longest = std::to_string(frame.duration);
    Report(lint.currentLine, kLintWarning, "frame-time-reversed",
           "the display time " + longest + ":" + shortest +
               " is reversed: the program waits up to weeks instead; write " + shortest + ":" +
               longest);
}

// A '%' before a letter that is no placeholder shows as it stands. Only the
// first such mistake of a text is told.
void CheckTimeText(int32_t index) {
    const WCHAR *text = skinTables.texts[index].text;
    const WideString placeholders = WSTR("YMDhms%");
    for (int i = 0; i + 1 < kTextUnits && text[i] && text[i + 1]; i++) {
        if (text[i] != '%') continue;
        WCHAR next = text[++i];
        bool afterHour = i >= 4 && text[i - 4] == '%' && text[i - 3] == 'h' && text[i - 2] == ':';
        std::string what;
        if (next == 'M' && afterHour)
            what = "%M is the month: the minute is %m";
        else if (placeholders.find(next) == WideString::npos)
            what = "%" + Utf8FromWide(WideString(1, next)) +
                   " is no placeholder and shows as it stands";
        else
            continue;
        Report(lint.currentLine, kLintWarning, "time-text",
               what + "; the placeholders are %Y year, %M month, %D day, %h hour, %m minute, "
                      "%s second and %% a percent sign");
        return;
    }
}

// "# pictures" or "# 1 frames: waving": words after '#' where an author
// meant a comment. Returns 1 when a letter stands where the sequence
// number or, after it, the display time should be (N marks an event).
int FrameLineOfWords(const WCHAR *line) {
    int at = 1;
    while (line[at] == ' ' || line[at] == '\t') at++;
    bool letterAt = (line[at] >= 'a' && line[at] <= 'z') || (line[at] >= 'A' && line[at] <= 'Z');
    if (letterAt) return 1;
    if (line[at] < '0' || line[at] > '9') return 0;
    while (line[at] >= '0' && line[at] <= '9') at++;
    if (line[at]) at++;
    while (line[at] == ' ' || line[at] == '\t') at++;
    WCHAR c = line[at];
    return c != 'N' && c != 'n' && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
}

const char kCommentHint[] = "'#' starts a frame line, never a comment (start comments with ';')";

void ReportWordsFrame(int32_t sequence) {
    lint.wordsFrameLines.push_back(lint.currentLine);
    Report(lint.currentLine, kLintWarning, "hash-words",
           std::string(kCommentHint) + ": this line makes a blank frame of sequence " +
               std::to_string(sequence) + " that shows nothing for a second");
}

void RecordLine(std::vector<int32_t> *lines, int32_t index) {
    if (index < 0) return;
    if ((size_t)index >= lines->size()) lines->resize((size_t)index + 1, 0);
    (*lines)[index] = lint.currentLine;
}

// One finding for the numbers a line lacks; the line's fields as read are
// added once it is filled (TellFieldsAsRead).
void ReportMissingNumber(const char *field) {
    std::vector<LintDiagnostic> &found = *lint.found;
    bool again = lint.missingNumber >= 0 && found[lint.missingNumber].line == lint.currentLine;
    if (!again) lint.missingFields.clear();
    lint.missingFields.push_back(field);
    std::string fields;
    for (size_t k = 0; k < lint.missingFields.size(); k++)
        fields += (k == 0                               ? ""
                   : k + 1 == lint.missingFields.size() ? " and "
                                                        : ", ") +
                  lint.missingFields[k];
    std::string message = "no number for the " + fields + ": read as none (-1)";
    if (again) {
        found[lint.missingNumber].message = message;
        return;
    }
    Report(lint.currentLine, kLintWarning, "missing-number", message);
    lint.missingNumber = (int32_t)found.size() - 1;
}

void TellFieldsAsRead(WCHAR kind, int32_t index, const WCHAR *line) {
    if (lint.missingNumber < 0) return;
    LintDiagnostic &d = (*lint.found)[lint.missingNumber];
    if (d.line != lint.currentLine) return;
    lint.missingNumber = -1;
    std::string fields = FieldsAsRead(kind, index);
    if (fields.empty()) return;
    bool minus = WideString(line).find('-') != WideString::npos;
    d.message += "; the reader read " + fields +
                 (minus ? ": it takes no minus sign, and a number after one goes to the next field"
                        : ": give each field its number");
}

// A tab or a second blank between a rule's fields can move the items after
// it into other fields; blanks at the line's end are harmless.
bool SplitsOddly(const WCHAR *line) {
    WideString text(line);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    return text.find('\t') != WideString::npos || text.find(WSTR("  ")) != WideString::npos;
}

void HearBadIndex(int32_t detail, const WCHAR *line) {
    if (KindOf(line) == '#' && FrameLineOfWords(line)) {
        Report(lint.currentLine, kLintWarning, "hash-words",
               std::string(kCommentHint) + ": the reader skips this one, as it names no sequence");
        return;
    }
    Report(lint.currentLine, kLintError, "index-range",
           detail < 0 ? std::string("no index or sequence number: the reader skips the line")
                      : "index " + std::to_string(detail) + " is above " +
                            std::to_string(kMaxScriptIndex) + ": the reader skips the line");
}

void HearNoNumber(int32_t detail, const WCHAR *line) {
    if (KindOf(line) == '#' && FrameLineOfWords(line)) return;  // told as the frame is filled
    ReportMissingNumber(FieldName(KindOf(line), detail));
}

void HearComment(int32_t, const WCHAR *line) { CheckComment(line); }

void HearArea(int32_t, const WCHAR *line) {
    lint.areaLine = lint.currentLine;
    TellFieldsAsRead('D', 0, line);
}

void HearGraphic(int32_t detail, const WCHAR *line) {
    RecordLine(&lint.graphicLines, detail);
    TellFieldsAsRead('G', detail, line);
    CheckPictureLoad(detail, true);
}

void HearMask(int32_t detail, const WCHAR *line) {
    RecordLine(&lint.maskLines, detail);
    TellFieldsAsRead('M', detail, line);
    CheckPictureLoad(detail, false);
}

void HearText(int32_t detail, const WCHAR *line) {
    RecordLine(&lint.textLines, detail);
    TellFieldsAsRead('S', detail, line);
    CheckTimeText(detail);
}

void HearFrame(int32_t detail, const WCHAR *line) {
    if (detail < 0 || (size_t)detail >= lint.frameLines.size()) return;
    lint.frameLines[detail].push_back(lint.currentLine);
    TellFieldsAsRead('#', detail, line);
    if (FrameLineOfWords(line))
        ReportWordsFrame(detail);
    else
        CheckFrameTime(detail);
}

void HearEventMark(int32_t detail, const WCHAR *) { RecordLine(&lint.eventMarkLines, detail); }

void HearRule(int32_t detail, const WCHAR *line) {
    RecordLine(&lint.ruleLines, detail);
    if (SplitsOddly(line)) lint.oddlySplitRules.push_back(detail);
}

// Notes of the filling pass that are findings of their own: the message is
// before, the limit (for kRuleField the rule field the detail names) and after.
enum { kNoLimit = -2, kRuleField = -1 };
struct NoteFinding {
    int32_t note, severity;
    const char *check, *before;
    int32_t limit;
    const char *after;
};
// clang-format off
const NoteFinding noteFindings[] = {
//   note               severity      check              before                          limit               after
    {kNoteNoFileComma,  kLintError,   "file-comma",      "no comma after the file name", kNoLimit,           ": the reader skips the line"},
    {kNoteFileNameCut,  kLintError,   "file-name-cut",   "file name longer than ",       kFileNameUnits - 1, " characters: the reader cuts it"},
    {kNoteTextCut,      kLintWarning, "text-cut",        "text longer than ",            kTextUnits - 1,     " characters: the reader cuts it"},
    {kNoteFaceCut,      kLintWarning, "face-cut",        "font face longer than ",       kFaceUnits - 1,     " characters: the reader cuts it"},
    {kNoteLayersCut,    kLintError,   "layers-cut",      "more than ",                   kLayerSlots - 1,    " layers: the reader drops the rest"},
    {kNoteChoicesCut,   kLintError,   "choices-cut",     "more than ",                   kTextChoices,       " text choices: the reader drops the rest"},
    {kNoteItemOutside,  kLintWarning, "rule-item-range", "an item outside the ",         kRuleField,         " field sets nothing"},
    {kNoteItemClipped,  kLintWarning, "rule-item-range", "a range reaching past the ",   kRuleField,         " field is clipped to it"},
    {kNoteItemReversed, kLintWarning, "rule-item-range", "a reversed range in the ",     kRuleField,         " field sets nothing"},
};
// clang-format on

// The notes that record which line filled what, or that need the line to
// tell whether they are a finding.
struct NoteHearer {
    int32_t note;
    void (*hear)(int32_t detail, const WCHAR *line);
};
const NoteHearer noteHearers[] = {
    {kNoteComment, HearComment}, {kNoteBadIndex, HearBadIndex}, {kNoteNoNumber, HearNoNumber},
    {kNoteArea, HearArea},       {kNoteGraphic, HearGraphic},   {kNoteMask, HearMask},
    {kNoteText, HearText},       {kNoteFrame, HearFrame},       {kNoteEventMark, HearEventMark},
    {kNoteRule, HearRule},
};

std::string NoteLimit(const NoteFinding &finding, int32_t detail) {
    if (finding.limit == kRuleField) return RuleFieldName(detail);
    return finding.limit == kNoLimit ? "" : std::to_string(finding.limit);
}

void HearFillNote(int32_t note, int32_t detail, const WCHAR *line) {
    for (const NoteFinding &f : noteFindings)
        if (f.note == note)
            Report(lint.currentLine, f.severity, f.check,
                   f.before + NoteLimit(f, detail) + f.after);
    for (const NoteHearer &h : noteHearers)
        if (h.note == note) h.hear(detail, line);
    lint.messages.clear();
}

void HearNote(int32_t note, int32_t detail, const WCHAR *line) {
    if (note == kNotePass) {
        lint.pass = detail;
        lint.passOffset = 0;
        lint.currentLine = 1;
        if (detail == 3 && skinTables.sequenceMax >= 0)
            lint.frameLines.assign((size_t)skinTables.sequenceMax + 1, std::vector<int32_t>());
        return;
    }
    if (lint.pass == 2 && note == kNoteFramesCut)
        Report(lint.currentLine, kLintError, "frames-cut",
               "more than " + std::to_string(kMaxFramesPerSequence) +
                   " frames in this sequence: the reader drops the rest");
    if (lint.pass == 3) HearFillNote(note, detail, line);
}

void Observe(bool on) {
    observer = Observer{};
    if (!on) return;
    observer.scriptLine = HearLine;
    observer.scriptNote = HearNote;
    observer.message = HearMessage;
    observer.bitmap = HearBitmap;
}

}  // namespace

// ---- shared with lintchecks.cpp -------------------------------------------------

void Report(int32_t line, int32_t severity, const char *check, const std::string &message) {
    ReportAt(lint.scriptPath, line, severity, check, message);
}

void ReportAt(const WideString &file, int32_t line, int32_t severity, const char *check,
              const std::string &message) {
    LintDiagnostic d;
    d.file = file;
    d.line = line;
    d.severity = severity;
    d.check = check;
    d.message = message;
    lint.found->push_back(d);
}

const char *RuleFieldName(int32_t field) {
    static const char *names[] = {"weekday", "month", "day", "hour", "minute", "second"};
    return field >= 0 && field < 6 ? names[field] : "rule";
}

WideString PicturePath(const ImageRecord &image) {
    WideString name;
    for (int i = 0; i < kFileNameUnits && image.fileName[i]; i++) name.push_back(image.fileName[i]);
    return lint.folder + name;
}

std::string Utf8FromWide(const WideString &text) { return Utf8FromUtf16(text.data(), text.size()); }

// ---- finding skins --------------------------------------------------------------

static bool HoldsFile(const WideString &folder, const char *name) {
    WideString path = folder + Wide(name);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// A script saved as skin.txt.txt (an editor adding .txt that the folder
// view hides) makes a skin folder the lint looks at, to say so.
static bool HoldsScript(const WideString &folder) {
    return HoldsFile(folder, "skin.txt") || HoldsFile(folder, "skin.txt.txt");
}

std::vector<WideString> FindSkinFolders(const WideString &path) {
    std::vector<WideString> folders;
    if (HoldsScript(path)) {
        folders.push_back(path);
        return folders;
    }
    WIN32_FIND_DATAW data;
    WideString pattern = path + Wide("*");
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return folders;
    do {
        WideString name = data.cFileName;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == Wide(".") ||
            name == Wide(".."))
            continue;
        WideString folder = path + name + Wide("\\");
        if (HoldsScript(folder)) folders.push_back(folder);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return folders;
}

// ---- one skin ------------------------------------------------------------------

// Reads the bytes and loads the skin with the observer set, leaving the
// tables loaded. Returns 0 when the script cannot be read or loaded.
static int LoadObserved(const WideString &folder, const LintOptions &options,
                        std::vector<LintDiagnostic> *found) {
    lint = LintRun();
    lint.found = found;
    lint.folder = folder;
    lint.scriptPath = folder + Wide("skin.txt");
    lint.options = options;
    std::string bytes;
    if (!HoldsFile(folder, "skin.txt")) {
        ReportAt(folder + Wide("skin.txt.txt"), 1, kLintError, "script-name",
                 "the script is named skin.txt.txt, likely an editor adding .txt to skin.txt and "
                 "the folder view hiding it: Pondlet finds no skin.txt here; rename the file to "
                 "skin.txt");
        return 0;
    }
    if (!ReadWholeFile(lint.scriptPath, &bytes)) {
        Report(1, kLintError, "reading", "cannot read skin.txt (or it is larger than 16 MB)");
        return 0;
    }
    MapLines(bytes);
    int encoding = CheckEncoding(bytes);
    if (encoding == 2) return 0;
    CheckLineEnds(bytes);
    if (encoding == 0) CheckCodePage(bytes);

    FreeSkinTables();
    SetExeFolder(folder.substr(0, kExeFolderUnits - 1).c_str());
    Observe(true);
    int loaded = LoadSkinScript(lint.scriptPath.c_str());
    Observe(false);
    return loaded;
}

// The program lists only folders whose attributes are exactly those of a
// folder: a read-only, hidden or system skin folder is never offered.
static void CheckFolderAttributes(const WideString &folder) {
    WideString path = folder;
    while (!path.empty() && path.back() == '\\') path.pop_back();
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(path.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    FindClose(search);
    if (data.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY)
        Report(1, kLintError, "skin-folder",
               "the skin's folder is read-only, hidden, system or otherwise marked: Pondlet does "
               "not list it as a skin");
}

// Each rule line split by a tab or a double blank that has a finding: how
// the reader read its fields, added to the finding. (A double blank before
// a number is harmless, so the split alone is no finding.)
static void ExplainOddlySplitRules() {
    for (int32_t r : lint.oddlySplitRules) {
        int32_t line = LineOf(lint.ruleLines, r);
        for (LintDiagnostic &d : *lint.found) {
            if (d.file != lint.scriptPath || d.line != line) continue;
            d.message += "; a tab or a double blank moved items: the reader read " +
                         FieldsAsRead('$', r) + " (separate the fields with one blank each)";
            break;
        }
    }
}

void LintSkinFolder(const WideString &folder, const LintOptions &options,
                    std::vector<LintDiagnostic> *found) {
    if (LoadObserved(folder, options, found)) {
        RunTableChecks();
        ExplainOddlySplitRules();
    }
    CheckFolderAttributes(folder);
    FreeSkinTables();
}

int LoadSkinWithLines(const WideString &folder, SkinLines *lines) {
    std::vector<LintDiagnostic> ignored;
    int loaded = LoadObserved(folder, LintOptions(), &ignored);
    lines->ruleLines = lint.ruleLines;
    lines->frameLines = lint.frameLines;
    lint = LintRun();
    return loaded;
}

// ---- output --------------------------------------------------------------------

void SortDiagnostics(std::vector<LintDiagnostic> *found) {
    std::stable_sort(found->begin(), found->end(),
                     [](const LintDiagnostic &a, const LintDiagnostic &b) {
                         if (a.file != b.file) return a.file < b.file;
                         return a.line < b.line;
                     });
}

const char *SeverityName(int32_t severity) {
    return severity == kLintError ? "error" : severity == kLintWarning ? "warning" : "note";
}

std::string FormatDiagnostic(const LintDiagnostic &d, const std::string &file) {
    return file + ":" + std::to_string(d.line) + ": " + SeverityName(d.severity) + ": " +
           d.message + " [" + d.check + "]";
}

static std::string JsonString(const std::string &text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back((char)c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.push_back((char)c);
        }
    }
    return out + "\"";
}

std::string DiagnosticJson(const LintDiagnostic &d, const std::string &file) {
    return "{\"file\": " + JsonString(file) + ", \"line\": " + std::to_string(d.line) +
           ", \"severity\": " + JsonString(SeverityName(d.severity)) +
           ", \"check\": " + JsonString(d.check) + ", \"message\": " + JsonString(d.message) + "}";
}

int32_t CountSeverity(const std::vector<LintDiagnostic> &found, int32_t severity) {
    return (int32_t)std::count_if(found.begin(), found.end(), [severity](const LintDiagnostic &d) {
        return d.severity == severity;
    });
}

std::string LintSummary(const std::vector<LintDiagnostic> &found) {
    int32_t errors = CountSeverity(found, kLintError),
            warnings = CountSeverity(found, kLintWarning);
    return std::to_string(errors) + (errors == 1 ? " error, " : " errors, ") +
           std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
}

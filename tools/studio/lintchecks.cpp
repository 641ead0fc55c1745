// The lint's checks of the loaded tables: each picture as its line loads
// it, then references, the schedule and what the frames show.
#include "lintstate.h"

#include "calendar.h"
#include "core/observer.h"
#include "core/process.h"
#include "graphics/surfaces.h"

#include <algorithm>

namespace {

// Work areas up to this many pixels get surfaces for measuring texts.
const int64_t kMaxMeasuredArea = 4096 * 4096;

std::string Name(const ImageRecord &image) {
    WideString name;
    for (int i = 0; i < kFileNameUnits && image.fileName[i]; i++) name.push_back(image.fileName[i]);
    return Utf8FromWide(name);
}

// What the loader's header buffer held of a refused file's header, at a
// byte offset (little-endian).
int32_t HeaderField(int offset) {
    const BYTE *header = lint.bitmapHeader;
    return (int32_t)((uint32_t)header[offset] | (uint32_t)header[offset + 1] << 8 |
                     (uint32_t)header[offset + 2] << 16 | (uint32_t)header[offset + 3] << 24);
}

const char kPictureRecipe[] =
    "make it with pondlet-tool picture in.png, or as a 24-bit BMP with convert in.png "
    "-background '#FF00FF' -alpha remove -alpha off -type truecolor BMP3:out.bmp";

// The header's own reason, when the loader read it (bitmapDepth is set
// then): a top-down or empty picture.
std::string BadHeaderReason() {
    if (lint.bitmapDepth != 0 && HeaderField(8) < 0)
        return std::string("it is stored top-down (a negative height), which the loader does not "
                           "read; ") +
               kPictureRecipe;
    if (lint.bitmapDepth != 0 && (HeaderField(4) < 1 || HeaderField(8) == 0))
        return "its header gives an empty picture (width or height 0)";
    return std::string("its header is damaged or of a kind the loader does not read; ") +
           kPictureRecipe;
}

// Bit fields (compression 3, or 6 with alpha) are how image editors save a
// picture with transparency; the rest is run-length compression.
std::string CompressedReason() {
    int32_t compression = HeaderField(16);
    if (compression != 3 && compression != 6)
        return "it is compressed (run-length); save it uncompressed";
    return "it is a " + std::to_string(lint.bitmapDepth) +
           "-bit BMP with bit fields, as editors save a picture with transparency, which the "
           "loader does not read; " +
           kPictureRecipe;
}

std::string RefusalReason(int32_t verdict) {
    switch (verdict) {
    case kBitmapNotBmp: return "it is not a BMP file";
    case kBitmapBadHeader: return BadHeaderReason();
    case kBitmapTruncated: return "the file is truncated";
    case kBitmapTooLarge:
        return "it is too large (more than 4096 pixels a side, or rows over 3080 bytes)";
    case kBitmapCompressed: return CompressedReason();
    case kBitmapOverBudget: return "the skin's pictures together pass the 64 MB the loader allows";
    default: return "the loader refused it";
    }
}

struct Usage {
    std::vector<uint8_t> graphics, masks;
    // Per picture and mask that did not load: the frame lines that use it.
    std::vector<std::vector<int32_t>> graphicLoss, maskLoss;
    // Per picture with no transparent colour: the frame lines that draw it
    // with no mask, as a full rectangle.
    std::vector<std::vector<int32_t>> uncut;
};

void AddLoss(std::vector<std::vector<int32_t>> *loss, int32_t index, int32_t line) {
    if ((size_t)index >= loss->size()) loss->resize((size_t)index + 1);
    if ((*loss)[index].empty() || (*loss)[index].back() != line) (*loss)[index].push_back(line);
}

bool Defined(const std::vector<int32_t> &lines, int32_t index, int32_t max) {
    return index >= 0 && index <= max && LineOf(lines, index) != 0;
}

bool HasFrames(int32_t sequence) {
    const SkinTables &t = skinTables;
    if (sequence < 0 || sequence > t.sequenceMax || t.frameCount[sequence] < 1) return false;
    return !IsEndMarker(&t.sequences[sequence][0], 0);
}

void CheckArea() {
    const SkinTables &t = skinTables;
    if (lint.areaLine == 0) {
        Report(1, kLintError, "area", "no D line: the work area is empty and nothing shows");
        return;
    }
    if (t.areaWidth <= 0 || t.areaHeight <= 0) {
        Report(lint.areaLine, kLintError, "area", "the work area has no size: nothing shows");
        return;
    }
    if (t.areaWidth > lint.options.screenWidth || t.areaHeight > lint.options.screenHeight)
        Report(lint.areaLine, kLintWarning, "area-screen",
               "the work area (" + std::to_string(t.areaWidth) + "x" +
                   std::to_string(t.areaHeight) + ") is larger than the screen (" +
                   std::to_string(lint.options.screenWidth) + "x" +
                   std::to_string(lint.options.screenHeight) + ")");
}

// A picture layer: its picture and mask are defined and loaded, it shows
// inside the work area, and its mask covers it.
void CheckGraphicLayer(const Frame &frame, int slot, int32_t line, Usage *usage) {
    const SkinTables &t = skinTables;
    int32_t g = frame.layerGraphic[slot], m = frame.layerMask[slot];
    std::string where = "layer " + std::to_string(slot + 1) + " ";
    if (!Defined(lint.graphicLines, g, t.graphicMax)) {
        Report(line, kLintError, "undefined-picture",
               where + "names picture " + std::to_string(g) + ", which no G line defines");
        return;
    }
    usage->graphics[g] = 1;
    const ImageRecord &image = t.graphics[g];
    if (image.pixels == nullptr) AddLoss(&usage->graphicLoss, g, line);
    if (m >= 0 && !Defined(lint.maskLines, m, t.maskMax)) {
        Report(line, kLintError, "undefined-mask",
               where + "names mask " + std::to_string(m) + ", which no M line defines");
    } else if (m >= 0) {
        usage->masks[m] = 1;
        const ImageRecord &mask = t.masks[m];
        if (mask.pixels == nullptr)
            AddLoss(&usage->maskLoss, m, line);
        else if (image.pixels != nullptr &&
                 (mask.width < image.width || mask.height < image.height))
            Report(line, kLintWarning, "mask-size",
                   where + "mask " + std::to_string(m) + " is smaller than picture " +
                       std::to_string(g) + ": the part it leaves out is drawn uncut");
    }
    if (image.pixels == nullptr) return;
    if (!image.hasTransparentKey && m < 0) AddLoss(&usage->uncut, g, line);
    if (t.areaWidth <= 0 || t.areaHeight <= 0) return;
    if (image.x >= t.areaWidth || image.y >= t.areaHeight || image.x + image.width <= 0 ||
        image.y + image.height <= 0)
        Report(line, kLintWarning, "layer-outside",
               where + "picture " + std::to_string(g) + " lies wholly outside the work area");
}

void CheckTextLayer(const Frame &frame, int slot, int32_t line) {
    int32_t last = frame.layerTextLast[slot];
    for (int32_t c = 0; c <= last && c < kTextChoices; c++) {
        int32_t text = frame.layerText[slot][c];
        if (!Defined(lint.textLines, text, skinTables.textMax))
            Report(line, kLintError, "undefined-text",
                   "layer " + std::to_string(slot + 1) + " names text " + std::to_string(text) +
                       ", which no S line defines");
    }
}

void CheckFrames(Usage *usage) {
    const SkinTables &t = skinTables;
    for (int32_t n = 0; n <= t.sequenceMax && (size_t)n < lint.frameLines.size(); n++) {
        const std::vector<int32_t> &lines = lint.frameLines[n];
        for (size_t f = 0; f < lines.size() && (int32_t)f < t.frameCount[n]; f++) {
            const Frame &frame = t.sequences[n][f];
            for (int slot = 0; slot < kLayerSlots && !IsEndMarker(&frame, slot); slot++) {
                // One report per picture and mask a frame names, however often.
                bool repeated = false;
                for (int k = 0; k < slot; k++)
                    repeated = repeated || (frame.layerGraphic[k] == frame.layerGraphic[slot] &&
                                            frame.layerMask[k] == frame.layerMask[slot]);
                if (repeated) continue;
                if (frame.layerGraphic[slot] >= 0)
                    CheckGraphicLayer(frame, slot, lines[f], usage);
                else
                    CheckTextLayer(frame, slot, lines[f]);
            }
        }
    }
}

// "the frame at line 5", "the frames at lines 5, 6 and 2 more"
std::string FramesAt(const std::vector<int32_t> &lines) {
    std::string text = lines.size() > 1 ? "the frames at lines " : "the frame at line ";
    for (size_t k = 0; k < lines.size() && k < 5; k++)
        text += (k ? ", " : "") + std::to_string(lines[k]);
    if (lines.size() > 5) text += " and " + std::to_string(lines.size() - 5) + " more";
    return text;
}

// One note under each picture that did not load, for all the frames it
// leaves blank.
void ReportLosses(const std::vector<std::vector<int32_t>> &loss,
                  const std::vector<int32_t> &definedAt, const char *what) {
    for (size_t index = 0; index < loss.size(); index++) {
        if (loss[index].empty()) continue;
        Report(LineOf(definedAt, (int32_t)index), kLintNote, "picture-not-loaded",
               "so " + FramesAt(loss[index]) + (loss[index].size() > 1 ? " show" : " shows") +
                   " nothing in place of this " + what);
    }
}

// One note at the G line of each picture with no transparent colour that a
// frame draws with no mask: nothing of it is cut out.
void ReportUncut(const std::vector<std::vector<int32_t>> &uncut) {
    for (size_t g = 0; g < uncut.size(); g++) {
        if (uncut[g].empty()) continue;
        const ImageRecord &image = skinTables.graphics[g];
        std::string fix = image.palette != nullptr && image.bitsPerPixel <= 8
                              ? "end this line with the palette index of its background (such "
                                "as ,0) to make that colour transparent, or give the layer a mask"
                              : "give the layer a mask (" + std::to_string(g) +
                                    ":M, with an M line), or save it with a palette and a key";
        Report(LineOf(lint.graphicLines, (int32_t)g), kLintNote, "picture-uncut",
               "picture " + std::to_string(g) + " has no transparent colour and " +
                   FramesAt(uncut[g]) + " draw" + (uncut[g].size() > 1 ? "" : "s") +
                   " it with no mask, as a full rectangle: " + fix);
    }
}

void CheckUnusedPictures(const Usage &usage) {
    const SkinTables &t = skinTables;
    for (int32_t g = 0; g <= t.graphicMax; g++)
        if (LineOf(lint.graphicLines, g) && t.graphics[g].pixels && !usage.graphics[g])
            ReportAt(PicturePath(t.graphics[g]), LineOf(lint.graphicLines, g), kLintWarning,
                     "picture-unused",
                     "picture " + std::to_string(g) + " is never used by any frame");
    for (int32_t m = 0; m <= t.maskMax; m++)
        if (LineOf(lint.maskLines, m) && t.masks[m].pixels && !usage.masks[m])
            ReportAt(PicturePath(t.masks[m]), LineOf(lint.maskLines, m), kLintWarning,
                     "picture-unused", "mask " + std::to_string(m) + " is never used by any frame");
}

// The sequence's first frame is a line of words after '#', already told.
bool StartsWithWordsFrame(int32_t n) {
    const std::vector<int32_t> &told = lint.wordsFrameLines;
    return !lint.frameLines[n].empty() &&
           std::find(told.begin(), told.end(), lint.frameLines[n][0]) != told.end();
}

void CheckRuleSequences() {
    const SkinTables &t = skinTables;
    for (int32_t r = 1; r <= t.ruleCount; r++) {
        int32_t line = LineOf(lint.ruleLines, r), n = t.rules[r].sequence;
        if (n < 0)
            Report(line, kLintError, "rule-sequence", "the rule names no sequence");
        else if (n > t.sequenceMax ||
                 (LineOf(lint.eventMarkLines, n) == 0 && lint.frameLines[n].empty()))
            Report(line, kLintError, "rule-sequence",
                   "the rule names sequence " + std::to_string(n) + ", which no # line defines");
        else if (!HasFrames(n) && !StartsWithWordsFrame(n))
            Report(line, kLintError, "rule-sequence",
                   "the rule names sequence " + std::to_string(n) + ", which has no frames");
    }
}

const char *EmptinessReason(int32_t emptiness) {
    switch (emptiness) {
    case kNoWeekday: return "it allows no weekday";
    case kNoMonth: return "it allows no month";
    case kNoDay: return "it allows no day";
    case kNoSuchDate: return "no month it allows has a day it allows";
    case kNoHour: return "it allows no hour";
    case kNoMinute: return "it allows no minute";
    default: return "it allows no second";
    }
}

template <size_t N>
bool FlagsMeet(const uint8_t (&a)[N], const uint8_t (&b)[N]) {
    for (size_t i = 0; i < N; i++)
        if (a[i] && b[i]) return true;
    return false;
}

bool Overlaps(const ScheduleRule &a, const ScheduleRule &b) {
    RuleTimes ta = TimesOfRule(a), tb = TimesOfRule(b);
    if (!(ta.hours & tb.hours) || !(ta.minutes & tb.minutes) || !(ta.seconds & tb.seconds))
        return false;
    if (!FlagsMeet(a.weekday, b.weekday) || !FlagsMeet(a.month, b.month) ||
        !FlagsMeet(a.day, b.day))
        return false;
    std::vector<uint16_t> da = DatesOfRule(a), db = DatesOfRule(b), both;
    std::set_intersection(da.begin(), da.end(), db.begin(), db.end(), std::back_inserter(both));
    return !both.empty();
}

// "rule 5 (line 80), rule 6 (line 81)": the later regular rules (for an
// event rule, the later rules) that share moments with rule r, at most three
// of the next kMaxRulesLookedAt.
std::string CoveringRules(int32_t r) {
    const int32_t kMaxRulesLookedAt = 256;
    std::string list;
    int named = 0;
    for (int32_t j = r + 1; j <= skinTables.ruleCount && j <= r + kMaxRulesLookedAt && named < 3;
         j++) {
        bool covers = IsRegularRuleIndex(j) || (IsEventRuleIndex(r) && IsEventRuleIndex(j));
        if (!covers || !Overlaps(skinTables.rules[r], skinTables.rules[j])) continue;
        list += (named++ ? ", rule " : "rule ") + std::to_string(j) + " (line " +
                std::to_string(LineOf(lint.ruleLines, j)) + ")";
    }
    return list;
}

// Seconds a day a rule allows, on the days it allows.
int32_t SecondsADay(const ScheduleRule &rule) {
    RuleTimes times = TimesOfRule(rule);
    return __builtin_popcount(times.hours) * __builtin_popcountll(times.minutes) *
           __builtin_popcountll(times.seconds);
}

// A regular rule is chosen only when a sequence ends inside the moments it
// allows: one of a few seconds a day almost never plays, which is what an
// event rule whose sequence lacks its N line looks like.
void CheckMeantAsEvent(int32_t r) {
    const int32_t kFewSeconds = 60;
    int32_t n = skinTables.rules[r].sequence, seconds = SecondsADay(skinTables.rules[r]);
    if (n == 0 || !IsRegularRuleIndex(r) || seconds > kFewSeconds) return;
    std::string number = std::to_string(n);
    Report(LineOf(lint.ruleLines, r), kLintWarning, "event-not-marked",
           "sequence " + number + " has no #" + number + " N line, so this is a regular rule " +
               "allowed " + std::to_string(seconds) + (seconds == 1 ? " second" : " seconds") +
               " a day and almost never plays; to play it as an event, add the line #" + number +
               " N");
}

void CheckSchedule(const ScheduleFindings &findings) {
    if (!findings.complete)
        Report(1, kLintNote, "schedule-skipped",
               "the schedule is too intricate to check exactly; its checks were skipped");
    for (int32_t r = 1; r <= skinTables.ruleCount; r++) {
        int32_t line = LineOf(lint.ruleLines, r);
        if (findings.emptiness[r] != kMatchesSometimes) {
            Report(line, kLintWarning, "rule-never-matches",
                   std::string("the rule can never match: ") +
                       EmptinessReason(findings.emptiness[r]));
        } else if (findings.covered[r] && IsRegularRuleIndex(r)) {
            Report(line, kLintWarning, "rule-shadowed",
                   "the rule is never chosen: later rules cover every moment it matches (" +
                       CoveringRules(r) + ")");
        } else if (findings.covered[r] && IsEventRuleIndex(r)) {
            Report(
                line, kLintWarning, "event-never-interrupts",
                "the event never interrupts: at each of its moments a regular rule with a higher "
                "index is in force or a later event rule takes the moment (" +
                    CoveringRules(r) + ")");
        } else {
            CheckMeantAsEvent(r);
        }
    }
}

bool IsChosenSometimes(int32_t r, const ScheduleFindings &findings) {
    return findings.emptiness[r] == kMatchesSometimes &&
           (!findings.covered[r] || !findings.complete);
}

void CheckSequenceUse(const ScheduleFindings &findings) {
    const SkinTables &t = skinTables;
    if (!HasFrames(0))
        Report(1, kLintError, "no-sequence-0",
               "sequence 0 has no frames: the default rule plays it first, so nothing shows");
    // Per sequence: 1 when some rule names it, 2 when one of those is ever chosen.
    std::vector<uint8_t> use((size_t)t.sequenceMax + 1, 0);
    for (int32_t r = 1; r <= t.ruleCount; r++) {
        int32_t n = t.rules[r].sequence;
        if (n < 0 || n > t.sequenceMax) continue;
        use[n] = std::max<uint8_t>(use[n], IsChosenSometimes(r, findings) ? 2 : 1);
    }
    for (int32_t n = 1; n <= t.sequenceMax; n++) {
        if (!HasFrames(n)) continue;
        bool named = use[n] >= 1, chosen = use[n] == 2;
        int32_t line = t.regular[n] ? lint.frameLines[n][0] : LineOf(lint.eventMarkLines, n);
        if (t.regular[n] && !chosen)
            Report(line, kLintWarning, "sequence-unused",
                   "sequence " + std::to_string(n) +
                       (named ? " is named only by rules that are never chosen"
                              : " is named by no rule"));
        if (!t.regular[n] && !named)
            Report(line, kLintWarning, "event-unused",
                   "event sequence " + std::to_string(n) + " is named by no rule");
    }
}

void HearTextMeasured(int32_t width, int32_t height) {
    lint.measuredText = true;
    lint.textWidth = width;
    lint.textHeight = height;
}

// The extent the program measures as it draws the text at this size: 0 when
// the surfaces are not ready and nothing was measured.
int MeasureDrawnText(const WCHAR *text, int32_t size, int32_t *width, int32_t *height) {
    lint.measuredText = false;
    observer.textMeasured = HearTextMeasured;
    DrawTextItem(text, size, 0, 0, 0);
    observer.textMeasured = nullptr;
    *width = lint.textWidth;
    *height = lint.textHeight;
    return lint.measuredText;
}

// The text as the widest clock could show it: every time field drawn with
// the same digit twice, the digit taking each value in turn.
void MeasureWidest(const TextItem &item, int32_t *width, int32_t *height) {
    *width = *height = 0;
    for (WCHAR digit = '0'; digit <= '9'; digit++) {
        WideString shown;
        for (int i = 0; i < kTextUnits && item.text[i]; i++) {
            WCHAR c = item.text[i], next = i + 1 < kTextUnits ? item.text[i + 1] : 0;
            bool field =
                c == '%' && next && WideString(WSTR("YMDhms")).find(next) != WideString::npos;
            if (field || (c == '%' && next == '%')) i++;
            if (field)
                shown += WideString(2, digit);
            else
                shown.push_back(c);
        }
        int32_t w = 0, h = 0;
        if (!MeasureDrawnText(shown.c_str(), item.height, &w, &h)) return;
        *width = std::max(*width, w);
        *height = std::max(*height, h);
    }
}

void CheckTextSizes() {
    const SkinTables &t = skinTables;
    if (t.areaWidth <= 0 || t.areaHeight <= 0 ||
        (int64_t)t.areaWidth * t.areaHeight > kMaxMeasuredArea)
        return;
    OpenDisplay();  // as the program does at start-up
    if (!CreateWorkSurfaces()) return;
    for (int32_t s = 0; s <= t.textMax; s++) {
        int32_t line = LineOf(lint.textLines, s), width = 0, height = 0;
        if (line == 0) continue;
        MeasureWidest(t.texts[s], &width, &height);
        const TextItem &item = t.texts[s];
        if (item.x + width > t.areaWidth || item.y + height > t.areaHeight)
            Report(line, kLintWarning, "text-overflow",
                   "the text takes " + std::to_string(width) + "x" + std::to_string(height) +
                       " pixels at " + std::to_string(item.x) + "," + std::to_string(item.y) +
                       ": more than the work area leaves it, so it is cut");
    }
    ReleaseWorkSurfaces();
}

WCHAR Folded(WCHAR c) { return (c >= 'A' && c <= 'Z') ? (WCHAR)(c - 'A' + 'a') : c; }

// Edits (insert, delete, change a character) from a to b, letter case aside.
size_t EditDistance(const WideString &a, const WideString &b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++) row[j] = j;
    for (size_t i = 1; i <= a.size(); i++) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); j++) {
            size_t above = row[j];
            size_t change = diagonal + (Folded(a[i - 1]) == Folded(b[j - 1]) ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, change});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The file in the skin's folder whose name is nearest to name, within a
// third of its length; empty when none is that near.
WideString NearestFileName(const WideString &name) {
    WideString best, pattern = lint.folder + WSTR("*");
    size_t bestDistance = std::max<size_t>(1, name.size() / 3) + 1;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return best;
    do {
        WideString candidate = data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        size_t distance = EditDistance(name, candidate);
        // Ties go to the first name in order, whatever order the folder lists.
        if (distance < bestDistance || (distance == bestDistance && candidate < best)) {
            best = candidate;
            bestDistance = distance;
        }
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return best;
}

void ReportMissingPicture(const ImageRecord &image, const std::string &what) {
    WideString name;
    for (int i = 0; i < kFileNameUnits && image.fileName[i]; i++) name.push_back(image.fileName[i]);
    WideString nearest = NearestFileName(name);
    std::string hint = nearest.empty() ? "" : "; did you mean " + Utf8FromWide(nearest) + "?";
    Report(lint.currentLine, kLintError, "picture-missing",
           "cannot open " + what + ": the skin's folder holds no such file" + hint);
}

std::string Field(const char *name, int64_t value) {
    return std::string(name) + "=" + std::to_string(value) + " ";
}

// A rule field's flags as items: "*" for all, "none", or "1,3-5".
std::string FlagItems(const uint8_t *flags, int first, int last) {
    std::string items;
    int set = 0;
    for (int v = first; v <= last; v++) {
        if (!flags[v]) continue;
        set++;
        int end = v;
        while (end < last && flags[end + 1]) end++;
        if (!items.empty()) items += ',';
        items += std::to_string(v);
        if (end > v) items += "-" + std::to_string(end);
        set += end - v;
        v = end;
    }
    return set == last - first + 1 ? "*" : items.empty() ? "none" : items;
}

std::string RuleAsRead(const ScheduleRule &rule) {
    return Field("sequence", rule.sequence) + "weekday=" + FlagItems(rule.weekday, 0, 6) +
           " month=" + FlagItems(rule.month, 1, 12) + " day=" + FlagItems(rule.day, 1, 31) +
           " hour=" + FlagItems(rule.hour, 0, 23) + " minute=" + FlagItems(rule.minute, 0, 59) +
           " second=" + FlagItems(rule.second, 0, 59);
}

std::string FrameAsRead(const Frame &frame) {
    std::string text = "time=" + std::to_string(frame.duration) + ":" +
                       std::to_string(frame.durationMax) + " layers=";
    if (IsEndMarker(&frame, 0)) return text + "none";
    for (int slot = 0; slot < kLayerSlots && !IsEndMarker(&frame, slot); slot++) {
        text += slot ? " " : "";
        if (frame.layerGraphic[slot] >= 0) {
            text += std::to_string(frame.layerGraphic[slot]);
            if (frame.layerMask[slot] >= 0) text += ":" + std::to_string(frame.layerMask[slot]);
            continue;
        }
        text += "s";
        for (int c = 0; c <= frame.layerTextLast[slot] && c < kTextChoices; c++) {
            if (c) text += ':';
            text += std::to_string(frame.layerText[slot][c]);
        }
    }
    return text;
}

}  // namespace

std::string FieldsAsRead(WCHAR kind, int32_t index) {
    const SkinTables &t = skinTables;
    std::string text;
    if (kind == 'D') {
        text = Field("width", t.areaWidth) + Field("height", t.areaHeight) +
               Field("right", t.marginRight) + Field("bottom", t.marginBottom);
    } else if (kind == 'G' || kind == 'M') {
        const ImageRecord &image = kind == 'G' ? t.graphics[index] : t.masks[index];
        text = Field("x", image.x) + Field("y", image.y);
        if (kind == 'G')
            text += image.hasTransparentKey ? Field("key", image.transparentKey) : "key=none";
    } else if (kind == 'S') {
        const TextItem &item = t.texts[index];
        text = Field("height", item.height) + Field("red", item.colour & 0xFF) +
               Field("green", (item.colour >> 8) & 0xFF) + Field("blue", item.colour >> 16) +
               Field("x", item.x) + Field("y", item.y);
    } else if (kind == '#' && (size_t)index < lint.frameLines.size() &&
               !lint.frameLines[index].empty()) {
        text = FrameAsRead(t.sequences[index][lint.frameLines[index].size() - 1]);
    } else if (kind == '$' && index >= 0 && index <= t.ruleCount) {
        text = RuleAsRead(t.rules[index]);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

void CheckPictureLoad(int32_t index, bool isGraphic) {
    const ImageRecord &image = isGraphic ? skinTables.graphics[index] : skinTables.masks[index];
    WideString path = PicturePath(image);
    int32_t line = lint.currentLine;
    std::string what = (isGraphic ? "picture " : "mask ") + Name(image);
    if (lint.bitmapVerdict == kBitmapNoFile) {
        ReportMissingPicture(image, what);
    } else if (lint.bitmapVerdict != kBitmapRead) {
        ReportAt(path, line, kLintError, "picture-refused",
                 "the loader refuses " + what + ": " + RefusalReason(lint.bitmapVerdict));
    } else if (lint.bitmapDepth == 16 || lint.bitmapDepth == 32 || image.bitsPerPixel == 0 ||
               (isGraphic && image.pixels == nullptr)) {
        ReportAt(path, line, kLintError, "picture-depth",
                 what + " has " + std::to_string(lint.bitmapDepth) +
                     " bits a pixel, which the loader does not convert: it " +
                     (isGraphic ? "loads with no pixels" : "gives an empty mask") +
                     "; save it with 24 bits or a palette");
    } else if (isGraphic && image.hasTransparentKey &&
               (image.palette == nullptr || image.bitsPerPixel > 8 ||
                image.transparentKey >= (1u << image.bitsPerPixel))) {
        ReportAt(path, line, kLintWarning, "key-no-palette",
                 "transparent colour " + std::to_string(image.transparentKey) + " but " + what +
                     " has no such palette entry: the key is ignored");
    }
}

void RunTableChecks() {
    const SkinTables &t = skinTables;
    Usage usage;
    usage.graphics.assign((size_t)t.graphicMax + 1, 0);
    usage.masks.assign((size_t)t.maskMax + 1, 0);
    if (lint.frameLines.size() < (size_t)t.sequenceMax + 1)
        lint.frameLines.resize((size_t)t.sequenceMax + 1);
    CheckArea();
    CheckFrames(&usage);
    ReportLosses(usage.graphicLoss, lint.graphicLines, "picture");
    ReportLosses(usage.maskLoss, lint.maskLines, "mask");
    ReportUncut(usage.uncut);
    CheckUnusedPictures(usage);
    CheckRuleSequences();
    ScheduleFindings findings;
    AnalyseSchedule(&findings);
    CheckSchedule(findings);
    CheckSequenceUse(findings);
    CheckTextSizes();
}

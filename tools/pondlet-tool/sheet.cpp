// sheet: every frame of every sequence as the program's compositor draws it
// (ShowFrame, at the screen's depth and the chosen opacity), over a
// checkerboard desktop so that what the frame leaves uncovered shows.
//
// The device starts as the program does at creation: the display depth
// recorded, the skin loaded, the work surfaces made and the display probe
// run. For each frame the checkerboard is painted under the work area and
// captured as the background, the frame is shown, and the screen under the
// work area is copied into its cell of the sheet.
#include "tool.h"

#include "core/process.h"
#include "core/tables.h"
#include "device.h"
#include "engine/schedule.h"
#include "engine/tick.h"
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"
#include "lint.h"

#include <algorithm>
#include <iostream>

namespace {

// Bounds that keep the sheet's size sane for any skin.
const int kMaxFramesShown = 64, kMaxSequencesShown = 256, kMaxCellSide = 512;
// Work-area pixels composed for one sheet at most: rows past it are left out.
const int64_t kMaxComposedPixels = 32 * 1024 * 1024;
const int kGap = 8, kLabelHeight = 26, kRowLabelWidth = 96;
const COLORREF kChecks[2] = {0xE0E0E0, 0x9C9C9C};
const COLORREF kInk = 0x202020, kPaper = 0xFFFFFF, kAlarm = 0x0000D0;
const int kCheckSize = 4;

void PaintCheckerboard() {
    const SkinTables &t = skinTables;
    for (int y = 0; y < t.areaHeight; y += kCheckSize)
        for (int x = 0; x < t.areaWidth; x += kCheckSize)
            DeviceFillScreen(t.areaX + x, t.areaY + y, kCheckSize, kCheckSize,
                             kChecks[(x / kCheckSize + y / kCheckSize) % 2]);
}

// Sets the device up as the program's creation does, skin loaded.
int StartLikeTheProgram(const SheetCommand &options, SkinLines *lines, std::ostream &errors) {
    if (!LoadToolSkin(options.path, lines, errors)) return 0;
    DeviceSetScreen(options.width, options.height, options.depth, 0x808080);
    if (options.atGiven) DeviceSetLocalTime(options.at);
    DeviceSeedRandom(1);
    SetScreenSize(options.width, options.height);
    PlaceWorkArea();
    OpenDisplay();
    SetBlendMode(options.blend);
    const SkinTables &t = skinTables;
    if (t.areaWidth < 1 || t.areaHeight < 1 || t.areaWidth > kMaxCellSide ||
        t.areaHeight > kMaxCellSide) {
        errors << "pondlet-tool: the work area must be 1 to " << kMaxCellSide << " pixels a side\n";
        return 0;
    }
    if (!CreateWorkSurfaces()) {
        errors << "pondlet-tool: the work surfaces cannot be made\n";
        return 0;
    }
    ProbeDisplayFormat(&workSurface);
    return 1;
}

// The script line that filled frame f of sequence n, or 0.
int32_t FrameLine(const SkinLines &lines, int32_t n, int f) {
    if ((size_t)n >= lines.frameLines.size() || (size_t)f >= lines.frameLines[n].size()) return 0;
    return lines.frameLines[n][f];
}

// The frames the sheet shows of sequence n: up to its end marker, and that
// marker too when a line filled it, since the program shows such a blank
// frame for its display time.
int FramesOf(const SkinLines &lines, int32_t n) {
    const SkinTables &t = skinTables;
    int count = 0;
    while (count < t.frameCount[n] && count < kMaxFramesShown) {
        if (IsEndMarker(&t.sequences[n][count], 0))
            return count + (FrameLine(lines, n, count) != 0);
        count++;
    }
    return count;
}

// What the program waits on a blank frame whose line gave no display time.
const int32_t kUntimedBlankWait = 1000;

bool UntimedBlank(const Frame &frame) {
    return IsEndMarker(&frame, 0) && (frame.duration < 0 || frame.durationMax < 0);
}

// A range whose longest time is below its shortest, or a negative time,
// makes the program wait up to weeks (the range wraps as unsigned values).
bool TimeWraps(const Frame &frame) {
    if (UntimedBlank(frame)) return false;
    return frame.duration < 0 || frame.durationMax < 0 || frame.duration > frame.durationMax;
}

std::string DisplayTime(const Frame &frame) {
    if (UntimedBlank(frame)) return std::to_string(kUntimedBlankWait) + "ms";
    if (TimeWraps(frame))
        return std::to_string(frame.duration) + ":" + std::to_string(frame.durationMax) + " WRAPS";
    std::string text = std::to_string(frame.duration);
    if (frame.durationMax != frame.duration) text += "-" + std::to_string(frame.durationMax);
    return text + "ms";
}

// The second label line: the script line, "blank" for a frame of no layers,
// and the first text layer that chooses among several texts (the cell shows
// its first choice).
std::string FrameNotes(const Frame &frame, int32_t line) {
    std::string text = "line " + std::to_string(line);
    if (IsEndMarker(&frame, 0)) return text + " blank";
    for (int slot = 0; slot < kLayerSlots && !IsEndMarker(&frame, slot); slot++)
        if (frame.layerGraphic[slot] == -1 && frame.layerTextLast[slot] > 0)
            return text + " text 1 of " + std::to_string(frame.layerTextLast[slot] + 1);
    return text;
}

// The frame as drawn: every text layer shows its first choice, so that the
// sheet does not depend on the random choice the program makes each time.
Frame FirstChoices(const Frame &frame) {
    Frame shown = frame;
    for (int slot = 0; slot < kLayerSlots; slot++)
        if (shown.layerTextLast[slot] > 0) shown.layerTextLast[slot] = 0;
    return shown;
}

// Shows the frame over a fresh checkerboard and copies the work area into
// the sheet at x, y, each pixel scale x scale.
void DrawCell(const Frame &frame, ScreenImage *sheet, int x, int y, int scale) {
    const SkinTables &t = skinTables;
    PaintCheckerboard();
    CaptureBackground();
    Frame shown = FirstChoices(frame);
    ShowFrame(&shown);
    for (int py = 0; py < t.areaHeight; py++)
        for (int px = 0; px < t.areaWidth; px++)
            FillBox(sheet, x + px * scale, y + py * scale, scale, scale,
                    DeviceReadScreen(t.areaX + px, t.areaY + py));
}

typedef SheetCommand S;
//  name        takes                           stored in
const OptionRule<SheetCommand> sheetOptions[] = {
    {"--png", "FILE", TakeText<S, &S::pngFile>},
    {"--screen", "WxHxD with depth 8, 16, 24 or 32", TakeScreenAndDepth<S>},
    {"--at", "\"YYYY-MM-DD hh:mm:ss\"",
     [](S *o, OptionValue v, OptionError) -> int {
         return o->atGiven = ParseStartTime(v, &o->at);
     }},
    {"--blend", "100%, 75%, 50%, 25% or half", TakeBlend<S>},
};

}  // namespace

int ParseSheetArguments(const std::vector<std::string> &args, SheetCommand *options,
                        std::string *error) {
    if (!ParseCommandLine(args, sheetOptions, "sheet needs PATH", options, &options->path, error))
        return 0;
    // The program offers only these two on 8-bit displays.
    if (options->depth == 8 && options->blend != 0 && options->blend != 4)
        *error = "an 8-bit screen shows only --blend 100% or half";
    return error->empty();
}

int DrawSheet(const SheetCommand &options, ScreenImage *sheet, std::ostream &errors,
              std::vector<std::string> *labels) {
    SkinLines lines;
    if (!StartLikeTheProgram(options, &lines, errors)) return 0;
    const SkinTables &t = skinTables;
    int scale = t.areaWidth <= 128 && t.areaHeight <= 128 ? 2 : 1;
    int cellWidth = std::max(t.areaWidth * scale, 64),
        cellHeight = t.areaHeight * scale + kLabelHeight;
    int rows = 0, columns = 1;
    int64_t composed = 0, area = (int64_t)t.areaWidth * t.areaHeight;
    while (rows < std::min(t.sequenceMax + 1, kMaxSequencesShown) &&
           composed + FramesOf(lines, rows) * area <= kMaxComposedPixels) {
        composed += FramesOf(lines, rows) * area;
        columns = std::max(columns, FramesOf(lines, rows++));
    }
    *sheet = BlankImage(kRowLabelWidth + columns * (cellWidth + kGap),
                        rows * (cellHeight + kGap) + kGap, kPaper);
    for (int32_t n = 0; n < rows; n++) {
        int y = kGap + n * (cellHeight + kGap);
        DrawLabel(sheet, 4, y, "sequence " + std::to_string(n), kInk);
        if (!t.regular[n]) DrawLabel(sheet, 4, y + 14, "event (N)", kInk);
        for (int f = 0; f < FramesOf(lines, n); f++) {
            const Frame &frame = t.sequences[n][f];
            int x = kRowLabelWidth + f * (cellWidth + kGap), below = y + t.areaHeight * scale + 1;
            DrawCell(frame, sheet, x, y, scale);
            std::string time =
                            std::to_string(n) + "." + std::to_string(f) + " " + DisplayTime(frame),
                        notes = FrameNotes(frame, FrameLine(lines, n, f));
            DrawLabel(sheet, x, below, time, TimeWraps(frame) ? kAlarm : kInk, 11);
            DrawLabel(sheet, x, below + 12, notes, kInk, 11);
            if (labels != nullptr) labels->push_back(time + " / " + notes);
        }
    }
    ReleaseWorkSurfaces();
    return 1;
}

int RunSheet(const SheetCommand &options, std::ostream &out, std::ostream &errors) {
    ScreenImage sheet;
    if (!DrawSheet(options, &sheet, errors)) return kExitFailed;
    std::string file = options.pngFile.empty() ? "sheet.png" : options.pngFile;
    if (!WritePng(file, sheet)) {
        errors << "pondlet-tool: cannot write " << file << "\n";
        return kExitFailed;
    }
    if (options.pngFile.empty()) out << file << "\n";
    return kExitOk;
}

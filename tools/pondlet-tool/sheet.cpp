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
const int kGap = 8, kLabelHeight = 14, kRowLabelWidth = 96;
const COLORREF kChecks[2] = {0xE0E0E0, 0x9C9C9C};
const COLORREF kInk = 0x202020, kPaper = 0xFFFFFF;
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
    screenWidth = options.width;
    screenHeight = options.height;
    PlaceWorkArea();
    screenDC = GetDC(NULL);
    displayFormat.depth = options.depth == 8 ? 8 : 24;
    blendMode = options.blend;
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

// The frames the sheet shows of sequence n: up to its end marker.
int FramesOf(int32_t n) {
    const SkinTables &t = skinTables;
    int count = 0;
    while (count < t.frameCount[n] && count < kMaxFramesShown &&
           !IsEndMarker(&t.sequences[n][count], 0))
        count++;
    return count;
}

std::string DisplayTime(const Frame &frame) {
    std::string text = std::to_string(frame.duration);
    if (frame.durationMax != frame.duration) text += "-" + std::to_string(frame.durationMax);
    return text + "ms";
}

// Shows the frame over a fresh checkerboard and copies the work area into
// the sheet at x, y, each pixel scale x scale.
void DrawCell(const Frame &frame, ScreenImage *sheet, int x, int y, int scale) {
    const SkinTables &t = skinTables;
    PaintCheckerboard();
    CaptureBackground();
    ShowFrame(&frame);
    for (int py = 0; py < t.areaHeight; py++)
        for (int px = 0; px < t.areaWidth; px++)
            FillBox(sheet, x + px * scale, y + py * scale, scale, scale,
                    DeviceReadScreen(t.areaX + px, t.areaY + py));
}

}  // namespace

int ParseSheetArguments(const std::vector<std::string> &args, SheetCommand *options,
                        std::string *error) {
    bool haveRoot = false;
    error->clear();
    for (size_t i = 0; i < args.size(); i++) {
        const std::string &arg = args[i];
        bool hasValue = i + 1 < args.size();
        if (arg == "--png" && hasValue) {
            options->pngFile = args[++i];
        } else if (arg == "--screen" && hasValue) {
            if (!ParseScreen(args[++i], true, &options->width, &options->height, &options->depth)) {
                *error = "--screen takes WxHxD";
                return 0;
            }
        } else if (arg == "--at" && hasValue) {
            if (!ParseStartTime(args[++i], &options->at)) {
                *error = "--at takes \"YYYY-MM-DD hh:mm:ss\"";
                return 0;
            }
            options->atGiven = true;
        } else if (arg == "--blend" && hasValue) {
            if (!ParseBlend(args[++i], &options->blend)) {
                *error = "--blend takes 100%, 75%, 50%, 25% or half";
                return 0;
            }
        } else if (arg.rfind("--", 0) == 0 || haveRoot) {
            *error = "unexpected argument: " + arg;
            return 0;
        } else {
            options->path = arg;
            haveRoot = true;
        }
    }
    if (!haveRoot) *error = "sheet needs PATH";
    // The program offers only these two on 8-bit displays.
    if (options->depth == 8 && options->blend != 0 && options->blend != 4)
        *error = "an 8-bit screen shows only --blend 100% or half";
    return error->empty();
}

int DrawSheet(const SheetCommand &options, ScreenImage *sheet, std::ostream &errors) {
    SkinLines lines;
    if (!StartLikeTheProgram(options, &lines, errors)) return 0;
    const SkinTables &t = skinTables;
    int scale = t.areaWidth <= 128 && t.areaHeight <= 128 ? 2 : 1;
    int cellWidth = std::max(t.areaWidth * scale, 64),
        cellHeight = t.areaHeight * scale + kLabelHeight;
    int rows = 0, columns = 1;
    int64_t composed = 0, area = (int64_t)t.areaWidth * t.areaHeight;
    while (rows < std::min(t.sequenceMax + 1, kMaxSequencesShown) &&
           composed + FramesOf(rows) * area <= kMaxComposedPixels) {
        composed += FramesOf(rows) * area;
        columns = std::max(columns, FramesOf(rows++));
    }
    *sheet = BlankImage(kRowLabelWidth + columns * (cellWidth + kGap),
                        rows * (cellHeight + kGap) + kGap, kPaper);
    for (int32_t n = 0; n < rows; n++) {
        int y = kGap + n * (cellHeight + kGap);
        DrawLabel(sheet, 4, y, "sequence " + std::to_string(n), kInk);
        if (!t.regular[n]) DrawLabel(sheet, 4, y + 14, "event (N)", kInk);
        for (int f = 0; f < FramesOf(n); f++) {
            int x = kRowLabelWidth + f * (cellWidth + kGap);
            DrawCell(t.sequences[n][f], sheet, x, y, scale);
            DrawLabel(sheet, x, y + t.areaHeight * scale + 1,
                      std::to_string(n) + "." + std::to_string(f) + " " +
                          DisplayTime(t.sequences[n][f]),
                      kInk, 11);
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

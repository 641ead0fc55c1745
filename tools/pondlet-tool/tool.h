// pondlet-tool: the skin author's tool. It runs the program's own code on the
// simulated device:
//   dump      loads a skin and prints the tables the program built from it
//   run       plays the whole program on the virtual clock and records what
//             it did (trace, screenshots, an animated GIF)
//   lint      the studio's lint: what the program would pass over in silence
//   schedule  the week of rules the skin's schedule puts in force, as text
//             or a picture
//   sheet     a contact sheet of every sequence's frames as they are drawn
//   picture   turns a PNG into the BMP (and mask) a skin can use
//
// The commands are plain functions so that tests can call them: each parses
// its arguments by its option table (options.h) and runs; main.cpp picks
// the command from its table.
#pragma once

#include "options.h"
#include "platform.h"

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

enum { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// ---- dump -------------------------------------------------------------------

struct DumpOptions {
    std::string root;  // host folder playing the executable's folder
    int width = 240, height = 320;
    int select = 0;       // Select dialog item chosen with Enter
    bool cancel = false;  // Escape instead
    unsigned codePage = 932;
    bool pixels = false;  // include every image's pixels
};

// Parses the arguments after "dump". Returns 1, or 0 with a message in error.
int ParseDumpArguments(const std::vector<std::string> &args, DumpOptions *options,
                       std::string *error);
// Loads the skin and prints the JSON document to out. Returns the exit status:
// 0 when the skin loaded, 1 when not.
int RunDump(const DumpOptions &options, std::ostream &out);

// ---- run --------------------------------------------------------------------

struct PngRequest {
    uint64_t at;  // device ms since the start
    std::string file;
};

// One line of an input file, parsed.
struct InputLine {
    uint64_t at;
    std::string kind;  // tray-tap, press, paint, ...
    std::vector<int64_t> numbers;
    COLORREF colour = 0;  // paint only (0x00BBGGRR)
    std::string text;     // as written, blanks normalised
};

struct RunOptions {
    std::string root;  // the program's folder, or a skin folder in it
    int width = 240, height = 320, depth = 16;
    bool startGiven = false;
    SYSTEMTIME start = {};
    uint64_t forMs = 10000;
    bool seedGiven = false;
    uint32_t seed = 1;
    std::string backgroundFile;  // 24-bit BMP tiled from the top-left
    bool colourGiven = false;    // --background-colour
    COLORREF backgroundColour = 0x808080;
    std::vector<InputLine> input;
    std::string traceFile, gifFile;
    std::vector<PngRequest> pngs;
    int32_t blend = 2;  // a BlendMode: the program starts at 50%
};

int ParseRunArguments(const std::vector<std::string> &args, RunOptions *options,
                      std::string *error);
// Runs the program; trace, GIF and PNG files are written as asked. Returns
// the program's exit code when it quit within the run, else 0; 2 when the
// background cannot be read and 1 when an output file cannot be written
// (both reported on errors).
int RunProgram(const RunOptions &options, std::ostream &errors);

// ---- lint -------------------------------------------------------------------

struct LintDiagnostic;

// LintCommand and ParseLintArguments: options.h (pondlet-lint shares them).
// Lints every skin below options.path into found, sorted. Returns how many
// skins it found.
int CollectLint(const LintCommand &options, std::vector<LintDiagnostic> *found);
// Prints the diagnostics and the summary (or the JSON array). Returns 1
// when there is an error (or no skin at all), else 0.
int RunLint(const LintCommand &options, std::ostream &out, std::ostream &errors);

// ---- shared parsing -----------------------------------------------------------

// "250ms", "1.5s", "90s", "2m", "2h", "1d"; a bare number is seconds.
// Returns 1, or 0 for anything else.
int ParseDuration(const std::string &text, uint64_t *ms);
// "YYYY-MM-DD hh:mm:ss[.mmm]", with the day of the week worked out.
int ParseStartTime(const std::string &text, SYSTEMTIME *time);
// "100%", "75%", "50%", "25%", "half" (any case) or the BlendMode's number.
int ParseBlend(const std::string &text, int32_t *mode);
// The --blend option of the commands that take one.
template <typename Command>
int TakeBlend(Command *command, OptionValue value, OptionError) {
    return ParseBlend(value, &command->blend);
}
// "RRGGBB", red first, into 0x00BBGGRR.
int ParseColour(const std::string &text, COLORREF *colour);
// One line of an input file. Returns 1 with *skip set for blank and comment
// lines, 1 with line filled for an action, or 0 with a message.
int ParseInputLine(const std::string &text, InputLine *line, bool *skip, std::string *error);
int ReadInputFile(const std::string &path, std::vector<InputLine> *lines, std::string *error);

// ---- shared set-up --------------------------------------------------------------

// A fresh device with the executable in root and the program's process-wide
// values at their start values, as a new process finds them.
void StartFreshDevice(const std::string &root);
// A host folder's device path, ending in a backslash.
std::basic_string<WCHAR> DeviceFolder(const std::string &hostPath);
// The folder that plays the program's folder for path: path itself, or its
// parent when path is a skin folder (holds skin.txt), so that every command
// takes either. *select is the skin's item in the Select dialog when the
// parent holds several skins, else -1. Leaves a fresh device behind.
std::string ProgramFolder(const std::string &path, int *select);

// ---- pictures -------------------------------------------------------------------

// Screen colours, 0x00BBGGRR, row by row from the top.
struct ScreenImage {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    std::vector<uint8_t> alpha;  // empty: every pixel opaque
};
ScreenImage ReadWholeScreen();
// A 24-bit PNG, or a 32-bit one when the image has alpha. Returns 1, or 0
// when the file cannot be written.
int WritePng(const std::string &path, const ScreenImage &image);
// A 24-bit uncompressed BMP file from the host. Returns 1, or 0 with a message.
int ReadBackgroundBmp(const std::string &path, ScreenImage *image, std::string *error);
// An uncompressed bottom-up BMP of depth 1, 8 or 24 as the loader reads it:
// a full colour table of 2^depth entries (missing ones black), values per
// pixel from the top row (palette indices, or colours at depth 24). Returns
// 1, or 0 when the file cannot be written.
int WriteBmp(const std::string &path, int width, int height, int depth,
             const std::vector<COLORREF> &palette, const std::vector<uint32_t> &values);
ScreenImage BlankImage(int width, int height, COLORREF colour);
void FillBox(ScreenImage *image, int x, int y, int width, int height, COLORREF colour);
// Draws text with its top-left at x, y in the device's default face at the
// given pixel height. Returns the width it took.
int DrawLabel(ScreenImage *image, int x, int y, const std::string &text, COLORREF colour,
              int height = 12);

// ---- schedule -----------------------------------------------------------------

struct SkinLines;

struct PlanInterval {
    int first, last;  // seconds of the day, both included
    int32_t rule;
};
struct DayPlan {
    SYSTEMTIME date;
    std::vector<PlanInterval> intervals;  // the regular rule in force, back to back
    std::vector<PlanInterval> events;     // moments an event rule interrupts, by time
};
struct WeekPlan {
    std::vector<DayPlan> days;  // Monday first
};

struct ScheduleCommand {
    std::string path;
    bool weekGiven = false;
    SYSTEMTIME monday = {};
    bool text = false;
    std::string pngFile;
};

// "YYYY-MM-DD": the Monday of that date's week.
int ParseWeekOf(const std::string &text, SYSTEMTIME *monday);
int ParseScheduleArguments(const std::vector<std::string> &args, ScheduleCommand *options,
                           std::string *error);
// The week from monday on, for the skin in the tables. Returns 0 when an
// interval disagrees with the program's own rule selection.
int PlanWeek(const SYSTEMTIME &monday, WeekPlan *plan);
void PrintWeek(const WeekPlan &plan, const SkinLines &lines, std::ostream &out);
ScreenImage DrawWeek(const WeekPlan &plan, const SkinLines &lines);
// Loads the first skin below path on a fresh device, with its script lines.
int LoadToolSkin(const std::string &path, SkinLines *lines, std::ostream &errors);
int RunSchedule(const ScheduleCommand &options, std::ostream &out, std::ostream &errors);

// ---- sheet --------------------------------------------------------------------

struct SheetCommand {
    std::string path;
    std::string pngFile;  // empty: sheet.png in the current folder
    int width = 240, height = 320, depth = 16;
    bool atGiven = false;
    SYSTEMTIME at = {};
    int32_t blend = 0;  // a BlendMode
};

int ParseSheetArguments(const std::vector<std::string> &args, SheetCommand *options,
                        std::string *error);
// Draws the contact sheet: one row per sequence, one cell per frame. Returns
// 1, or 0 with a message when the skin cannot be shown.
// labels, when given, receives each cell's two label lines as "TIME / NOTES".
int DrawSheet(const SheetCommand &options, ScreenImage *sheet, std::ostream &errors,
              std::vector<std::string> *labels = nullptr);
int RunSheet(const SheetCommand &options, std::ostream &out, std::ostream &errors);

// ---- picture ------------------------------------------------------------------

struct PictureCommand {
    std::string pngFile;
    std::string bmpFile;  // empty: the PNG's name with .bmp
    bool keyGiven = false;
    COLORREF key = 0xFF00FF;  // transparent key, and the colour under a mask
    int cut = -1;             // alpha from which a partly transparent pixel is opaque
};

int ParsePictureArguments(const std::vector<std::string> &args, PictureCommand *options,
                          std::string *error);
// Writes the BMP (and the mask it needs) and prints the script lines that
// name them. Returns 0, or 1 with the reason on errors.
int RunPicture(const PictureCommand &options, std::ostream &out, std::ostream &errors);
// The mask written beside a 24-bit picture: "frog.bmp" gives "frog_m.bmp".
std::string MaskFileName(const std::string &bmpFile);

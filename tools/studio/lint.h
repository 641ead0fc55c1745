// The skin lint: every mistake the program would pass over in silence,
// told with the script line it comes from.
//
// It loads the skin with the program's own reader (LoadSkinScript), hears
// what the reader skipped, cut or clipped through the reader's note hooks,
// and then checks the loaded tables: pictures, references, the schedule
// (exactly, see calendar.h) and what the frames show. It uses the platform
// calls only, so the same code runs in pondlet-tool on the simulated device
// and as pondlet-lint.exe on Windows.
#pragma once

#include "platform.h"

#include <cstdint>
#include <string>
#include <vector>

// Text in the platform's UTF-16 units.
typedef std::basic_string<WCHAR> WideString;

enum LintSeverity { kLintError, kLintWarning, kLintNote };

struct LintDiagnostic {
    WideString file;   // a device path: the skin.txt, or a picture
    int32_t line = 0;  // 1-based, as an editor counts (LF or a lone CR ends a line)
    int32_t severity = kLintError;
    std::string check;    // short name, such as "picture-missing"
    std::string message;  // UTF-8
};

struct LintOptions {
    int32_t screenWidth = 240, screenHeight = 320;
};

// The skin folders below path (a folder ending in a backslash): path itself
// when it holds skin.txt, else every folder directly below it that does, in
// the order the platform lists them.
std::vector<WideString> FindSkinFolders(const WideString &path);

// Lints the skin in folder (ending in a backslash) and appends what it
// finds. The skin tables are freed again before it returns.
void LintSkinFolder(const WideString &folder, const LintOptions &options,
                    std::vector<LintDiagnostic> *found);

// The script line of every rule and of every frame of every sequence (0
// where no line filled it).
struct SkinLines {
    std::vector<int32_t> ruleLines;
    std::vector<std::vector<int32_t>> frameLines;
};
// Loads the skin in folder as the lint does and leaves it in the skin
// tables (FreeSkinTables gives them back), with the lines of its rules and
// frames. Returns 1 when the reader loaded it.
int LoadSkinWithLines(const WideString &folder, SkinLines *lines);

// By file, then line, then the order they were found.
void SortDiagnostics(std::vector<LintDiagnostic> *found);
const char *SeverityName(int32_t severity);
// FILE:LINE: severity: message [check]
std::string FormatDiagnostic(const LintDiagnostic &d, const std::string &file);
// {"file":...,"line":...,"severity":...,"check":...,"message":...}
std::string DiagnosticJson(const LintDiagnostic &d, const std::string &file);
// "N errors, M warnings"
std::string LintSummary(const std::vector<LintDiagnostic> &found);
int32_t CountSeverity(const std::vector<LintDiagnostic> &found, int32_t severity);

std::string Utf8FromWide(const WideString &text);

// What one lint run has learnt so far, shared by the lint's two halves
// (lint.cpp: reading and the reader's notes; lintchecks.cpp: the tables).
#pragma once

#include "lint.h"

#include "core/tables.h"

struct LintRun {
    std::vector<LintDiagnostic> *found = nullptr;
    WideString folder, scriptPath;
    LintOptions options;
    std::vector<uint32_t> lineStarts;  // byte offset of every editor line
    bool lineFeedsOnly = false;
    int32_t pass = 0;                   // the reader's pass: 1, 2 counting, 3 filling
    uint32_t passOffset = 0;            // bytes the reader has taken in this pass
    int32_t currentLine = 1;            // editor line of the line being applied
    std::vector<std::string> messages;  // what the loader would have shown for this line
    int32_t areaLine = 0;               // the D line in force, 0 for none
    // The line that last filled each index (0: none).
    std::vector<int32_t> graphicLines, maskLines, textLines, ruleLines, eventMarkLines;
    std::vector<std::vector<int32_t>> frameLines;  // per sequence, per frame
    std::vector<int32_t> wordsFrameLines;          // frame lines of words after '#', told already
    int32_t missingNumber = -1;  // the missing-number finding of the current line, in *found
    std::vector<std::string> missingFields;  // the fields it names
    std::vector<int32_t> oddlySplitRules;    // rules whose line has a tab or a double blank
    // What the loader made of the latest picture: the observer's bitmap report.
    int32_t bitmapVerdict = 0, bitmapDepth = 0;
    BYTE bitmapHeader[40] = {};
    // The extent of the latest text measured, when measuredText is set.
    bool measuredText = false;
    int32_t textWidth = 0, textHeight = 0;
};
extern LintRun lint;

void Report(int32_t line, int32_t severity, const char *check, const std::string &message);
void ReportAt(const WideString &file, int32_t line, int32_t severity, const char *check,
              const std::string &message);
const char *RuleFieldName(int32_t field);
WideString PicturePath(const ImageRecord &image);
// The line that filled index in lines, or 0.
inline int32_t LineOf(const std::vector<int32_t> &lines, int32_t index) {
    return index >= 0 && (size_t)index < lines.size() ? lines[index] : 0;
}

// Right after a G or M line loaded its picture.
void CheckPictureLoad(int32_t index, bool isGraphic);
// After the skin has loaded: references, pictures, schedule, frames.
void RunTableChecks();
// How the reader split the line that filled index of a kind of line ('D',
// 'G', 'M', 'S', '#': the sequence's latest frame, '$'), such as "x=-1 y=4 key=2".
std::string FieldsAsRead(WCHAR kind, int32_t index);

// The line and number readers: which bytes make lines, and how numbers and
// their separators are read.
#include "skin/readers.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>

// Every line ReadScriptLine yields for a file of these bytes, each in brackets.
static std::string ReadAllLines(const std::string &bytes) {
    TestFolder folder("readers");
    WriteTestFile(folder.path / "skin.txt", bytes);
    HANDLE file = CreateFileW(TestDevicePath(folder.path / "skin.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    std::string lines;
    WCHAR line[kLineUnits];
    while (file != INVALID_HANDLE_VALUE && ReadScriptLine(file, line))
        lines.append("[").append(TestUtf8(line)).append("]");
    CloseHandle(file);
    return lines;
}

TEST(ReadScriptLine, SplitsAtCrLfOnly) {
    std::string a999(999, 'a');
    const std::pair<std::string, std::string> rows[] = {
        {"\r\nA\r\n\r\nB\r\n", "[A][B]"},                     // empty lines skipped
        {"A\r\nB", "[A]"},                                    // the last line needs its CR LF
        {"A\nB\r\n", "[A\nB]"},                               // LF alone stays in the line
        {"A\rxB\r\n", "[A][B]"},                              // the byte after CR is dropped unseen
        {a999 + "bbbb\r\nnext\r\n", "[" + a999 + "][next]"},  // bytes past the 999th dropped
    };
    for (const auto &[bytes, expected] : rows) EXPECT_EQ(expected, ReadAllLines(bytes)) << bytes.substr(0, 20);
}

// value@position after each read until the position is -1, and once more.
static std::string ReadAllNumbers(const char *text) {
    TestWString line(text, text + strlen(text));
    std::string trace;
    for (int32_t position = 0, ended = 0; !ended && trace.size() < 200;) {
        ended = position < 0;
        int32_t value = ReadNumber(line.c_str(), &position);
        trace += std::to_string(value) + "@" + std::to_string(position) + " ";
    }
    return trace;
}

TEST(ReadNumber, ReadsValuesAndConsumesOneSeparator) {
    const std::pair<const char *, const char *> rows[] = {
        {"D64 64,4:4", "-1@1 64@4 64@7 4@9 4@-1 -1@-1 "},
        {" 7x", "7@3 -1@-1 -1@-1 "},
        {",5", "-1@1 5@-1 -1@-1 "},
        {"\t 7,\t8", "7@4 8@-1 -1@-1 "},          // tabs are blanks too
        {"99999999999", "1215752191@-1 -1@-1 "},  // overlong digit runs wrap as 32-bit values
    };
    for (const auto &[text, expected] : rows) EXPECT_EQ(expected, ReadAllNumbers(text)) << "\"" << text << "\"";
}

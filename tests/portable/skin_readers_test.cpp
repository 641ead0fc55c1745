// The line and number readers: which bytes make lines, and how numbers and
// their separators are read.
#include "skin/readers.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <string>

// Every line ReadScriptLine yields for a file of these bytes, each in brackets.
static std::string ReadAllLines(const std::string &bytes) {
    TestFolder folder("readers");
    if (!WriteTestFile(folder.path / "skin.txt", bytes)) return "cannot write the file";
    HANDLE file = CreateFileW(TestDevicePath(folder.path / "skin.txt").c_str(), GENERIC_READ,
                              FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return "cannot open the file";
    std::string lines;
    WCHAR line[kLineUnits];
    while (ReadScriptLine(file, line)) lines.append("[").append(TestUtf8(line)).append("]");
    CloseHandle(file);
    return lines;
}

TEST(ReadScriptLine, SplitsAtCrLfOnly) {
    std::string a999(999, 'a'), b999(999, 'b');
    struct Row {
        const char *name;
        std::string bytes, expected;
    } rows[] = {
        {"two lines", "D1\r\nG2\r\n", "[D1][G2]"},
        {"empty lines are skipped", "\r\nA\r\n\r\n\r\nB\r\n", "[A][B]"},
        {"last line without CR LF is lost", "A\r\nB", "[A]"},
        {"CR at the very end loses the line", "A\r\nB\r", "[A]"},
        {"LF alone is kept in the line", "A\nB\r\n", "[A\nB]"},
        {"LF-only file yields nothing", "A\nB\nC\n", ""},
        {"the byte after CR is dropped unseen", "A\rxB\r\n", "[A][B]"},
        {"empty file", "", ""},
        {"blanks make a line", "  \r\n", "[  ]"},
        {"999 bytes fit", a999 + "\r\n", "[" + a999 + "]"},
        {"bytes past the 999th are dropped", b999 + std::string(4001, 'c') + "\r\nnext\r\n",
         "[" + b999 + "][next]"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(row.expected, ReadAllLines(row.bytes)) << row.name;
}

// value@position after each read, from start until the position is -1 and
// once more.
static std::string ReadAllNumbers(const char *text, int32_t start) {
    TestWString line;
    for (const char *c = text; *c; c++) line += (WCHAR)*c;
    std::string trace;
    for (int32_t position = start, guard = 0; guard < 20; guard++) {
        bool ended = position < 0;
        int32_t value = ReadNumber(line.c_str(), &position);
        trace += std::to_string(value) + "@" + std::to_string(position) + " ";
        if (ended) break;
    }
    return trace;
}

TEST(ReadNumber, ReadsValuesAndConsumesOneSeparator) {
    struct Row {
        const char *text;
        int32_t start;
        const char *expected;
    } rows[] = {
        {"D64 64 4 4", 1, "64@4 64@7 4@9 4@-1 -1@-1 "},
        {"D64,64,4,4", 1, "64@4 64@7 4@9 4@-1 -1@-1 "},
        {"D 64 64 4 4", 1, "64@5 64@8 4@10 4@-1 -1@-1 "},
        {"12:34", 0, "12@3 34@-1 -1@-1 "},
        {",5", 0, "-1@1 5@-1 -1@-1 "},
        {"-1", 0, "-1@1 1@-1 -1@-1 "},
        {"\t 7x", 0, "7@4 -1@-1 -1@-1 "},
        {"", 0, "-1@-1 -1@-1 "},
        {"12", -1, "-1@-1 "},
        // Overlong digit runs wrap as 32-bit values.
        {"4294967296", 0, "0@-1 -1@-1 "},
        {"99999999999", 0, "1215752191@-1 -1@-1 "},
        {"2147483648", 0, "-2147483648@-1 -1@-1 "},
    };
    for (const Row &row : rows)
        EXPECT_EQ(row.expected, ReadAllNumbers(row.text, row.start)) << "text \"" << row.text << "\"";
}

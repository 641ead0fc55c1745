// The line and number readers: which bytes make lines, and how numbers and
// their separators are read.
#include "skin/readers.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Every line ReadScriptLine yields for a file holding bytes.
static std::vector<std::string> ReadAllLines(const std::string &bytes) {
    TestFolder folder("readers");
    std::filesystem::path path = folder.path / "skin.txt";
    std::vector<std::string> lines;
    if (!WriteTestFile(path, bytes)) {
        ADD_FAILURE() << "cannot write " << path.string();
        return lines;
    }
    TestWString devicePath = TestDevicePath(path);
    HANDLE file = CreateFileW(devicePath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open " << path.string();
        return lines;
    }
    WCHAR line[kLineUnits];
    while (ReadScriptLine(file, line)) lines.push_back(TestUtf8(line));
    CloseHandle(file);
    return lines;
}

static std::string Joined(const std::vector<std::string> &lines) {
    std::string all;
    for (const std::string &line : lines) all += "[" + line + "]";
    return all;
}

TEST(ReadScriptLine, SplitsAtCrLfOnly) {
    struct Row {
        const char *name;
        std::string bytes;
        std::string expected;   // lines, each in brackets
    } rows[] = {
        {"two lines", "D1\r\nG2\r\n", "[D1][G2]"},
        {"empty lines are skipped", "\r\nA\r\n\r\n\r\nB\r\n", "[A][B]"},
        {"last line without CR LF is lost", "A\r\nB", "[A]"},
        {"CR at the very end loses the line", "A\r\nB\r", "[A]"},
        {"LF alone is kept in the line", "A\nB\r\n", "[A\nB]"},
        {"LF-only file yields nothing", "A\nB\nC\n", ""},
        {"the byte after CR is dropped unseen", "A\rxB\r\n", "[A][B]"},
        {"empty file", "", ""},
        {"only empty lines", "\r\n\r\n", ""},
        {"blanks make a line", "  \r\n", "[  ]"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(row.expected, Joined(ReadAllLines(row.bytes))) << row.name;
}

TEST(ReadScriptLine, KeepsTheFirst999BytesOfLongLines) {
    std::string line999(999, 'a');
    std::string line1000 = std::string(999, 'b') + "c";
    std::string line5000 = std::string(999, 'd') + std::string(4001, 'e');
    std::vector<std::string> lines =
        ReadAllLines(line999 + "\r\n" + line1000 + "\r\n" + line5000 + "\r\nnext\r\n");
    ASSERT_EQ(4u, lines.size()) << Joined(lines);
    EXPECT_EQ(line999, lines[0]);
    EXPECT_EQ(std::string(999, 'b'), lines[1]);
    EXPECT_EQ(std::string(999, 'd'), lines[2]);
    EXPECT_EQ("next", lines[3]);
}

// Reads numbers from start until the position is -1 and one more time.
static std::string ReadAllNumbers(const char *text, int32_t start) {
    TestWString line = TestWide(text);
    int32_t position = start;
    std::string trace;
    for (int guard = 0; guard < 20; guard++) {
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
        const char *expected;   // value@position after each read
    } rows[] = {
        {"D64 64 4 4", 1, "64@4 64@7 4@9 4@-1 -1@-1 "},
        {"D64,64,4,4", 1, "64@4 64@7 4@9 4@-1 -1@-1 "},
        {"D 64 64 4 4", 1, "64@5 64@8 4@10 4@-1 -1@-1 "},
        {"12:34", 0, "12@3 34@-1 -1@-1 "},
        {",5", 0, "-1@1 5@-1 -1@-1 "},
        {"-1", 0, "-1@1 1@-1 -1@-1 "},
        {"\t 7x", 0, "7@4 -1@-1 -1@-1 "},
        {"", 0, "-1@-1 -1@-1 "},
        {"x", 0, "-1@1 -1@-1 -1@-1 "},
        {"12", -1, "-1@-1 "},
        {"007,", 0, "7@4 -1@-1 -1@-1 "},
        // Overlong digit runs wrap as 32-bit unsigned values.
        {"4294967295", 0, "-1@-1 -1@-1 "},
        {"4294967296", 0, "0@-1 -1@-1 "},
        {"99999999999", 0, "1215752191@-1 -1@-1 "},
        {"2147483648", 0, "-2147483648@-1 -1@-1 "},
    };
    for (const Row &row : rows)
        EXPECT_EQ(row.expected, ReadAllNumbers(row.text, row.start)) << "text \"" << row.text << "\"";
}

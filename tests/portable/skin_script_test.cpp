// LoadSkin on scripts written by the tests: the counting passes, every line
// kind, and the lines the format gives no meaning. Every image a script
// names exists, so nothing here shows a message box (which would wait for a
// person on the real platform); the failure paths are device tests.
#include "skin/script.h"

#include "shell/globals.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <string>

namespace fs = std::filesystem;

// The executable's folder with one skin, "cat", whose skin.txt is script;
// the images are 1x1 pictures. Returns LoadSkin's result.
static int LoadScript(const TestFolder &root, const std::string &script,
                      std::initializer_list<const char *> images = {}) {
    fs::path skin = root.path / "cat";
    EXPECT_EQ(1, WriteTestFile(skin / "skin.txt", script));
    for (const char *image : images) EXPECT_EQ(1, WriteBmpFile(skin / image, BmpSpec{}));
    EXPECT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(root.path, true)));
    skinTables = SkinTables{};
    screenWidth = 240;
    screenHeight = 320;
    return LoadSkin();
}

// Appends prefix and number (written out piecewise: GCC 12 warns falsely
// about literal + string in optimised builds).
static void Append(std::string &text, const char *prefix, int32_t number) {
    text += prefix;
    text += std::to_string(number);
}

// One frame as text: "duration:max|" then each slot: "gG" or "gG:M" for a
// graphic, "sA:B" for a text layer, "-" for the end marker, "?" otherwise.
static std::string FrameText(const Frame &frame) {
    std::string text;
    Append(text, "", frame.duration);
    Append(text, ":", frame.durationMax);
    text += "|";
    for (int slot = 0; slot < kLayerSlots; slot++) {
        if (slot) text += " ";
        if (IsEndMarker(&frame, slot)) {
            text += "-";
        } else if (frame.layerGraphic[slot] >= 0) {
            Append(text, "g", frame.layerGraphic[slot]);
            if (frame.layerMask[slot] != -1) Append(text, ":", frame.layerMask[slot]);
        } else if (frame.layerMask[slot] == 0 && frame.layerTextLast[slot] >= 0 &&
                   frame.layerTextLast[slot] < kTextChoices) {
            text += "s";
            for (int c = 0; c <= frame.layerTextLast[slot]; c++)
                Append(text, c ? ":" : "", frame.layerText[slot][c]);
        } else {
            text += "?";
        }
    }
    return text;
}

// A field's flags as ranges, e.g. "1-5,7"; "" when none is set.
static std::string FlagsText(const uint8_t *flags, int count) {
    std::string text;
    for (int i = 0; i < count; i++) {
        if (!flags[i]) continue;
        int last = i;
        while (last + 1 < count && flags[last + 1]) last++;
        Append(text, text.empty() ? "" : ",", i);
        if (last > i) Append(text, "-", last);
        i = last;
    }
    return text;
}

static std::string RuleText(const ScheduleRule &rule) {
    std::string text;
    Append(text, "", rule.sequence);
    const std::string fields[] = {FlagsText(rule.weekday, kWeekdays), FlagsText(rule.month, kMonthFlags),
                                  FlagsText(rule.day, kDayFlags),     FlagsText(rule.hour, kHours),
                                  FlagsText(rule.minute, kMinutes),   FlagsText(rule.second, kSeconds)};
    for (const std::string &field : fields) {
        text += " ";
        text += field;
    }
    return text;
}

// The D-line fields and the table sizes.
static std::string SizesText(const SkinTables &t) {
    std::string text;
    for (int32_t value : {t.areaWidth, t.areaHeight, t.marginRight, t.marginBottom, t.areaX, t.areaY})
        Append(text, text.empty() ? "area " : ",", value);
    for (int32_t value : {t.graphicMax, t.maskMax, t.textMax, t.sequenceMax, t.ruleCount})
        Append(text, " ", value);
    return text;
}

// "name x,y key hasKey loaded|-"
static std::string ImageText(const ImageRecord &image) {
    std::string text = TestUtf8(image.fileName);
    Append(text, " ", image.x);
    Append(text, ",", image.y);
    Append(text, " ", (int32_t)image.transparentKey);
    Append(text, " ", image.hasTransparentKey);
    text += image.pixels ? " loaded" : " -";
    return text;
}

// "height colour x,y [text]"
static std::string TextItemText(const TextItem &item) {
    std::string text;
    Append(text, "", item.height);
    Append(text, " ", (int32_t)item.colour);
    Append(text, " ", item.x);
    Append(text, ",", item.y);
    text += " [";
    text += TestUtf8(item.text);
    text += "]";
    return text;
}

static const char kEmptyFrame[] = "-1:-1|- - - - - - - - - -";
static const char kAlways[] = "0 0-6 1-12 1-31 0-23 0-59 0-59";

TEST(LoadSkin, WorkedExample) {
    TestFolder root("script");
    const char *script =
        "T Sample cat\r\n"
        "D64,64,4,4\r\n"
        "F Tahoma,\r\n"
        "G0,body.bmp,0,0\r\n"
        "G1,eyes.bmp,20,16,0\r\n"
        "M0,bodym.bmp,0,0,0\r\n"
        "S0,12,255,255,255,8,44,%h:%m\r\n"
        "#0 300:600 0:0 1\r\n"
        "#0 300 0:0\r\n"
        "#1 N\r\n"
        "#1 2000 0:0 s0\r\n"
        "$1 * * * * 0 0\r\n";
    ASSERT_EQ(1, LoadScript(root, script, {"body.bmp", "eyes.bmp", "bodym.bmp"}));
    const SkinTables &t = skinTables;
    EXPECT_EQ("area 64,64,4,4,172,252 1 0 0 1 1", SizesText(t));
    EXPECT_EQ("Tahoma", TestUtf8(t.fontFace));
    EXPECT_EQ("body.bmp 0,0 -1 0 loaded", ImageText(t.graphics[0]));
    EXPECT_EQ("eyes.bmp 20,16 0 1 loaded", ImageText(t.graphics[1]));
    EXPECT_EQ("bodym.bmp 0,0 0 0 loaded", ImageText(t.masks[0]));
    EXPECT_EQ("12 16777215 8,44 [%h:%m]", TextItemText(t.texts[0]));
    EXPECT_EQ(2, t.frameCount[0]);
    EXPECT_EQ(2, t.frameCount[1]);
    EXPECT_EQ(1, t.regular[0]);
    EXPECT_EQ(0, t.regular[1]);
    EXPECT_EQ("300:600|g0:0 g1 - - - - - - - -", FrameText(t.sequences[0][0]));
    EXPECT_EQ("300:300|g0:0 - - - - - - - - -", FrameText(t.sequences[0][1]));
    EXPECT_EQ(kEmptyFrame, FrameText(t.sequences[0][2]));
    EXPECT_EQ("2000:2000|g0:0 s0 - - - - - - - -", FrameText(t.sequences[1][0]));
    EXPECT_EQ(kEmptyFrame, FrameText(t.sequences[1][1]));
    EXPECT_EQ(kAlways, RuleText(t.rules[0]));
    EXPECT_EQ("1 0-6 1-12 1-31 0-23 0 0", RuleText(t.rules[1]));
}

TEST(LoadSkin, ScriptsWithoutLinesGiveTheInitialTables) {
    for (const char *script : {"", "T only a title\r\n; a comment\r\n", "D64,64,4,4"}) {
        TestFolder root("script");
        ASSERT_EQ(1, LoadScript(root, script)) << script;
        const SkinTables &t = skinTables;
        EXPECT_EQ("area 0,0,0,0,0,0 0 0 0 0 0", SizesText(t)) << script;
        EXPECT_EQ(" 0,0 0 0 -", ImageText(t.graphics[0])) << script;
        EXPECT_EQ(" 0,0 0 0 -", ImageText(t.masks[0])) << script;
        EXPECT_EQ("-1 0 0,0 []", TextItemText(t.texts[0])) << script;
        EXPECT_EQ(0, t.frameCount[0]);
        EXPECT_EQ(1, t.regular[0]);
        EXPECT_EQ(kEmptyFrame, FrameText(t.sequences[0][0])) << script;
        EXPECT_EQ(kAlways, RuleText(t.rules[0])) << script;
        EXPECT_EQ("", TestUtf8(t.fontFace));
    }
}

TEST(LoadSkin, SequencesAreSizedByTheirLines) {
    TestFolder root("script");
    ASSERT_EQ(1, LoadScript(root, "#0 100\r\n#5 200 1\r\n#5 300\r\n#3 n\r\n"));
    const SkinTables &t = skinTables;
    ASSERT_EQ(5, t.sequenceMax);
    const int32_t counts[] = {1, 0, 0, 1, 0, 2};
    const int32_t regular[] = {1, 1, 1, 0, 1, 1};
    for (int n = 0; n <= 5; n++) {
        EXPECT_EQ(counts[n], t.frameCount[n]) << "sequence " << n;
        EXPECT_EQ(regular[n], t.regular[n]) << "sequence " << n;
        EXPECT_EQ(kEmptyFrame, FrameText(t.sequences[n][counts[n]])) << "sequence " << n;
    }
    EXPECT_EQ("100:100|- - - - - - - - - -", FrameText(t.sequences[0][0]));
    EXPECT_EQ(kEmptyFrame, FrameText(t.sequences[3][0])) << "an N line fills no frame";
    EXPECT_EQ("200:200|g1 - - - - - - - - -", FrameText(t.sequences[5][0]));
    EXPECT_EQ("300:300|- - - - - - - - - -", FrameText(t.sequences[5][1]));
}
TEST(LoadSkin, FrameLines) {
    struct Row {
        const char *line;
        const char *expected;
    } rows[] = {
        {"#0 100", "100:100|- - - - - - - - - -"},
        {"#0 100:250 1", "100:250|g1 - - - - - - - - -"},
        {"#0 100 1", "100:100|g1 - - - - - - - - -"},
        {"#0 5 3 4:1 s2:5:6", "5:5|g3 g4:1 s2:5:6 - - - - - - -"},
        {"#0 5 S7 1", "5:5|s7 g1 - - - - - - - -"},
        {"#0 5 1,2,3 -1 4", "5:5|g1 g2 g3 - - - - - - -"},
        // Nine layers at most: slot 9 stays the end marker.
        {"#0 5 1 2 3 4 5 6 7 8 9 10 11", "5:5|g1 g2 g3 g4 g5 g6 g7 g8 g9 -"},
        // Ten choices at most; the extra ones do not become layers.
        {"#0 5 s0:1:2:3:4:5:6:7:8:9:10:11 3", "5:5|s0:1:2:3:4:5:6:7:8:9 g3 - - - - - - - -"},
        // A mask without a graphic ends the list instead of making a slot
        // that is neither a layer nor the end marker.
        {"#0 5 :3 1", "5:5|- - - - - - - - - -"},
        {"#0 5 1 :0 2", "5:5|g1 - - - - - - - - -"},
        // A layer number that wrapped below zero is none.
        {"#0 5 4294967294 1", "5:5|- - - - - - - - - -"},
        {"#0 5 s", "5:5|s-1 - - - - - - - - -"},
        {"#0", "-1:-1|- - - - - - - - - -"},
    };
    for (const Row &row : rows) {
        TestFolder root("script");
        ASSERT_EQ(1, LoadScript(root, std::string(row.line) + "\r\n"));
        EXPECT_EQ(1, skinTables.frameCount[0]) << row.line;
        EXPECT_EQ(row.expected, FrameText(skinTables.sequences[0][0])) << row.line;
    }
}

TEST(LoadSkin, RuleLines) {
    struct Row {
        const char *line;
        const char *expected;   // sequence, then weekday month day hour minute second
    } rows[] = {
        {"$0 1-5 * * 9-17 0,30 0", "0 1-5 1-12 1-31 9-17 0,30 0"},
        {"$0 5-1 * * * * *", "0  1-12 1-31 0-23 0-59 0-59"},
        {"$0 * * * * * 0 30", "0 0-6 1-12 1-31 0-23 0-59 0,30"},
        {"$0 * * * * * 1-3,7x9", "0 0-6 1-12 1-31 0-23 0-59 1-3,7,9"},
        // An item that is neither a star nor a number ends the seconds.
        {"$0 * * * * * 1 a 7", "0 0-6 1-12 1-31 0-23 0-59 1"},
        // The line ends before the seconds: later fields stay empty.
        {"$2 0,6 *", "2 0,6 1-12    "},
        {"$2", "2      "},
        // Items outside a field's range are ignored; ranges are clipped.
        {"$1 9 13 0-40 25 60 99", "1   1-31   "},
        {"$1 3-9 0-2 31 23 59 59-70", "1 3-6 1-2 31 23 59 59"},
        // A range with a missing end sets nothing.
        {"$1 2-,3 * * * * *", "1 3 1-12 1-31 0-23 0-59 0-59"},
        {"$4000000000 * * * * * *", "-1 0-6 1-12 1-31 0-23 0-59 0-59"},
    };
    for (const Row &row : rows) {
        TestFolder root("script");
        ASSERT_EQ(1, LoadScript(root, std::string(row.line) + "\r\n"));
        ASSERT_EQ(1, skinTables.ruleCount) << row.line;
        EXPECT_EQ(row.expected, RuleText(skinTables.rules[1])) << row.line;
        EXPECT_EQ(kAlways, RuleText(skinTables.rules[0])) << row.line;
    }
}

TEST(LoadSkin, RulesAreFilledInFileOrder) {
    TestFolder root("script");
    ASSERT_EQ(1, LoadScript(root, "$3 0 * * * * *\r\n;\r\n$1 6 1 1 0 0 0\r\n"));
    ASSERT_EQ(2, skinTables.ruleCount);
    EXPECT_EQ("3 0 1-12 1-31 0-23 0-59 0-59", RuleText(skinTables.rules[1]));
    EXPECT_EQ("1 6 1 1 0 0 0", RuleText(skinTables.rules[2]));
}

TEST(LoadSkin, AreaFontAndTextLines) {
    struct Row {
        std::string line;
        std::string expected;
    } rows[] = {
        {"d64 64 4 4", "area 64,64,4,4,172,252 0 0 0 0 0"},
        {"D10,20,30,40", "area 10,20,30,40,200,260 0 0 0 0 0"},
        {"F Tahoma,", "Tahoma"},
        {"F Ta,ho,ma", "Ta"},
        {"F", ""},
        {"F ,Tahoma", ""},
        {"fxVeryLongFaceNameBeyondFifteen,", "VeryLongFaceNam"},
        {"S0,10,0,0,255,0,0,Hello world", "10 16711680 0,0 [Hello world]"},
        // Components are clamped to 0..255; a line ending with y has no text.
        {"s0,12,300,0,7,1,2", "12 459007 1,2 []"},
        {"S0,8,1,2,3,4,5, " + std::string(200, 'x'), "8 197121 4,5 [ " + std::string(126, 'x') + "]"},
    };
    for (const Row &row : rows) {
        TestFolder root("script");
        ASSERT_EQ(1, LoadScript(root, row.line + "\r\n"));
        std::string actual = row.line[0] == 'S' || row.line[0] == 's' ? TextItemText(skinTables.texts[0])
                           : row.line[0] == 'F' || row.line[0] == 'f' ? TestUtf8(skinTables.fontFace)
                           : SizesText(skinTables);
        EXPECT_EQ(row.expected, actual) << row.line;
    }
}

TEST(LoadSkin, ImageLines) {
    TestFolder root("script");
    std::string script =
        "g0,a.bmp,1,2\r\n"
        "G1,a.bmp,3,4,-1\r\n"
        "G2,a.bmp,5,6,7\r\n"
        "M0,a.bmp,0,0,-1\r\n"
        "m1,a.bmp,0,0\r\n"
        "M2,a.bmp,8,9,1\r\n"
        "G3 a.bmp 0 0\r\n";   // no comma after the file name: skipped
    ASSERT_EQ(1, LoadScript(root, script, {"a.bmp"}));
    const SkinTables &t = skinTables;
    const char *expected[] = {"a.bmp 1,2 -1 0 loaded", "a.bmp 3,4 -1 0 loaded", "a.bmp 5,6 7 1 loaded",
                              " 0,0 0 0 -",            "a.bmp 0,0 0 0 loaded",  "a.bmp 0,0 0 0 loaded",
                              "a.bmp 8,9 1 0 loaded"};
    const ImageRecord *images[] = {&t.graphics[0], &t.graphics[1], &t.graphics[2], &t.graphics[3],
                                   &t.masks[0],    &t.masks[1],    &t.masks[2]};
    for (size_t i = 0; i < std::size(images); i++)
        EXPECT_EQ(expected[i], ImageText(*images[i])) << "image " << i;
}

// Lines naming no index, or one above 4095, are skipped by every pass, so
// the tables stay small and nothing is filled; 4095 itself is accepted.
TEST(LoadSkin, LinesWithoutAUsableIndexAreSkipped) {
    TestFolder root("script");
    std::string script =
        "#4000000000 1 0\r\n"
        "#4096 1\r\n"
        "#-1 2\r\n"
        "#x\r\n"
        "G999999999,a.bmp,0,0\r\n"
        "G,a.bmp,0,0\r\n"
        "M5000,a.bmp,0,0\r\n"
        "S4096,1,1,1,1,1,1,big\r\n"
        "S-1,1,1,1,1,1,1,none\r\n";
    ASSERT_EQ(1, LoadScript(root, script, {"a.bmp"}));
    const SkinTables &t = skinTables;
    EXPECT_EQ("area 0,0,0,0,0,0 0 0 0 0 0", SizesText(t));
    EXPECT_EQ(0, t.frameCount[0]);
    EXPECT_EQ(" 0,0 0 0 -", ImageText(t.graphics[0]));
    EXPECT_EQ(" 0,0 0 0 -", ImageText(t.masks[0]));
    EXPECT_EQ("-1 0 0,0 []", TextItemText(t.texts[0]));

    ASSERT_EQ(1, LoadScript(root, "#4095 7\r\nS4095,9,0,0,0,0,0,top\r\n"));
    ASSERT_EQ(4095, skinTables.sequenceMax);
    ASSERT_EQ(4095, skinTables.textMax);
    EXPECT_EQ("7:7|- - - - - - - - - -", FrameText(skinTables.sequences[4095][0]));
    EXPECT_EQ("top", TestUtf8(skinTables.texts[4095].text));
}

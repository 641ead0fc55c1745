// LoadSkin on scripts written by the tests: the counting passes, every line
// kind with its separators, and the lines the format gives no meaning. Every
// image a script names exists, so nothing here shows a message box (which
// would wait for a person on the real platform). The whole worked example
// is checked through pondlet-tool dump.
#include "skin/script.h"

#include "shell/globals.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <string>

// The executable's folder with one skin whose skin.txt is script and whose
// images a.bmp and b.bmp are 1x1 pictures. Returns LoadSkin's result.
static int LoadScript(const std::string &script) {
    TestFolder root("script");
    EXPECT_EQ(1, WriteTestFile(root.path / "cat" / "skin.txt", script));
    for (const char *image : {"a.bmp", "b.bmp"}) EXPECT_EQ(1, WriteBmpFile(root.path / "cat" / image, BmpSpec{}));
    EXPECT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(root.path, true)));
    skinTables = SkinTables{};
    screenWidth = 240;
    screenHeight = 320;
    return LoadSkin();
}

// Numbers joined by sep, each after its own prefix character when given.
static std::string Join(std::initializer_list<int64_t> values, const char *sep = ",") {
    std::string text;
    for (int64_t value : values) text.append(text.empty() ? "" : sep).append(std::to_string(value));
    return text;
}

// One frame: "duration:max|" then per slot "gG" or "gG:M", "sA:B" for a
// text layer, "-" for the end marker, "?" for anything else.
static std::string FrameText(const Frame &frame) {
    std::string text = Join({frame.duration, frame.durationMax}, ":") + "|";
    for (int slot = 0; slot < kLayerSlots; slot++) {
        text += slot ? " " : "";
        int32_t last = frame.layerTextLast[slot];
        if (IsEndMarker(&frame, slot)) {
            text += "-";
        } else if (frame.layerGraphic[slot] >= 0) {
            text.append("g").append(std::to_string(frame.layerGraphic[slot]));
            if (frame.layerMask[slot] != -1) text.append(":").append(std::to_string(frame.layerMask[slot]));
        } else if (frame.layerMask[slot] == 0 && last >= 0 && last < kTextChoices) {
            text += "s";
            for (int c = 0; c <= last; c++) text.append(c ? ":" : "").append(std::to_string(frame.layerText[slot][c]));
        } else {
            text += "?";
        }
    }
    return text;
}

// The sequence, then each field's flags as ranges such as "1-5,7".
static std::string RuleText(const ScheduleRule &rule) {
    std::string text = std::to_string(rule.sequence);
    const std::pair<const uint8_t *, int> fields[] = {{rule.weekday, kWeekdays}, {rule.month, kMonthFlags},
                                                      {rule.day, kDayFlags},     {rule.hour, kHours},
                                                      {rule.minute, kMinutes},   {rule.second, kSeconds}};
    for (const auto &[flags, count] : fields) {
        std::string field;
        for (int i = 0, last; i < count; i = last + 1) {
            for (last = i; flags[i] && last + 1 < count && flags[last + 1];) last++;
            if (flags[i]) field.append(field.empty() ? "" : ",").append(last > i ? Join({i, last}, "-") : std::to_string(i));
        }
        text.append(" ").append(field);
    }
    return text;
}

// The D-line fields, then graphicMax maskMax textMax sequenceMax ruleCount.
static std::string SizesText(const SkinTables &t) {
    return std::string("area ") + Join({t.areaWidth, t.areaHeight, t.marginRight, t.marginBottom, t.areaX, t.areaY}) + " " +
           Join({t.graphicMax, t.maskMax, t.textMax, t.sequenceMax, t.ruleCount}, " ");
}

// "name x,y key hasKey loaded|-"
static std::string ImageText(const ImageRecord &image) {
    return TestUtf8(image.fileName) + " " + Join({image.x, image.y}) + " " +
           Join({(int32_t)image.transparentKey, image.hasTransparentKey}, " ") + (image.pixels ? " loaded" : " -");
}

// "height colour x,y [text]"
static std::string TextItemText(const TextItem &item) {
    return Join({item.height, item.colour}, " ") + " " + Join({item.x, item.y}) + " [" + TestUtf8(item.text) + "]";
}

static const char kEmptyFrame[] = "-1:-1|- - - - - - - - - -";
static const char kAlways[] = "0 0-6 1-12 1-31 0-23 0-59 0-59";

// No usable line, or only a last line without CR LF: one entry per table,
// heights -1, sequence 0 ending at once, and the default rule alone.
TEST(LoadSkin, ScriptsWithoutLinesGiveTheInitialTables) {
    for (const char *script : {"", "T only a title\r\n; a comment\r\n", "D64,64,4,4"}) {
        ASSERT_EQ(1, LoadScript(script)) << script;
        const SkinTables &t = skinTables;
        std::string actual = SizesText(t) + "|" + ImageText(t.graphics[0]) + "|" + ImageText(t.masks[0]) + "|" +
                             TextItemText(t.texts[0]) + "|" + Join({t.frameCount[0], t.regular[0]}) + "|" +
                             FrameText(t.sequences[0][0]) + "|" + RuleText(t.rules[0]) + "|" + TestUtf8(t.fontFace);
        EXPECT_EQ(std::string("area 0,0,0,0,0,0 0 0 0 0 0| 0,0 0 0 -| 0,0 0 0 -|-1 0 0,0 []|0,1|") + kEmptyFrame +
                      "|" + kAlways + "|",
                  actual)
            << script;
    }
}

// Tables are sized from the highest index, and a sequence's frames from the
// number of its # lines (N lines included); rules come in file order.
TEST(LoadSkin, CountingPassesSizeTheTables) {
    ASSERT_EQ(1, LoadScript("#0 100\r\n#5 200 1\r\n#5 300\r\n#3 n\r\nG2,a.bmp,0,0\r\nm1,a.bmp,0,0\r\n"
                            "S3,1,0,0,0,0,0,x\r\n$3 0 * * * * *\r\n;\r\n$1 6 1 1 0 0 0\r\n"));
    const SkinTables &t = skinTables;
    EXPECT_EQ("area 0,0,0,0,0,0 2 1 3 5 2", SizesText(t));
    const int32_t counts[] = {1, 0, 0, 1, 0, 2}, regular[] = {1, 1, 1, 0, 1, 1};
    for (int n = 0; n <= 5; n++) {
        EXPECT_EQ(Join({counts[n], regular[n]}), Join({t.frameCount[n], t.regular[n]})) << "sequence " << n;
        EXPECT_EQ(kEmptyFrame, FrameText(t.sequences[n][counts[n]])) << "sequence " << n;
    }
    EXPECT_EQ("200:200|g1 - - - - - - - - -", FrameText(t.sequences[5][0]));
    EXPECT_EQ("300:300|- - - - - - - - - -", FrameText(t.sequences[5][1]));
    EXPECT_EQ("3 0 1-12 1-31 0-23 0-59 0-59", RuleText(t.rules[1]));
    EXPECT_EQ("1 6 1 1 0 0 0", RuleText(t.rules[2]));
}

TEST(LoadSkin, FrameLines) {
    struct Row {
        const char *line, *expected;
    } rows[] = {
        {"#0 100", "100:100|- - - - - - - - - -"},
        {"#0 100:250 1", "100:250|g1 - - - - - - - - -"},
        {"#0 5 3 4:1 s2:5:6", "5:5|g3 g4:1 s2:5:6 - - - - - - -"},
        {"#0 5 S7 1", "5:5|s7 g1 - - - - - - - -"},
        {"#0 5 1,2,3 -1 4", "5:5|g1 g2 g3 - - - - - - -"},
        // Nine layers at most: slot 9 stays the end marker.
        {"#0 5 1 2 3 4 5 6 7 8 9 10 11", "5:5|g1 g2 g3 g4 g5 g6 g7 g8 g9 -"},
        // Ten choices at most; the extra ones do not become layers.
        {"#0 5 s0:1:2:3:4:5:6:7:8:9:10:11 3", "5:5|s0:1:2:3:4:5:6:7:8:9 g3 - - - - - - - -"},
        // A mask without a graphic ends the list rather than making a slot
        // that is neither a layer nor the end marker.
        {"#0 5 :3 1", "5:5|- - - - - - - - - -"},
        {"#0 5 1 :0 2", "5:5|g1 - - - - - - - - -"},
        {"#0 5 4294967294 1", "5:5|- - - - - - - - - -"},   // wrapped below zero: none
        {"#0 5 s", "5:5|s-1 - - - - - - - - -"},
        {"#0", kEmptyFrame},
    };
    for (const Row &row : rows) {
        ASSERT_EQ(1, LoadScript(std::string(row.line) + "\r\n"));
        EXPECT_EQ(1, skinTables.frameCount[0]) << row.line;
        EXPECT_EQ(row.expected, FrameText(skinTables.sequences[0][0])) << row.line;
    }
}

TEST(LoadSkin, RuleLines) {
    struct Row {
        const char *line, *expected;   // sequence, then weekday month day hour minute second
    } rows[] = {
        {"$0 1-5 * * 9-17 0,30 0", "0 1-5 1-12 1-31 9-17 0,30 0"},
        {"$0 5-1 * * * * *", "0  1-12 1-31 0-23 0-59 0-59"},
        {"$0 * * * * * 0 30", "0 0-6 1-12 1-31 0-23 0-59 0,30"},
        {"$0 * * * * * 1-3,7x9", "0 0-6 1-12 1-31 0-23 0-59 1-3,7,9"},
        {"$0 * * * * * 1 a 7", "0 0-6 1-12 1-31 0-23 0-59 1"},   // a non-number ends the seconds
        {"$2 0,6 *", "2 0,6 1-12    "},                          // the line ends before the seconds
        {"$2", "2      "},
        // Items outside a field's range are ignored; ranges are clipped.
        {"$1 9 13 0-40 25 60 99", "1   1-31   "},
        {"$1 3-9 0-2 31 23 59 59-70", "1 3-6 1-2 31 23 59 59"},
        {"$1 2-,3 * * * * *", "1 3 1-12 1-31 0-23 0-59 0-59"},   // a range without its end
        {"$4000000000 * * * * * *", "-1 0-6 1-12 1-31 0-23 0-59 0-59"},
    };
    for (const Row &row : rows) {
        ASSERT_EQ(1, LoadScript(std::string(row.line) + "\r\n"));
        ASSERT_EQ(1, skinTables.ruleCount) << row.line;
        EXPECT_EQ(row.expected, RuleText(skinTables.rules[1])) << row.line;
        EXPECT_EQ(kAlways, RuleText(skinTables.rules[0])) << row.line;
    }
}

TEST(LoadSkin, AreaFontAndTextLines) {
    struct Row {
        std::string line, expected;
    } rows[] = {
        {"d64 64 4 4", "area 64,64,4,4,172,252 0 0 0 0 0"},
        {"D10,20,30,40", "area 10,20,30,40,200,260 0 0 0 0 0"},
        {"F Tahoma,", "Tahoma"},
        {"F Ta,ho,ma", "Ta"},
        {"F", ""},
        {"fxVeryLongFaceNameBeyondFifteen,", "VeryLongFaceNam"},
        {"S0,10,0,0,255,0,0,Hello world", "10 16711680 0,0 [Hello world]"},
        {"s0,12,300,0,7,1,2", "12 459007 1,2 []"},   // components clamped; no text after y
        {std::string("S0,8,1,2,3,4,5, ").append(200, 'x'), std::string("8 197121 4,5 [ ").append(126, 'x') + "]"},
    };
    for (const Row &row : rows) {
        ASSERT_EQ(1, LoadScript(row.line + "\r\n"));
        char kind = (char)(row.line[0] & ~0x20);
        std::string actual = kind == 'S'   ? TextItemText(skinTables.texts[0])
                             : kind == 'F' ? TestUtf8(skinTables.fontFace)
                                           : SizesText(skinTables);
        EXPECT_EQ(row.expected, actual) << row.line;
    }
}

TEST(LoadSkin, ImageLines) {
    ASSERT_EQ(1, LoadScript("g0,a.bmp,1,2\r\nG1,a.bmp,3,4,-1\r\nG2,b.bmp,5,6,7\r\nM0,a.bmp,0,0,-1\r\n"
                            "m1,a.bmp,0,0\r\nM2,b.bmp,8,9,1\r\n"
                            "G3 a.bmp 0 0\r\n"));   // no comma after the file name: skipped
    const SkinTables &t = skinTables;
    const std::pair<const ImageRecord *, const char *> rows[] = {
        {&t.graphics[0], "a.bmp 1,2 -1 0 loaded"}, {&t.graphics[1], "a.bmp 3,4 -1 0 loaded"},
        {&t.graphics[2], "b.bmp 5,6 7 1 loaded"},  {&t.graphics[3], " 0,0 0 0 -"},
        {&t.masks[0], "a.bmp 0,0 0 0 loaded"},     {&t.masks[1], "a.bmp 0,0 0 0 loaded"},
        {&t.masks[2], "b.bmp 8,9 1 0 loaded"},
    };
    for (const auto &[image, expected] : rows) EXPECT_EQ(expected, ImageText(*image));
}

// Lines naming no index, or one above 4095, are skipped by every pass, so
// the tables stay small and nothing is filled; 4095 itself is accepted.
TEST(LoadSkin, LinesWithoutAUsableIndexAreSkipped) {
    ASSERT_EQ(1, LoadScript("#4000000000 1 0\r\n#4096 1\r\n#-1 2\r\n#x\r\nG999999999,a.bmp,0,0\r\n"
                            "G,a.bmp,0,0\r\nM5000,a.bmp,0,0\r\nS4096,1,1,1,1,1,1,big\r\nS-1,1,1,1,1,1,1,none\r\n"));
    const SkinTables &t = skinTables;
    EXPECT_EQ("area 0,0,0,0,0,0 0 0 0 0 0", SizesText(t));
    EXPECT_EQ(0, t.frameCount[0]);
    EXPECT_EQ(" 0,0 0 0 - 0,0 0 0 -", ImageText(t.graphics[0]) + ImageText(t.masks[0]));
    EXPECT_EQ("-1 0 0,0 []", TextItemText(t.texts[0]));

    ASSERT_EQ(1, LoadScript("#4095 7\r\nS4095,9,0,0,0,0,0,top\r\n"));
    ASSERT_EQ(4095, skinTables.sequenceMax);
    ASSERT_EQ(4095, skinTables.textMax);
    EXPECT_EQ("7:7|- - - - - - - - - -", FrameText(skinTables.sequences[4095][0]));
    EXPECT_EQ("top", TestUtf8(skinTables.texts[4095].text));
}

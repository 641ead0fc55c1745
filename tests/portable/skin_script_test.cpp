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
    EXPECT_EQ(64, t.areaWidth);
    EXPECT_EQ(64, t.areaHeight);
    EXPECT_EQ(4, t.marginRight);
    EXPECT_EQ(4, t.marginBottom);
    EXPECT_EQ(172, t.areaX);
    EXPECT_EQ(252, t.areaY);
    EXPECT_EQ("Tahoma", TestUtf8(t.fontFace));
    EXPECT_EQ(1, t.graphicMax);
    EXPECT_EQ(0, t.maskMax);
    EXPECT_EQ(0, t.textMax);
    EXPECT_EQ(1, t.sequenceMax);
    EXPECT_EQ(1, t.ruleCount);

    const ImageRecord &body = t.graphics[0], &eyes = t.graphics[1], &bodyMask = t.masks[0];
    EXPECT_EQ("body.bmp", TestUtf8(body.fileName));
    EXPECT_EQ(0, body.x);
    EXPECT_EQ(0, body.y);
    EXPECT_EQ(0, body.hasTransparentKey);
    EXPECT_EQ("eyes.bmp", TestUtf8(eyes.fileName));
    EXPECT_EQ(20, eyes.x);
    EXPECT_EQ(16, eyes.y);
    EXPECT_EQ(0u, eyes.transparentKey);
    EXPECT_EQ(1, eyes.hasTransparentKey);
    EXPECT_EQ("bodym.bmp", TestUtf8(bodyMask.fileName));
    EXPECT_EQ(0u, bodyMask.transparentKey);
    EXPECT_TRUE(body.pixels && eyes.pixels && bodyMask.pixels) << "every image is loaded";

    EXPECT_EQ(12, t.texts[0].height);
    EXPECT_EQ(16777215u, t.texts[0].colour);
    EXPECT_EQ(8, t.texts[0].x);
    EXPECT_EQ(44, t.texts[0].y);
    EXPECT_EQ("%h:%m", TestUtf8(t.texts[0].text));

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
    const char *scripts[] = {"", "T only a title\r\n; a comment\r\n", "D64,64,4,4"};
    for (const char *script : scripts) {
        TestFolder root("script");
        ASSERT_EQ(1, LoadScript(root, script)) << script;
        const SkinTables &t = skinTables;
        EXPECT_EQ(0, t.areaWidth + t.areaHeight + t.areaX + t.areaY) << script;
        EXPECT_EQ(0, t.graphicMax + t.maskMax + t.textMax + t.sequenceMax + t.ruleCount) << script;
        EXPECT_EQ(nullptr, t.graphics[0].pixels);
        EXPECT_EQ(nullptr, t.masks[0].pixels);
        EXPECT_EQ(-1, t.texts[0].height);
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
    TestFolder root("script");
    std::string longText(200, 'x');
    std::string script =
        "d64 64 4 4\r\n"
        "D10,20,30,40\r\n"
        "fxVeryLongFaceNameBeyondFifteen,ignored\r\n"
        "S1,10,0,0,255,0,0,Hello world\r\n"
        "s2,12,300,0,7,1,2\r\n"
        "S3,8,1,2,3,4,5, " + longText + "\r\n";
    ASSERT_EQ(1, LoadScript(root, script));
    const SkinTables &t = skinTables;
    EXPECT_EQ(10, t.areaWidth);
    EXPECT_EQ(20, t.areaHeight);
    EXPECT_EQ(240 - 30 - 10, t.areaX);
    EXPECT_EQ(320 - 40 - 20, t.areaY);
    EXPECT_EQ("VeryLongFaceNam", TestUtf8(t.fontFace));
    ASSERT_EQ(3, t.textMax);
    EXPECT_EQ(-1, t.texts[0].height) << "no S line names text 0";
    EXPECT_EQ(16711680u, t.texts[1].colour);
    EXPECT_EQ("Hello world", TestUtf8(t.texts[1].text));
    EXPECT_EQ(255u + 7u * 65536u, t.texts[2].colour) << "components are clamped to 0..255";
    EXPECT_EQ("", TestUtf8(t.texts[2].text));
    EXPECT_EQ(1, t.texts[2].x);
    EXPECT_EQ(2, t.texts[2].y);
    EXPECT_EQ(std::string(" ").append(126, 'x'), TestUtf8(t.texts[3].text)) << "cut at 127";
}

TEST(LoadSkin, FontLines) {
    struct Row {
        const char *line;
        const char *expected;
    } rows[] = {
        {"F Tahoma,", "Tahoma"},
        {"F Tahoma", "Tahoma"},
        {"F", ""},
        {"F ", ""},
        {"F ,Tahoma", ""},
        {"F Ta,ho,ma", "Ta"},
    };
    for (const Row &row : rows) {
        TestFolder root("script");
        ASSERT_EQ(1, LoadScript(root, std::string(row.line) + "\r\n"));
        EXPECT_EQ(row.expected, TestUtf8(skinTables.fontFace)) << row.line;
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
    ASSERT_EQ(3, t.graphicMax);
    ASSERT_EQ(2, t.maskMax);
    struct Row {
        const ImageRecord *image;
        int32_t x, y;
        uint32_t key;
        int32_t hasKey;   // -1: not checked (masks)
    } rows[] = {
        {&t.graphics[0], 1, 2, 0xFFFFFFFFu, 0}, {&t.graphics[1], 3, 4, 0xFFFFFFFFu, 0},
        {&t.graphics[2], 5, 6, 7u, 1},          {&t.masks[0], 0, 0, 0u, -1},
        {&t.masks[1], 0, 0, 0u, -1},            {&t.masks[2], 8, 9, 1u, -1},
    };
    for (size_t i = 0; i < std::size(rows); i++) {
        const Row &row = rows[i];
        EXPECT_EQ("a.bmp", TestUtf8(row.image->fileName)) << "row " << i;
        EXPECT_EQ(row.x, row.image->x) << "row " << i;
        EXPECT_EQ(row.y, row.image->y) << "row " << i;
        EXPECT_EQ(row.key, row.image->transparentKey) << "row " << i;
        if (row.hasKey >= 0) {
            EXPECT_EQ(row.hasKey, row.image->hasTransparentKey) << "row " << i;
        }
        EXPECT_NE(nullptr, row.image->pixels) << "row " << i;
    }
    EXPECT_EQ(nullptr, t.graphics[3].pixels);
    EXPECT_EQ("", TestUtf8(t.graphics[3].fileName));
}

// Lines naming no index, or a huge one, are skipped by every pass, so the
// tables stay small and nothing is filled.
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
    EXPECT_EQ(0, t.sequenceMax);
    EXPECT_EQ(0, t.frameCount[0]);
    EXPECT_EQ(0, t.graphicMax);
    EXPECT_EQ(0, t.maskMax);
    EXPECT_EQ(0, t.textMax);
    EXPECT_EQ(nullptr, t.graphics[0].pixels);
    EXPECT_EQ(nullptr, t.masks[0].pixels);
    EXPECT_EQ(-1, t.texts[0].height);
    EXPECT_EQ(kEmptyFrame, FrameText(t.sequences[0][0]));
}

TEST(LoadSkin, TheHighestIndexIsAccepted) {
    TestFolder root("script");
    ASSERT_EQ(1, LoadScript(root, "#4095 7\r\nS4095,9,0,0,0,0,0,top\r\n"));
    ASSERT_EQ(4095, skinTables.sequenceMax);
    EXPECT_EQ("7:7|- - - - - - - - - -", FrameText(skinTables.sequences[4095][0]));
    ASSERT_EQ(4095, skinTables.textMax);
    EXPECT_EQ("top", TestUtf8(skinTables.texts[4095].text));
}

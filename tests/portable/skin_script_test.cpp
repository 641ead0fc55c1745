// LoadSkin on scripts written by the tests: the counting passes, every line
// kind with its separators, and lines the format gives no meaning. Every
// image a script names exists, so no message box waits for a person.
#include "skin/script.h"

#include "core/process.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cctype>

// One skin whose images a.bmp and b.bmp are 1x1 pictures. Returns LoadSkin's result.
static int LoadScript(const std::string &script) {
    TestFolder root("script");
    WriteTestFile(root.path / "cat" / "skin.txt", script);
    for (const char *image : {"a.bmp", "b.bmp"}) WriteBmpFile(root.path / "cat" / image, BmpSpec{});
    SetTestFolder(TestDevicePath(root.path, true));
    FreeSkinTables();
    SetScreenSize(240, 320);
    return LoadSkin();
}

static std::string Join(std::initializer_list<int64_t> values, const char *sep = ",") {
    std::string text;
    for (int64_t value : values) text.append(text.empty() ? "" : sep).append(std::to_string(value));
    return text;
}

// "duration:max|" then per slot "gG" or "gG:M", "sA:B" for a text layer, "-" for the end marker.
static std::string FrameText(const Frame &f) {
    std::string text = Join({f.duration, f.durationMax}, ":") + "|";
    for (int k = 0; k < kLayerSlots; k++) {
        text += k ? " " : "";
        if (IsEndMarker(&f, k))
            text += "-";
        else if (f.layerGraphic[k] >= 0)
            text.append("g").append(f.layerMask[k] == -1 ? Join({f.layerGraphic[k]})
                                                         : Join({f.layerGraphic[k], f.layerMask[k]}, ":"));
        else if (f.layerMask[k] == 0 && f.layerTextLast[k] >= -1 && f.layerTextLast[k] < kTextChoices) {
            text += "s";
            for (int c = 0; c <= f.layerTextLast[k]; c++)
                text.append(c ? ":" : "").append(std::to_string(f.layerText[k][c]));
        } else
            text += "?";
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
            if (flags[i]) field.append(field.empty() ? "" : ",").append(last > i ? Join({i, last}, "-") : Join({i}));
        }
        text += " " + field;
    }
    return text;
}

static std::string SizesText(const SkinTables &t) {
    return Join({t.areaWidth, t.areaHeight, t.marginRight, t.marginBottom, t.areaX, t.areaY}) + " " +
           Join({t.graphicMax, t.maskMax, t.textMax, t.sequenceMax, t.ruleCount}, " ");
}

static std::string ImageText(const ImageRecord &i) {
    return TestUtf8(i.fileName) + " " + Join({i.x, i.y, (int32_t)i.transparentKey, i.hasTransparentKey}) +
           (i.pixels ? " loaded" : " -");
}

static std::string TextItemText(const TextItem &i) {
    return Join({i.height, i.colour, i.x, i.y}) + " [" + TestUtf8(i.text) + "]";
}

static const char kEmptyFrame[] = "-1:-1|- - - - - - - - - -";
static const char kAlways[] = "0 0-6 1-12 1-31 0-23 0-59 0-59";

// Tables are sized from the highest index, a sequence's frames from its #
// lines (N lines too); rules keep file order; indices above 4095 or without
// digits are skipped by every pass, so a huge number allocates nothing.
TEST(LoadSkin, CountingPassesSizeTheTables) {
    ASSERT_EQ(1,
              LoadScript("#0 100\r\n#5 200 1\r\n#5 300\r\n#3 n\r\nG2,a.bmp,0,0\r\nm1,a.bmp,0,0\r\nS3,1,0,0,0,0,0,x\r\n"
                         "$3 0 * * * * *\r\n$1 6 1 1 0 0 0\r\n#4000000000 1\r\n#4096 1\r\n#x\r\nG,a.bmp,0,0\r\n"
                         "M5000,a.bmp,0,0\r\nS-1,1,1,1,1,1,1,none\r\n"));
    const SkinTables &t = skinTables;
    EXPECT_EQ("0,0,0,0,0,0 2 1 3 5 2", SizesText(t));
    const int32_t counts[] = {1, 0, 0, 1, 0, 2}, regular[] = {1, 1, 1, 0, 1, 1};
    for (int n = 0; n <= 5; n++) {
        EXPECT_EQ(Join({counts[n], regular[n]}), Join({t.frameCount[n], t.regular[n]})) << "sequence " << n;
        EXPECT_EQ(kEmptyFrame, FrameText(t.sequences[n][counts[n]])) << "sequence " << n;
    }
    EXPECT_EQ("300:300|- - - - - - - - - -", FrameText(t.sequences[5][1]));
    EXPECT_EQ("3 0 1-12 1-31 0-23 0-59 0-59|1 6 1 1 0 0 0", RuleText(t.rules[1]) + "|" + RuleText(t.rules[2]));

    ASSERT_EQ(1, LoadScript("#4095 7\r\n"));
    EXPECT_EQ("7:7|- - - - - - - - - -", FrameText(skinTables.sequences[4095][0]));

    // A sequence keeps its first 4096 frames; the lines after them fill nothing.
    std::string frames;
    for (int f = 1; f <= 4097; f++) frames += "#0 " + std::to_string(f) + "\r\n";
    ASSERT_EQ(1, LoadScript(frames));
    EXPECT_EQ(4096, skinTables.frameCount[0]);
    EXPECT_EQ("4096:4096|- - - - - - - - - -", FrameText(skinTables.sequences[0][4095]));
    EXPECT_EQ(kEmptyFrame, FrameText(skinTables.sequences[0][4096]));
}

// Each row is a one-line script; the first letter picks what is shown.
TEST(LoadSkin, EveryLineKind) {
    const std::pair<std::string, std::string> rows[] = {
        {"#0 100:250 1", "100:250|g1 - - - - - - - - -"},
        {"#0 5 3 4:1 s2:5:6 S7", "5:5|g3 g4:1 s2:5:6 s7 - - - - - -"},
        {"#0 5 1,2,3 -1 4", "5:5|g1 g2 g3 - - - - - - -"},
        {"#0 5 1 2 3 4 5 6 7 8 9 10 11", "5:5|g1 g2 g3 g4 g5 g6 g7 g8 g9 -"},                  // nine layers
        {"#0 5 s0:1:2:3:4:5:6:7:8:9:10:11 3", "5:5|s0:1:2:3:4:5:6:7:8:9 g3 - - - - - - - -"},  // ten choices
        {"#0 5 1 :3 2", "5:5|g1 - - - - - - - - -"},  // a mask without a graphic ends the list
        {"$0 1-5 * * 9-17 0,30 0", "0 1-5 1-12 1-31 9-17 0,30 0"},
        {"$0 5-1 * * * * 1-3,7x9", "0  1-12 1-31 0-23 0-59 1-3,7,9"},
        {"$2 0,6 *", "2 0,6 1-12    "},
        {"$1 9 13 0-40 25 60 99", "1   1-31   "},  // items outside a field are ignored, ranges clipped
        {"$4000000000 * * * * * *", "-1 0-6 1-12 1-31 0-23 0-59 0-59"},
        {"d64 64 4 4", "64,64,4,4,172,252 0 0 0 0 0"},
        {"F Ta,ho,ma", "Ta"},
        {"fxVeryLongFaceNameBeyondFifteen,", "VeryLongFaceNam"},
        {"S0,10,0,0,255,0,0,Hello world", "10,16711680,0,0 [Hello world]"},
        {"s0,12,300,0,7,1,2", "12,459007,1,2 []"},  // components clamped
        {"S0,8,1,2,3,4,5, " + std::string(200, 'x'), "8,197121,4,5 [ " + std::string(126, 'x') + "]"},
        {"g0,b.bmp,5,6,7", "b.bmp 5,6,7,1 loaded"},
        {"M0,b.bmp,8,9,1", "b.bmp 8,9,1,0 loaded"},
        {"G0 a.bmp 0 0", " 0,0,0,0 -"},  // no comma after the file name
    };
    for (const auto &[line, expected] : rows) {
        ASSERT_EQ(1, LoadScript(line + "\r\n"));
        const SkinTables &t = skinTables;
        switch (std::toupper((unsigned char)line[0])) {
        case '#': EXPECT_EQ(expected, FrameText(t.sequences[0][0])) << line; break;
        case '$': EXPECT_EQ(expected + "|" + kAlways, RuleText(t.rules[1]) + "|" + RuleText(t.rules[0])) << line; break;
        case 'D': EXPECT_EQ(expected, SizesText(t)) << line; break;
        case 'F': EXPECT_EQ(expected, TestUtf8(t.fontFace)) << line; break;
        case 'S': EXPECT_EQ(expected, TextItemText(t.texts[0])) << line; break;
        case 'G': EXPECT_EQ(expected, ImageText(t.graphics[0])) << line; break;
        case 'M': EXPECT_EQ(expected, ImageText(t.masks[0])) << line; break;
        }
    }
}

// pondlet-tool sheet: a small skin's frames as the compositor draws them.
#include "tool.h"

#include "device.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// The first cell's top-left corner in the sheet, and its scale.
const int kCellX = 96, kCellY = 8, kScale = 2;

void WriteSmallSkin(const TestFolder &root, const std::string &extra) {
    BmpSpec picture{.width = 2, .height = 2, .bitsPerPixel = 8, .palette = {0x000000, 0x0000F8, 0x00FC00, 0xF80000}};
    picture.pixels = {0, 1, 2, 3};  // index 0, the key, is not drawn
    WriteBmpFile(root.path / "skin" / "p.bmp", picture);
    WriteTestFile(root.path / "skin" / "skin.txt", "D4,2,0,0\r\nG0,p.bmp,1,0,0\r\n#0 100 0\r\n" + extra);
}

ScreenImage Sheet(const TestFolder &root, std::vector<std::string> args, std::vector<std::string> *labels = nullptr) {
    args.insert(args.begin(), root.path.string());
    SheetCommand options;
    std::string error;
    EXPECT_EQ(1, ParseSheetArguments(args, &options, &error)) << error;
    ScreenImage sheet;
    std::ostringstream errors;
    EXPECT_EQ(1, DrawSheet(options, &sheet, errors, labels)) << errors.str();
    return sheet;
}

// Work-area pixel (x, y) of the first frame.
COLORREF Cell(const ScreenImage &sheet, int x, int y) {
    return sheet.pixels[(size_t)(kCellY + y * kScale) * sheet.width + kCellX + x * kScale];
}

}  // namespace

TEST(ToolSheet, FramePixelsAsTheCompositorDrawsThem) {
    TestFolder root("toolsheet");
    WriteSmallSkin(root, "");
    const struct {
        const char *screen, *blend;
        COLORREF expected[2][4];  // rows of the 4 x 2 work area
    } rows[] = {
        // screen, blend, expected pixels: checks are E0E0E0 (even 4x4 cells)
        {"240x320x24", "100%", {{0xE0E0E0, 0xE0E0E0, 0x0000F8, 0xE0E0E0}, {0xE0E0E0, 0x00FC00, 0xF80000, 0xE0E0E0}}},
        {"240x320x24", "50%", {{0xE0E0E0, 0xE0E0E0, 0x7070E8, 0xE0E0E0}, {0xE0E0E0, 0x70EC70, 0xE87070, 0xE0E0E0}}},
        // a 16-bit screen shows 5-6-5 colours, read back with their top bits repeated
        {"240x320x16", "100%", {{0xE7E3E7, 0xE7E3E7, 0x0000FF, 0xE7E3E7}, {0xE7E3E7, 0x00FF00, 0xFF0000, 0xE7E3E7}}},
        // an 8-bit screen's palette colours; "Half" draws every other pixel only
        {"240x320x8", "half", {{0xDBDBDB, 0xDBDBDB, 0x0000FF, 0xDBDBDB}, {0xDBDBDB, 0x00FF00, 0xDBDBDB, 0xDBDBDB}}},
    };
    for (const auto &row : rows) {
        ScreenImage sheet = Sheet(root, {"--screen", row.screen, "--blend", row.blend});
        for (int i = 0; i < 8; i++)
            EXPECT_EQ(row.expected[i / 4][i % 4], Cell(sheet, i % 4, i / 4))
                << row.screen << " " << row.blend << " at " << i % 4 << "," << i / 4 << std::hex << ": got "
                << Cell(sheet, i % 4, i / 4);
    }
}

// Time texts are expanded for --at. The cell shows the first choice, whatever
// the program would pick: a layer choosing among "AB" and "ZZ" draws as one
// offering "AB" only.
TEST(ToolSheet, TextsFollowAtAndShowTheFirstChoice) {
    TestFolder root("toolsheet");
    WriteSmallSkin(root, "D40,20,0,0\r\nS0,12,0,0,0,0,0,%h\r\n#0 100 s0\r\n");
    ScreenImage seven = Sheet(root, {"--at", "2024-05-06 07:00:00"});
    EXPECT_NE(seven.pixels, Sheet(root, {"--at", "2024-05-06 08:00:00"}).pixels);
    EXPECT_EQ(seven.pixels, Sheet(root, {"--at", "2024-05-06 07:59:59"}).pixels);
    const std::string texts = "D40,20,0,0\r\nS0,12,0,0,0,0,0,AB\r\nS1,12,0,0,0,0,0,ZZ\r\n";
    WriteSmallSkin(root, texts + "#0 100 s0:0:0:0\r\n");
    ScreenImage first = Sheet(root, {});
    WriteSmallSkin(root, texts + "#0 100 s0:1:1:1\r\n");
    EXPECT_EQ(first.pixels, Sheet(root, {}).pixels);
}

TEST(ToolSheet, LabelsMarkWhatTheFrameHides) {
    const struct {
        const char *extra;
        std::vector<std::string> labels;
    } rows[] = {
        // a minus sign reads as no number, -1, which waits weeks too
        {"#0 500:100 0\r\n#0 -5 0\r\n",
         {"0.0 100ms / line 3", "0.1 500:100 WRAPS / line 4", "0.2 -1:-1 WRAPS / line 5"}},
        // words after '#' make a blank one-second frame; a blank frame ends its sequence
        {"# 1 frames\r\n#0 200\r\n#0 300 0\r\n",
         {"0.0 100ms / line 3", "0.1 200ms / line 5 blank", "1.0 1000ms / line 4 blank"}},
        {"D4,2,0,0\r\nS0,12,0,0,0,0,0,a\r\nS1,12,0,0,0,0,0,b\r\n#1 100 0 s0:1:1\r\n",
         {"0.0 100ms / line 3", "1.0 100ms / line 7 text 1 of 3"}},
    };
    TestFolder root("toolsheet");
    for (const auto &row : rows) {
        WriteSmallSkin(root, row.extra);
        std::vector<std::string> labels;
        Sheet(root, {}, &labels);
        EXPECT_EQ(row.labels, labels) << row.extra;
    }
}

// A label gives back the bitmap and DC it draws in, also when one cannot be made.
TEST(ToolSheet, LabelsLeaveNoGdiObjectBehind) {
    ScreenImage image = BlankImage(64, 16, 0xFFFFFF);
    int live = DeviceLiveGdiObjects();
    DeviceFailNext("CreateCompatibleDC", 1, 1);
    EXPECT_GT(DrawLabel(&image, 0, 0, "Mo", 0), 0);
    EXPECT_EQ(0, DrawLabel(&image, 0, 0, "Mo", 0));
    EXPECT_EQ(live, DeviceLiveGdiObjects());
}

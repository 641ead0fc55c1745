// The bundled skin on the simulated device. Loaded by the real skin reader, it uses each feature of
// the format (its week's schedule is pondlet-tool's golden text). Run by the whole program, it gives
// golden screens (hashed after a fixed number of ticks) at every depth and opacity, at three times
// of day, one an hourly event showing its time text. A mismatch prints the table to paste back once
// the change is known to be right (look at the screens with pondlet-tool).
#include "core/process.h"
#include "device.h"
#include "shell/mainwindow.h"
#include "skin/script.h"
#include "support/golden_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

TEST(BundledSkinGolden, WholeScreens) {
    TestFolder folder("golden");
    fs::copy(BundledSkin(), folder.path / "pondlet");
    // The first sequence plays whatever the time; 40 ticks reach the time's own, and the third tick
    // after 08:59:59.9 shows the hourly bubble.
    const std::pair<SYSTEMTIME, int> times[] = {
        {{2026, 12, 1, 7, 12, 30, 0, 0}, 40},   // midday
        {{2026, 12, 1, 7, 3, 10, 0, 0}, 40},    // night
        {{2026, 12, 1, 7, 8, 59, 59, 900}, 3},  // 09:00 hourly
    };
    //  depth mode  midday      night       09:00 hourly
    const struct {
        int depth, mode;
        uint32_t hash[3];
    } golden[] = {
        {16, 0, {0x3F3B27EA, 0x0602B4EF, 0x92522F4A}}, {16, 1, {0xBA01EFE2, 0x38E5B4C8, 0x8D6FBAD1}},
        {16, 2, {0x3A136D1B, 0xEFE0FBF0, 0x02BB8BF4}}, {16, 3, {0x690FB8F2, 0xC578B13E, 0x723E0987}},
        {16, 4, {0x37432C4F, 0xBDDE4035, 0x3407EBC2}}, {24, 0, {0x1EEFDB49, 0x55FF3BC1, 0x5D0FE3D5}},
        {24, 1, {0x7ABCDD0D, 0xB0164CFD, 0x8CBD0F11}}, {24, 2, {0xB3F136F5, 0xBF72CB7D, 0x35646E31}},
        {24, 3, {0x299D87D9, 0xC6CC4A31, 0x2210E5ED}}, {24, 4, {0x8DEBAD53, 0xE7E1D6F7, 0xFD2ACF93}},
        {32, 0, {0x1EEFDB49, 0x55FF3BC1, 0x5D0FE3D5}}, {32, 1, {0x7ABCDD0D, 0xB0164CFD, 0x8CBD0F11}},
        {32, 2, {0xB3F136F5, 0xBF72CB7D, 0x35646E31}}, {32, 3, {0x299D87D9, 0xC6CC4A31, 0x2210E5ED}},
        {32, 4, {0x8DEBAD53, 0xE7E1D6F7, 0xFD2ACF93}}, {8, 0, {0x2D5F474C, 0x72B9AAB4, 0xC5176A35}},
        {8, 4, {0x4ED4FB4D, 0x944F01F3, 0xCDE377D6}},
    };
    std::string table;
    bool same = true;
    for (const auto &row : golden) {
        char line[128];
        uint32_t got[3];
        for (int t = 0; t < 3; t++) {
            got[t] = RunAndHash(folder.path, row.depth, row.mode, times[t].first, times[t].second);
            same &= got[t] == row.hash[t];
        }
        std::snprintf(line, sizeof line, "        {%d, %d, {0x%08X, 0x%08X, 0x%08X}},\n", row.depth, row.mode, got[0],
                      got[1], got[2]);
        table += line;
    }
    EXPECT_TRUE(same) << "the screens changed; the table now reads:\n" << table;
}

// biBitCount of a BMP file in the bundled skin, or -1.
static int FileDepth(const WCHAR *fileName) {
    std::ifstream file(BundledSkin() / TestUtf8(fileName), std::ios::binary);
    unsigned char header[30] = {};
    if (!file.read(reinterpret_cast<char *>(header), sizeof header)) return -1;
    return header[28] | header[29] << 8;
}

// Every feature of the format appears somewhere: keyed palette pictures, a picture cut out by a
// mask of its own size, 1-bit and keyed 8-bit masks, a picture partly outside the work area,
// lively regular sequences, events, a clock text and a text layer with several choices. The skin
// is alone below a fresh executable folder, so no Select dialog shows.
TEST(BundledSkin, UsesEveryFeature) {
    TestFolder folder("bundled");
    ResetProcessState();
    DeviceReset();
    fs::copy(BundledSkin(), folder.path / "pondlet");
    ASSERT_TRUE(SetTestFolder(TestDevicePath(folder.path, true)));
    SetScreenSize(240, 320);
    ASSERT_EQ(LoadSkin(), 1);
    for (const DeviceMessageBox &box : DeviceMessageBoxes()) ADD_FAILURE() << "message box: " << DeviceUtf8(box.text);
    const SkinTables &t = skinTables;
    std::set<std::string> found;
    if (t.areaWidth >= 64 && t.areaWidth <= 96 && t.areaX == 240 - t.marginRight - t.areaWidth) found.insert("D line");
    if (t.fontFace[0]) found.insert("F line");
    for (int i = 0; i <= t.graphicMax; i++) {
        const ImageRecord &g = t.graphics[i];
        if (g.hasTransparentKey) found.insert(std::to_string(g.bitsPerPixel) + "-bit keyed picture");
        if (g.x < t.areaWidth && g.y < t.areaHeight && (g.x + g.width > t.areaWidth || g.y + g.height > t.areaHeight))
            found.insert("picture partly outside");
    }
    for (int i = 0; i <= t.maskMax; i++) {
        int depth = FileDepth(t.masks[i].fileName);
        if (depth == 1 || (depth == 8 && t.masks[i].transparentKey != 0))
            found.insert(std::to_string(depth) + "-bit mask");
    }
    int lively = 0, events = 0;
    for (int n = 0; n <= t.sequenceMax; n++) {
        bool randomTime = false;
        for (int f = 0; f < t.frameCount[n] && !IsEndMarker(&t.sequences[n][f], 0); f++) {
            const Frame &frame = t.sequences[n][f];
            randomTime |= frame.duration >= 0 && frame.duration < frame.durationMax;
            for (int k = 0; k < kLayerSlots && !IsEndMarker(&frame, k); k++) {
                int graphic = frame.layerGraphic[k], mask = frame.layerMask[k];
                if (graphic == -1 && frame.layerTextLast[k] >= 2) found.insert("text layer of three choices");
                if (graphic < 0 || t.graphics[graphic].hasTransparentKey) continue;
                const ImageRecord &g = t.graphics[graphic];
                bool fits = mask >= 0 && mask <= t.maskMax && t.masks[mask].width == g.width &&
                            t.masks[mask].height == g.height;
                EXPECT_TRUE(fits) << "sequence " << n << " frame " << f << ": graphic " << graphic
                                  << " has no key nor mask";
                if (fits) found.insert(std::to_string(g.bitsPerPixel) + "-bit picture with a mask");
            }
        }
        lively += t.regular[n] && randomTime && t.frameCount[n] >= 4;
        events += !t.regular[n];
    }
    if (lively >= 3) found.insert("3 lively regular sequences");
    if (events >= 2) found.insert("2 events");
    for (int i = 0; i <= t.textMax; i++)
        if (TestUtf8(t.texts[i].text) == "%h:%m") found.insert("%h:%m text");
    for (const char *feature : {"D line", "F line", "4-bit keyed picture", "8-bit keyed picture",
                                "24-bit picture with a mask", "1-bit mask", "8-bit mask", "picture partly outside",
                                "3 lively regular sequences", "2 events", "%h:%m text", "text layer of three choices"})
        EXPECT_TRUE(found.count(feature)) << "no " << feature;
}

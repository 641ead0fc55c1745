// The bundled skin, loaded by the real skin reader on the simulated device:
// every picture loads, every frame refers to something that exists, the
// transparency of each picture can work on any display, and the schedule
// picks the intended sequence at the intended times.
#include "device.h"
#include "engine/schedule.h"
#include "graphics/pixels.h"
#include "shell/globals.h"
#include "skin/script.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// skins/pondlet beside this file's tests/ folder.
fs::path BundledSkin() {
    return fs::path(__FILE__).parent_path().parent_path().parent_path() / "skins" / "pondlet";
}

// biBitCount of a BMP file in the bundled skin, or -1.
int FileDepth(const WCHAR *fileName) {
    std::ifstream file(BundledSkin() / TestUtf8(fileName), std::ios::binary);
    unsigned char header[30] = {};
    if (!file.read(reinterpret_cast<char *>(header), sizeof header)) return -1;
    return header[28] | header[29] << 8;
}

SYSTEMTIME At(WORD weekday, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDayOfWeek = weekday;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    t.wMilliseconds = 200;
    return t;
}

// The skin is copied alone below a fresh executable folder, so the catalogue
// finds exactly one skin and shows no Select dialog.
class BundledSkinTest : public ::testing::Test {
protected:
    TestFolder folder{"bundled"};

    void SetUp() override {
        DeviceReset();
        fs::copy(BundledSkin(), folder.path / "pondlet");
        ASSERT_TRUE(CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(folder.path, true)));
        screenWidth = 240;
        screenHeight = 320;
        ASSERT_EQ(LoadSkin(), 1);
        for (const DeviceMessageBox &box : DeviceMessageBoxes())
            ADD_FAILURE() << "message box: " << DeviceUtf8(box.text);
        animation = AnimationState{};
    }

    const SkinTables &t = skinTables;

    bool AnyGraphic(bool (*test)(const ImageRecord &)) const {
        for (int i = 0; i <= t.graphicMax; i++)
            if (test(t.graphics[i])) return true;
        return false;
    }
};

TEST_F(BundledSkinTest, EveryPictureAndMaskLoads) {
    EXPECT_EQ(t.areaWidth, 80);
    EXPECT_EQ(t.areaHeight, 80);
    EXPECT_EQ(t.areaX, 240 - 4 - 80);
    EXPECT_EQ(t.areaY, 320 - 4 - 80);
    EXPECT_EQ(TestUtf8(t.fontFace), "Tahoma");
    for (int i = 0; i <= t.graphicMax; i++)
        EXPECT_NE(t.graphics[i].pixels, nullptr) << "graphic " << i << " " << TestUtf8(t.graphics[i].fileName);
    for (int i = 0; i <= t.maskMax; i++)
        EXPECT_NE(t.masks[i].pixels, nullptr) << "mask " << i << " " << TestUtf8(t.masks[i].fileName);
}

TEST_F(BundledSkinTest, PicturesUseEveryKindOfTransparency) {
    struct Kind {
        const char *name;
        bool (*test)(const ImageRecord &);
    } kinds[] = {
        {"1-bit keyed picture", [](const ImageRecord &g) { return g.bitsPerPixel == 1 && g.hasTransparentKey; }},
        {"4-bit keyed picture", [](const ImageRecord &g) { return g.bitsPerPixel == 4 && g.hasTransparentKey; }},
        {"8-bit keyed picture", [](const ImageRecord &g) { return g.bitsPerPixel == 8 && g.hasTransparentKey; }},
        {"24-bit picture without key", [](const ImageRecord &g) { return g.bitsPerPixel == 24 && !g.hasTransparentKey; }},
        {"picture partly outside the work area", [](const ImageRecord &g) {
             bool starts = g.x < skinTables.areaWidth && g.y < skinTables.areaHeight;
             return starts && (g.x + g.width > skinTables.areaWidth || g.y + g.height > skinTables.areaHeight);
         }},
    };
    for (const Kind &kind : kinds) EXPECT_TRUE(AnyGraphic(kind.test)) << "no " << kind.name;

    bool oneBitMask = false, keyedEightBitMask = false;
    for (int i = 0; i <= t.maskMax; i++) {
        int depth = FileDepth(t.masks[i].fileName);
        oneBitMask |= depth == 1;
        keyedEightBitMask |= depth == 8 && t.masks[i].transparentKey != 0;
    }
    EXPECT_TRUE(oneBitMask) << "no mask from a 1-bit file";
    EXPECT_TRUE(keyedEightBitMask) << "no mask from an 8-bit file with a key";
}

// On a 16- or 24-bit display every palette entry of the key's colour is
// transparent, so no visible index may share it, even at 5-6-5 precision.
TEST_F(BundledSkinTest, KeyColourIsUsedOnlyByTheKey) {
    for (int i = 0; i <= t.graphicMax; i++) {
        const ImageRecord &g = t.graphics[i];
        if (!g.hasTransparentKey || !g.palette) continue;
        ASSERT_LT(g.transparentKey, 1u << g.bitsPerPixel) << "graphic " << i;
        uint32_t key = g.palette[g.transparentKey] & 0xF8FCF8;
        for (int y = 0; y < g.height; y++)
            for (int x = 0; x < g.width; x++) {
                uint32_t index = ReadPixelIndex(&g, x, y);
                if (index != g.transparentKey && (g.palette[index] & 0xF8FCF8) == key)
                    ADD_FAILURE() << "graphic " << i << " pixel " << x << "," << y << " index " << index
                                  << " has the key colour " << key;
            }
    }
}

// Every layer names a loaded picture; a picture without a key has a mask of
// its own size that leaves its corners out and its middle in; text choices
// name texts that S lines set.
TEST_F(BundledSkinTest, FramesReferToWhatExists) {
    for (int n = 0; n <= t.sequenceMax; n++)
        for (int f = 0; f < t.frameCount[n] && !IsEndMarker(&t.sequences[n][f], 0); f++) {
            const Frame &frame = t.sequences[n][f];
            EXPECT_GT(frame.duration, 0) << "sequence " << n << " frame " << f;
            for (int k = 0; k < kLayerSlots && !IsEndMarker(&frame, k); k++) {
                std::string where = "sequence " + std::to_string(n) + " frame " + std::to_string(f) +
                                    " slot " + std::to_string(k);
                if (frame.layerGraphic[k] == -1) {
                    for (int c = 0; c <= frame.layerTextLast[k]; c++) {
                        int32_t text = frame.layerText[k][c];
                        ASSERT_TRUE(text >= 0 && text <= t.textMax) << where;
                        EXPECT_GT(t.texts[text].height, 0) << where << " text " << text;
                    }
                    continue;
                }
                ASSERT_LE(frame.layerGraphic[k], t.graphicMax) << where;
                const ImageRecord &g = t.graphics[frame.layerGraphic[k]];
                if (g.hasTransparentKey) continue;
                ASSERT_TRUE(frame.layerMask[k] >= 0 && frame.layerMask[k] <= t.maskMax) << where << " needs a mask";
                const ImageRecord &m = t.masks[frame.layerMask[k]];
                EXPECT_EQ(m.width, g.width) << where;
                EXPECT_EQ(m.height, g.height) << where;
                EXPECT_EQ(ReadPixel(&m, 0, 0), 1u) << where << ": a corner is drawn";
                EXPECT_EQ(ReadPixel(&m, g.width / 2, g.height / 2), 0u) << where << ": the middle is cut";
            }
        }
}

TEST_F(BundledSkinTest, SequencesLiveAndTalk) {
    int lively = 0, events = 0, textChoices = 0;
    for (int n = 0; n <= t.sequenceMax; n++) {
        bool randomTime = false;
        for (int f = 0; f < t.frameCount[n]; f++) {
            const Frame &frame = t.sequences[n][f];
            randomTime |= frame.duration >= 0 && frame.duration < frame.durationMax;
            for (int k = 0; k < kLayerSlots && !IsEndMarker(&frame, k); k++)
                if (frame.layerGraphic[k] == -1 && frame.layerTextLast[k] > textChoices)
                    textChoices = frame.layerTextLast[k];
        }
        if (t.regular[n] && randomTime && t.frameCount[n] >= 4) lively++;
        if (!t.regular[n]) events++;
    }
    EXPECT_GE(lively, 3) << "regular sequences of several frames with random display times";
    EXPECT_GE(events, 2);
    EXPECT_GE(textChoices, 2) << "a text layer with at least three choices";
    bool clock = false;
    for (int i = 0; i <= t.textMax; i++) clock |= TestUtf8(t.texts[i].text) == "%h:%m";
    EXPECT_TRUE(clock) << "no %h:%m text";
}

// Monday 7 December 2026 and the days after it; the hour decides.
TEST_F(BundledSkinTest, ScheduleChoosesByTimeOfDayAndWeekday) {
    enum { kIdle, kMorning, kEvening, kNight, kWeekend };
    struct Case {
        const char *when;
        SYSTEMTIME now;
        int sequence;
    } cases[] = {
        {"Mon 08:30", At(1, 7, 8, 30, 0), kMorning},
        {"Mon 12:00", At(1, 7, 12, 0, 0), kIdle},
        {"Mon 19:15", At(1, 7, 19, 15, 0), kEvening},
        {"Mon 23:30", At(1, 7, 23, 30, 0), kNight},
        {"Tue 03:00", At(2, 8, 3, 0, 0), kNight},
        {"Sat 12:00", At(6, 12, 12, 0, 0), kWeekend},
        {"Sun 17:59", At(0, 13, 17, 59, 59), kWeekend},
        {"Sun 08:00", At(0, 13, 8, 0, 0), kMorning},
        {"Sat 20:00", At(6, 12, 20, 0, 0), kEvening},
    };
    for (const Case &c : cases) {
        SelectRuleForNow(&c.now);
        EXPECT_EQ(t.rules[animation.currentRule].sequence, c.sequence) << c.when;
    }
}

// An event takes over when its second passes between two ticks.
TEST_F(BundledSkinTest, EventsInterruptOnTheHourAndOnceADay) {
    enum { kHourly = 5, kDaily = 6 };
    struct Case {
        const char *when;
        SYSTEMTIME since, now;
        int sequence;   // -1: whatever the regular rules chose
    } cases[] = {
        {"Mon 10:00", At(1, 7, 10, 0, 0), At(1, 7, 10, 0, 1), kHourly},
        {"Mon 08:00 over the morning", At(1, 7, 8, 0, 0), At(1, 7, 8, 0, 1), kHourly},
        {"Mon 15:00", At(1, 7, 15, 0, 0), At(1, 7, 15, 0, 1), kDaily},
        {"Sat 15:00 over the weekend", At(6, 12, 15, 0, 0), At(6, 12, 15, 0, 1), kDaily},
        {"Mon 10:30", At(1, 7, 10, 30, 0), At(1, 7, 10, 30, 1), -1},
        {"Mon 02:00 asleep", At(1, 7, 2, 0, 0), At(1, 7, 2, 0, 1), -1},
    };
    for (const Case &c : cases) {
        SelectRuleForNow(&c.now);
        int regular = t.rules[animation.currentRule].sequence;
        animation.lastTickTime = c.since;
        CheckEventRules(&c.now, 100);
        int expected = c.sequence < 0 ? regular : c.sequence;
        EXPECT_EQ(t.rules[animation.currentRule].sequence, expected) << c.when;
    }
}

}  // namespace

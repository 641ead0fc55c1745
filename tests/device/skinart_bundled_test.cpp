// The bundled skin, loaded by the real skin reader on the simulated device:
// every picture loads, each feature of the format is used, and the schedule
// picks the intended sequence at the intended times.
#include "core/process.h"
#include "device.h"
#include "engine/schedule.h"
#include "shell/mainwindow.h"
#include "skin/script.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace {

namespace fs = std::filesystem;

fs::path BundledSkin() { return fs::path(__FILE__).parent_path().parent_path().parent_path() / "skins" / "pondlet"; }

// biBitCount of a BMP file in the bundled skin, or -1.
int FileDepth(const WCHAR *fileName) {
    std::ifstream file(BundledSkin() / TestUtf8(fileName), std::ios::binary);
    unsigned char header[30] = {};
    if (!file.read(reinterpret_cast<char *>(header), sizeof header)) return -1;
    return header[28] | header[29] << 8;
}

// The skin alone below a fresh executable folder, so no Select dialog shows.
class BundledSkinTest : public ::testing::Test {
  protected:
    TestFolder folder{"bundled"};

    void SetUp() override {
        ResetProcessState();
        DeviceReset();
        fs::copy(BundledSkin(), folder.path / "pondlet");
        ASSERT_TRUE(SetTestFolder(TestDevicePath(folder.path, true)));
        SetScreenSize(240, 320);
        ASSERT_EQ(LoadSkin(), 1);
        for (const DeviceMessageBox &box : DeviceMessageBoxes())
            ADD_FAILURE() << "message box: " << DeviceUtf8(box.text);
        ResetAnimation();
    }

    const SkinTables &t = skinTables;
};

TEST_F(BundledSkinTest, EveryPictureAndMaskLoads) {
    for (int i = 0; i <= t.graphicMax; i++)
        EXPECT_NE(t.graphics[i].pixels, nullptr) << "graphic " << i << " " << TestUtf8(t.graphics[i].fileName);
    for (int i = 0; i <= t.maskMax; i++)
        EXPECT_NE(t.masks[i].pixels, nullptr) << "mask " << i << " " << TestUtf8(t.masks[i].fileName);
}

// Every feature of the format appears somewhere: keyed palette pictures,
// a picture cut out by a mask of its own size, 1-bit and keyed 8-bit masks,
// a picture partly outside the work area, lively regular sequences, events,
// a clock text and a text layer with several choices.
TEST_F(BundledSkinTest, UsesEveryFeature) {
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

// December 2026, from Monday the 7th: the sequence the regular rules choose
// at the first second of a minute, then the one playing once an event's
// second has passed between two ticks (the regular one when none is due).
TEST_F(BundledSkinTest, ScheduleByTimeOfDayWeekdayAndEvents) {
    enum { kIdle, kMorning, kEvening, kNight, kWeekend, kHourly, kDaily };
    const struct {
        const char *when;
        WORD weekday, day, hour, minute;
        int regular, afterEvent;
    } cases[] = {
        {"Mon 08:30", 1, 7, 8, 30, kMorning, kMorning},   {"Mon 12:30", 1, 7, 12, 30, kIdle, kIdle},
        {"Mon 19:15", 1, 7, 19, 15, kEvening, kEvening},  {"Mon 23:30", 1, 7, 23, 30, kNight, kNight},
        {"Sat 12:30", 6, 12, 12, 30, kWeekend, kWeekend}, {"Mon 10:00", 1, 7, 10, 0, kIdle, kHourly},
        {"Mon 15:00", 1, 7, 15, 0, kIdle, kDaily},        {"Mon 02:00 asleep", 1, 7, 2, 0, kNight, kNight},
    };
    for (const auto &c : cases) {
        ResetAnimation();
        SYSTEMTIME now = {2026, 12, c.weekday, c.day, c.hour, c.minute, 1, 200};
        SelectRuleForNow(&now);
        int regular = t.rules[animation.currentRule].sequence;
        AnimationState state = animation;
        state.lastTickTime = now;
        state.lastTickTime.wSecond = 0;
        SetAnimationState(&state);
        CheckEventRules(&now, 100);
        EXPECT_EQ(std::to_string(c.regular) + " then " + std::to_string(c.afterEvent),
                  std::to_string(regular) + " then " + std::to_string(t.rules[animation.currentRule].sequence))
            << c.when;
    }
}

}  // namespace

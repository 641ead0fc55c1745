// The animation tick on the simulated device: the pixels each step leaves on
// the screen, transparency, clipping, the timer plan, pausing, moving, and
// the clock-dependent parts of the schedule.
#include "device.h"
#include "engine/compose.h"
#include "engine/schedule.h"
#include "engine/tick.h"
#include "graphics/pixels.h"
#include "graphics/surfaces.h"
#include "shell/globals.h"
#include "support/engine_skin.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

namespace {

// Colours already at 5-6-5 precision, so the screen shows them unchanged.
const COLORREF kDesk = 0x808080;   // what the desktop shows
const COLORREF kRed = 0x0000F8;
const COLORREF kGreen = 0x00FC00;
const COLORREF kBlue = 0xF80000;
const int kAreaW = 6, kAreaH = 4;   // 18-byte rows: the work DIB pads them to 20
const int kAreaX = 30, kAreaY = 40;

std::string Hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "0x%06X", value);
    return text;
}

class TickTest : public ::testing::Test {
protected:
    TestSkin skin;
    std::vector<std::vector<BYTE>> stores;   // pixel buffers of the test's pictures

    void SetUp() override {
        DeviceReset();
        DeviceSetScreen(64, 64, 24, kDesk);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = WSTR("TickTest");
        RegisterClassW(&wc);
        mainWindow = CreateWindowExW(0, WSTR("TickTest"), WSTR(""), 0, 0, 0, CW_USEDEFAULT,
                                     CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        screenWidth = 64;
        screenHeight = 64;
        offsetX = offsetY = 0;
        moveBusy = 0;
        blendMode = kBlendFull;
        displayFormat = DisplayFormat{};
        displayFormat.depth = 24;
        displayFormat.channelMask[0] = 0xF8;
        displayFormat.channelMask[1] = 0xFC;
        displayFormat.channelMask[2] = 0xF8;
        animation = AnimationState{};
        animation.backgroundRefreshPending = 1;
        stores.reserve(16);
    }
    void TearDown() override { ClearTestSkin(); }

    // The skin as built so far becomes the tables; the surfaces follow.
    void Start(int32_t areaW = kAreaW, int32_t areaH = kAreaH) {
        UseTestSkin(skin);
        skinTables.areaWidth = areaW;
        skinTables.areaHeight = areaH;
        skinTables.marginRight = 64 - kAreaX - areaW;
        skinTables.marginBottom = 64 - kAreaY - areaH;
        skinTables.areaX = kAreaX;
        skinTables.areaY = kAreaY;
        screenDC = GetDC(nullptr);
        ASSERT_EQ(1, CreateWorkSurfaces());
        mascotShown = 0;
    }
    int32_t AddPicture(int32_t x, int32_t y, int32_t w, int32_t h, int32_t depth, uint32_t fill,
                       const uint32_t *palette = nullptr) {
        stores.emplace_back();
        ImageRecord picture = TestPicture(stores.back(), w, h, depth, fill, palette);
        picture.x = x;
        picture.y = y;
        skin.graphics.push_back(picture);
        return (int32_t)skin.graphics.size() - 1;
    }
    COLORREF Shown(int x, int y) { return DeviceReadScreen(kAreaX + x, kAreaY + y); }
    int Covered(int x, int y) { return coverageMask[y * kAreaW + x]; }
    // Milliseconds until the next WM_TIMER of the main window, or -1 when no
    // timer runs.
    int64_t NextTimerAfter() {
        uint64_t start = DeviceElapsed();
        DeviceSetRunLimit(start + 20000000);
        try {
            MSG msg;
            GetMessageW(&msg, mainWindow, WM_TIMER, WM_TIMER);
        } catch (const DeviceRunEnded &) {
            return -1;
        }
        return (int64_t)(DeviceElapsed() - start);
    }
};

TEST_F(TickTest, BlendModesMixCoveredPixelsWithTheBackground) {
    int32_t red = AddPicture(1, 1, 2, 1, 24, kRed);
    AddTestSequence(skin, {TestFrame(100, 100, {{red, -1, {}}})});
    Start();
    struct Row {
        int32_t mode;
        COLORREF at11, at21;  // (1, 1) and (2, 1): the checker's two parities
    } rows[] = {
        {kBlendFull, kRed, kRed},
        {kBlend75, 0x2020D8, 0x2020D8},
        {kBlend50, 0x4040B8, 0x4040B8},
        {kBlend25, 0x606098, 0x606098},
        {kBlendChecker, kRed, kDesk},  // the screen's pixel stays where the checker skips
    };
    for (const Row &row : rows) {
        DeviceFillScreen(0, 0, 64, 64, kDesk);
        animation.backgroundRefreshPending = 1;
        animation.frameIndex = 0;
        blendMode = row.mode;
        AnimationTick(mainWindow);
        EXPECT_EQ(Hex(row.at11), Hex(Shown(1, 1))) << "mode " << row.mode;
        EXPECT_EQ(Hex(row.at21), Hex(Shown(2, 1))) << "mode " << row.mode;
        EXPECT_EQ(Hex(kDesk), Hex(Shown(0, 0))) << "mode " << row.mode << ", uncovered";
    }
}

// The second tick sees the first frame on the screen: blending uses the saved
// background, the checker keeps the screen's (previous frame's) pixel, and
// pixels the frame no longer covers get the background back.
TEST_F(TickTest, SecondTickBlendsWithTheBackgroundAndErasesTheOldFrame) {
    int32_t wide = AddPicture(0, 0, 3, 1, 24, kRed);
    int32_t narrow = AddPicture(1, 0, 1, 1, 24, kRed);
    AddTestSequence(skin, {TestFrame(100, 100, {{wide, -1, {}}}), TestFrame(100, 100, {{narrow, -1, {}}})});
    Start();
    AnimationTick(mainWindow);
    ASSERT_EQ(Hex(kRed), Hex(Shown(0, 0)));
    blendMode = kBlend50;
    AnimationTick(mainWindow);
    EXPECT_EQ(Hex(0x4040B8), Hex(Shown(1, 0))) << "blended with the desktop, not the red on screen";
    EXPECT_EQ(Hex(kDesk), Hex(Shown(0, 0))) << "no longer covered: erased";
    EXPECT_EQ(Hex(kDesk), Hex(Shown(2, 0)));

    skin.sequences[0][1].layerGraphic[0] = wide;
    animation.frameIndex = 0;
    blendMode = kBlendFull;
    AnimationTick(mainWindow);
    blendMode = kBlendChecker;
    AnimationTick(mainWindow);
    EXPECT_EQ(Hex(kRed), Hex(Shown(0, 0))) << "checker writes where x and y share parity";
    EXPECT_EQ(Hex(kRed), Hex(Shown(1, 0))) << "checker leaves the screen's pixel";
}

TEST_F(TickTest, AnotherProgramsPaintingBecomesBackgroundOnlyWhileTheMascotIsShown) {
    int32_t red = AddPicture(0, 0, 2, 2, 24, kRed);
    AddTestSequence(skin, {TestFrame(100, 100, {{red, -1, {}}})});
    Start();
    AnimationTick(mainWindow);
    DeviceFillScreen(kAreaX, kAreaY, kAreaW, kAreaH, kGreen);
    blendMode = kBlend50;
    AnimationTick(mainWindow);
    EXPECT_EQ(Hex(kGreen), Hex(Shown(4, 3))) << "the painting stays as background";
    EXPECT_EQ(Hex(0x007C78), Hex(Shown(0, 0))) << "red blended with the new background";

    // With mascotShown clear the screen is not compared, so a painting is
    // overwritten by the saved background.
    DeviceFillScreen(kAreaX, kAreaY, kAreaW, kAreaH, kBlue);
    mascotShown = 0;
    AnimationTick(mainWindow);
    EXPECT_EQ(Hex(kGreen), Hex(Shown(4, 3)));
}

// Palette entries 1 and 2 share the key's colour; entry 3 differs.
const uint32_t kKeyPalette[16] = {kDesk, kGreen, kGreen, kRed};

TEST_F(TickTest, TransparencyByColourIndexOrMask) {
    skin.graphics.resize(1);  // graphic 0 is never loaded
    // Columns 0-3 hold palette indices 0-3 (4 bits); the key is index 1.
    stores.emplace_back();
    ImageRecord keyed = TestPicture(stores.back(), 4, 1, 4, 0, kKeyPalette);
    for (int x = 0; x < 4; x++)
        keyed.pixels[x / 2] |= (BYTE)(x << ((x & 1) ? 0 : 4));
    keyed.hasTransparentKey = 1;
    keyed.transparentKey = 1;
    skin.graphics.push_back(keyed);
    int32_t keyedIndex = (int32_t)skin.graphics.size() - 1;
    // A 1-bit mask whose bit is 1 at column 1 only, and only one row high.
    static const uint32_t maskPalette[2] = {0, 1};
    stores.emplace_back();
    ImageRecord mask = TestPicture(stores.back(), 4, 1, 1, 0, maskPalette);
    mask.pixels[0] = 0x40;
    skin.masks.push_back(mask);
    int32_t maskIndex = (int32_t)skin.masks.size() - 1;
    int32_t plain = AddPicture(0, 1, 4, 2, 24, kBlue);
    AddTestSequence(skin, {TestFrame(100, 100, {})});
    Start();
    struct Row {
        const char *what;
        int32_t depth, graphic, mask;
        uint32_t key;
        int32_t hasKey;
        const char *row1, *row2;  // coverage of columns 0-3 in rows 0 and 1 (row 2 = row 1)
    } rows[] = {
        {"24-bit display: every entry of the key's colour", 24, keyedIndex, -1, 1, 1, "1001", "0000"},
        {"16-bit recorded as other depth: like 24", 32, keyedIndex, -1, 1, 1, "1001", "0000"},
        {"8-bit display: only the key's index", 8, keyedIndex, -1, 1, 1, "1011", "0000"},
        {"a key past the palette: the mask decides", 24, keyedIndex, maskIndex, 16, 1, "1011", "0000"},
        {"no key, mask bit 1 cuts", 24, keyedIndex, maskIndex, 1, 0, "1011", "0000"},
        {"24-bit picture with a key: the mask decides", 24, plain, maskIndex, 0, 1, "0000", "1011"},
        {"mask one row high: below it opaque", 24, plain, maskIndex, 0, 0, "0000", "1011"},
        {"no mask: opaque", 24, plain, -1, 0, 0, "0000", "1111"},
        {"mask outside the table: opaque", 24, plain, 99, 0, 0, "0000", "1111"},
        {"graphic outside the table: skipped", 24, 99, -1, 0, 0, "0000", "0000"},
        {"graphic never loaded: skipped", 24, 0, -1, 0, 0, "0000", "0000"},
    };
    for (const Row &row : rows) {
        displayFormat.depth = row.depth;
        if (row.graphic >= 0 && row.graphic < (int32_t)skin.graphics.size()) {
            skinTables.graphics[row.graphic].transparentKey = row.key;
            skinTables.graphics[row.graphic].hasTransparentKey = row.hasKey;
        }
        Frame frame = TestFrame(100, 100, {{row.graphic, row.mask, {}}});
        memset(coverageMask, 0, kAreaW * kAreaH);
        ComposeFrameLayers(&frame);
        std::string first, second;
        for (int x = 0; x < 4; x++) {
            first += (char)('0' + Covered(x, 0));
            second += (char)('0' + Covered(x, 1));
        }
        // The plain picture starts at row 1: its second row lands on row 2.
        EXPECT_EQ(std::string(row.row1) + "/" + row.row2, first + "/" + second) << row.what;
    }
    EXPECT_EQ(Hex(kRed), Hex(ReadPixel(&frameSurface, 3, 0))) << "index 3 drawn in its colour";
}

TEST_F(TickTest, PicturesAreClippedToTheWorkArea) {
    struct Row {
        int32_t x, y;
        const char *coverage;  // rows top to bottom, columns left to right
    } rows[] = {
        {-2, 2, "000000/000000/110000/110000"},
        {4, -1, "000011/000011/000000/000000"},
        {-2147483647, 0, "000000/000000/000000/000000"},
        {2147483647, 2147483647, "000000/000000/000000/000000"},
    };
    int32_t picture = AddPicture(0, 0, 4, 3, 4, 1, kKeyPalette);
    Start();
    for (const Row &row : rows) {
        skinTables.graphics[picture].x = row.x;
        skinTables.graphics[picture].y = row.y;
        Frame frame = TestFrame(100, 100, {{picture, -1, {}}});
        memset(coverageMask, 0, kAreaW * kAreaH);
        ComposeFrameLayers(&frame);
        std::string coverage;
        for (int y = 0; y < kAreaH; y++) {
            if (y) coverage += '/';
            for (int x = 0; x < kAreaW; x++) coverage += (char)('0' + Covered(x, y));
        }
        EXPECT_EQ(row.coverage, coverage) << "picture at " << row.x << ", " << row.y;
    }
}

TEST_F(TickTest, TextLayersDrawOverPicturesAndBadChoicesAreSkipped) {
    const int32_t areaW = 32, areaH = 20;   // room for a whole glyph
    int32_t white = AddPicture(0, 0, areaW, areaH, 24, 0xF8FCF8);
    TextItem text = {};
    text.text[0] = u'W';
    text.height = 12;
    text.colour = kRed;
    skin.texts = {text, text};
    skin.texts[1].height = -1;  // never set by the skin
    Start(areaW, areaH);
    struct Row {
        const char *what;
        std::vector<int32_t> choices;
        int32_t last;
        int drawn;
    } rows[] = {
        {"a set text", {0}, 0, 1},
        {"a text no line set", {1}, 0, 0},
        {"a text outside the table", {7}, 0, 0},
        {"a choice count out of range", {0}, 10, 0},
        {"a negative choice count", {0}, -1, 0},
    };
    for (const Row &row : rows) {
        Frame frame = TestFrame(100, 100, {{white, -1, {}}, {-1, 0, row.choices}});
        frame.layerTextLast[1] = row.last;
        memset(coverageMask, 0, areaW * areaH);
        ComposeFrameLayers(&frame);
        int red = 0;
        for (int y = 0; y < areaH; y++)
            for (int x = 0; x < areaW; x++) red += ReadPixel(&frameSurface, x, y) == kRed;
        EXPECT_EQ(row.drawn, red > 0) << row.what << ": " << red << " text pixels";
    }
}

// The arithmetic is PlanTimerInterval's (tested on its own); here the tick
// measures from its plan and the timer really fires then.
TEST_F(TickTest, TimerKeepsThePlannedRhythm) {
    AddTestSequence(skin, {TestFrame(200, 200, {}), TestFrame(20000000, 20000000, {})});
    Start();
    struct Row {
        const char *what;
        int32_t frame, lateBy;
        bool planned;
        int64_t expected;
    } rows[] = {
        {"after a restart: the duration", 0, 0, false, 200},
        {"30 ms late", 0, 30, true, 170},
        {"above 10,000,000", 1, 0, false, 100},
    };
    for (const Row &row : rows) {
        animation.frameIndex = row.frame;
        animation.nextDueTick = row.planned ? GetTickCount() - row.lateBy : 0;
        uint32_t t0 = GetTickCount();
        AnimationTick(mainWindow);
        EXPECT_EQ(t0 + (uint32_t)row.expected, animation.nextDueTick) << row.what;
        EXPECT_EQ(row.expected, NextTimerAfter()) << row.what;
    }
}

TEST_F(TickTest, QueuedTimerMessagesAreDroppedAndAPausedTickDoesNothing) {
    int32_t red = AddPicture(0, 0, 1, 1, 24, kRed);
    AddTestSequence(skin, {TestFrame(500, 500, {{red, -1, {}}})});
    Start();
    PostMessageW(mainWindow, WM_TIMER, kAnimationTimer, 0);
    PostMessageW(mainWindow, WM_TIMER, kAnimationTimer, 0);
    AnimationTick(mainWindow);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, mainWindow, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_EQ(500, NextTimerAfter()) << "the only timer message left is the new plan's";

    PauseAnimation();
    EXPECT_EQ(Hex(kDesk), Hex(Shown(0, 0))) << "pausing puts the background back";
    uint64_t writes = DeviceScreenWrites();
    int32_t frameBefore = animation.frameIndex;
    AnimationTick(mainWindow);
    EXPECT_EQ(writes, DeviceScreenWrites()) << "a paused tick draws nothing";
    EXPECT_EQ(frameBefore, animation.frameIndex);
    EXPECT_EQ(-1, NextTimerAfter()) << "and sets no timer";

    RestartAnimation();
    EXPECT_EQ(0, animation.paused);
    EXPECT_EQ(1, NextTimerAfter()) << "restart ticks after 1 ms";
}

TEST_F(TickTest, SequencesAdvanceAndEndByTheSchedule) {
    int32_t red = AddPicture(0, 0, 1, 1, 24, kRed);
    int32_t two = AddTestSequence(skin, {TestFrame(100, 100, {{red, -1, {}}}), TestFrame(100, 100, {{red, -1, {}}})});
    int32_t empty = AddTestSequence(skin, {});
    int32_t layerless = AddTestSequence(skin, {TestFrame(300, 300, {}), TestFrame(100, 100, {{red, -1, {}}})});
    skin.rules = {TestRuleAlways(two), TestRuleNever(two)};
    Start();
    AnimationTick(mainWindow);
    EXPECT_EQ(1, animation.frameIndex);
    AnimationTick(mainWindow);
    EXPECT_EQ(0, animation.frameIndex) << "after the last frame the schedule starts again";
    EXPECT_EQ(0, animation.currentRule);

    // A sequence without frames: nothing drawn, never past its end marker, 1 s wait.
    skinTables.rules[0].sequence = empty;
    animation.nextDueTick = 0;
    AnimationTick(mainWindow);
    EXPECT_EQ(0, animation.frameIndex);
    EXPECT_EQ(Hex(kDesk), Hex(Shown(0, 0)));
    EXPECT_EQ(1000, NextTimerAfter());

    // A frame filled without layers shows nothing for its own time; the
    // sequence then goes on with its next frame.
    skinTables.rules[0].sequence = layerless;
    AnimationTick(mainWindow);
    EXPECT_EQ(1, animation.frameIndex) << "the frame after it comes next";
    EXPECT_EQ(300, NextTimerAfter());

    // A rule whose sequence is outside the table is not followed.
    skinTables.rules[0].sequence = 99;
    AnimationTick(mainWindow);
    EXPECT_EQ(0, animation.frameIndex);
    EXPECT_EQ(1000, NextTimerAfter());
}

TEST_F(TickTest, MoveAreaRedrawsAtTheNewPlaceAndAdvances) {
    int32_t red = AddPicture(0, 0, 1, 1, 24, kRed);
    AddTestSequence(skin, {TestFrame(100, 100, {{red, -1, {}}}), TestFrame(100, 100, {{red, -1, {}}}),
                           TestFrame(100, 100, {{red, -1, {}}})});
    Start();
    AnimationTick(mainWindow);
    ASSERT_EQ(Hex(kRed), Hex(Shown(0, 0)));
    MoveArea(10, 0);
    EXPECT_EQ(kAreaX + 10, skinTables.areaX);
    EXPECT_EQ(kAreaY, skinTables.areaY);
    EXPECT_EQ(Hex(kDesk), Hex(DeviceReadScreen(kAreaX, kAreaY))) << "the old place is restored";
    EXPECT_EQ(Hex(kRed), Hex(DeviceReadScreen(kAreaX + 10, kAreaY))) << "drawn at once at the new place";
    EXPECT_EQ(2, animation.frameIndex);
    EXPECT_EQ(0, moveBusy);

    moveBusy = 1;
    MoveArea(5, 5);
    EXPECT_EQ(kAreaX + 10, skinTables.areaX) << "a move under way blocks another";
}

TEST_F(TickTest, TimeTextAndRandomOnTheDeviceClock) {
    DeviceSetLocalTime(TestTime(2009, 8, 3, 1, 7, 5, 9));
    WCHAR out[kTimeTextUnits];
    EXPECT_EQ(1, FormatTimeText(out, WSTR("%h:%m:%s %D/%M/%Y 100%% x%q")));
    EXPECT_EQ("07:05:09 03/08/09 100% x%q", DeviceUtf8(out));
    DeviceSetLocalTime(TestTime(2010, 12, 31, 5, 23, 59, 58));
    FormatTimeText(out, WSTR("%Y%M%D%h%m%s"));
    EXPECT_EQ("101231235958", DeviceUtf8(out));

    DeviceSeedRandom(7);
    uint32_t first = Random();
    DeviceSeedRandom(7);
    EXPECT_EQ(500u, RandomInRange(500, 500));
    EXPECT_EQ(first, Random()) << "RandomInRange(500, 500) drew a number";
}

} // namespace

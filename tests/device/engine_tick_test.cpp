// The animation tick on the simulated device: the pixels each step leaves on
// the screen, transparency, clipping, the timer plan, pausing, sequences,
// moving, and the clock-dependent time text.
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

namespace {

// Colours already at 5-6-5 precision, so the screen shows them unchanged.
const COLORREF kDesk = 0x808080, kRed = 0x0000F8, kGreen = 0x00FC00, kBlue = 0xF80000;
const int kAreaW = 6, kAreaH = 4;  // 18-byte rows: the work DIB pads them to 20
const int kAreaX = 30, kAreaY = 40;
// Palette entries 1 and 2 share the key's colour; entry 3 differs.
const uint32_t kKeyPalette[16] = {kDesk, kGreen, kGreen, kRed};

std::string Hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "0x%06X", value);
    return text;
}

class TickTest : public ::testing::Test {
protected:
    TestSkin skin;
    std::vector<std::vector<BYTE>> stores;  // pixels of the test's pictures

    void SetUp() override {
        DeviceReset();
        DeviceSetScreen(64, 64, 24, kDesk);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = WSTR("TickTest");
        RegisterClassW(&wc);
        mainWindow = CreateWindowExW(0, WSTR("TickTest"), WSTR(""), 0, 0, 0, CW_USEDEFAULT,
                                     CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        screenWidth = screenHeight = 64;
        offsetX = offsetY = moveBusy = 0;
        blendMode = kBlendFull;
        displayFormat = DisplayFormat{};
        displayFormat.depth = 24;
        displayFormat.channelMask[0] = displayFormat.channelMask[2] = 0xF8;
        displayFormat.channelMask[1] = 0xFC;
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
        skin.graphics.push_back(TestPicture(stores.back(), w, h, depth, fill, palette));
        skin.graphics.back().x = x;
        skin.graphics.back().y = y;
        return (int32_t)skin.graphics.size() - 1;
    }
    COLORREF Shown(int x, int y) { return DeviceReadScreen(kAreaX + x, kAreaY + y); }
    // The coverage of the area's rows top to bottom, as "0110/..." text.
    std::string Coverage(int columns, int rows, int areaW = kAreaW) {
        std::string text;
        for (int y = 0; y < rows; y++) {
            if (y) text += '/';
            for (int x = 0; x < columns; x++) text += (char)('0' + coverageMask[y * areaW + x]);
        }
        return text;
    }
    std::string Compose(const Frame &frame, int columns, int rows) {
        memset(coverageMask, 0, (size_t)skinTables.areaWidth * skinTables.areaHeight);
        ComposeFrameLayers(&frame);
        return Coverage(columns, rows, skinTables.areaWidth);
    }
    // Milliseconds until the main window's next WM_TIMER, -1 when none runs.
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

// Covered pixels blend with the saved background, not with the screen; the
// checker leaves the screen's pixel where it skips; pixels no longer covered
// get the background back; another program's painting becomes background
// only while the mascot is shown.
TEST_F(TickTest, EachStepLeavesTheRightPixels) {
    int32_t wide = AddPicture(0, 0, 3, 2, 24, kRed), narrow = AddPicture(1, 0, 1, 1, 24, kRed);
    AddTestSequence(skin, {TestFrame(100, 100, {{wide, -1, {}}}), TestFrame(100, 100, {{narrow, -1, {}}})});
    Start();
    // Each tick follows the one before, unless fresh: on the bare desktop at
    // frame 0. paint (0: none) covers the area first; shown (-1: as the last
    // tick left it) sets mascotShown. (0, 0) and (1, 0) have the checker's two parities.
    const struct {
        const char *what;
        bool fresh;
        int32_t mode;
        COLORREF paint;
        int32_t shown;
        COLORREF at00, at10, at43;
    } steps[] = {
        {"75%", true, kBlend75, 0, -1, 0x2020D8, 0x2020D8, kDesk},
        {"50%", true, kBlend50, 0, -1, 0x4040B8, 0x4040B8, kDesk},
        {"25%", true, kBlend25, 0, -1, 0x606098, 0x606098, kDesk},
        {"checker: the screen's pixel where it skips", true, kBlendChecker, 0, -1, kRed, kDesk, kDesk},
        {"100%", true, kBlendFull, 0, -1, kRed, kRed, kDesk},
        {"narrow at 50%: blend with the desk, erase the rest", false, kBlend50, 0, -1, kDesk, 0x4040B8, kDesk},
        {"wide", false, kBlendFull, 0, -1, kRed, kRed, kDesk},
        {"narrow, checker: the screen's red stays", false, kBlendChecker, 0, -1, kDesk, kRed, kDesk},
        {"painted while shown: becomes background", false, kBlend50, kGreen, -1, 0x007C78, 0x007C78, kGreen},
        {"painted while not shown: overwritten", false, kBlendFull, kBlue, 0, kGreen, kRed, kGreen},
    };
    for (const auto &step : steps) {
        if (step.fresh) {
            DeviceFillScreen(0, 0, 64, 64, kDesk);
            animation.backgroundRefreshPending = 1;
            animation.frameIndex = 0;
        }
        if (step.paint) DeviceFillScreen(kAreaX, kAreaY, kAreaW, kAreaH, step.paint);
        if (step.shown >= 0) mascotShown = step.shown;
        blendMode = step.mode;
        AnimationTick(mainWindow);
        std::string got = Hex(Shown(0, 0)) + " " + Hex(Shown(1, 0)) + " " + Hex(Shown(4, 3));
        EXPECT_EQ(Hex(step.at00) + " " + Hex(step.at10) + " " + Hex(step.at43), got) << step.what;
    }
}

TEST_F(TickTest, TransparencyByColourIndexOrMask) {
    skin.graphics.resize(1);  // graphic 0 is never loaded
    // Columns 0-3 hold palette indices 0-3 (4 bits).
    int32_t keyed = AddPicture(0, 0, 4, 1, 4, 0, kKeyPalette);
    skin.graphics[keyed].pixels[0] = 0x01;
    skin.graphics[keyed].pixels[1] = 0x23;
    // A 1-bit mask whose bit is 1 at column 1 only, one row high.
    static const uint32_t maskPalette[2] = {0, 1};
    stores.emplace_back();
    skin.masks.push_back(TestPicture(stores.back(), 4, 1, 1, 0, maskPalette));
    stores.back()[0] = 0x40;
    int32_t mask = (int32_t)skin.masks.size() - 1;
    int32_t plain = AddPicture(0, 1, 4, 2, 24, kBlue);
    Start();
    const struct {
        const char *what;
        int32_t depth, graphic, mask;
        uint32_t key;
        int32_t hasKey;
        const char *coverage;  // columns 0-3 of rows 0-2
    } rows[] = {
        {"24-bit display: every entry of the key's colour", 24, keyed, -1, 1, 1, "1001/0000/0000"},
        {"display recorded as 32: like 24", 32, keyed, -1, 1, 1, "1001/0000/0000"},
        {"8-bit display: only the key's index", 8, keyed, -1, 1, 1, "1011/0000/0000"},
        {"a key past the palette: the mask decides", 24, keyed, mask, 16, 1, "1011/0000/0000"},
        {"no key, mask bit 1 cuts", 24, keyed, mask, 1, 0, "1011/0000/0000"},
        {"24-bit picture with a key: the mask decides", 24, plain, mask, 0, 1, "0000/1011/1111"},
        {"no mask: opaque", 24, plain, -1, 0, 0, "0000/1111/1111"},
        {"mask outside the table: opaque", 24, plain, 99, 0, 0, "0000/1111/1111"},
        {"graphic outside the table: skipped", 24, 99, -1, 0, 0, "0000/0000/0000"},
        {"graphic never loaded: skipped", 24, 0, -1, 0, 0, "0000/0000/0000"},
    };
    for (const auto &row : rows) {
        displayFormat.depth = row.depth;
        if (row.graphic == keyed || row.graphic == plain) {
            skinTables.graphics[row.graphic].transparentKey = row.key;
            skinTables.graphics[row.graphic].hasTransparentKey = row.hasKey;
        }
        EXPECT_EQ(row.coverage, Compose(TestFrame(100, 100, {{row.graphic, row.mask, {}}}), 4, 3)) << row.what;
    }
    EXPECT_EQ(Hex(kRed), Hex(ReadPixel(&frameSurface, 3, 0))) << "index 3 drawn in its colour";
}

TEST_F(TickTest, PicturesAreClippedToTheWorkArea) {
    const struct { int32_t x, y; const char *coverage; } rows[] = {
        {-2, 2, "000000/000000/110000/110000"},
        {4, -1, "000011/000011/000000/000000"},
        {-2147483647, 0, "000000/000000/000000/000000"},
        {2147483647, 2147483647, "000000/000000/000000/000000"},
    };
    int32_t picture = AddPicture(0, 0, 4, 3, 4, 1, kKeyPalette);
    Start();
    for (const auto &row : rows) {
        skinTables.graphics[picture].x = row.x;
        skinTables.graphics[picture].y = row.y;
        EXPECT_EQ(row.coverage, Compose(TestFrame(100, 100, {{picture, -1, {}}}), kAreaW, kAreaH))
            << "picture at " << row.x << ", " << row.y;
    }
}

TEST_F(TickTest, TextLayersDrawOverPicturesAndBadChoicesAreSkipped) {
    const int32_t areaW = 32, areaH = 20;  // room for a whole glyph
    int32_t white = AddPicture(0, 0, areaW, areaH, 24, 0xF8FCF8);
    TextItem text = {{u'W'}, 0, 0, 12, kRed};
    skin.texts = {text, text};
    skin.texts[1].height = -1;  // never set by the skin
    Start(areaW, areaH);
    const struct { const char *what; int32_t choice, last; bool drawn; } rows[] = {
        /* what                           choice layerTextLast drawn */
        {"a set text", 0, 0, true},
        {"a text no line set", 1, 0, false},
        {"a text outside the table", 7, 0, false},
        {"a choice count out of range", 0, 10, false},
        {"a negative choice count", 0, -1, false},
    };
    for (const auto &row : rows) {
        Frame frame = TestFrame(100, 100, {{white, -1, {}}, {-1, 0, {row.choice}}});
        frame.layerTextLast[1] = row.last;
        Compose(frame, 0, 0);
        int red = 0;
        for (int y = 0; y < areaH; y++)
            for (int x = 0; x < areaW; x++) red += ReadPixel(&frameSurface, x, y) == kRed;
        EXPECT_EQ(row.drawn, red > 0) << row.what << ": " << red << " text pixels";
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

// The timer arithmetic is PlanTimerInterval's (tested on its own); here the
// tick measures from its plan and the timer really fires then.
TEST_F(TickTest, SequencesAdvanceAndTheTimerKeepsThePlan) {
    int32_t red = AddPicture(0, 0, 1, 1, 24, kRed);
    Frame redFrame = TestFrame(100, 100, {{red, -1, {}}});
    int32_t two = AddTestSequence(skin, {redFrame, redFrame});
    int32_t huge = AddTestSequence(skin, {TestFrame(20000000, 20000000, {})});
    int32_t empty = AddTestSequence(skin, {});
    int32_t layerless = AddTestSequence(skin, {TestFrame(300, 300, {}), redFrame});
    Start();
    const struct {
        const char *what;
        int32_t sequence, lateBy, frameAfter;  // lateBy -1: no plan, as after a restart
        COLORREF shown;
        int64_t wait;
    } steps[] = {
        {"first of two, after a restart: the duration",        two, -1, 1, kRed, 100},
        {"the last, 30 ms late; then the schedule starts again", two, 30, 0, kRed, 70},
        {"above 10,000,000 ms: 100",                           huge, -1, 0, kDesk, 100},
        {"no frames: nothing drawn, 1 s, never past the end",  empty, -1, 0, kDesk, 1000},
        {"no layers: nothing for its time, then the next",     layerless, -1, 1, kDesk, 300},
        {"a sequence outside the table is not followed",       99, -1, 0, kDesk, 1000},
    };
    for (const auto &step : steps) {
        skinTables.rules[0].sequence = step.sequence;
        animation.nextDueTick = step.lateBy < 0 ? 0 : GetTickCount() - step.lateBy;
        uint32_t t0 = GetTickCount();
        AnimationTick(mainWindow);
        EXPECT_EQ(step.frameAfter, animation.frameIndex) << step.what;
        EXPECT_EQ(Hex(step.shown), Hex(Shown(0, 0))) << step.what;
        EXPECT_EQ(t0 + (uint32_t)step.wait, animation.nextDueTick) << step.what;
        EXPECT_EQ(step.wait, NextTimerAfter()) << step.what;
    }
}

TEST_F(TickTest, MoveAreaRedrawsAtTheNewPlaceAndAdvances) {
    int32_t red = AddPicture(0, 0, 1, 1, 24, kRed);
    Frame redFrame = TestFrame(100, 100, {{red, -1, {}}});
    AddTestSequence(skin, {redFrame, redFrame, redFrame});
    Start();
    AnimationTick(mainWindow);
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

// Start-up, the single instance, the tray icon and the main window's messages,
// driven through WinMain on the simulated device.
#include "shell_run.h"

#include <gtest/gtest.h>

namespace {

uint32_t HandleValue(const std::string &bytes) {
    if (bytes.size() != 4) return 0;
    return (uint32_t)(uint8_t)bytes[0] | (uint32_t)(uint8_t)bytes[1] << 8 |
           (uint32_t)(uint8_t)bytes[2] << 16 | (uint32_t)(uint8_t)bytes[3] << 24;
}

TEST(ShellStart, ShowsTheMascotAddsTheTrayIconAndWritesTheHandle) {
    ShellRun run;
    bool shownAtStart = false;
    run.At(500, [&] { shownAtStart = MascotShownAt(kAreaX, kAreaY); });
    run.Run(1000);
    ASSERT_FALSE(run.ended) << "the program ended early with " << run.exitCode;
    EXPECT_TRUE(shownAtStart);
    EXPECT_EQ(HandleValue(run.HandleFile()), (uint32_t)(uintptr_t)DeviceMainWindow())
        << "__tmp holds " << run.HandleFile().size() << " bytes";
    ASSERT_EQ(DeviceTrayIcons().size(), 1u);
    const DeviceTrayIcon &icon = DeviceTrayIcons()[0];
    EXPECT_EQ(icon.window, DeviceMainWindow());
    EXPECT_EQ(icon.id, 106u);
    EXPECT_EQ(icon.callbackMessage, 1026u);
    EXPECT_EQ(DeviceUtf8(icon.tip), "QXTIMER");
    EXPECT_TRUE(DeviceMutexHeld(u"Pondlet"));
    EXPECT_EQ(exeFolder, TestDevicePath(run.folder.path / "test", true))
        << "exeFolder " << TestUtf8(exeFolder);
}

TEST(ShellStart, DepthIsRecordedAndPartialOpacitiesNeedTwentyFourBits) {
    struct Row {
        int depth, recorded, mode;
    } rows[] = {
        /* depth recorded blendMode */
        {16, 24, 2},
        {24, 24, 2},
        {32, 24, 2},
        {8, 8, 0},  // only "100%" and "Half" exist there
    };
    for (const Row &row : rows) {
        ShellRun run(row.depth);
        bool shown = false;
        run.At(300, [&] { shown = MascotShownAt(kAreaX, kAreaY); });
        run.Run(500);
        EXPECT_EQ(displayFormat.depth, row.recorded) << "screen depth " << row.depth;
        EXPECT_EQ(blendMode, row.mode) << "screen depth " << row.depth;
        EXPECT_TRUE(shown) << "screen depth " << row.depth;
    }
}

TEST(ShellStart, TapHidesAndShowsAgain) {
    ShellRun run;
    std::vector<COLORREF> before = ScreenPixels();
    int changedWhileHidden = -1, pausedWhileHidden = -1, pausedAfter = -1;
    bool shownAfter = false;
    run.Act(500, DeviceTrayTap);
    run.At(700, [&] {
        changedWhileHidden = ChangedPixels(before);
        pausedWhileHidden = animation.paused;
    });
    run.Act(800, DeviceTrayTap);
    run.At(1000, [&] {
        shownAfter = MascotShownAt(kAreaX, kAreaY);
        pausedAfter = animation.paused;
    });
    run.Run(1200);
    EXPECT_EQ(changedWhileHidden, 0);
    EXPECT_EQ(pausedWhileHidden, 1);
    EXPECT_TRUE(shownAfter);
    EXPECT_EQ(pausedAfter, 0);
}

// Something else moved our window: the last frame stays, the timer stops.
TEST(ShellStart, WindowPosChangedLeavesTheLastFrameAndATapResumes) {
    ShellRun run;
    bool frameStays = false;
    int pausedAfterMove = -1, pausedAfterTap = -1;
    uint64_t writesAtMove = 0, writesLater = 0;
    run.Act(500, DeviceWindowMoved);
    run.At(501, [&] { writesAtMove = DeviceScreenWrites(); });
    run.At(900, [&] {
        frameStays = MascotShownAt(kAreaX, kAreaY);
        pausedAfterMove = animation.paused;
        writesLater = DeviceScreenWrites();
    });
    run.Act(1000, DeviceTrayTap);
    run.At(1200, [&] { pausedAfterTap = animation.paused; });
    run.Run(1300);
    EXPECT_TRUE(frameStays);
    EXPECT_EQ(pausedAfterMove, 1);
    EXPECT_EQ(writesLater, writesAtMove) << "the screen was drawn while stopped";
    EXPECT_EQ(pausedAfterTap, 0);
}

// The mascot keeps its distance from the right and bottom edges, the user's
// move included, and our own resize does not stop it. The old place gets its
// background back before the restart captures the screen: after changes
// there, back and to the same size and a tap, not one pixel of a frame may stay behind.
TEST(ShellStart, SettingsChangeKeepsTheDistanceToTheEdgesAndLeavesNoGhost) {
    ShellRun run;
    std::vector<COLORREF> before = ScreenPixels();
    DeviceAction change;
    change.kind = DeviceSettingsChange;
    change.width = 320;
    change.height = 240;
    run.At(400, [] { offsetX = -5; offsetY = 3; });
    DeviceQueueAction(500, change);
    int32_t x = 0, y = 0, width = 0, height = 0, paused = -1;
    bool shown = false;
    run.At(800, [&] {
        x = skinTables.areaX;
        y = skinTables.areaY;
        width = screenWidth;
        height = screenHeight;
        paused = animation.paused;
        shown = MascotShownAt(x, y);
    });
    change.width = 240;
    change.height = 320;
    DeviceQueueAction(950, change);
    DeviceQueueAction(1150, change);   // the old place stays on the screen this time
    run.Act(1300, DeviceTrayTap);
    int changed = -1;
    run.At(1400, [&] { changed = ChangedPixels(before); });
    run.Run(1500);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(x, 320 - kMargin - kAreaSize - 5);
    EXPECT_EQ(y, 240 - kMargin - kAreaSize + 3);
    EXPECT_EQ(paused, 0);
    EXPECT_TRUE(shown);
    EXPECT_EQ(changed, 0);
}

TEST(ShellStart, AFailedSkinLoadEndsTheProgramWithoutATrayIcon) {
    ShellRun run(16, false);
    run.Run(5000);
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(DeviceMessageBoxes().empty()) << "the skin failure was not told";
    EXPECT_TRUE(DeviceTrayIcons().empty());
    EXPECT_EQ(run.HandleFile().size(), 4u) << "__tmp is still written";
}

// Without work surfaces the animation stays stopped whatever the tray or the
// panel asks, and nothing is drawn.
TEST(ShellStart, AfterASurfaceFailureNothingIsDrawn) {
    struct Row {
        const char *call;
        const char *message;
    } rows[] = {
        {"CreateDIBSection", "baseBmp error ("},
        {"CreateCompatibleDC", "baseDC error ("},
    };
    for (const Row &row : rows) {
        ShellRun run;
        DeviceFailNext(row.call, 1);
        std::vector<COLORREF> before = ScreenPixels();
        run.Act(500, DeviceTrayTap);
        run.Act(700, DeviceTrayDoubleTap);
        run.Act(800, DevicePress, kPanelRight);
        run.Act(900, DeviceEscape);
        run.Act(1000, DeviceTrayTap);
        run.Run(1500);
        EXPECT_FALSE(run.ended) << row.call;
        ASSERT_FALSE(DeviceMessageBoxes().empty()) << row.call;
        EXPECT_EQ(DeviceUtf8(DeviceMessageBoxes()[0].caption), "Error") << row.call;
        EXPECT_EQ(DeviceUtf8(DeviceMessageBoxes()[0].text).rfind(row.message, 0), 0u)
            << row.call << ": " << DeviceUtf8(DeviceMessageBoxes()[0].text);
        ASSERT_FALSE(DeviceBeeps().empty()) << row.call;
        EXPECT_EQ(DeviceBeeps()[0], 64u) << row.call;
        EXPECT_EQ(ChangedPixels(before), 0) << row.call;
        EXPECT_EQ(animation.paused, 1) << row.call;
        EXPECT_EQ(DeviceTrayIcons().size(), 1u) << row.call;
    }
}

// A second copy: it finds the mutex taken, sends the handle in __tmp the
// double-tap message and ends with 0, creating nothing.
TEST(ShellStart, SecondStartHandsOverToTheHandleInTheFile) {
    static std::vector<LPARAM> received;
    struct Row {
        int fileBytes;   // -1: no file
        bool sent;
    } rows[] = {{4, true}, {3, false}, {0, false}, {-1, false}};
    for (const Row &row : rows) {
        ShellRun run;
        received.clear();
        WNDCLASSW recorder = {};
        recorder.lpszClassName = WSTR("Running copy");
        recorder.lpfnWndProc = [](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
            if (message == 1026) received.push_back(lParam);
            return 0;
        };
        RegisterClassW(&recorder);
        HWND running = CreateWindowExW(0, WSTR("Running copy"), WSTR(""), 0, 0, 0, 10, 10,
                                       nullptr, nullptr, nullptr, nullptr);
        uint32_t value = (uint32_t)(uintptr_t)running;
        std::string bytes = {(char)value, (char)(value >> 8), (char)(value >> 16),
                             (char)(value >> 24)};
        if (row.fileBytes >= 0) {
            WriteTestFile(run.folder.path / "__tmp", bytes.substr(0, row.fileBytes));
        }
        DeviceHoldMutex(u"Pondlet");
        run.Run(1000);
        EXPECT_TRUE(run.ended) << row.fileBytes << " bytes";
        EXPECT_EQ(run.exitCode, 0) << row.fileBytes << " bytes";
        EXPECT_EQ(received.size(), row.sent ? 1u : 0u) << row.fileBytes << " bytes";
        if (row.sent && !received.empty()) {
            EXPECT_EQ(received[0], 515);
        }
        EXPECT_TRUE(DeviceTrayIcons().empty());
    }
}

// The folder ends with a backslash (a single one in the root), the handle
// file round-trips beside the executable or is told as not saved, and the
// tray tip is cut to 63 characters (none given: empty).
TEST(ShellStart, ExeFolderHandleFileAndTrayTip) {
    struct Row {
        const char *executable, *folder;
    } rows[] = {{"/pondlet.exe", "\\"}, {"/a/b/pondlet.exe", "\\a\\b\\"}};
    for (const Row &row : rows) {
        DeviceReset();
        DeviceSetExecutable(row.executable);
        FindExeFolder();
        EXPECT_EQ(DeviceUtf8(exeFolder), row.folder) << row.executable;
    }
    TestFolder folder("shell-handle");
    DeviceReset();
    DeviceSetExecutable((folder.path / "pondlet.exe").string());
    SaveWindowHandle((HWND)(uintptr_t)0x12345678);
    EXPECT_EQ(LoadWindowHandle(), (HWND)(uintptr_t)0x12345678);
    DeviceSetExecutable((folder.path / "missing" / "pondlet.exe").string());
    SaveWindowHandle((HWND)(uintptr_t)0x1234);
    ASSERT_EQ(DeviceMessageBoxes().size(), 1u);
    EXPECT_EQ(DeviceUtf8(DeviceMessageBoxes()[0].text), "File Save error");
    EXPECT_EQ(DeviceUtf8(DeviceMessageBoxes()[0].caption), "Error");
    EXPECT_EQ(DeviceMessageBoxes()[0].owner, nullptr);

    std::u16string tip(80, u'x');
    AddTrayIcon(nullptr, nullptr, 7, tip.c_str());
    AddTrayIcon(nullptr, nullptr, 8, nullptr);
    ASSERT_EQ(DeviceTrayIcons().size(), 2u);
    EXPECT_EQ(DeviceTrayIcons()[0].tip, tip.substr(0, 63));
    EXPECT_EQ(DeviceTrayIcons()[1].tip, u"");
}

}  // namespace

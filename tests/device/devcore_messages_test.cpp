// The device's message queue, timers, idle clock jumps, scripted input and
// run limit, seen through a plain window that records what it receives.
#include "device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Received {
    uint64_t at;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Received> received;
// What the window does on each WM_TIMER (tests set it).
void (*onTimer)(HWND, WPARAM);

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    received.push_back({DeviceElapsed(), message, wParam, lParam});
    if (message == WM_TIMER && onTimer)
        onTimer(window, wParam);
    return 0;
}

HWND MakeWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = WSTR("Recorder");
    RegisterClassW(&wc);
    return CreateWindowExW(0, WSTR("Recorder"), WSTR("Recorder"), 0, 0, 0, CW_USEDEFAULT,
                           CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
}

// Runs the ordinary message loop until the run ends; returns where it ended.
uint64_t RunUntilEnd()
{
    try {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0))
            DispatchMessageW(&msg);
    } catch (const DeviceRunEnded &ended) {
        return ended.at;
    }
    return DeviceElapsed();
}

std::string Describe(const std::vector<Received> &list, UINT only)
{
    std::string out;
    for (const Received &r : list)
        if (!only || r.message == only)
            out += std::to_string(r.at) + ":" + std::to_string(r.message) + "/" +
                   std::to_string(r.wParam) + "/" + std::to_string(r.lParam) + " ";
    return out;
}

class DeviceMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceReset();
        received.clear();
        onTimer = nullptr;
        window = MakeWindow();
        ASSERT_NE(window, nullptr);
        received.clear();
    }
    HWND window = nullptr;
};

TEST_F(DeviceMessages, CreationSendsCreateAndTakesTheScreenSize)
{
    DeviceReset();
    received.clear();
    HWND made = MakeWindow();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, (UINT)WM_NCCREATE);
    EXPECT_EQ(received[1].message, (UINT)WM_CREATE);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(made, &rect));
    EXPECT_EQ(rect.right - rect.left, 240);
    EXPECT_EQ(rect.bottom - rect.top, 320);
    EXPECT_EQ(DeviceMainWindow(), made);
    EXPECT_LT((uintptr_t)made, (uintptr_t)1 << 32);
}

TEST_F(DeviceMessages, TimerFiresExactlyOnItsPeriodWhileTheLoopIsIdle)
{
    SetTimer(window, 7, 40, nullptr);
    DeviceSetRunLimit(130);
    EXPECT_EQ(RunUntilEnd(), 130u);
    EXPECT_EQ(Describe(received, WM_TIMER), "40:275/7/0 80:275/7/0 120:275/7/0 ");
    EXPECT_EQ(DeviceElapsed(), 130u);
}

TEST_F(DeviceMessages, AtMostOneTimerMessageWaitsAndKillTimerLeavesIt)
{
    SetTimer(window, 3, 10, nullptr);
    DeviceAdvance(100);  // ten periods go by while the program is busy
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    KillTimer(window, 3);
    int timers = 0;
    while (PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE))
        ++timers;
    EXPECT_EQ(timers, 1) << "one queued WM_TIMER, still there after KillTimer";
    EXPECT_EQ(DeviceElapsed(), 100u) << "PeekMessageW never moves the clock";
}

TEST_F(DeviceMessages, SettingATimerAgainRestartsItsPeriod)
{
    SetTimer(window, 900, 50, nullptr);
    DeviceAdvance(30);
    SetTimer(window, 900, 20, nullptr);  // replaces: due at 50, not 50 and 30+20
    DeviceSetRunLimit(95);
    RunUntilEnd();
    EXPECT_EQ(Describe(received, WM_TIMER), "50:275/900/0 70:275/900/0 90:275/900/0 ");
}

TEST_F(DeviceMessages, ReArmingFromTheHandlerKeepsTheRhythm)
{
    // The program's tick: stop the timer, drop queued ones, arm it again.
    onTimer = [](HWND w, WPARAM id) {
        KillTimer(w, id);
        MSG drop;
        while (PeekMessageW(&drop, w, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        }
        SetTimer(w, id, 25, nullptr);
    };
    SetTimer(window, 900, 1, nullptr);
    DeviceSetRunLimit(60);
    RunUntilEnd();
    EXPECT_EQ(Describe(received, WM_TIMER), "1:275/900/0 26:275/900/0 51:275/900/0 ");
}

TEST_F(DeviceMessages, ActionsDueWithATimerComeFirst)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = TRAY_RECORD_SIZE;
    icon.hWnd = window;
    icon.uID = 106;
    icon.uFlags = NIF_MESSAGE;
    icon.uCallbackMessage = 1026;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &icon));
    SetTimer(window, 1, 20, nullptr);
    DeviceAction tap;
    tap.kind = DeviceTrayTap;
    DeviceQueueAction(20, tap);
    DeviceAction doubleTap;
    doubleTap.kind = DeviceTrayDoubleTap;
    DeviceQueueAction(20, doubleTap);
    DeviceSetRunLimit(20);
    RunUntilEnd();
    EXPECT_EQ(Describe(received, 0), "20:1026/106/513 20:1026/106/515 20:275/1/0 ");
}

TEST_F(DeviceMessages, RunEndsAtTheLimitOrWhenNothingIsLeft)
{
    DeviceAction custom;
    int calls = 0;
    custom.custom = [&calls] { ++calls; };
    DeviceQueueAction(500, custom);
    DeviceQueueAction(1500, custom);
    DeviceSetRunLimit(1000);
    EXPECT_EQ(RunUntilEnd(), 1000u);
    EXPECT_EQ(calls, 1);

    DeviceReset();
    EXPECT_EQ(RunUntilEnd(), 0u) << "nothing to wait for ends the run at once";
}

TEST_F(DeviceMessages, QuitComesAfterMessagesPostedBeforeIt)
{
    PostMessageW(window, WM_USER + 1, 0, 0);
    PostQuitMessage(4);
    PostMessageW(window, WM_USER + 2, 0, 0);
    MSG msg;
    std::vector<UINT> order;
    while (GetMessageW(&msg, nullptr, 0, 0))
        order.push_back(msg.message);
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(msg.wParam, 4u);
}

TEST_F(DeviceMessages, DestroyedWindowLosesTimersAndMessages)
{
    SetTimer(window, 1, 10, nullptr);
    PostMessageW(window, WM_USER, 0, 0);
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(Describe(received, 0), "0:2/0/0 0:130/0/0 ");
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PostMessageW(window, WM_USER, 0, 0));
    EXPECT_FALSE(DestroyWindow(window));
}

TEST_F(DeviceMessages, SystemNoticesReachTheMainWindow)
{
    struct Row {
        DeviceActionKind kind;
        UINT message;
    };
    const Row rows[] = {
        {DeviceSettingsChange, WM_SETTINGCHANGE},
        {DeviceWindowMoved, WM_WINDOWPOSCHANGED},
        {DeviceHelp, WM_HELP},
    };
    for (const Row &row : rows) {
        received.clear();
        DeviceAction action;
        action.kind = row.kind;
        action.width = 320;
        action.height = 240;
        EXPECT_TRUE(DeviceApplyAction(action));
        EXPECT_EQ(Describe(received, 0), "0:" + std::to_string(row.message) + "/0/0 ");
    }
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right, 320);
    EXPECT_EQ(rect.bottom, 240);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 320);
}

TEST_F(DeviceMessages, TrayIconsAreAddedChangedAndRemoved)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = TRAY_RECORD_SIZE;
    icon.hWnd = window;
    icon.uID = 106;
    icon.uFlags = NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = 1026;
    for (int i = 0; i < 64; ++i)
        icon.szTip[i] = u'x';  // no terminator: the tip stops at 63 units
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &icon));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &icon)) << "same window and id twice";
    ASSERT_EQ(DeviceTrayIcons().size(), 1u);
    EXPECT_EQ(DeviceTrayIcons()[0].tip.size(), 63u);
    icon.uFlags = NIF_TIP;
    icon.szTip[0] = 0;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icon));
    EXPECT_EQ(DeviceTrayIcons()[0].tip, u"");
    EXPECT_EQ(DeviceTrayIcons()[0].callbackMessage, 1026u);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &icon));
    DeviceAction tap;
    tap.kind = DeviceTrayTap;
    EXPECT_FALSE(DeviceApplyAction(tap)) << "no icon to tap";
}

TEST_F(DeviceMessages, NamedMutexReportsASecondCreation)
{
    HANDLE first = CreateMutexW(nullptr, TRUE, WSTR("Pondlet"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    HANDLE second = CreateMutexW(nullptr, TRUE, WSTR("Pondlet"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(ReleaseMutex(first));
    EXPECT_FALSE(ReleaseMutex(second)) << "the second handle never owned it";
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(DeviceMutexHeld(u"Pondlet")) << "released but a handle is still open";
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_FALSE(DeviceMutexHeld(u"Pondlet"));
    CreateMutexW(nullptr, TRUE, WSTR("Pondlet"));
    EXPECT_EQ(GetLastError(), 0u);
    DeviceProcessEnded();
    EXPECT_FALSE(DeviceMutexHeld(u"Pondlet"));

    DeviceHoldMutex(u"Pondlet");
    CreateMutexW(nullptr, TRUE, WSTR("Pondlet"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS) << "another copy holds it";
}

} // namespace

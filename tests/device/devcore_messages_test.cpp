// The device's message queue, timers, idle clock jumps, scripted input and
// run limit, seen through a plain window that records what it receives.
#include "device.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::string received;  // "at:message/wParam/lParam " per message
std::function<void(HWND, WPARAM)> onTimer;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    received += std::to_string(DeviceElapsed()) + ":" + std::to_string(message) + "/" +
                std::to_string(wParam) + "/" + std::to_string(lParam) + " ";
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

class DeviceMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceReset();
        received.clear();
        onTimer = nullptr;
        window = MakeWindow();
        ASSERT_NE(window, nullptr);
    }
    HWND window = nullptr;
};

TEST_F(DeviceMessages, CreationSendsCreateInsideTheCall)
{
    EXPECT_EQ(received, "0:129/0/0 0:1/0/0 ") << "WM_NCCREATE, then WM_CREATE";
    RECT rect;
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(rect.right - rect.left, 240);
    EXPECT_EQ(rect.bottom - rect.top, 320);
    EXPECT_EQ(DeviceMainWindow(), window);
    EXPECT_LT((uintptr_t)window, (uintptr_t)1 << 32);
}

// The program's tick: stop the timer, drop queued ones, arm it again.
void ReArm(HWND w, WPARAM id)
{
    KillTimer(w, id);
    MSG drop;
    while (PeekMessageW(&drop, w, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
    SetTimer(w, id, 25, nullptr);
}

TEST_F(DeviceMessages, TimersFireExactlyOnTheirPeriod)
{
    struct Row {
        const char *what;
        std::function<void(HWND)> start;
        bool reArm;
        uint64_t limit;
        const char *expected;
    };
    const Row rows[] = {
        {"a plain period", [](HWND w) { SetTimer(w, 7, 40, nullptr); }, false, 130,
         "40:275/7/0 80:275/7/0 120:275/7/0 "},
        {"set again: the new period counts from then, the old one is gone",
         [](HWND w) {
             SetTimer(w, 900, 50, nullptr);
             DeviceAdvance(30);
             SetTimer(w, 900, 20, nullptr);
         },
         false, 95, "50:275/900/0 70:275/900/0 90:275/900/0 "},
        {"re-armed from the handler", [](HWND w) { SetTimer(w, 900, 1, nullptr); }, true, 60,
         "1:275/900/0 26:275/900/0 51:275/900/0 "},
    };
    for (const Row &row : rows) {
        SetUp();
        received.clear();
        row.start(window);
        if (row.reArm)
            onTimer = ReArm;
        DeviceSetRunLimit(row.limit);
        EXPECT_EQ(RunUntilEnd(), row.limit) << row.what;
        EXPECT_EQ(received, row.expected) << row.what;
    }
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

TEST_F(DeviceMessages, ActionsDueWithATimerComeFirst)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = TRAY_RECORD_SIZE;
    icon.hWnd = window;
    icon.uID = 106;
    icon.uFlags = NIF_MESSAGE;
    icon.uCallbackMessage = 1026;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &icon));
    received.clear();
    SetTimer(window, 1, 20, nullptr);
    DeviceAction tap;
    tap.kind = DeviceTrayTap;
    DeviceQueueAction(20, tap);
    tap.kind = DeviceTrayDoubleTap;
    DeviceQueueAction(20, tap);
    DeviceSetRunLimit(20);
    RunUntilEnd();
    EXPECT_EQ(received, "20:1026/106/513 20:1026/106/515 20:275/1/0 ");
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

TEST_F(DeviceMessages, NamedMutexReportsASecondCreation)
{
    HANDLE first = CreateMutexW(nullptr, TRUE, WSTR("Pondlet"));
    EXPECT_EQ(GetLastError(), 0u);
    HANDLE second = CreateMutexW(nullptr, TRUE, WSTR("Pondlet"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(ReleaseMutex(first));
    EXPECT_FALSE(ReleaseMutex(second)) << "the second handle never owned it";
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(DeviceMutexHeld(u"Pondlet")) << "a handle is still open";
    DeviceProcessEnded();
    EXPECT_FALSE(DeviceMutexHeld(u"Pondlet"));
    DeviceHoldMutex(u"Pondlet");
    CreateMutexW(nullptr, TRUE, WSTR("Pondlet"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS) << "another copy holds it";
}

// Handles of every kind stay below 2^32 and never coincide, however often a
// GDI slot is reused: closing a stray handle must not hit another object.
TEST_F(DeviceMessages, HandlesOfDifferentKindsNeverCoincide)
{
    std::vector<HANDLE> kernel;
    for (int i = 0; i < 8; ++i)
        kernel.push_back(CreateMutexW(nullptr, FALSE, nullptr));
    LOGFONTW logical = {};
    for (int i = 0; i < 0x2000; ++i) {  // every generation of one GDI slot
        HFONT font = CreateFontIndirectW(&logical);
        ASSERT_LT((uintptr_t)font, (uintptr_t)1 << 32);
        for (HANDLE handle : kernel)
            ASSERT_NE((HANDLE)font, handle) << "font " << i << " has a mutex's handle";
        ASSERT_TRUE(DeleteObject(font));
    }
}

} // namespace

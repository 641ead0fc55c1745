// The device's message queue: timers and idle clock jumps, scripted input,
// the run limit and handles; and its modal dialogs, built from the program's
// own templates: the nested loop with the main window's timers behind it,
// quit and close box, list and combo boxes, actions no dialog can take.
#include "device.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const int aboutBox = 105, panel = 125, selectBox = 126;  // panel: combo 1061, Quit 1057
const int combo = 1061, list = 1060, quitButton = 1057;  // select box: list 1060

// "at:message/wParam " per WM_TIMER and WM_USER message of the window and per
// WM_COMMAND and WM_CLOSE of a dialog.
std::string seen;
std::function<void(HWND, WPARAM)> onTimer;
std::function<void(HWND)> onInit;
std::function<void(HWND, WPARAM, LPARAM)> onCommand;

void See(UINT message, WPARAM wParam)
{
    seen += std::to_string(DeviceElapsed()) + ":" + std::to_string(message) + "/" +
            std::to_string(wParam) + " ";
}

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_TIMER || message >= WM_USER)
        See(message, wParam);
    if (message == WM_TIMER && onTimer)
        onTimer(window, wParam);
    return 0;
}

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG && onInit)
        onInit(dialog);
    if (message == WM_CLOSE)
        See(message, wParam);
    if (message != WM_COMMAND)
        return FALSE;
    See(message, wParam);
    if (onCommand)
        onCommand(dialog, wParam, lParam);
    else
        EndDialog(dialog, 100 + LOWORD(wParam));
    return TRUE;
}

INT_PTR OpenDialog(int id, HWND owner = nullptr)
{
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_DIALOG);
    const void *bytes = found ? LockResource(LoadResource(nullptr, found)) : nullptr;
    return DialogBoxIndirectParamW(nullptr, (LPCDLGTEMPLATEW)bytes, owner, TestDialogProc, 0);
}

DeviceAction Action(DeviceActionKind kind, int id = 0, int index = 0)
{
    DeviceAction action;
    action.kind = kind;
    action.id = id;
    action.index = index;
    return action;
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

class DeviceCore : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceReset();
        onTimer = nullptr;
        onInit = nullptr;
        onCommand = nullptr;
        WNDCLASSW wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = WSTR("Recorder");
        RegisterClassW(&wc);
        window = CreateWindowExW(0, WSTR("Recorder"), WSTR("Recorder"), 0, 0, 0, CW_USEDEFAULT,
                                 CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        seen.clear();
    }
    HWND window = nullptr;
};

// The program's tick: stop the timer, drop queued ones, arm it again.
void ReArm(HWND w, WPARAM id)
{
    KillTimer(w, id);
    MSG drop;
    while (PeekMessageW(&drop, w, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
    SetTimer(w, id, 25, nullptr);
}

TEST_F(DeviceCore, TimersFireExactlyOnTheirPeriod)
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
         "40:275/7 80:275/7 120:275/7 "},
        {"set again: the new period counts from then, the old one is gone",
         [](HWND w) {
             SetTimer(w, 900, 50, nullptr);
             DeviceAdvance(30);
             SetTimer(w, 900, 20, nullptr);
         },
         false, 95, "50:275/900 70:275/900 90:275/900 "},
        {"re-armed from the handler", [](HWND w) { SetTimer(w, 900, 1, nullptr); }, true, 60,
         "1:275/900 26:275/900 51:275/900 "},
    };
    for (const Row &row : rows) {
        SetUp();
        row.start(window);
        if (row.reArm)
            onTimer = ReArm;
        DeviceSetRunLimit(row.limit);
        EXPECT_EQ(RunUntilEnd(), row.limit) << row.what;
        EXPECT_EQ(seen, row.expected) << row.what;
    }
}

TEST_F(DeviceCore, AtMostOneTimerMessageWaitsAndKillTimerLeavesIt)
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

TEST_F(DeviceCore, InputDueWithATimerComesFirstAndTheRunEndsAtItsLimit)
{
    SetTimer(window, 1, 20, nullptr);
    DeviceAction input;
    input.custom = [this] { PostMessageW(window, WM_USER, 5, 0); };
    DeviceQueueAction(20, input);
    DeviceQueueAction(25, input);  // after the limit: never applied
    DeviceSetRunLimit(20);
    EXPECT_EQ(RunUntilEnd(), 20u);
    EXPECT_EQ(seen, "20:1024/5 20:275/1 ");

    DeviceReset();
    EXPECT_EQ(RunUntilEnd(), 0u) << "nothing to wait for ends the run at once";
}

// Handles of every kind stay below 2^32 and never coincide, however often a
// GDI slot is reused: closing a stray handle must not hit another object.
TEST_F(DeviceCore, HandlesOfDifferentKindsNeverCoincide)
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

TEST_F(DeviceCore, MainWindowTimersKeepFiringBehindTheDialog)
{
    SetTimer(window, 900, 10, nullptr);
    DeviceQueueAction(35, Action(DevicePress, quitButton));
    HWND parent = nullptr;
    onInit = [&parent](HWND dialog) { parent = GetParent(dialog); };
    EXPECT_EQ(OpenDialog(panel, window), 100 + quitButton);
    EXPECT_EQ(seen, "10:275/900 20:275/900 30:275/900 35:273/1057 ");
    EXPECT_EQ(parent, window);
    EXPECT_TRUE(DeviceOpenDialogs().empty());
}

TEST_F(DeviceCore, QuitEndsTheDialogLoopAndReachesTheOuterLoop)
{
    bool hadResult = true;
    DeviceObservers observers;
    observers.dialogClosed = [&hadResult](HWND, int, bool hasResult, INT_PTR) {
        hadResult = hasResult;
    };
    DeviceSetObservers(observers);
    onCommand = [](HWND, WPARAM, LPARAM) { PostQuitMessage(3); };
    DeviceQueueAction(10, Action(DevicePress, quitButton));
    EXPECT_EQ(OpenDialog(panel), 0);
    EXPECT_FALSE(hadResult);
    MSG msg;
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0)) << "the quit message is posted again";
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(DeviceCore, CloseBoxEscapeAndEnterBecomeCommands)
{
    const struct {
        DeviceActionKind kind;
        const char *expected;
        INT_PTR result;
    } rows[] = {
        {DeviceCloseBox, "1:16/0 1:273/2 ", 100 + IDCANCEL},
        {DeviceEscape, "1:273/2 ", 100 + IDCANCEL},
        {DeviceEnter, "1:273/1 ", 100 + IDOK},
    };
    for (const auto &row : rows) {
        SetUp();
        DeviceQueueAction(1, Action(row.kind));
        EXPECT_EQ(OpenDialog(aboutBox), row.result) << "action " << row.kind;
        EXPECT_EQ(seen, row.expected) << "action " << row.kind;
    }
}

TEST_F(DeviceCore, ListAndComboBoxMessages)
{
    const struct {
        int dialog, id;
        UINT message;
        intptr_t wParam;
        const char16_t *text;
        LRESULT expected;
    } steps[] = {
        {panel, combo, CB_GETCURSEL, 0, nullptr, CB_ERR},
        {panel, combo, CB_ADDSTRING, 0, u"100%", 0},
        {panel, combo, CB_ADDSTRING, 0, u"Half", 1},
        {panel, combo, CB_SETCURSEL, 1, nullptr, 1},
        {panel, combo, CB_GETCURSEL, 0, nullptr, 1},
        {panel, combo, CB_SETCURSEL, 5, nullptr, CB_ERR},
        {panel, combo, CB_GETCURSEL, 0, nullptr, CB_ERR},  // out of range clears
        {panel, combo, CB_SETCURSEL, 0, nullptr, 0},
        {panel, combo, CB_SETCURSEL, -1, nullptr, CB_ERR},  // clears, reported as CB_ERR
        {panel, combo, CB_GETCURSEL, 0, nullptr, CB_ERR},
        {panel, combo, CB_RESETCONTENT, 0, nullptr, 0},
        {panel, combo, CB_GETCOUNT, 0, nullptr, 0},
        {selectBox, list, LB_ADDSTRING, 0, u"pond", 0},
        {selectBox, list, LB_ADDSTRING, 0, u"river", 1},
        {selectBox, list, LB_GETCOUNT, 0, nullptr, 2},
        {selectBox, list, LB_SETCURSEL, 1, nullptr, 1},
        {selectBox, list, LB_SETCURSEL, 9, nullptr, LB_ERR},
        {selectBox, list, LB_GETCURSEL, 0, nullptr, 1},  // a list keeps its selection
        {selectBox, list, LB_RESETCONTENT, 0, nullptr, 0},
        {selectBox, list, LB_GETCURSEL, 0, nullptr, LB_ERR},
        {selectBox, 999, LB_GETCOUNT, 0, nullptr, 0},  // no such control
    };
    for (int dialog : {panel, selectBox}) {
        onInit = [&steps, dialog](HWND box) {
            for (const auto &s : steps) {
                if (s.dialog != dialog)
                    continue;
                EXPECT_EQ(SendDlgItemMessageW(box, s.id, s.message, (WPARAM)s.wParam,
                                              (LPARAM)(uintptr_t)s.text),
                          s.expected)
                    << "control " << s.id << " message " << s.message << " wParam " << s.wParam;
            }
        };
        DeviceQueueAction(DeviceElapsed() + 1, Action(DeviceEnter));
        OpenDialog(dialog);
    }
}

// Choosing and double-tapping items that exist is driven through the program's
// own dialogs in the shell and skin selection tests; here, what is refused.
TEST_F(DeviceCore, ActionsNoOpenDialogCanTakeAreRefused)
{
    onInit = [](HWND dialog) {
        SendDlgItemMessageW(dialog, combo, CB_ADDSTRING, 0, (LPARAM)(uintptr_t)u"a");
    };
    const DeviceAction refused[] = {
        Action(DeviceChoose, combo, 1),         // no item 1
        Action(DeviceDoubleTapItem, combo, 0),  // a combo has no double tap
        Action(DevicePress, 4242),              // no such button
    };
    DeviceAction step;
    step.custom = [&refused] {
        for (const DeviceAction &action : refused)
            EXPECT_FALSE(DeviceApplyAction(action)) << "action " << action.kind << " on " << action.id;
        DeviceApplyAction(Action(DeviceEscape));
    };
    DeviceQueueAction(1, step);
    EXPECT_EQ(OpenDialog(panel), 100 + IDCANCEL);
    EXPECT_EQ(seen, "1:273/2 ") << "only the escape reached the dialog";
    for (DeviceActionKind kind : {DevicePress, DeviceEnter, DeviceEscape, DeviceCloseBox})
        EXPECT_FALSE(DeviceApplyAction(Action(kind, 1))) << "no dialog open, action " << kind;
}

} // namespace

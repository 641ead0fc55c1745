// The device's modal dialogs, built from the program's own templates: the
// nested loop with the main window's timers behind it, quit and close box,
// list and combo boxes, and the scripted actions aimed at dialogs.
#include "device.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const int aboutBox = 105, panel = 125, selectBox = 126;  // panel: combo 1061, Quit 1057
const int combo = 1061, list = 1060, quitButton = 1057;  // select box: list 1060

std::string seen;  // "at:message/wParam " per WM_COMMAND, WM_CLOSE and main-window WM_TIMER
std::function<void(HWND)> onInit;
std::function<void(HWND, WPARAM, LPARAM)> onCommand;

void See(UINT message, WPARAM wParam)
{
    seen += std::to_string(DeviceElapsed()) + ":" + std::to_string(message) + "/" +
            std::to_string(wParam) + " ";
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

LRESULT CALLBACK MainProc(HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_TIMER)
        See(message, wParam);
    return 0;
}

HWND MakeMainWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = WSTR("Main");
    RegisterClassW(&wc);
    return CreateWindowExW(0, WSTR("Main"), WSTR("Main"), 0, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                           nullptr, nullptr, nullptr, nullptr);
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

class DeviceDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceReset();
        seen.clear();
        onInit = nullptr;
        onCommand = nullptr;
    }
};

TEST_F(DeviceDialogs, MainWindowTimersKeepFiringBehindTheDialog)
{
    HWND main = MakeMainWindow();
    SetTimer(main, 900, 10, nullptr);
    DeviceQueueAction(35, Action(DevicePress, quitButton));
    int opened = 0;
    DeviceObservers observers;
    observers.dialogOpened = [&opened](HWND, int resourceId) { opened = resourceId; };
    DeviceSetObservers(observers);
    HWND parent = nullptr;
    onInit = [&parent](HWND dialog) { parent = GetParent(dialog); };
    EXPECT_EQ(OpenDialog(panel, main), 100 + quitButton);
    EXPECT_EQ(seen, "10:275/900 20:275/900 30:275/900 35:273/1057 ");
    EXPECT_EQ(parent, main);
    EXPECT_EQ(opened, panel);
    EXPECT_TRUE(DeviceOpenDialogs().empty());
}

TEST_F(DeviceDialogs, QuitEndsTheDialogLoopAndReachesTheOuterLoop)
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

TEST_F(DeviceDialogs, CloseBoxEscapeAndEnterBecomeCommands)
{
    struct Row {
        DeviceActionKind kind;
        const char *expected;
        INT_PTR result;
    };
    const Row rows[] = {
        {DeviceCloseBox, "1:16/0 1:273/2 ", 100 + IDCANCEL},
        {DeviceEscape, "1:273/2 ", 100 + IDCANCEL},
        {DeviceEnter, "1:273/1 ", 100 + IDOK},
    };
    for (const Row &row : rows) {
        SetUp();
        DeviceQueueAction(1, Action(row.kind));
        EXPECT_EQ(OpenDialog(aboutBox), row.result) << "action " << row.kind;
        EXPECT_EQ(seen, row.expected) << "action " << row.kind;
    }
}

TEST_F(DeviceDialogs, ListAndComboBoxMessages)
{
    struct Step {
        int dialog, id;
        UINT message;
        intptr_t wParam;
        const char16_t *text;
        LRESULT expected;
    };
    const Step steps[] = {
        {panel, combo, CB_GETCURSEL, 0, nullptr, CB_ERR},
        {panel, combo, CB_ADDSTRING, 0, u"100%", 0},
        {panel, combo, CB_ADDSTRING, 0, u"Half", 1},
        {panel, combo, CB_GETCOUNT, 0, nullptr, 2},
        {panel, combo, CB_SETCURSEL, 1, nullptr, 1},
        {panel, combo, CB_GETCURSEL, 0, nullptr, 1},
        {panel, combo, CB_SETCURSEL, 5, nullptr, CB_ERR},
        {panel, combo, CB_GETCURSEL, 0, nullptr, CB_ERR},  // out of range clears
        {panel, combo, CB_SETCURSEL, 0, nullptr, 0},
        {panel, combo, CB_SETCURSEL, -1, nullptr, CB_ERR},  // clears, reported as CB_ERR
        {panel, combo, CB_GETCURSEL, 0, nullptr, CB_ERR},
        {panel, combo, WM_SETREDRAW, 0, nullptr, 0},
        {panel, combo, CB_RESETCONTENT, 0, nullptr, 0},
        {panel, combo, CB_GETCOUNT, 0, nullptr, 0},
        {selectBox, list, LB_ADDSTRING, 0, u"pond", 0},
        {selectBox, list, LB_ADDSTRING, 0, u"river", 1},
        {selectBox, list, LB_SETCURSEL, 1, nullptr, 1},
        {selectBox, list, LB_SETCURSEL, 9, nullptr, LB_ERR},
        {selectBox, list, LB_GETCURSEL, 0, nullptr, 1},  // a list keeps its selection
        {selectBox, list, LB_RESETCONTENT, 0, nullptr, 0},
        {selectBox, list, LB_GETCOUNT, 0, nullptr, 0},
        {selectBox, list, LB_GETCURSEL, 0, nullptr, LB_ERR},
        {selectBox, 999, LB_GETCOUNT, 0, nullptr, 0},  // no such control
    };
    for (int dialog : {panel, selectBox}) {
        onInit = [&steps, dialog](HWND box) {
            for (const Step &s : steps) {
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

TEST_F(DeviceDialogs, ChoosingItemsSelectsThenNotifies)
{
    onInit = [](HWND dialog) {
        for (const char16_t *item : {u"a", u"b", u"c"}) {
            SendDlgItemMessageW(dialog, list, LB_ADDSTRING, 0, (LPARAM)(uintptr_t)item);
            SendDlgItemMessageW(dialog, combo, CB_ADDSTRING, 0, (LPARAM)(uintptr_t)item);
        }
    };
    int selection = -9;
    onCommand = [&selection](HWND dialog, WPARAM wParam, LPARAM control) {
        UINT ask = LOWORD(wParam) == combo ? CB_GETCURSEL : LB_GETCURSEL;
        selection = (int)SendMessageW((HWND)control, ask, 0, 0);
        EndDialog(dialog, HIWORD(wParam));
    };
    struct Row {
        int dialog;
        DeviceAction action;
        bool applies;
        INT_PTR notification;  // HIWORD of the WM_COMMAND; selection == action.index
    };
    const Row rows[] = {
        {panel, Action(DeviceChoose, combo, 3), false, 0},         // no item 3
        {panel, Action(DeviceDoubleTapItem, combo, 0), false, 0},  // a combo has no double tap
        {panel, Action(DevicePress, 4242), false, 0},              // no such button
        {panel, Action(DeviceChoose, combo, 2), true, CBN_SELCHANGE},
        {selectBox, Action(DeviceChoose, list, 1), true, LBN_SELCHANGE},
        {selectBox, Action(DeviceDoubleTapItem, list, 2), true, LBN_DBLCLK},
    };
    for (const Row &row : rows) {
        selection = -9;
        bool applied = false;
        DeviceAction step;
        step.custom = [&] {
            applied = DeviceApplyAction(row.action);
            if (!applied)
                DeviceApplyAction(Action(DeviceEscape));
        };
        DeviceQueueAction(DeviceElapsed() + 1, step);
        INT_PTR result = OpenDialog(row.dialog);
        EXPECT_EQ(applied, row.applies) << "action " << row.action.kind << " on " << row.action.id;
        if (row.applies) {
            EXPECT_EQ(result, row.notification) << "action " << row.action.kind;
            EXPECT_EQ(selection, row.action.index) << "action " << row.action.kind;
        }
    }
    for (DeviceActionKind kind : {DevicePress, DeviceEnter, DeviceEscape, DeviceCloseBox})
        EXPECT_FALSE(DeviceApplyAction(Action(kind, 1))) << "no dialog open, action " << kind;
}

} // namespace

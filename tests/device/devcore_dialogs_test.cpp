// The device's modal dialogs: templates of both forms, the nested loop with
// timers of the main window behind it, EndDialog, quit and close box, list
// and combo boxes, and the scripted actions aimed at dialogs.
#include "device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// ---- a template builder ---------------------------------------------------------

struct ItemSpec {
    WORD classAtom;
    int id;
    DWORD style;
    const char16_t *text;
};

const WORD buttonAtom = 0x80, listAtom = 0x83, comboAtom = 0x85, staticAtom = 0x82;
const DWORD child = WS_CHILD | WS_VISIBLE;

//  class        id     style                   text
const ItemSpec testItems[] = {
    {staticAtom, -1,    child,                  u"Label"},
    {buttonAtom, 1,     child | WS_TABSTOP,     u"OK"},
    {listAtom,   1060,  child | WS_TABSTOP,     u""},
    {comboAtom,  1061,  child | WS_TABSTOP,     u""},
    {buttonAtom, 1057,  child | WS_TABSTOP,     u"Quit"},
};

struct TemplateBytes {
    std::vector<uint8_t> bytes;
    void Word(WORD w) { bytes.push_back((uint8_t)w); bytes.push_back((uint8_t)(w >> 8)); }
    void Dword(DWORD d) { Word((WORD)d); Word((WORD)(d >> 16)); }
    void Text(const char16_t *s) { do Word(*s); while (*s++); }
    void Align() { while (bytes.size() % 4) bytes.push_back(0); }
};

// A dialog with the test items, in the classic or the extended form, with a
// font (DS_SETFONT) so the font fields are read past too. The buffer is
// 4-byte aligned as resource data is.
std::vector<uint32_t> BuildTemplate(bool extended)
{
    TemplateBytes t;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | 0x40;
    if (extended) {
        t.Word(1); t.Word(0xFFFF); t.Dword(0); t.Dword(0); t.Dword(style);
    } else {
        t.Dword(style); t.Dword(0);
    }
    t.Word((WORD)std::size(testItems));
    t.Word(0); t.Word(0); t.Word(100); t.Word(80);
    t.Word(0);            // no menu
    t.Word(0);            // default class
    t.Text(u"Test");      // title
    t.Word(9);            // point size
    if (extended) {
        t.Word(400); t.Word(0);
    }
    t.Text(u"System");
    for (const ItemSpec &item : testItems) {
        t.Align();
        if (extended) {
            t.Dword(0); t.Dword(0); t.Dword(item.style);
        } else {
            t.Dword(item.style); t.Dword(0);
        }
        t.Word(1); t.Word(2); t.Word(30); t.Word(10);
        if (extended) t.Dword((DWORD)item.id); else t.Word((WORD)item.id);
        t.Word(0xFFFF); t.Word(item.classAtom);
        t.Text(item.text);
        t.Word(0);        // no creation data
    }
    std::vector<uint32_t> aligned((t.bytes.size() + 3) / 4);
    std::memcpy(aligned.data(), t.bytes.data(), t.bytes.size());
    return aligned;
}

// ---- a recording dialog procedure and main window -----------------------------

struct Seen {
    uint64_t at;
    HWND window;
    UINT message;
    WPARAM wParam;
};
std::vector<Seen> seen;
std::function<INT_PTR(HWND, WPARAM)> onInit;     // answer to WM_INITDIALOG
std::function<void(HWND, WPARAM)> onCommand;      // after recording WM_COMMAND

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return onInit ? onInit(dialog, wParam) : FALSE;
    if (message == WM_COMMAND) {
        seen.push_back({DeviceElapsed(), dialog, message, wParam});
        if (onCommand)
            onCommand(dialog, wParam);
        return TRUE;
    }
    if (message == WM_CLOSE)
        seen.push_back({DeviceElapsed(), dialog, message, wParam});
    return FALSE;
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_TIMER)
        seen.push_back({DeviceElapsed(), window, message, wParam});
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

DeviceAction Action(DeviceActionKind kind, int id = 0, int index = 0)
{
    DeviceAction action;
    action.kind = kind;
    action.id = id;
    action.index = index;
    return action;
}

std::string Commands()
{
    std::string out;
    for (const Seen &s : seen)
        out += std::to_string(s.at) + ":" + std::to_string(s.message) + "/" +
               std::to_string(s.wParam) + " ";
    return out;
}

class DeviceDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceReset();
        seen.clear();
        onInit = nullptr;
        onCommand = [](HWND dialog, WPARAM wParam) {
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
                EndDialog(dialog, 100 + LOWORD(wParam));
        };
        templ = BuildTemplate(false);
    }
    INT_PTR Run(HWND owner = nullptr)
    {
        return DialogBoxIndirectParamW(nullptr, (LPCDLGTEMPLATEW)templ.data(), owner,
                                       TestDialogProc, 0);
    }
    std::vector<uint32_t> templ;
};

TEST_F(DeviceDialogs, BothTemplateFormsGiveTheSameControls)
{
    for (bool extended : {false, true}) {
        SetUp();
        templ = BuildTemplate(extended);
        HWND offered = nullptr;
        std::vector<std::u16string> texts;
        onInit = [&](HWND dialog, WPARAM focus) {
            offered = (HWND)focus;
            EXPECT_EQ(offered, GetDlgItem(dialog, 1)) << "first tab stop, extended " << extended;
            EXPECT_NE(GetDlgItem(dialog, -1), nullptr) << "extended " << extended;
            for (int id : {1060, 1061, 1057})
                EXPECT_NE(GetDlgItem(dialog, id), nullptr) << id << " extended " << extended;
            EXPECT_EQ(GetDlgItem(dialog, 999), nullptr);
            return TRUE;
        };
        HWND focused = nullptr;
        DeviceAction look;
        look.custom = [&focused] { focused = DeviceFocus(); };
        DeviceQueueAction(4, look);
        DeviceQueueAction(5, Action(DeviceEnter));
        EXPECT_EQ(Run(), 101) << "extended " << extended;
        EXPECT_EQ(focused, offered) << "WM_INITDIALOG answered TRUE: the offered control has the focus";
        EXPECT_EQ(DeviceFocus(), nullptr) << "the focused control went with the dialog";
        ASSERT_NE(offered, nullptr);
    }
}

TEST_F(DeviceDialogs, MainWindowTimersKeepFiringBehindTheDialog)
{
    HWND main = MakeMainWindow();
    SetTimer(main, 900, 10, nullptr);
    DeviceQueueAction(35, Action(DevicePress, 1));
    HWND parent = (HWND)1;
    onInit = [&parent](HWND dialog, WPARAM) {
        parent = GetParent(dialog);
        return FALSE;
    };
    EXPECT_EQ(Run(main), 101);
    EXPECT_EQ(parent, main);
    EXPECT_EQ(Commands(), "10:275/900 20:275/900 30:275/900 35:273/1 ");
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
    onCommand = [](HWND, WPARAM wParam) {
        if (wParam == 1057)
            PostQuitMessage(3);
    };
    DeviceQueueAction(10, Action(DevicePress, 1057));
    EXPECT_EQ(Run(), 0);
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
    };
    const Row rows[] = {
        {DeviceCloseBox, "1:16/0 1:273/2 "},
        {DeviceEscape, "1:273/2 "},
        {DeviceEnter, "1:273/1 "},
    };
    for (const Row &row : rows) {
        SetUp();
        DeviceQueueAction(1, Action(row.kind));
        Run();
        EXPECT_EQ(Commands(), row.expected) << "action " << row.kind;
    }
}

TEST_F(DeviceDialogs, ListAndComboBoxMessages)
{
    struct Step {
        int id;
        UINT message;
        intptr_t wParam;
        const char16_t *text;
        LRESULT expected;
    };
    //  id    message          wParam  text     result
    const Step steps[] = {
        {1061, CB_GETCURSEL,    0,      nullptr, CB_ERR},
        {1061, CB_ADDSTRING,    0,      u"100%", 0},
        {1061, CB_ADDSTRING,    0,      u"Half", 1},
        {1061, CB_GETCOUNT,     0,      nullptr, 2},
        {1061, CB_SETCURSEL,    1,      nullptr, 1},
        {1061, CB_GETCURSEL,    0,      nullptr, 1},
        {1061, CB_SETCURSEL,    5,      nullptr, CB_ERR},
        {1061, CB_GETCURSEL,    0,      nullptr, CB_ERR},  // out of range clears
        {1061, CB_SETCURSEL,    0,      nullptr, 0},
        {1061, CB_SETCURSEL,    -1,     nullptr, CB_ERR},  // clears, reported as CB_ERR
        {1061, CB_GETCURSEL,    0,      nullptr, CB_ERR},
        {1061, WM_SETREDRAW,    0,      nullptr, 0},
        {1060, LB_ADDSTRING,    0,      u"pond", 0},
        {1060, LB_ADDSTRING,    0,      u"river", 1},
        {1060, LB_SETCURSEL,    1,      nullptr, 1},
        {1060, LB_SETCURSEL,    9,      nullptr, LB_ERR},
        {1060, LB_GETCURSEL,    0,      nullptr, 1},       // a list keeps its selection
        {1060, LB_GETTEXT,      9,      nullptr, LB_ERR},
        {1060, LB_RESETCONTENT, 0,      nullptr, 0},
        {1060, LB_GETCOUNT,     0,      nullptr, 0},
        {1060, LB_GETCURSEL,    0,      nullptr, LB_ERR},
        {999,  LB_GETCOUNT,     0,      nullptr, 0},       // no such control
    };
    onInit = [&steps](HWND dialog, WPARAM) {
        for (const Step &s : steps)
            EXPECT_EQ(SendDlgItemMessageW(dialog, s.id, s.message, (WPARAM)s.wParam,
                                          (LPARAM)(uintptr_t)s.text),
                      s.expected)
                << "control " << s.id << " message " << s.message << " wParam " << s.wParam;
        SendDlgItemMessageW(dialog, 1060, LB_ADDSTRING, 0, (LPARAM)(uintptr_t)u"lake");
        WCHAR text[16] = {};
        EXPECT_EQ(SendDlgItemMessageW(dialog, 1060, LB_GETTEXT, 0, (LPARAM)(uintptr_t)text), 4);
        EXPECT_EQ(std::u16string(text), u"lake");
        return FALSE;
    };
    DeviceQueueAction(1, Action(DeviceEnter));
    Run();
}

TEST_F(DeviceDialogs, ChoosingItemsSelectsThenNotifies)
{
    onInit = [](HWND dialog, WPARAM) {
        for (const char16_t *item : {u"a", u"b", u"c"}) {
            SendDlgItemMessageW(dialog, 1060, LB_ADDSTRING, 0, (LPARAM)(uintptr_t)item);
            SendDlgItemMessageW(dialog, 1061, CB_ADDSTRING, 0, (LPARAM)(uintptr_t)item);
        }
        return FALSE;
    };
    int listSelection = -9, comboSelection = -9;
    onCommand = [&](HWND dialog, WPARAM wParam) {
        if (wParam == MAKEWPARAM(1061, CBN_SELCHANGE))
            comboSelection = (int)SendDlgItemMessageW(dialog, 1061, CB_GETCURSEL, 0, 0);
        if (wParam == MAKEWPARAM(1060, LBN_DBLCLK)) {
            listSelection = (int)SendDlgItemMessageW(dialog, 1060, LB_GETCURSEL, 0, 0);
            EndDialog(dialog, 1);
        }
    };
    struct Row {
        DeviceAction action;
        bool applies;
    };
    const Row rows[] = {
        {Action(DeviceChoose, 1061, 3), false},        // no item 3
        {Action(DeviceDoubleTapItem, 1061, 0), false}, // a combo box has no double tap
        {Action(DevicePress, 4242), false},            // no such button
        {Action(DeviceChoose, 1061, 2), true},
        {Action(DeviceDoubleTapItem, 1060, 1), true},
    };
    std::vector<bool> applied;
    for (size_t i = 0; i < std::size(rows); ++i) {
        DeviceAction step;
        step.custom = [&applied, &rows, i] { applied.push_back(DeviceApplyAction(rows[i].action)); };
        DeviceQueueAction(1 + i, step);
    }
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(applied.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(applied[i], rows[i].applies) << "row " << i;
    EXPECT_EQ(comboSelection, 2);
    EXPECT_EQ(listSelection, 1);
    for (DeviceActionKind kind : {DevicePress, DeviceEnter, DeviceEscape, DeviceCloseBox})
        EXPECT_FALSE(DeviceApplyAction(Action(kind, 1))) << "no dialog open, action " << kind;
}

TEST_F(DeviceDialogs, NestedDialogsEndInnermostFirst)
{
    HWND main = MakeMainWindow();
    std::vector<size_t> openCounts;
    onCommand = [&](HWND dialog, WPARAM wParam) {
        if (wParam == 1057) {  // open a second box from the first, owned by main
            EXPECT_EQ(Run(main), 101);
            openCounts.push_back(DeviceOpenDialogs().size());
        }
        if (wParam == IDOK)
            EndDialog(dialog, 101);
    };
    DeviceAction look;
    look.custom = [&openCounts] { openCounts.push_back(DeviceOpenDialogs().size()); };
    DeviceQueueAction(1, Action(DevicePress, 1057));
    DeviceQueueAction(2, look);
    DeviceQueueAction(3, Action(DeviceEnter));  // the inner box (topmost)
    DeviceQueueAction(4, Action(DeviceEnter));  // then the outer one
    EXPECT_EQ(Run(), 101);
    EXPECT_EQ(openCounts, (std::vector<size_t>{2, 1}));
}

TEST_F(DeviceDialogs, ProgramTemplatesFromTheResources)
{
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(125), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const void *data = LockResource(LoadResource(nullptr, found));
    ASSERT_NE(data, nullptr);
    int opened = 0;
    DeviceObservers observers;
    observers.dialogOpened = [&opened](HWND, int resourceId) { opened = resourceId; };
    DeviceSetObservers(observers);
    bool hasCombo = false;
    onInit = [&hasCombo](HWND dialog, WPARAM) {
        hasCombo = SendDlgItemMessageW(dialog, 1061, CB_ADDSTRING, 0, (LPARAM)(uintptr_t)u"x") == 0;
        return FALSE;
    };
    DeviceQueueAction(1, Action(DeviceCloseBox));
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, (LPCDLGTEMPLATEW)data, nullptr, TestDialogProc, 0),
              102);
    EXPECT_EQ(opened, 125);
    EXPECT_TRUE(hasCombo);
}

} // namespace

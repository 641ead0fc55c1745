// The control panel and the About box.
//
// The panel opens paused-then-restarted in a fainter preview mode, moves the
// mascot at once on its arrow buttons, and applies the opacity chosen in its
// list only when it closes. Both dialogs run modally from templates in the
// program's resources; the main window's timer keeps ticking behind them.
#include "shell/panel.h"

#include "core/process.h"
#include "engine/control.h"
#include "engine/schedule.h"
#include "engine/tick.h"
#include "graphics/pixels.h"
#include "graphics/surfaces.h"
#include "resource.h"
#include "shell/instance.h"

#include <iterator>

// The mode the open panel restores when it closes.
static int32_t savedBlendMode;

void ResetPanel(void) { savedBlendMode = 0; }

enum { kModeCount = 5 };

// The list on 24-bit displays: item index and mode are the same number.
static const WCHAR *const kFullListTexts[] = {WSTR("100%"), WSTR("75%"), WSTR("50%"), WSTR("25%"),
                                              WSTR("Half")};
// The list on other displays, and the mode of each item.
static const WCHAR *const kShortListTexts[] = {WSTR("100%"), WSTR("Half")};
static const int32_t kShortListModes[] = {kBlendFull, kBlendChecker};
// The nearest short-list item for each mode: "Half" shows every other pixel,
// so it stands for the partial opacities; 75% is as near to 100% as to it and
// keeps the more opaque look.
static const int32_t kShortIndexOfMode[kModeCount] = {0, 0, 1, 1, 1};
static_assert(std::size(kFullListTexts) == kModeCount, "one item per mode");
static_assert(std::size(kShortListTexts) == std::size(kShortListModes), "one mode per item");

struct MoveButton {
    int id;
    int32_t dx, dy;
};
static const MoveButton kMoveButtons[] = {
    /* id          dx   dy */
    {IDC_UP, 0, -1},      {IDC_DOWN, 0, 1},      {IDC_LEFT, -1, 0},      {IDC_RIGHT, 1, 0},
    {IDC_UP_TEN, 0, -10}, {IDC_DOWN_TEN, 0, 10}, {IDC_LEFT_TEN, -10, 0}, {IDC_RIGHT_TEN, 10, 0},
};

static int FullListShown(void) { return displayFormat.depth == 24; }

static int32_t PreviewMode(void) { return FullListShown() ? kBlend25 : kBlendChecker; }

// The list item for a mode; a mode the list does not offer selects the
// nearest offered item.
static int32_t ListIndexOfMode(int32_t mode) {
    if (mode < 0) mode = 0;
    if (mode >= kModeCount) mode = kModeCount - 1;
    return FullListShown() ? mode : kShortIndexOfMode[mode];
}

// The mode of a list item; no valid selection keeps the fallback.
static int32_t ModeOfListIndex(LRESULT index, int32_t fallback) {
    if (FullListShown()) {
        return (index >= 0 && index < kModeCount) ? (int32_t)index : fallback;
    }
    if (index < 0 || index >= (LRESULT)std::size(kShortListModes)) return fallback;
    return kShortListModes[index];
}

static void FillModeList(HWND dialog) {
    SendDlgItemMessageW(dialog, IDC_BLEND_LIST, CB_RESETCONTENT, 0, 0);
    SendDlgItemMessageW(dialog, IDC_BLEND_LIST, WM_SETREDRAW, 0, 0);
    if (FullListShown()) {
        for (const WCHAR *text : kFullListTexts) {
            SendDlgItemMessageW(dialog, IDC_BLEND_LIST, CB_ADDSTRING, 0, (LPARAM)text);
        }
    } else {
        for (const WCHAR *text : kShortListTexts) {
            SendDlgItemMessageW(dialog, IDC_BLEND_LIST, CB_ADDSTRING, 0, (LPARAM)text);
        }
    }
}

static void OnPanelInit(HWND dialog) {
    FillModeList(dialog);
    savedBlendMode = blendMode;
    int32_t index = ListIndexOfMode(savedBlendMode);
    SetBlendMode(PreviewMode());
    SendDlgItemMessageW(dialog, IDC_BLEND_LIST, CB_SETCURSEL, (WPARAM)index, 0);
    SendDlgItemMessageW(dialog, IDC_BLEND_LIST, WM_SETREDRAW, 1, 0);
    // The panel has no control 1, so this leaves no control with the focus.
    SetFocus(GetDlgItem(dialog, IDOK));
    RestartAnimation();
}

// The stored mode comes back, or the chosen one when it differs; a restart
// between them makes the next frame draw in the new mode.
static void ClosePanel(HWND dialog) {
    LRESULT index = SendDlgItemMessageW(dialog, IDC_BLEND_LIST, CB_GETCURSEL, 0, 0);
    int32_t chosen = ModeOfListIndex(index, savedBlendMode);
    SetBlendMode(savedBlendMode);
    if (savedBlendMode != chosen) {
        PauseAnimation();
        RestartAnimation();
        SetBlendMode(chosen);
    }
    EndDialog(dialog, 1);
    SetPanelOpen(0);
}

static void MoveMascot(int32_t dx, int32_t dy) {
    // Moving re-captures and redraws through the work surfaces.
    if (WorkSurfacesReady()) MoveArea(dx, dy);
}

// Returns 1 when the command closed the panel.
static int OnPanelCommand(HWND dialog, WPARAM command) {
    switch (command) {
    case IDOK:
    case IDCANCEL: ClosePanel(dialog); return 1;
    case IDC_HIDE:
        PauseAnimation();
        ClosePanel(dialog);
        return 1;
    case IDC_ABOUT_BUTTON: ShowAboutBox(mainWindow); return 0;
    // The quit message ends the panel's loop, then the program's.
    case IDC_QUIT: ShutDown(); return 0;
    }
    for (const MoveButton &button : kMoveButtons) {
        if (command == (WPARAM)button.id) MoveMascot(button.dx, button.dy);
    }
    return 0;
}

INT_PTR CALLBACK ControlPanelDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (message == WM_INITDIALOG) {
        OnPanelInit(dialog);
        return 0;
    }
    // The whole wParam: the list's own notifications (non-zero codes) do nothing.
    if (message == WM_COMMAND) return OnPanelCommand(dialog, wParam);
    return 0;
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (message == WM_INITDIALOG) {
        SetFocus(GetDlgItem(dialog, IDOK));
        return 0;
    }
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
        EndDialog(dialog, 1);
        return 1;
    }
    return 0;
}

void OpenControlPanel(void) {
    // A panel that never opened cannot clear the flag itself; left set, no
    // double tap would try again.
    if (!RunDialog(IDD_PANEL, NULL, ControlPanelDlgProc)) SetPanelOpen(0);
}

void ShowAboutBox(HWND owner) { RunDialog(IDD_ABOUT, owner, AboutDlgProc); }

// The windowing half of the simulated device, shared by its own source files
// (clock, windows, messages, dialogs, input, tray, mutexes).
//
// Data flow: windows live in one table (windows.cpp); messages reach them
// either directly (DeliverMessage, used by SendMessageW and DispatchMessageW)
// or through the one thread queue (messages.cpp), which also turns due timers
// into WM_TIMER and, when it runs dry, moves the virtual clock (clock.cpp) to
// the next timer or scripted action (input.cpp). Modal dialogs (dialogs.cpp)
// run their own loop over that same queue.
#pragma once

#include "internal.h"

#include <cstdint>
#include <string>
#include <vector>

// ---- clock ------------------------------------------------------------------
void ResetClock();
void AdvanceClockTo(uint64_t elapsed);

// ---- random -----------------------------------------------------------------
void ResetRandom();

// ---- windows ----------------------------------------------------------------
enum ControlKind {
    ControlNone,
    ControlButton,
    ControlEdit,
    ControlStatic,
    ControlList,
    ControlScrollBar,
    ControlCombo,
    ControlOther
};

// One window, dialog or dialog control. Records are never moved or reused
// while the device runs, so a pointer to one stays valid until DeviceReset.
struct Window {
    HWND handle = nullptr;
    bool alive = false;
    bool isDialog = false;
    ControlKind kind = ControlNone;  // ControlNone for windows and dialogs
    WNDPROC proc = nullptr;
    DLGPROC dialogProc = nullptr;
    HWND parent = nullptr;  // owner of a top-level window, dialog of a control
    int id = 0;             // control id
    DWORD style = 0;
    std::u16string className;  // top-level windows only; dialogs and controls have none here
    RECT rect = {0, 0, 0, 0};
    std::u16string text;
    std::vector<std::u16string> items;  // list and combo boxes
    int selection = -1;
    // Modal dialogs: EndDialog's call and result, and the template's resource id.
    bool ended = false;
    INT_PTR result = 0;
    int resourceId = -1;
};

// The live window of a handle, or null.
Window *FindWindowRecord(HWND handle);
// A new live record with its handle; the caller fills in the rest.
Window *AddWindowRecord();
// Every record (live or not), in creation order.
std::vector<Window *> AllWindowRecords();
void ResetWindows();
// Windows and mutexes hand out handles first, first + 4, first + 8, ...
// (kept below 2^32): the handle of table slot i, and the slot of a handle
// (false when the value is not one of them).
inline uintptr_t HandleOfSlot(uintptr_t first, size_t slot) { return first + 4 * slot; }
inline bool SlotOfHandleValue(const void *handle, uintptr_t first, size_t *slot) {
    uintptr_t value = (uintptr_t)handle;
    if (value < first || (value - first) % 4 != 0) return false;
    *slot = (value - first) / 4;
    return true;
}

// A message record stamped with the current tick count.
MSG MakeMsg(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
// Sends a message straight to a window's procedure (or dialog procedure, or
// control), with the observers around top-level windows.
LRESULT DeliverMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
// A control's own messages (list and combo box items, selection).
LRESULT ControlMessage(Window &control, UINT message, WPARAM wParam, LPARAM lParam);
void SetMainWindowRect(int width, int height);

// ---- messages and timers ----------------------------------------------------
void ResetMessages();
// Drops queued messages and timers of a window that is going away.
void ForgetWindowMessages(HWND handle);
// Waits (in device time) for the next timer or scripted action and applies
// it; throws DeviceRunEnded when there is none before the run limit.
void WaitForNextEvent();

// ---- scripted input ---------------------------------------------------------
void ResetInput();
// The due time of the earliest queued action, false when none.
bool NextActionTime(uint64_t *at);
// Removes the earliest queued action and applies it.
void ApplyNextAction();

// ---- dialogs ----------------------------------------------------------------
// The topmost dialog that has not been ended, or null.
Window *TopDialog();

// ---- tray, mutexes ----------------------------------------------------------
void ResetTray();
void ResetMutexes();

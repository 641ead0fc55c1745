// Controls of the simulated device, for tests and tools of the native build.
//
// The program itself never includes this header: it sees only platform.h.
// A test or tool builds a device (screen, clock, code page, where the
// executable lies, scripted input), runs the program's code on it and then
// inspects what happened (message boxes, beeps, tray icons, the screen).
//
// Time on the device is virtual: it stands still while code runs and jumps
// to the next due timer or scripted action whenever the message loop finds
// nothing queued, so runs are deterministic and take no wall time.
#pragma once

#include "platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---- set-up -----------------------------------------------------------------

// A fresh device: no windows, timers, dialogs, open files, mutexes, tray icons,
// log entries or queued input; code page 932; screen 240x320 at 16 bits filled
// with 0x808080; local time 2009-08-03 07:05:09.000 (a Monday); tick count
// 1000; Random seeded with 1; the executable at \pondlet.exe.
void DeviceReset();

// Where the executable lies, as a host path (/a/b/pondlet.exe is the device
// path \a\b\pondlet.exe). GetModuleFileNameW returns its device path.
void DeviceSetExecutable(const std::string &hostPath);

// The device's ANSI code page for MultiByteToWideChar(CP_ACP): 932, 1252 or
// 65001 (UTF-8, as a desktop system may be set up).
void DeviceSetCodePage(unsigned codePage);

// Host path <-> device path: /a/b <-> \a\b.
std::u16string DevicePathFromHost(const std::string &hostPath);
// The host path every file call of the device uses for a device path. The
// path is first normalised as Win32 does it: `/` separates as `\` does, empty
// and "." elements go, ".." takes back one element (never past the root), a
// folder element loses one trailing dot and the last element all its
// trailing dots and blanks. Then each element takes the host entry whose name
// equals it after upper-casing as NTFS does: the entry spelt exactly so if
// there is one, else the first of them in the order FindFirstFileW lists
// (BODY.bmp, Body.bmp, body.bmp). From the first element that matches
// nothing on, the spelling given stays, so the call fails as it would have.
std::string DeviceHostPath(const std::u16string &devicePath);

// UTF-8 <-> UTF-16 helpers for tests and tools.
std::u16string DeviceUtf16(const std::string &utf8);
std::string DeviceUtf8(const std::u16string &utf16);
std::string DeviceUtf8(const WCHAR *utf16);

// ---- the virtual clock ------------------------------------------------------

// Local time and tick count now; both advance together from here on.
void DeviceSetLocalTime(const SYSTEMTIME &local);
void DeviceSetTickCount(DWORD tick);
// Milliseconds of device time since DeviceReset (never wraps).
uint64_t DeviceElapsed();
// Moves the clock forward by ms without running anything (unit tests).
void DeviceAdvance(uint64_t ms);

void DeviceSeedRandom(uint32_t seed);

// ---- run control ------------------------------------------------------------

// The device time (DeviceElapsed) at which a run ends. When the message loop
// would have to wait past it, the device throws DeviceRunEnded, which unwinds
// out of WinMain to the tool or test that started the run. 0 means no limit;
// with no limit and nothing left to wait for, DeviceRunEnded is thrown too.
struct DeviceRunEnded {
    uint64_t at;
};
void DeviceSetRunLimit(uint64_t elapsedMs);

// ---- scripted input ---------------------------------------------------------

// A person's or the system's action at a device time. Actions due at the same
// millisecond as a timer are applied first; actions aimed at a dialog go to
// the topmost open one.
enum DeviceActionKind {
    DeviceTrayTap,         // the tray icon's callback with WM_LBUTTONDOWN
    DeviceTrayDoubleTap,   // the tray icon's callback with WM_LBUTTONDBLCLK
    DevicePress,           // WM_COMMAND (id, BN_CLICKED) to the open dialog
    DeviceChoose,          // select item index of combo/list id, then its SELCHANGE
    DeviceDoubleTapItem,   // select item index of list id, then LBN_DBLCLK
    DeviceEnter,           // WM_COMMAND IDOK to the open dialog
    DeviceEscape,          // WM_COMMAND IDCANCEL to the open dialog
    DeviceCloseBox,        // the dialog's close box: WM_CLOSE, which a dialog turns into IDCANCEL
    DevicePaint,           // another program fills a screen rectangle
    DeviceSettingsChange,  // the screen becomes w x h, then WM_SETTINGCHANGE
    DeviceDisplayChange,   // the screen becomes w x h, then WM_DISPLAYCHANGE
    DeviceWorkAreaChange,  // the work area becomes x, y, w x h, then WM_SETTINGCHANGE
                           // with SPI_SETWORKAREA
    DeviceWindowMoved,     // WM_WINDOWPOSCHANGED to the main window
    DeviceHelp,            // WM_HELP to the main window
    DeviceCustom           // run a callback (for example a second start)
};
struct DeviceAction {
    DeviceActionKind kind = DeviceCustom;
    int id = 0;                               // control id (press, choose, double tap)
    int index = 0;                            // item index (choose, double tap)
    int x = 0, y = 0, width = 0, height = 0;  // paint or work-area rectangle; new screen size
    COLORREF colour = 0;                      // paint colour (0x00BBGGRR)
    std::function<void()> custom;
    std::string text;  // the action as written, for reports
};
void DeviceQueueAction(uint64_t atElapsedMs, const DeviceAction &action);
// Applies an action now, as if it were due. Returns false (and applies
// nothing) when it is aimed at a dialog and none is open.
bool DeviceApplyAction(const DeviceAction &action);

// The main window: the first top-level window created that is not a dialog.
HWND DeviceMainWindow();

// ---- what happened ----------------------------------------------------------

struct DeviceMessageBox {
    uint64_t at;
    std::u16string text, caption;
    UINT style;
    HWND owner;
};
const std::vector<DeviceMessageBox> &DeviceMessageBoxes();
const std::vector<UINT> &DeviceBeeps();

struct DeviceTrayIcon {
    HWND window;
    UINT id;
    UINT callbackMessage;
    HICON icon;
    std::u16string tip;
};
// Icons currently in the notification area.
const std::vector<DeviceTrayIcon> &DeviceTrayIcons();

// Open dialogs, bottom to top, each with its resource id when it came from a
// template found with FindResourceW (else -1).
struct DeviceDialogInfo {
    HWND window;
    int resourceId;
};
std::vector<DeviceDialogInfo> DeviceOpenDialogs();
// Items and selection of a list or combo box of an open dialog.
std::vector<std::u16string> DeviceControlItems(HWND dialog, int id);
int DeviceControlSelection(HWND dialog, int id);
// The focus window (SetFocus), or null.
HWND DeviceFocus();

// Observers, called as things happen (for traces). Any may be empty.
struct DeviceObservers {
    std::function<void(const DeviceMessageBox &)> messageBox;
    std::function<void(HWND dialog, int resourceId)> dialogOpened;
    // hasResult is false when the dialog went away without EndDialog.
    std::function<void(HWND dialog, int resourceId, bool hasResult, INT_PTR result)> dialogClosed;
    std::function<void(const DeviceTrayIcon &, bool added)> tray;
    std::function<void(const DeviceAction &)> actionApplied;
    // Around every message delivered to a window procedure of a top-level
    // non-dialog window, whether dispatched or sent.
    std::function<void(const MSG &)> beforeWindowMessage;
    std::function<void(const MSG &)> afterWindowMessage;
    // After every BitBlt whose destination is the screen.
    std::function<void()> screenChanged;
};
void DeviceSetObservers(const DeviceObservers &observers);

// ---- mutexes ------------------------------------------------------------------

// Another copy holds the named mutex, so CreateMutexW reports ERROR_ALREADY_EXISTS.
void DeviceHoldMutex(const std::u16string &name);
bool DeviceMutexHeld(const std::u16string &name);
// The program's process ends: the handles it left open (its mutex) close, as
// the system closes them, so a later start in the same test finds no copy.
void DeviceProcessEnded();

// ---- the screen ----------------------------------------------------------------

// A screen of w x h at depth 8, 16, 24 or 32, filled with colour (0x00BBGGRR).
void DeviceSetScreen(int width, int height, int depth, COLORREF fill);
int DeviceScreenWidth();
int DeviceScreenHeight();
int DeviceScreenDepth();
// The colour a 24-bit BitBlt would read back from pixel (x, y), 0x00BBGGRR.
COLORREF DeviceReadScreen(int x, int y);
// Another program draws: fills a rectangle (clipped to the screen).
void DeviceFillScreen(int x, int y, int width, int height, COLORREF colour);
// The screen changes size: old pixels stay at the top-left, new parts get fill.
void DeviceResizeScreen(int width, int height, COLORREF fill);
// The work area: the screen less the taskbar and docked bars, what
// SystemParametersInfoW(SPI_GETWORKAREA) reports (the whole screen after
// DeviceReset). The bars are kept as strips along the edges, so the work area
// follows later resizes as a docked taskbar does; a rectangle reaching past
// the screen keeps reaching past it, as a platform reports a work area it
// has not yet caught up with after a display change.
void DeviceSetWorkArea(int left, int top, int right, int bottom);
RECT DeviceWorkArea();
// Counts of screen blits so far (reads from and writes to the screen).
uint64_t DeviceScreenWrites();
uint64_t DeviceScreenReads();
// The device's 8-bit display palette (256 entries, 0x00BBGGRR).
const COLORREF *DevicePalette8();

// Makes calls of the named call fail (for failure paths): "CreateDIBSection",
// "CreateDIBSection:bits" (a section is made but its bits are not given),
// "CreateCompatibleDC" or "LocalAlloc". The next `after` calls still
// succeed, then `count` calls fail.
void DeviceFailNext(const std::string &call, int count, int after = 0);

// Live GDI objects created and not deleted: fonts, and all kinds together
// (bitmaps, DCs and fonts; stock objects not counted).
int DeviceLiveFonts();
int DeviceLiveGdiObjects();
// What the font caches hold: face names remembered, font files open, sized
// faces and bytes of rendered glyphs. Each stays under a fixed ceiling
// whatever faces and sizes are asked for; they last for the process.
struct DeviceFontCacheUse {
    size_t names, files, faces, glyphBytes;
};
DeviceFontCacheUse DeviceFontCache();
// Blocks from LocalAlloc not yet given back with LocalFree. Program memory
// outlives DeviceReset, as it would outlive a device's state in a process.
size_t DeviceLiveAllocations();

// What new parts of the screen show after DeviceResizeScreen (for a tiled
// background picture); without a painter they take the fill colour.
void DeviceSetBackground(std::function<COLORREF(int x, int y)> painter);

// Modal dialogs from in-memory templates, and the list and combo boxes on
// them.
//
// DialogBoxIndirectParamW reads the template (classic or extended form),
// makes the dialog window and its controls, sends WM_INITDIALOG and then runs
// its own loop over the thread's queue until EndDialog is called for it, so
// timers and tray messages of other windows keep being dispatched behind the
// dialog. A quit message ends the loop early and is posted again for the
// loops outside it.
#include "windowing.h"

#include <cstring>

namespace {

const DWORD dialogSetFont = 0x40;    // DS_SETFONT
const DWORD dialogShellFont = 0x48;  // DS_SHELLFONT
const DWORD listSort = 0x0002;       // LBS_SORT
const DWORD comboSort = 0x0100;      // CBS_SORT
const DWORD windowDisabled = 0x08000000;

// A bounded reader over template bytes: every read checks the end first.
struct TemplateReader {
    const uint8_t *start;
    size_t size;
    size_t at;
    bool failed;
};

bool Need(TemplateReader &reader, size_t bytes) {
    if (reader.failed || reader.size - reader.at < bytes || reader.at > reader.size)
        reader.failed = true;
    return !reader.failed;
}

WORD ReadWord(TemplateReader &reader) {
    if (!Need(reader, 2)) return 0;
    WORD value;
    std::memcpy(&value, reader.start + reader.at, 2);
    reader.at += 2;
    return value;
}

DWORD ReadDword(TemplateReader &reader) {
    DWORD low = ReadWord(reader);
    return low | ((DWORD)ReadWord(reader) << 16);
}

void Skip(TemplateReader &reader, size_t bytes) {
    if (Need(reader, bytes)) reader.at += bytes;
}

void AlignDword(TemplateReader &reader) { Skip(reader, (4 - reader.at % 4) % 4); }

// A "string or ordinal" field: 0 (nothing), 0xFFFF then an ordinal, or a
// zero-terminated UTF-16 string.
struct NameOrOrdinal {
    std::u16string text;
    WORD ordinal;
};

NameOrOrdinal ReadNameOrOrdinal(TemplateReader &reader) {
    NameOrOrdinal field = {u"", 0};
    WORD first = ReadWord(reader);
    if (first == 0xFFFF) {
        field.ordinal = ReadWord(reader);
        return field;
    }
    for (WORD unit = first; unit != 0 && !reader.failed; unit = ReadWord(reader))
        field.text.push_back((char16_t)unit);
    return field;
}

struct ControlTemplate {
    DWORD style;
    int id;
    NameOrOrdinal className;
    NameOrOrdinal text;
};

struct DialogTemplate {
    DWORD style;
    int itemCount;
    short x, y, cx, cy;
    std::u16string title;
    std::vector<ControlTemplate> controls;
};

// Header fields of both forms; the extended form starts with version 1 and
// the signature 0xFFFF.
bool ParseDialogHeader(TemplateReader &reader, DialogTemplate &dialog, bool *extended) {
    WORD version = ReadWord(reader);
    WORD signature = ReadWord(reader);
    *extended = version == 1 && signature == 0xFFFF;
    reader.at = 0;
    if (*extended) {
        Skip(reader, 4);  // dlgVer, signature
        /* helpID = */ ReadDword(reader);
        /* exStyle = */ ReadDword(reader);
        dialog.style = ReadDword(reader);
    } else {
        dialog.style = ReadDword(reader);
        /* exStyle = */ ReadDword(reader);
    }
    dialog.itemCount = ReadWord(reader);
    dialog.x = (short)ReadWord(reader);
    dialog.y = (short)ReadWord(reader);
    dialog.cx = (short)ReadWord(reader);
    dialog.cy = (short)ReadWord(reader);
    /* menu = */ ReadNameOrOrdinal(reader);
    /* windowClass = */ ReadNameOrOrdinal(reader);
    dialog.title = ReadNameOrOrdinal(reader).text;
    if ((dialog.style & dialogSetFont) || (*extended && (dialog.style & dialogShellFont))) {
        /* pointSize = */ ReadWord(reader);
        if (*extended) {
            /* weight = */ ReadWord(reader);
            /* italic, charset = */ ReadWord(reader);
        }
        /* typeface = */ ReadNameOrOrdinal(reader);
    }
    return !reader.failed;
}

bool ParseControl(TemplateReader &reader, bool extended, ControlTemplate &control) {
    AlignDword(reader);
    if (extended) {
        /* helpID = */ ReadDword(reader);
        /* exStyle = */ ReadDword(reader);
        control.style = ReadDword(reader);
    } else {
        control.style = ReadDword(reader);
        /* exStyle = */ ReadDword(reader);
    }
    Skip(reader, 8);  // x, y, cx, cy
    control.id = extended ? (int)ReadDword(reader) : (int)(short)ReadWord(reader);
    control.className = ReadNameOrOrdinal(reader);
    control.text = ReadNameOrOrdinal(reader);
    Skip(reader, ReadWord(reader));  // creation data
    return !reader.failed;
}

bool ParseDialogTemplate(const void *bytes, size_t size, DialogTemplate &dialog) {
    TemplateReader reader = {(const uint8_t *)bytes, size, 0, false};
    bool extended = false;
    if (!ParseDialogHeader(reader, dialog, &extended)) return false;
    for (int i = 0; i < dialog.itemCount; ++i) {
        ControlTemplate control = {};
        if (!ParseControl(reader, extended, control)) return false;
        dialog.controls.push_back(control);
    }
    return true;
}

// How many template bytes may be read: up to the end of the resource
// section when the template lies in it, else as much as a template can
// describe (the caller vouches for its own memory, as on the real system).
size_t TemplateLimit(const void *bytes) {
    const uint8_t *start = pondletResourceData;
    const uint8_t *at = (const uint8_t *)bytes;
    if (at >= start && at < start + pondletResourceSize)
        return (size_t)(start + pondletResourceSize - at);
    return 0x10000;
}

struct ClassAtom {
    WORD atom;
    const char16_t *name;
    ControlKind kind;
};

//  atom    name         kind
const ClassAtom controlClasses[] = {
    {0x0080, u"BUTTON", ControlButton},       {0x0081, u"EDIT", ControlEdit},
    {0x0082, u"STATIC", ControlStatic},       {0x0083, u"LISTBOX", ControlList},
    {0x0084, u"SCROLLBAR", ControlScrollBar}, {0x0085, u"COMBOBOX", ControlCombo},
};

bool SameClassName(const std::u16string &a, const char16_t *b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char16_t unit = a[i] >= u'a' && a[i] <= u'z' ? (char16_t)(a[i] - 32) : a[i];
        if (unit != b[i]) return false;
    }
    return i == a.size() && b[i] == 0;
}

ControlKind KindOfClass(const NameOrOrdinal &className) {
    for (const ClassAtom &entry : controlClasses)
        if (className.text.empty() ? className.ordinal == entry.atom
                                   : SameClassName(className.text, entry.name))
            return entry.kind;
    return ControlOther;
}

// Dialog units to pixels with the base units of the system font (6 x 12).
RECT DialogRect(const DialogTemplate &dialog) {
    int left = dialog.x * 6 / 4, top = dialog.y * 12 / 8;
    return {left, top, left + dialog.cx * 6 / 4, top + dialog.cy * 12 / 8};
}

HWND CreateDialogWindow(const DialogTemplate &dialog, HWND owner, DLGPROC proc, int resourceId) {
    Window *window = AddWindowRecord();
    window->isDialog = true;
    window->dialogProc = proc;
    window->parent = owner;
    window->style = dialog.style;
    window->text = dialog.title;
    window->rect = DialogRect(dialog);
    window->resourceId = resourceId;
    HWND handle = window->handle;
    for (const ControlTemplate &control : dialog.controls) {
        Window *child = AddWindowRecord();
        child->kind = KindOfClass(control.className);
        child->parent = handle;
        child->id = control.id;
        child->style = control.style;
        child->text = control.text.text;
    }
    return handle;
}

// The control WM_INITDIALOG offers for the focus: the first enabled tab
// stop, else the first control.
HWND FirstTabStop(HWND dialog) {
    HWND first = nullptr;
    for (Window *window : AllWindowRecords()) {
        if (!window->alive || window->parent != dialog || window->kind == ControlNone) continue;
        if ((window->style & WS_TABSTOP) && !(window->style & windowDisabled))
            return window->handle;
        if (!first) first = window->handle;
    }
    return first;
}

void CloseDialog(HWND dialog, int resourceId, bool hasResult, INT_PTR result) {
    DestroyWindow(dialog);
    const DeviceObservers &observers = DeviceCurrentObservers();
    if (observers.dialogClosed) observers.dialogClosed(dialog, resourceId, hasResult, result);
}

// Fetches and dispatches until the dialog is ended; false when a quit
// message (or the dialog's destruction) ended the loop instead.
bool RunModalLoop(HWND dialog) {
    for (;;) {
        Window *window = FindWindowRecord(dialog);
        if (!window) return false;
        if (window->ended) return true;
        MSG msg;
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage((int)(intptr_t)msg.wParam);
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

Window *ControlOf(HWND dialog, int id) { return FindWindowRecord(GetDlgItem(dialog, id)); }

int IndexArgument(WPARAM wParam) { return (int)(uint32_t)wParam; }

bool ItemOrder(const std::u16string &a, const std::u16string &b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        char16_t x = a[i] >= u'A' && a[i] <= u'Z' ? (char16_t)(a[i] + 32) : a[i];
        char16_t y = b[i] >= u'A' && b[i] <= u'Z' ? (char16_t)(b[i] + 32) : b[i];
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

LRESULT AddItem(Window &control, LPARAM lParam, bool sorted) {
    const WCHAR *text = (const WCHAR *)(uintptr_t)lParam;
    if (!text) return -1;
    std::u16string item(text);
    size_t index = control.items.size();
    if (sorted)
        for (index = 0; index < control.items.size() && !ItemOrder(item, control.items[index]);)
            ++index;
    control.items.insert(control.items.begin() + (ptrdiff_t)index, item);
    if (control.selection >= (int)index) ++control.selection;
    return (LRESULT)index;
}

// A list box keeps its selection when asked for an item it lacks; a combo
// box loses it. Both answer -1 for "no selection" even though it worked.
LRESULT SetSelection(Window &control, int index, bool clearOnError) {
    if (index >= 0 && index < (int)control.items.size()) {
        control.selection = index;
        return index;
    }
    if (index == -1 || clearOnError) control.selection = -1;
    return -1;
}

LRESULT GetItemText(const Window &control, int index, LPARAM lParam) {
    WCHAR *out = (WCHAR *)(uintptr_t)lParam;
    if (index < 0 || index >= (int)control.items.size() || !out) return -1;
    const std::u16string &item = control.items[(size_t)index];
    std::memcpy(out, item.c_str(), (item.size() + 1) * sizeof(WCHAR));
    return (LRESULT)item.size();
}

// The item operations a list box and a combo box share, each under its own
// message number.
enum ItemOperation { ItemAdd, ItemReset, ItemSelect, ItemSelection, ItemCount, ItemText, ItemNone };

struct ItemMessages {
    UINT add, reset, select, selection, count, text;
};
const ItemMessages listMessages = {LB_ADDSTRING, LB_RESETCONTENT, LB_SETCURSEL,
                                   LB_GETCURSEL, LB_GETCOUNT,     LB_GETTEXT};
const ItemMessages comboMessages = {CB_ADDSTRING, CB_RESETCONTENT, CB_SETCURSEL,
                                    CB_GETCURSEL, CB_GETCOUNT,     CB_GETLBTEXT};

ItemOperation OperationOf(const ItemMessages &numbers, UINT message) {
    if (message == numbers.add) return ItemAdd;
    if (message == numbers.reset) return ItemReset;
    if (message == numbers.select) return ItemSelect;
    if (message == numbers.selection) return ItemSelection;
    if (message == numbers.count) return ItemCount;
    if (message == numbers.text) return ItemText;
    return ItemNone;
}

LRESULT ItemMessage(Window &control, ItemOperation operation, bool sorted, bool combo,
                    WPARAM wParam, LPARAM lParam) {
    switch (operation) {
    case ItemAdd: return AddItem(control, lParam, sorted);
    case ItemReset:
        control.items.clear();
        control.selection = -1;
        return 0;
    case ItemSelect: return SetSelection(control, IndexArgument(wParam), combo);
    case ItemSelection: return control.selection;
    case ItemCount: return (LRESULT)control.items.size();
    case ItemText: return GetItemText(control, IndexArgument(wParam), lParam);
    default: return 0;
    }
}

}  // namespace

LRESULT ControlMessage(Window &control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (control.kind == ControlList)
        return ItemMessage(control, OperationOf(listMessages, message), control.style & listSort,
                           false, wParam, lParam);
    if (control.kind == ControlCombo)
        return ItemMessage(control, OperationOf(comboMessages, message), control.style & comboSort,
                           true, wParam, lParam);
    return 0;
}

Window *TopDialog() {
    Window *top = nullptr;
    for (Window *window : AllWindowRecords())
        if (window->alive && window->isDialog && !window->ended) top = window;
    return top;
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE, LPCDLGTEMPLATEW tmpl, HWND owner, DLGPROC proc,
                                LPARAM param) {
    DialogTemplate dialog = {};
    if (!tmpl || !ParseDialogTemplate(tmpl, TemplateLimit(tmpl), dialog) ||
        (owner && !FindWindowRecord(owner))) {
        DeviceSetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    int resourceId = DeviceResourceIdOfData(tmpl);
    HWND handle = CreateDialogWindow(dialog, owner, proc, resourceId);
    const DeviceObservers &observers = DeviceCurrentObservers();
    if (observers.dialogOpened) observers.dialogOpened(handle, resourceId);
    HWND focus = FirstTabStop(handle);
    if (DeliverMessage(handle, WM_INITDIALOG, (WPARAM)(uintptr_t)focus, param) && focus &&
        FindWindowRecord(focus))
        SetFocus(focus);
    if (!RunModalLoop(handle)) {
        CloseDialog(handle, resourceId, false, 0);
        return 0;
    }
    INT_PTR result = FindWindowRecord(handle)->result;
    CloseDialog(handle, resourceId, true, result);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Window *window = FindWindowRecord(dialog);
    if (!window || !window->isDialog) return FALSE;
    window->ended = true;
    window->result = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    if (!dialog) return nullptr;
    for (Window *window : AllWindowRecords())
        if (window->alive && window->parent == dialog && window->kind != ControlNone &&
            window->id == id)
            return window->handle;
    return nullptr;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SendMessageW(control, message, wParam, lParam) : 0;
}

std::vector<DeviceDialogInfo> DeviceOpenDialogs() {
    std::vector<DeviceDialogInfo> open;
    for (Window *window : AllWindowRecords())
        if (window->alive && window->isDialog && !window->ended)
            open.push_back({window->handle, window->resourceId});
    return open;
}

std::vector<std::u16string> DeviceControlItems(HWND dialog, int id) {
    Window *control = ControlOf(dialog, id);
    return control ? control->items : std::vector<std::u16string>();
}

int DeviceControlSelection(HWND dialog, int id) {
    Window *control = ControlOf(dialog, id);
    return control ? control->selection : -1;
}

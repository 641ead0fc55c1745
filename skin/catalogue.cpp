// The skin catalogue: the folders below the executable's folder that hold a
// skin.txt, each listed by its title, and the Select dialog that picks one
// when there are several.
//
// The catalogue lives only inside ChooseSkin: entries are allocated as the
// search finds them and freed once the choice is made. Titles and paths are
// two parallel tables, so a list-box index is a catalogue index.
#include "skin/catalogue.h"

#include "core/process.h"
#include "resource.h"
#include "skin/readers.h"

#include <stdlib.h>

// Room for a whole path: a skin without a T line is listed by its path.
enum { kTitleUnits = kScriptPathUnits };

static int32_t skinCount;
static int32_t selectedSkin;

static WCHAR *skinTitles[kMaxSkins];  // owned by the catalogue until FreeCatalogue
static WCHAR *skinPaths[kMaxSkins];

static int TextLength(const WCHAR *text) {
    int length = 0;
    while (text[length]) length++;
    return length;
}

static void CopyText(WCHAR *to, const WCHAR *from, int maxChars) {
    int i = 0;
    for (; i < maxChars && from[i]; i++) to[i] = from[i];
    to[i] = 0;
}

// Only a plain folder is a skin folder: any further attribute bit (read-only,
// hidden, system, archive) rules it out, and so do the search's "." and ".."
// entries, which would name the executable's folder and its parent.
static int IsSkinFolder(const WIN32_FIND_DATAW *entry) {
    if (entry->dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY) return 0;
    const WCHAR *name = entry->cFileName;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) return 0;
    return 1;
}

// Builds exeFolder + name + "\skin.txt" into path. Returns 0 when it would
// not fit kScriptPathUnits.
static int FormatScriptPath(WCHAR *path, const WCHAR *name) {
    static const int kSuffixChars = 9;  // "\skin.txt"
    if (TextLength(exeFolder) + TextLength(name) + kSuffixChars >= kScriptPathUnits) return 0;
    wsprintfW(path, WSTR("%s%s\\skin.txt"), exeFolder, name);
    return 1;
}

// A T or t line names the skin from its third character on. A line of one
// character names it with nothing.
static void ReadTitle(HANDLE file, WCHAR *title) {
    WCHAR line[kLineUnits];
    while (ReadScriptLine(file, line)) {
        if (line[0] != 'T' && line[0] != 't') continue;
        CopyText(title, line[1] ? line + 2 : line + 1, kTitleChars);
    }
}

// Opens path and, when it opens, adds it to the catalogue.
static void AddSkin(const WCHAR *path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    WCHAR *title = (WCHAR *)malloc(kTitleUnits * sizeof(WCHAR));
    WCHAR *scriptPath = (WCHAR *)malloc(kScriptPathUnits * sizeof(WCHAR));
    if (title && scriptPath) {
        CopyText(title, path, kTitleUnits - 1);
        ReadTitle(file, title);
        CopyText(scriptPath, path, kScriptPathUnits - 1);
        skinTitles[skinCount] = title;
        skinPaths[skinCount] = scriptPath;
        skinCount++;
    } else {
        free(title);
        free(scriptPath);
    }
    CloseHandle(file);
}

// Fills the catalogue from the folders below exeFolder; folders past the
// 32nd are ignored. Returns 0 when the search cannot start.
static int ScanSkinFolders(void) {
    WCHAR pattern[kExeFolderUnits + 2];
    WIN32_FIND_DATAW entry;
    skinCount = 0;
    wsprintfW(pattern, WSTR("%s*"), exeFolder);
    HANDLE search = FindFirstFileW(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        WCHAR path[kScriptPathUnits];
        if (skinCount < kMaxSkins && IsSkinFolder(&entry) &&
            FormatScriptPath(path, entry.cFileName))
            AddSkin(path);
    } while (skinCount < kMaxSkins && FindNextFileW(search, &entry));
    FindClose(search);
    return 1;
}

// Points exeFolder at the folder of scriptPath, ending in its backslash.
static void SetSkinFolder(const WCHAR *scriptPath) {
    WCHAR folder[kExeFolderUnits];
    CopyText(folder, scriptPath, kExeFolderUnits - 1);
    int cut = 0;
    for (int i = 0; folder[i]; i++)
        if (folder[i] == '\\') cut = i + 1;
    folder[cut] = 0;
    SetExeFolder(folder);
}

static void FreeCatalogue(void) {
    for (int32_t i = 0; i < skinCount; i++) {
        free(skinTitles[i]);
        free(skinPaths[i]);
        skinTitles[i] = NULL;
        skinPaths[i] = NULL;
    }
}

int32_t SkinCount(void) { return skinCount; }

void ResetCatalogue(void) {
    FreeCatalogue();
    skinCount = 0;
    selectedSkin = 0;
}

int ChooseSkin(WCHAR *path) {
    if (!ScanSkinFolders()) {
        ShowErrorBox(WSTR("File Error (1)."));
        return 0;
    }
    if (skinCount == 0) {
        ShowErrorBox(WSTR("No skin.txt is found."));
        return 0;
    }
    selectedSkin = 0;
    // The choice is left in selectedSkin.
    if (skinCount > 1) RunDialog(IDD_SELECT, mainWindow, SelectDlgProc);
    // The list box reports -1 when nothing is highlighted.
    if (selectedSkin < 0 || selectedSkin >= skinCount) selectedSkin = 0;
    SetSkinFolder(skinPaths[selectedSkin]);
    CopyText(path, skinPaths[selectedSkin], kScriptPathUnits - 1);
    FreeCatalogue();
    return 1;
}

// ---- the Select dialog --------------------------------------------------------

static INT_PTR OnSelectInit(HWND dialog) {
    for (int32_t i = 0; i < skinCount; i++)
        SendDlgItemMessageW(dialog, IDC_SKIN_LIST, LB_ADDSTRING, 0, (LPARAM)skinTitles[i]);
    SendDlgItemMessageW(dialog, IDC_SKIN_LIST, LB_SETCURSEL, 0, 0);
    SetFocus(GetDlgItem(dialog, IDC_SKIN_LIST));
    return FALSE;  // the focus has been set
}

// Without an owner GetParent gives none, and invalidating none asks the
// platform to redraw every window, which repaints what the dialog covered.
static void CloseSelect(HWND dialog) {
    EndDialog(dialog, 1);
    InvalidateRect(GetParent(dialog), NULL, FALSE);
}

static INT_PTR OnSelectCommand(HWND dialog, int id, int notification) {
    if (id == IDOK || (id == IDC_SKIN_LIST && notification == LBN_DBLCLK)) {
        selectedSkin = (int32_t)SendDlgItemMessageW(dialog, IDC_SKIN_LIST, LB_GETCURSEL, 0, 0);
        CloseSelect(dialog);
        return TRUE;
    }
    if (id == IDCANCEL) {
        CloseSelect(dialog);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK SelectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG: return OnSelectInit(dialog);
    case WM_COMMAND: return OnSelectCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    default: return FALSE;
    }
}

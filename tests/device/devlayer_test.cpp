// The simulated device's own side: clock, timers, input, dialogs, host paths
// and files, code pages, clipping and fonts. (The screen's rounding at each
// depth is held by the bundled skin's golden screens.)
#include "device.h"
#include "resource.h"
#include "support/test_dib.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

namespace fs = std::filesystem;

namespace {

const int panel = IDD_PANEL, selectBox = IDD_SELECT, combo = IDC_BLEND_LIST, list = IDC_SKIN_LIST;

// "at:message/wParam " per WM_TIMER or WM_USER message of the window.
std::string seen;
std::function<void(HWND)> onInit;

LRESULT CALLBACK RecordingProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_TIMER || message >= WM_USER)
        seen += std::to_string(DeviceElapsed()) + ":" + std::to_string(message) + "/" + std::to_string(wParam) + " ";
    return 0;
}

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG && onInit) onInit(dialog);
    if (message != WM_COMMAND) return FALSE;
    EndDialog(dialog, 100 + LOWORD(wParam));
    return TRUE;
}

INT_PTR OpenDialog(int id, HWND owner = nullptr) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_DIALOG);
    const void *bytes = found ? LockResource(LoadResource(nullptr, found)) : nullptr;
    return DialogBoxIndirectParamW(nullptr, (LPCDLGTEMPLATEW)bytes, owner, TestDialogProc, 0);
}

class DeviceLayer : public ::testing::Test {
  protected:
    void SetUp() override {
        alarm(60);  // a message loop that never ends fails the run instead of hanging it
        DeviceReset();
        onInit = nullptr;
        WNDCLASSW wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = WSTR("Recorder");
        RegisterClassW(&wc);
        window = CreateWindowExW(0, WSTR("Recorder"), WSTR(""), 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        seen.clear();
    }
    HWND window = nullptr;
};

TEST_F(DeviceLayer, LocalTimeCrossesMonthAndLeapYearEnds) {
    auto after = [](SYSTEMTIME start, uint64_t advance) {
        DeviceSetLocalTime(start);
        DeviceAdvance(advance);
        SYSTEMTIME t;
        GetLocalTime(&t);
        char now[64];
        snprintf(now, sizeof now, "%04u-%02u-%02u %02u:%02u:%02u.%03u dow %u", t.wYear, t.wMonth, t.wDay, t.wHour,
                 t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
        return std::string(now);
    };
    // start: {year, month, day of week (ignored), day, hour, minute, second, ms}
    EXPECT_EQ(after({2009, 8, 0, 31, 12, 0, 0, 0}, 12 * 3600000ull), "2009-09-01 00:00:00.000 dow 2");
    EXPECT_EQ(after({2008, 2, 0, 28, 12, 0, 0, 0}, 86400000ull), "2008-02-29 12:00:00.000 dow 5");
    EXPECT_EQ(after({2100, 2, 0, 28, 0, 0, 0, 0}, 86400000ull), "2100-03-01 00:00:00.000 dow 1");
    EXPECT_EQ(after({2009, 12, 0, 31, 23, 59, 59, 500}, 1500), "2010-01-01 00:00:01.000 dow 5");
}

// Idle waits jump the clock to the next due timer; setting an existing id
// again restarts it with the new period. Input due with a timer comes first;
// what is due at the run's limit still comes, what is due after it does not.
TEST_F(DeviceLayer, TimersFireExactlyAndInputDueWithATimerComesFirst) {
    SetTimer(window, 7, 40, nullptr);
    SetTimer(window, 9, 50, nullptr);
    DeviceAdvance(30);
    SetTimer(window, 9, 20, nullptr);
    DeviceAction input;
    input.custom = [this] { PostMessageW(window, WM_USER, 5, 0); };
    DeviceQueueAction(90, input);
    DeviceQueueAction(95, input);
    DeviceSetRunLimit(90);
    MSG msg;  // the ordinary message loop, until the run ends
    EXPECT_THROW(while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg), DeviceRunEnded);
    EXPECT_EQ(DeviceElapsed(), 90u);
    EXPECT_EQ(seen, "40:275/7 50:275/9 70:275/9 80:275/7 90:1024/5 90:275/9 ");
}

TEST_F(DeviceLayer, AtMostOneTimerMessageWaitsAndKillTimerLeavesIt) {
    SetTimer(window, 3, 10, nullptr);
    MSG msg;
    for (int look = 0; look < 2; look++) {  // periods go by while the program is busy
        DeviceAdvance(100);
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    KillTimer(window, 3);
    int timers = 0;
    while (PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE)) ++timers;
    EXPECT_EQ(timers, 1) << "one queued WM_TIMER, still there after KillTimer";
}

TEST_F(DeviceLayer, AQuitEndsADialogWithZeroAndIsPostedAgain) {
    PostQuitMessage(3);
    EXPECT_EQ(OpenDialog(panel, window), 0);
    MSG msg;
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0)) << "the outer loop gets the quit too";
    EXPECT_EQ(msg.wParam, 3u);
}

// Each dialog takes the rows of its own control; the close box ends it as
// Cancel would.
TEST_F(DeviceLayer, ListAndComboBoxSelectionAndTheCloseBox) {
    const struct {
        int id;
        UINT message;
        intptr_t wParam, expected;
        const char16_t *text;
    } steps[] = {
        {combo, CB_ADDSTRING, 0, 0, u"100%"},      {combo, CB_ADDSTRING, 0, 1, u"Half"},
        {combo, CB_SETCURSEL, 1, 1, nullptr},      {combo, CB_GETCURSEL, 0, 1, nullptr},
        {combo, CB_SETCURSEL, 5, CB_ERR, nullptr}, {combo, CB_GETCURSEL, 0, CB_ERR, nullptr},  // a combo box clears it
        {list, LB_ADDSTRING, 0, 0, u"pond"},       {list, LB_SETCURSEL, 0, 0, nullptr},
        {list, LB_SETCURSEL, 9, LB_ERR, nullptr},  {list, LB_GETCURSEL, 0, 0, nullptr},  // a list box keeps it
    };
    onInit = [&steps](HWND box) {
        for (const auto &s : steps)
            if (GetDlgItem(box, s.id)) {
                EXPECT_EQ(SendDlgItemMessageW(box, s.id, s.message, (WPARAM)s.wParam, (LPARAM)(uintptr_t)s.text),
                          s.expected)
                    << "control " << s.id << " message " << s.message << " wParam " << s.wParam;
            }
    };
    for (int dialog : {panel, selectBox}) {
        DeviceAction close;
        close.kind = DeviceCloseBox;
        DeviceQueueAction(DeviceElapsed() + 1, close);
        EXPECT_EQ(OpenDialog(dialog), 100 + IDCANCEL);
    }
}

// ---- files and text ----

// Host /a/b is device \a\b, and back after the platform's normalisation,
// which stops at the root; a cut module path ends inside the buffer.
TEST_F(DeviceLayer, PathMappingAndTheModuleFileName) {
    EXPECT_EQ(DeviceUtf8(DevicePathFromHost("/tmp/a b/\xE3\x81\x8A")), "\\tmp\\a b\\\xE3\x81\x8A");
    const std::pair<const char16_t *, const char *> rows[] = {
        {u"tmp//a b/./c\\..\\\u304A. .", "/tmp/a b/\xE3\x81\x8A"}, {u"\\..\\tmp\\", "/tmp/"}, {u"", "/"}};
    for (const auto &[device, host] : rows) EXPECT_EQ(DeviceHostPath(device), host) << DeviceUtf8(device);
    DeviceSetExecutable("/opt/pond/pondlet.exe");
    WCHAR buffer[22];
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 22), 21u);
    EXPECT_EQ(DeviceUtf8(buffer), "\\opt\\pond\\pondlet.exe");
    buffer[21] = u'#';
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 21), 21u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(DeviceUtf8(buffer), "\\opt\\pond\\pondlet.ex");
    EXPECT_EQ(buffer[21], u'#');
}

// Tests run as root, so read-only must come from the owner's write bit, not
// from an access check. Entries come in NTFS order, where names that differ
// only in case (possible on the host alone) follow their units.
TEST_F(DeviceLayer, SearchOrderAndAttributesFromModeBits) {
    TestFolder folder("devfiles-order");
    ASSERT_TRUE(MakeTestFolder(folder.path / "ro", kTestFolderReadOnly));
    for (const char *name : {".dotfile", "Z", "z", "_"}) ASSERT_TRUE(WriteTestFile(folder.path / name, "xy"));
    fs::permissions(folder.path / "Z", fs::perms::owner_write, fs::perm_options::remove);
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((DevicePathFromHost(folder.path.string()) + u"\\*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::string found;
    do found += DeviceUtf8(data.cFileName) + " " + std::to_string(data.dwFileAttributes) + ", ";
    while (FindNextFileW(search, &data));
    FindClose(search);
    EXPECT_EQ(found, ". 16, .. 16, .dotfile 34, ro 17, Z 33, z 32, _ 32, ");
    std::u16string readOnly = DevicePathFromHost((folder.path / "Z").string());
    EXPECT_EQ(CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
}

// Of host entries that differ only in case, an element takes the one spelt
// as asked, else the first the search lists; each element is looked up on
// its own, and from the first that matches nothing the spelling stays.
TEST_F(DeviceLayer, ANameChoosesAmongEntriesThatDifferOnlyInCase) {
    TestFolder folder("devfiles-case");
    for (const char *name : {"body.bmp", "Body.bmp", "BODY.bmp", "dir/x", "Dir/X"})
        ASSERT_TRUE(WriteTestFile(folder.path / name, name));
    const std::pair<const char16_t *, const char *> rows[] = {{u"body.bmp", "body.bmp"},
                                                              {u"BODY.BMP", "BODY.bmp"},
                                                              {u"DIR\\x", "Dir/X"},
                                                              {u"dir\\X", "dir/x"},
                                                              {u"DIR\\X\\BODY.BMP", "Dir/X/BODY.BMP"},
                                                              {u"nowhere\\BODY.BMP", "nowhere/BODY.BMP"}};
    std::u16string base = DevicePathFromHost(folder.path.string()) + u"\\";
    for (const auto &[device, host] : rows)
        EXPECT_EQ(DeviceHostPath(base + device), folder.path.string() + "/" + host) << DeviceUtf8(device);
}

// CP_ACP follows the device's code page: 932 unless a test sets another.
TEST_F(DeviceLayer, AnsiCodePages932And1252) {
    auto decode = [](const char *bytes) {
        WCHAR out[32];
        int units = MultiByteToWideChar(CP_ACP, 0, bytes, -1, out, 32);
        return std::pair(units, DeviceUtf8(out));
    };
    EXPECT_EQ(decode("T \x83\x4C\xB1\x85\x40"), std::pair(6, DeviceUtf8(u"T \u30AD\uFF71\u30FB")));  // 85 40: unmapped
    DeviceSetCodePage(1252);
    EXPECT_EQ(decode("\x83\x4C\x80\x81"), std::pair(5, DeviceUtf8(u"\u0192L\u20AC\u0081")));
}

// ---- screen and GDI objects ----

// A 5x3 block (bottom-up rows padded from 15 to 16 bytes) across the edges of
// a 10x8 screen, both ways.
TEST_F(DeviceLayer, BitBltClipsToBothSurfaces) {
    const int w = 5, h = 3, stride = 16, places[][2] = {{-2, -2}, {8, 6}, {3, -3}, {-5, 0}, {10, 8}};
    for (const auto &[px, py] : places) {
        DeviceSetScreen(10, 8, 24, 0x808080);
        TestDib dib(w, h);
        auto pixel = [&dib](int i) { return dib.bits + (h - 1 - i / w) * stride + i % w * 3; };
        for (int i = 0; i < w * h; i++) pixel(i)[1] = BYTE(16 * (i + 1));
        BitBlt(GetDC(nullptr), px, py, w, h, dib.dc, 0, 0, SRCCOPY);
        for (int x = 0; x < 10; x++)
            for (int y = 0; y < 8; y++) {
                bool covered = x >= px && x < px + w && y >= py && y < py + h;
                ASSERT_EQ(DeviceReadScreen(x, y), covered ? RGB(0, 16 * ((y - py) * w + x - px + 1), 0) : 0x808080u)
                    << "to screen at " << px << "," << py << " pixel " << x << "," << y;
            }
        DeviceFillScreen(0, 0, 10, 8, 0x00FF00);
        BitBlt(dib.dc, 0, 0, w, h, GetDC(nullptr), px, py, SRCCOPY);
        for (int i = 0; i < w * h; i++) {
            int x = px + i % w, y = py + i / w;
            bool onScreen = x >= 0 && x < 10 && y >= 0 && y < 8;
            ASSERT_EQ(pixel(i)[1] | pixel(i)[2] << 8, onScreen ? 0xFF : 16 * (i + 1))
                << "from screen at " << px << "," << py << " pixel " << i;
        }
    }
}

// The device keeps a selected font alive; DeleteObject reports the refusal.
TEST_F(DeviceLayer, SelectedFontIsNotDeleted) {
    HDC dc = CreateCompatibleDC(GetDC(nullptr));
    LOGFONTW logical{};
    HFONT first = CreateFontIndirectW(&logical), second = CreateFontIndirectW(&logical);
    SelectObject(dc, first);
    EXPECT_FALSE(DeleteObject(first));
    EXPECT_EQ(SelectObject(dc, second), first);
    EXPECT_TRUE(DeleteObject(first));
    EXPECT_EQ(DeviceLiveFonts(), 1);
}

// The black pixels of text drawn in the named face at lfHeight on a white
// 200x40 patch of the screen, row by row.
std::vector<bool> Drawn(std::u16string face, LONG height, const char16_t *text) {
    HDC screen = GetDC(nullptr);
    LOGFONTW logical{};
    logical.lfHeight = height;
    face.copy(logical.lfFaceName, std::min<size_t>(face.size(), LF_FACESIZE - 1));
    HFONT font = CreateFontIndirectW(&logical);
    HGDIOBJ previous = SelectObject(screen, font);
    DeviceFillScreen(0, 0, 200, 40, 0xFFFFFF);
    RECT box{0, 0, 200, 40};
    DrawTextW(screen, text, -1, &box, 0);
    SelectObject(screen, previous);
    DeleteObject(font);
    std::vector<bool> ink;
    for (int y = 0; y < 40; y++)
        for (int x = 0; x < 200; x++) ink.push_back(DeviceReadScreen(x, y) == 0);
    return ink;
}

// The face names skins give reach the installed faces through fontconfig's
// aliases (Latin ones DejaVu Sans, Japanese ones the IPA Gothic pair), as do a
// face's own names; an unknown name gets the default face. The installed faces
// differ from one another in this text, so a name fails when it lands elsewhere.
TEST_F(DeviceLayer, FaceNamesReachTheInstalledFaces) {
    const char16_t *text = u"Ag9 \u6642";
    const std::pair<std::u16string, std::vector<std::u16string>> faces[] = {
        {u"DejaVu Sans", {u"Tahoma", u"tahoma", u"", u"No Such Face"}},
        {u"IPAGothic",
         {u"MS Gothic", u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF", u"IPAGothic", u"IPA\u30B4\u30B7\u30C3\u30AF"}},
        {u"IPAPGothic", {u"MS PGothic", u"MS UI Gothic", u"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"}},
    };
    for (const auto &a : faces)
        for (const auto &b : faces)
            ASSERT_TRUE(&a == &b || Drawn(a.first, 16, text) != Drawn(b.first, 16, text)) << "faces draw alike";
    for (const auto &[face, names] : faces)
        for (const std::u16string &name : names)
            for (LONG height : {12, -16})
                EXPECT_TRUE(Drawn(name, height, text) == Drawn(face, height, text))
                    << DeviceUtf8(name) << " at height " << height << " is not drawn in " << DeviceUtf8(face);
}

// A face drawn before draws the same after the caches had to let go.
TEST_F(DeviceLayer, FontCachesStayUnderTheirCeilings) {
    std::vector<bool> before = Drawn(u"MS Gothic", 16, u"\u6642A");
    auto underCeilings = [](const char *phase) {
        DeviceFontCacheUse use = DeviceFontCache();
        EXPECT_TRUE(use.names <= 64 && use.files <= 64 && use.faces <= 1024 && use.glyphBytes <= size_t(8) << 20)
            << phase << ": " << use.names << " names, " << use.files << " files, " << use.faces << " faces, "
            << use.glyphBytes << " glyph bytes";
    };
    for (int i = 0; i < 300; i++)
        Drawn(u"Face " + std::u16string{char16_t(u'A' + i % 26), char16_t(u'a' + i / 26)}, 12, u"x\u6642");
    underCeilings("after 300 face names");
    for (LONG height = 1; height <= 1100; height++) Drawn(u"DejaVu Sans", height, u"a");
    underCeilings("after 1100 sizes");
    for (int i = 0; i < 2; i++) Drawn(u"DejaVu Sans", -2000, u"MW@#");
    underCeilings("after glyphs of 2000 pixels");
    std::vector<bool> beyond = Drawn(u"DejaVu Sans", 1500, u"a");
    EXPECT_GT(std::count(beyond.begin(), beyond.end(), true), 0) << "a size past the ceiling draws nothing";
    EXPECT_TRUE(Drawn(u"MS Gothic", 16, u"\u6642A") == before);
}

}  // namespace

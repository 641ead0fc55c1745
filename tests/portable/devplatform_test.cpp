// Queue, file, text and drawing calls as the program uses them, held alike
// to the real platform (under Wine, on a display) and to the simulated device.
#include "support/test_dib.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string dispatched;

LRESULT CALLBACK QueueProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER || message >= WM_USER) dispatched += std::to_string(message) + " ";
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MessageQueue, PostedMessagesAndQuitComeBeforeADueTimer) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = QueueProc;
    wc.lpszClassName = WSTR("QueueOrder");
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, WSTR("QueueOrder"), WSTR(""), 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetTimer(window, 900, 10, nullptr);
    Sleep(50);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_NOREMOVE)) << "the timer is due";
    PostMessageW(window, WM_USER, 0, 0);
    PostMessageW(window, WM_USER + 1, 0, 0);
    PostQuitMessage(4);
    while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    EXPECT_EQ(dispatched, "1024 1025 ") << "no WM_TIMER (275) before the quit";
    EXPECT_EQ(msg.wParam, 4u);
}

TEST(Wsprintf, Directives) {
    WCHAR out[100];
    int count = wsprintfW(out, WSTR("%s%s\\|%d|%d|%u|%x|%x|%c|100%%"), WSTR("\\a\\"), WSTR("skin"), -42,
                          (int)0x80000000, 4000000000u, 0xBEEFu, -1, (int)'o');
    EXPECT_EQ(TestUtf8(out), "\\a\\skin\\|-42|-2147483648|4000000000|beef|ffffffff|o|100%");
    EXPECT_EQ(count, 56);
}

HANDLE Open(const TestWString &path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TestWString Wide(const std::u16string &units) { return TestWString(units.begin(), units.end()); }

// The file's bytes, read one at a time as the script reader does.
std::string ReadAll(const TestWString &path) {
    HANDLE file = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return "<error " + std::to_string(GetLastError()) + ">";
    std::string bytes;
    char byte;
    DWORD got = 0;
    while (ReadFile(file, &byte, 1, &got, nullptr) && got) bytes += byte;
    CloseHandle(file);
    return bytes;
}

std::string Search(const TestWString &pattern) {
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return "<error " + std::to_string(GetLastError()) + ">";
    std::string found;
    do found += TestUtf8(data.cFileName) + " ";
    while (FindNextFileW(search, &data));
    FindClose(search);
    return found;
}

// Readers share the skin's files and keep writers out; CREATE_NEW refuses an
// entry of another spelling, and CREATE_ALWAYS replaces it, older and longer
// (the probe's scratch file), keeping its name.
TEST(Files, OpenExistingSharingAndCreate) {
    TestFolder folder("devfiles-disp");
    TestWString base = TestDevicePath(folder.path, true), path = base + Wide(u"Body.bmp");
    EXPECT_EQ(ReadAll(base + Wide(u"none")), "<error 2>");  // ERROR_FILE_NOT_FOUND
    ASSERT_TRUE(WriteTestFile(folder.path / "Body.bmp", "old file"));
    HANDLE reader = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_EQ(Open(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadAll(path), "old file");
    CloseHandle(reader);
    EXPECT_EQ(Open(base + Wide(u"bOdY.bmp"), GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    HANDLE file = Open(base + Wide(u"BODY.BMP."), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0, high = 7;
    EXPECT_TRUE(WriteFile(file, "\xEE\xFF\xC0", 3, &written, nullptr));
    EXPECT_EQ(GetFileSize(file, &high) + high, 3u);
    CloseHandle(file);
    EXPECT_EQ(Search(base + Wide(u"*")), ". .. Body.bmp ");
    EXPECT_EQ(ReadAll(path), "\xEE\xFF\xC0");
}

// Names match whatever their case (each unit upper-cased on its own, so ı, ς
// and ß fold to nothing else); a search lists in NTFS order. Every file holds
// its own name, so an open shows which entry it reached.
TEST(Files, NamesAndSearchesAsThePlatformReadsThem) {
    TestFolder folder("devfiles-names");
    for (const char16_t *name : {u"Body.bmp", u"Sub/SKIN.TXT", u"a", u"ab", u"B", u"Zz", u"_x", u"\u00e9", u"\u00ff",
                                 u"\u0131", u"\u03c2", u"\uff41", u"\U0001F600"})  // é ÿ ı ς ａ 😀
        ASSERT_TRUE(WriteTestFile(folder.path / std::filesystem::path(std::u16string(name)), TestUtf8(Wide(name))));
    const std::tuple<bool, std::vector<std::u16string>, const char *> rows[] = {
        {false, {u"body.bmp", u"BODY.BMP", u"Body.bmp. ."}, "Body.bmp"},
        {false, {u"sub//skin.txt", u"SUB\\skin.txt", u"Sub.\\skin.txt"}, "Sub/SKIN.TXT"},
        {false, {u"nowhere\\..\\.\\Sub\\skin.txt"}, "Sub/SKIN.TXT"},
        {false, {u"\u00c9"}, "\xC3\xA9"},                                  // É
        {false, {u"\u0178"}, "\xC3\xBF"},                                  // Ÿ
        {false, {u"\uff21"}, "\xEF\xBD\x81"},                              // Ａ
        {false, {u"I", u"\u03a3", u"\u00df", u"Body.bmpx"}, "<error 2>"},  // I Σ ß
        {false, {u"nowhere\\Body.bmp", u"Sub..\\skin.txt", u"Sub \\skin.txt"}, "<error 3>"},
        {false, {u"Sub\\"}, "<error 5>"},
        {true,
         {u"*"},
         ". .. a ab B Body.bmp Sub Zz _x \xC3\xA9 \xC4\xB1 \xC3\xBF \xCF\x82 \xF0\x9F\x98\x80 \xEF\xBD\x81 "},
        {true, {u"?"}, ". a B \xC3\xA9 \xC4\xB1 \xC3\xBF \xCF\x82 \xEF\xBD\x81 "},  // one unit each
        {true, {u"*.BMP"}, "Body.bmp "},
        {true, {u"\u00c9*"}, "\xC3\xA9 "},
        {true, {u"sub/*"}, ". .. SKIN.TXT "},
        {true, {u"SUB\\skin.txt."}, "SKIN.TXT "},
        {true, {u"sub\\"}, "<error 2>"},
        {true, {u"nowhere\\*"}, "<error 3>"},
    };
    for (const auto &[search, paths, expected] : rows)
        for (const std::u16string &name : paths) {
            TestWString path = TestDevicePath(folder.path, true) + Wide(name);
            EXPECT_EQ(search ? Search(path) : ReadAll(path), expected) << TestUtf8(Wide(name));
        }
}

COLORREF Pixel24(const BYTE *p) { return RGB(p[2], p[1], p[0]); }

// Indices show their table colour; colours going in take the nearest entry.
TEST(DibSection, EightBitPixelsGoThroughTheColourTable) {
    std::vector<COLORREF> table = {RGB(0, 0, 0), RGB(200, 10, 10), RGB(10, 200, 10), RGB(10, 10, 200)};
    TestDib indexed(4, 1, 8, table), full(4, 1);
    const BYTE indices[] = {3, 1, 0, 2}, nearest[] = {1, 0, 3, 2};
    const COLORREF closeBy[] = {RGB(190, 30, 0), RGB(0, 0, 0), RGB(30, 30, 250), RGB(0, 170, 40)};
    std::memcpy(indexed.bits, indices, 4);
    BitBlt(full.dc, 0, 0, 4, 1, indexed.dc, 0, 0, SRCCOPY);
    GdiFlush();
    for (int x = 0; x < 4; x++) EXPECT_EQ(Pixel24(full.bits + x * 3), table[indices[x]]) << "pixel " << x;
    for (int x = 0; x < 4; x++)
        for (int c = 0; c < 3; c++) full.bits[x * 3 + c] = BYTE(closeBy[x] >> (16 - 8 * c));
    BitBlt(indexed.dc, 0, 0, 4, 1, full.dc, 0, 0, SRCCOPY);
    GdiFlush();
    for (int x = 0; x < 4; x++) EXPECT_EQ(indexed.bits[x], nearest[x]) << "pixel " << x;
}

// Lines break at CR LF; text is black on an opaque white box clipped to the
// rectangle. A desktop system smooths text of default quality, so ask for none.
TEST(DrawText, MeasuresAndDrawsBlackOnWhiteOnly) {
    const LONG width = 120, height = 60;
    TestDib dib(width, height);
    std::memset(dib.bits, 0x80, size_t(width) * 3 * height);
    LOGFONTW logical{};
    logical.lfHeight = 14;
    logical.lfQuality = 3;  // NONANTIALIASED_QUALITY
    SelectObject(dib.dc, CreateFontIndirectW(&logical));
    RECT one{0, 0, width, height}, two = one;
    DrawTextW(dib.dc, WSTR("12:34"), -1, &one, DT_CALCRECT);
    DrawTextW(dib.dc, WSTR("12:34\r\n56"), -1, &two, DT_CALCRECT);
    EXPECT_EQ(std::pair(two.right, two.bottom), std::pair(one.right, 2 * one.bottom));
    RECT box{2, 3, 2 + one.right / 2, height};
    DrawTextW(dib.dc, WSTR("12:34\r\n56:78"), -1, &box, 0);  // both lines wider than the box
    GdiFlush();
    int black = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            COLORREF c = Pixel24(dib.bits + (size_t(height - 1 - y) * width + x) * 3);
            bool inside = x >= box.left && x < box.right && y >= box.top && y < box.top + two.bottom;
            ASSERT_TRUE(inside ? c == 0 || c == 0xFFFFFF : c == 0x808080)
                << std::hex << "colour 0x" << c << std::dec << " at " << x << "," << y;
            black += c == 0;
        }
    EXPECT_GT(black, 10);
}

}  // namespace

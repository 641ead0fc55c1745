// File, search and text calls as the program uses them. The same binary runs
// on Windows (under Wine) and on the simulated device, so the device is held
// to what the real platform does.
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// ---- wsprintfW ---------------------------------------------------------------

// The text wsprintfW makes, with its count if that differs from the length.
template <typename... Args> std::string Format(const WCHAR *format, Args... args) {
    WCHAR out[1100];
    int count = wsprintfW(out, format, args...);
    std::string text = TestUtf8(out);
    return count == (int)text.size() ? text : text + " <count " + std::to_string(count) + ">";
}

TEST(Wsprintf, Directives) {
    const WCHAR *name = WSTR("skin");
    struct Row {
        std::string got;
        const char *expected;
    } rows[] = {
        {Format(WSTR("%s%s\\skin.txt"), WSTR("\\a\\"), name), "\\a\\skin\\skin.txt"},
        {Format(WSTR("File Open error %s"), WSTR("\\x\\y.bmp")), "File Open error \\x\\y.bmp"},
        {Format(WSTR("baseBmp error (%d)"), -42), "baseBmp error (-42)"},
        {Format(WSTR("%d|%d|%u|%x|%x"), 0, (int)0x80000000, 4000000000u, 0xBEEFu, -1),
         "0|-2147483648|4000000000|beef|ffffffff"},
        {Format(WSTR("%c%c|100%%"), (int)'o', (int)'k'), "ok|100%"},
        {Format(WSTR("%s"), WSTR("")), ""},
    };
    for (const Row &row : rows) EXPECT_EQ(row.got, row.expected);
}

// ---- MultiByteToWideChar with explicit code pages --------------------------------

TEST(MultiByte, CodePages932And1252) {
    struct Row {
        UINT codePage;
        const char *bytes;
        std::vector<WCHAR> expected;  // including the terminator
    } rows[] = {
        {932, "\x83\x4C", {0x30AD, 0}},               // katakana KI
        {932, "\xB1\xDF", {0xFF71, 0xFF9F, 0}},        // half-width katakana
        {932, "A\x82\xA0z", {'A', 0x3042, 'z', 0}},   // hiragana A between ASCII
        {1252, "\x80\xE9\xFF", {0x20AC, 0xE9, 0xFF, 0}},
        // bytes without a character: Windows' default character in 932,
        // the same-numbered control character in 1252
        {932, "\x85\x40!", {0x30FB, '!', 0}},
        {932, "a\x83", {'a', 0x30FB, 0}},
        {1252, "\x81\x8D", {0x81, 0x8D, 0}},
    };
    for (const Row &row : rows) {
        WCHAR out[16] = {};
        int n = MultiByteToWideChar(row.codePage, 0, row.bytes, -1, out, 16);
        ASSERT_EQ(n, (int)row.expected.size()) << "code page " << row.codePage << ", " << row.bytes;
        for (int i = 0; i < n; i++)
            EXPECT_EQ((unsigned)out[i], (unsigned)row.expected[i]) << "unit " << i << " of " << row.bytes;
    }
    // A line that does not fit converts to nothing, never past the buffer.
    WCHAR out[3];
    EXPECT_EQ(MultiByteToWideChar(932, 0, "abcdef", -1, out, 3), 0);
}

// ---- files ---------------------------------------------------------------------------

HANDLE Open(const TestWString &path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The file's bytes, read one at a time as the script reader does.
std::string ReadAll(const TestWString &path) {
    HANDLE file = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
    std::string bytes;
    char byte;
    DWORD got = 0;
    while (ReadFile(file, &byte, 1, &got, nullptr) && got) bytes += byte;
    // At the end a read succeeds with 0 bytes.
    if (!ReadFile(file, &byte, 1, &got, nullptr) || got) bytes += "<no clean end>";
    CloseHandle(file);
    return bytes;
}

// OPEN_EXISTING reads the skin's files, CREATE_ALWAYS writes the probe's
// scratch file over an older, longer one.
TEST(Files, DispositionsReadWriteAndSize) {
    TestFolder folder("devfiles-disp");
    struct Row {
        bool exists;
        DWORD disposition;
        const char *after;  // the file's bytes afterwards
    } rows[] = {
        {true, OPEN_EXISTING, "old file"},
        {false, OPEN_EXISTING, "<cannot open>"},
        {true, CREATE_ALWAYS, "\xEE\xFF\xC0"},
        {false, CREATE_ALWAYS, "\xEE\xFF\xC0"},
    };
    for (int n = 0; n < (int)std::size(rows); n++) {
        const Row &row = rows[n];
        std::filesystem::path host = folder.path / std::to_string(n);
        ASSERT_TRUE(!row.exists || WriteTestFile(host, "old file")) << "row " << n;
        TestWString path = TestDevicePath(host);
        bool writes = row.disposition == CREATE_ALWAYS;
        HANDLE file = Open(path, writes ? GENERIC_WRITE : GENERIC_READ, 0, row.disposition);
        if (file == INVALID_HANDLE_VALUE) {
            EXPECT_EQ(GetLastError(), (DWORD)(row.exists || writes ? 0 : ERROR_FILE_NOT_FOUND)) << "row " << n;
        } else {
            DWORD written = 0, high = 7;
            EXPECT_TRUE(!writes || WriteFile(file, "\xEE\xFF\xC0", 3, &written, nullptr)) << "row " << n;
            EXPECT_EQ(GetFileSize(file, &high), strlen(row.after)) << "row " << n;
            EXPECT_EQ(high, 0u);
            CloseHandle(file);
        }
        EXPECT_EQ(ReadAll(path), row.after) << "row " << n;
    }
}

// The skin files are opened sharing reads only; a file open without sharing
// refuses a second open.
TEST(Files, SharingModes) {
    TestFolder folder("devfiles-share");
    TestWString path = TestDevicePath(folder.path / "skin.txt");
    ASSERT_TRUE(WriteTestFile(folder.path / "skin.txt", "T Cat\r\n"));
    struct Row {
        DWORD firstAccess, firstShare, secondAccess;
        const char *second;
    } rows[] = {
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, "opens"},
        {GENERIC_WRITE, 0, GENERIC_READ, "error 32"},  // ERROR_SHARING_VIOLATION
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, "error 32"},
    };
    for (const Row &row : rows) {
        HANDLE first = Open(path, row.firstAccess, row.firstShare, OPEN_EXISTING);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        HANDLE second = Open(path, row.secondAccess, FILE_SHARE_READ, OPEN_EXISTING);
        std::string got = second != INVALID_HANDLE_VALUE ? "opens" : "error " + std::to_string(GetLastError());
        EXPECT_EQ(got, row.second) << "first " << row.firstAccess << " share " << row.firstShare << " second "
                                   << row.secondAccess;
        if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
        CloseHandle(first);
    }
}

// ---- folder searches ------------------------------------------------------------

// The catalogue's search, "<folder>*": "." and ".." first, folders 16 plus
// read-only and hidden, files archive.
TEST(FolderSearch, EntriesAndAttributes) {
    TestFolder folder("devfiles-find");
    ASSERT_TRUE(MakeTestFolder(folder.path / "cat", kTestFolderPlain));
    ASSERT_TRUE(WriteTestFile(folder.path / "pondlet.exe", "MZ"));
    bool readOnly = MakeTestFolder(folder.path / "locked", kTestFolderReadOnly);
    bool hidden = MakeTestFolder(folder.path / ".secret", kTestFolderHidden);

    std::vector<std::string> order;
    std::map<std::string, DWORD> found;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((TestDevicePath(folder.path, true) + WSTR("*")).c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        order.push_back(TestUtf8(data.cFileName));
        found[order.back()] = data.dwFileAttributes;
    } while (FindNextFileW(search, &data));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(search));
    ASSERT_EQ(order.size(), 6u);
    EXPECT_EQ(order[0] + " " + order[1], ". ..");
    EXPECT_EQ(found["."], (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(found["cat"], (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(found["pondlet.exe"], (DWORD)FILE_ATTRIBUTE_ARCHIVE);
    if (readOnly) {
        EXPECT_EQ(found["locked"], (DWORD)(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
    }
    if (hidden) {
        EXPECT_EQ(found[".secret"], (DWORD)(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    }

    TestWString missing = TestDevicePath(folder.path / "none", true) + WSTR("*");
    EXPECT_EQ(FindFirstFileW(missing.c_str(), &data), INVALID_HANDLE_VALUE);
}

// ---- the module's own path ----------------------------------------------------------

// The full path, or as much as fits with ERROR_INSUFFICIENT_BUFFER (whether
// the cut path ends in a terminator differs between Windows versions).
TEST(ModulePath, FullAndCut) {
    WCHAR full[MAX_PATH], cut[5];
    DWORD length = GetModuleFileNameW(nullptr, full, MAX_PATH);
    ASSERT_GT(length, 4u);
    EXPECT_EQ(TestWString(full).size(), length);
    EXPECT_NE(TestWString(full).find(WCHAR('\\')), TestWString::npos);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(nullptr, cut, 5), 5u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(TestUtf8(TestWString(cut, 4)), TestUtf8(TestWString(full, 4)));
}

}  // namespace

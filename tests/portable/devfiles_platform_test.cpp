// File, search and text calls as the program uses them. The same binary runs
// on Windows (under Wine) and on the simulated device, so the device is held
// to what the real platform does.
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

TestWString Wide(const WCHAR *text) { return text ? TestWString(text) : TestWString(); }

// ---- wsprintfW ---------------------------------------------------------------

struct Formatted {
    int count;
    std::string text;
};

template <typename... Args> Formatted Format(const WCHAR *format, Args... args) {
    WCHAR out[1100];
    int count = wsprintfW(out, format, args...);
    return {count, TestUtf8(out)};
}

TEST(Wsprintf, Directives) {
    const WCHAR *name = WSTR("skin");
    struct Row {
        Formatted got;
        const char *expected;
    } rows[] = {
        {Format(WSTR("%s%s\\skin.txt"), WSTR("\\a\\"), name), "\\a\\skin\\skin.txt"},
        {Format(WSTR("File Open error %s"), WSTR("\\x\\y.bmp")), "File Open error \\x\\y.bmp"},
        {Format(WSTR("baseBmp error (%d)"), -42), "baseBmp error (-42)"},
        {Format(WSTR("%d|%d"), 0, (int)0x80000000), "0|-2147483648"},
        {Format(WSTR("%u|%x|%X"), 4000000000u, 0xBEEFu, 0xBEEFu), "4000000000|beef|BEEF"},
        {Format(WSTR("%x"), -1), "ffffffff"},
        {Format(WSTR("%02d:%02d"), 7, 5), "07:05"},
        {Format(WSTR("[%4d][%-4d][%04d][%.3d]"), 42, 42, -42, 7), "[  42][42  ][-042][007]"},
        {Format(WSTR("%ld %lu %lx"), (LONG)-7, (DWORD)7, (DWORD)255), "-7 7 ff"},
        {Format(WSTR("%c%c|100%%"), (int)'o', (int)'k'), "ok|100%"},
        {Format(WSTR("[%5s][%-5s][%.2s]"), name, name, name), "[ skin][skin ][sk]"},
        {Format(WSTR("%s"), WSTR("")), ""},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(row.got.text, row.expected);
        EXPECT_EQ(row.got.count, (int)strlen(row.expected)) << "for " << row.expected;
    }
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
        {932, "\x88\x9F", {0x4E9C, 0}},               // a kanji
        {1252, "\x80\xE9\xFF", {0x20AC, 0xE9, 0xFF, 0}},
        {1252, "plain", {'p', 'l', 'a', 'i', 'n', 0}},
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
}

TEST(MultiByte, CountsSizesAndShortBuffers) {
    WCHAR out[8];
    // A count of 0 for the output asks for the size; -1 counts the terminator.
    EXPECT_EQ(MultiByteToWideChar(932, 0, "ab\x83\x4C", -1, nullptr, 0), 4);
    EXPECT_EQ(MultiByteToWideChar(932, 0, "ab\x83\x4C", 4, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(932, 0, "abc", 2, out, 8), 2);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(932, 0, "abcdef", -1, out, 3), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
}

// ---- files ---------------------------------------------------------------------------

HANDLE Open(const TestWString &path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ReadAll(const TestWString &path) {
    HANDLE file = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
    std::string bytes;
    char chunk[64];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

TEST(Files, DispositionsOnExistingAndMissingFiles) {
    TestFolder folder("devfiles-disp");
    struct Row {
        bool exists;
        DWORD access, disposition;
        DWORD error;           // 0: the open succeeds
        DWORD errorOnSuccess;  // GetLastError after a successful open
        const char *after;     // file content afterwards, null: no file
    } rows[] = {
        {true, GENERIC_READ, OPEN_EXISTING, 0, 0, "old"},
        {false, GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND, 0, nullptr},
        {true, GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_ALREADY_EXISTS, ""},
        {false, GENERIC_WRITE, CREATE_ALWAYS, 0, 0, ""},
        {true, GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS, 0, "old"},
        {false, GENERIC_WRITE, CREATE_NEW, 0, 0, ""},
        {true, GENERIC_READ, OPEN_ALWAYS, 0, ERROR_ALREADY_EXISTS, "old"},
        {false, GENERIC_READ, OPEN_ALWAYS, 0, 0, ""},
        {true, GENERIC_WRITE, TRUNCATE_EXISTING, 0, 0, ""},
        {false, GENERIC_WRITE, TRUNCATE_EXISTING, ERROR_FILE_NOT_FOUND, 0, nullptr},
    };
    int n = 0;
    for (const Row &row : rows) {
        std::filesystem::path host = folder.path / std::to_string(n++);
        if (row.exists) {
            ASSERT_TRUE(WriteTestFile(host, "old"));
        }
        TestWString path = TestDevicePath(host);
        SetLastError(12345);
        HANDLE file = Open(path, row.access, 0, row.disposition);
        std::string what = "row " + std::to_string(n - 1);
        if (row.error) {
            EXPECT_EQ(file, INVALID_HANDLE_VALUE) << what;
            EXPECT_EQ(GetLastError(), row.error) << what;
        } else {
            ASSERT_NE(file, INVALID_HANDLE_VALUE) << what << " error " << GetLastError();
            EXPECT_EQ(GetLastError(), row.errorOnSuccess) << what;
            CloseHandle(file);
        }
        EXPECT_EQ(std::filesystem::exists(host), row.after != nullptr) << what;
        if (row.after) {
            EXPECT_EQ(ReadAll(path), row.after) << what;
        }
    }
    SetLastError(0);
    TestWString missingFolder = TestDevicePath(folder.path / "no" / "file");
    EXPECT_EQ(Open(missingFolder, GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Open(TestDevicePath(folder.path), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
}

TEST(Files, ReadWriteSizeAndEndOfFile) {
    TestFolder folder("devfiles-rw");
    TestWString path = TestDevicePath(folder.path / "__tmp");
    HANDLE file = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD handleValue = 0x00C0FFEE, written = 0;
    EXPECT_TRUE(WriteFile(file, &handleValue, 4, &written, nullptr));
    EXPECT_EQ(written, 4u);
    DWORD got = 99;
    char byte;
    EXPECT_FALSE(ReadFile(file, &byte, 1, &got, nullptr));  // opened for writing only
    EXPECT_EQ(got, 0u);
    CloseHandle(file);

    file = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(file, &high), 4u);
    EXPECT_EQ(high, 0u);
    unsigned char buffer[8] = {};
    EXPECT_TRUE(ReadFile(file, buffer, 8, &got, nullptr));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(buffer[0] | buffer[1] << 8 | buffer[2] << 16 | buffer[3] << 24, 0x00C0FFEE);
    // At the end a read succeeds with 0 bytes.
    EXPECT_TRUE(ReadFile(file, buffer, 8, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(WriteFile(file, buffer, 1, &written, nullptr));
    EXPECT_TRUE(CloseHandle(file));
}

TEST(Files, SharingModes) {
    TestFolder folder("devfiles-share");
    TestWString path = TestDevicePath(folder.path / "skin.txt");
    ASSERT_TRUE(WriteTestFile(folder.path / "skin.txt", "T Cat\r\n"));
    struct Row {
        DWORD firstAccess, firstShare, secondAccess, secondShare;
        bool secondOpens;
    } rows[] = {
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true},
        {GENERIC_READ, 0, GENERIC_READ, FILE_SHARE_READ, false},
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, FILE_SHARE_READ, false},
        {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, false},
        {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
    };
    int n = 0;
    for (const Row &row : rows) {
        HANDLE first = Open(path, row.firstAccess, row.firstShare, OPEN_EXISTING);
        ASSERT_NE(first, INVALID_HANDLE_VALUE) << "row " << n;
        HANDLE second = Open(path, row.secondAccess, row.secondShare, OPEN_EXISTING);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, row.secondOpens) << "row " << n;
        if (second == INVALID_HANDLE_VALUE)
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION) << "row " << n;
        else
            CloseHandle(second);
        CloseHandle(first);
        n++;
    }
    // Once closed, the file opens again.
    HANDLE again = Open(path, GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
}

// ---- folder searches ------------------------------------------------------------

std::map<std::string, DWORD> Search(const TestWString &pattern, std::vector<std::string> *order) {
    std::map<std::string, DWORD> found;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        found[TestUtf8(data.cFileName)] = data.dwFileAttributes;
        if (order) order->push_back(TestUtf8(data.cFileName));
    } while (FindNextFileW(search, &data));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(search));
    return found;
}

TEST(FolderSearch, EntriesAndAttributes) {
    TestFolder folder("devfiles-find");
    ASSERT_TRUE(MakeTestFolder(folder.path / "cat", kTestFolderPlain));
    ASSERT_TRUE(WriteTestFile(folder.path / "cat" / "skin.txt", "T Cat\r\n"));
    ASSERT_TRUE(WriteTestFile(folder.path / "pondlet.exe", "MZ"));
    bool readOnly = MakeTestFolder(folder.path / "locked", kTestFolderReadOnly);
    bool hidden = MakeTestFolder(folder.path / ".secret", kTestFolderHidden);

    std::vector<std::string> order;
    std::map<std::string, DWORD> found = Search(TestDevicePath(folder.path, true) + WSTR("*"), &order);
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0], ".");
    EXPECT_EQ(order[1], "..");
    EXPECT_EQ(found["."], (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(found["cat"], (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(found["pondlet.exe"], (DWORD)FILE_ATTRIBUTE_ARCHIVE);
    if (readOnly) {
        EXPECT_EQ(found["locked"], (DWORD)(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
    }
    if (hidden) {
        EXPECT_EQ(found[".secret"], (DWORD)(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    }
    EXPECT_EQ(found.size(), 6u);

    // A mask picks by name, without regard to case; "*.*" takes every name.
    std::map<std::string, DWORD> exes = Search(TestDevicePath(folder.path, true) + WSTR("*.EXE"), nullptr);
    EXPECT_EQ(exes.size(), 1u);
    EXPECT_EQ(exes.count("pondlet.exe"), 1u);
    EXPECT_EQ(Search(TestDevicePath(folder.path, true) + WSTR("*.*"), nullptr).size(), found.size());

    WIN32_FIND_DATAW data;
    TestWString missing = TestDevicePath(folder.path / "none", true) + WSTR("*");
    EXPECT_EQ(FindFirstFileW(missing.c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    TestWString noMatch = TestDevicePath(folder.path, true) + WSTR("*.bmp");
    EXPECT_EQ(FindFirstFileW(noMatch.c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}


// ---- the module's own path ----------------------------------------------------------

TEST(ModulePath, FullAndCut) {
    WCHAR full[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, full, MAX_PATH);
    ASSERT_GT(length, 4u);
    EXPECT_EQ(Wide(full).size(), length);
    EXPECT_NE(Wide(full).find(WCHAR('\\')), TestWString::npos);

    WCHAR cut[5];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(nullptr, cut, 5), 5u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(TestWString(cut, 4), Wide(full).substr(0, 4));
#if !defined(_WIN32)
    // Windows since Vista terminates the cut path; Wine, like XP, leaves the
    // last unit unterminated, so the terminator is checked on the device only.
    EXPECT_EQ(cut[4], 0);
#endif
}

} // namespace

// The device's files, text and message boxes: what only the simulated device
// can show (host mode bits, its own executable path and code page, the logs),
// beside the portable tests that hold it to the real platform.
#include "device.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

class DeviceFiles : public ::testing::Test {
protected:
    void SetUp() override { DeviceReset(); }
};

HANDLE Open(const std::u16string &path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(DeviceFiles, PathMapping) {
    struct Row {
        const char *host;
        const char16_t *device;
    } rows[] = {
        {"/", u"\\"},
        {"/pondlet.exe", u"\\pondlet.exe"},
        {"/tmp/a b/skin.txt", u"\\tmp\\a b\\skin.txt"},
        {"/tmp/\xE3\x81\x8A\xE5\xA7\x89", u"\\tmp\\\u304A\u59C9"},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(DeviceUtf8(DevicePathFromHost(row.host)), DeviceUtf8(row.device)) << row.host;
        EXPECT_EQ(DeviceHostPath(row.device), row.host) << row.host;
    }
    // No current folder on the device: a path without a root starts at it.
    EXPECT_EQ(DeviceHostPath(u"skins\\a"), "/skins/a");
}

TEST_F(DeviceFiles, ReadOnlyByModeBitsEvenForRoot) {
    TestFolder folder("devfiles-ro");
    fs::path host = folder.path / "locked.txt";
    ASSERT_TRUE(WriteTestFile(host, "keep"));
    fs::permissions(host, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::u16string path = DevicePathFromHost(host.string());

    struct Row {
        DWORD access, disposition;
        bool opens;
    } rows[] = {
        {GENERIC_READ, OPEN_EXISTING, true},
        {GENERIC_WRITE, OPEN_EXISTING, false},
        {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, false},
        {GENERIC_WRITE, CREATE_ALWAYS, false},
        {GENERIC_WRITE, TRUNCATE_EXISTING, false},
    };
    for (const Row &row : rows) {
        HANDLE file = Open(path, row.access, FILE_SHARE_READ, row.disposition);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, row.opens) << "access " << row.access << " disposition "
                                                           << row.disposition;
        if (file == INVALID_HANDLE_VALUE) {
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
        } else {
            CloseHandle(file);
        }
    }
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    std::error_code error;
    EXPECT_EQ(fs::file_size(host, error), 4u);
}

TEST_F(DeviceFiles, SearchOrderAndAttributesFromModeBits) {
    TestFolder folder("devfiles-order");
    ASSERT_TRUE(MakeTestFolder(folder.path / "b", kTestFolderPlain));
    ASSERT_TRUE(MakeTestFolder(folder.path / "ro", kTestFolderReadOnly));
    ASSERT_TRUE(MakeTestFolder(folder.path / ".hidden", kTestFolderHidden));
    ASSERT_TRUE(WriteTestFile(folder.path / "a.txt", "x"));
    ASSERT_TRUE(WriteTestFile(folder.path / ".dotfile", "xy"));
    ASSERT_TRUE(WriteTestFile(folder.path / "Z", "xyz"));
    fs::permissions(folder.path / "Z", fs::perms::owner_write, fs::perm_options::remove);

    struct Row {
        const char *name;
        DWORD attributes;
        DWORD size;
    } expected[] = {
        {".", 16, 0},        {"..", 16, 0},      {".dotfile", 34, 2}, {".hidden", 18, 0},
        {"Z", 33, 3},        {"a.txt", 32, 1},   {"b", 16, 0},        {"ro", 17, 0},
    };
    std::u16string pattern = DevicePathFromHost(folder.path.string()) + u"\\*";
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    size_t index = 0;
    do {
        ASSERT_LT(index, std::size(expected)) << "extra entry " << DeviceUtf8(data.cFileName);
        const Row &row = expected[index++];
        EXPECT_EQ(DeviceUtf8(data.cFileName), row.name);
        EXPECT_EQ(data.dwFileAttributes, row.attributes) << row.name;
        if (!(row.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            EXPECT_EQ(data.nFileSizeLow, row.size) << row.name;
        }
    } while (FindNextFileW(search, &data));
    EXPECT_EQ(index, std::size(expected));
    EXPECT_TRUE(FindClose(search));
    EXPECT_FALSE(FindClose(search));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

    // The root has no "." or "..".
    search = FindFirstFileW(u"\\*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_NE(DeviceUtf8(data.cFileName), ".");
    FindClose(search);
}

TEST_F(DeviceFiles, OpenFilesStayLockedUntilClosedOrReset) {
    TestFolder folder("devfiles-handles");
    ASSERT_TRUE(WriteTestFile(folder.path / "f", "1"));
    std::u16string path = DevicePathFromHost((folder.path / "f").string());
    HANDLE first = Open(path, GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_LT((uintptr_t)first, (uintptr_t)1 << 32);
    EXPECT_FALSE(DeleteFileW(path.c_str())) << "an open file stays";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    DeviceReset();
    EXPECT_FALSE(CloseHandle(first)) << "the reset closed it";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST_F(DeviceFiles, ModuleFileNameFollowsTheExecutable) {
    DeviceSetExecutable("/opt/pond/pondlet.exe");
    struct Row {
        DWORD size, returned;
        const char *text;
        DWORD error;
    } rows[] = {
        {22, 21, "\\opt\\pond\\pondlet.exe", 0},
        {21, 21, "\\opt\\pond\\pondlet.ex", ERROR_INSUFFICIENT_BUFFER},
        {1, 1, "", ERROR_INSUFFICIENT_BUFFER},
    };
    for (const Row &row : rows) {
        WCHAR buffer[MAX_PATH + 1];
        buffer[row.size] = u'#';  // the unit past the buffer must stay
        SetLastError(77);
        EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, row.size), row.returned) << "size " << row.size;
        EXPECT_EQ(DeviceUtf8(buffer), row.text) << "size " << row.size;
        EXPECT_EQ(buffer[row.size], u'#') << "size " << row.size;
        EXPECT_EQ(GetLastError(), row.error ? row.error : 0u) << "size " << row.size;
    }
}

// CP_ACP follows the device's code page, 932 unless a test sets 1252.
TEST_F(DeviceFiles, AnsiCodePage) {
    struct Row {
        unsigned codePage;  // 0: the reset's default
        const char *bytes;
        std::u16string expected;
    } rows[] = {
        {0, "T \x83\x4C\x83\x83\x83\x89", u"T \u30AD\u30E3\u30E9"},
        {1252, "\x83\x4C \x80", u"\u0192L \u20AC"},
    };
    for (const Row &row : rows) {
        DeviceReset();
        if (row.codePage) DeviceSetCodePage(row.codePage);
        WCHAR out[32];
        int n = MultiByteToWideChar(CP_ACP, 0, row.bytes, -1, out, 32);
        EXPECT_EQ(n, (int)row.expected.size() + 1) << row.codePage << " " << row.bytes;
        EXPECT_EQ(DeviceUtf8(out), DeviceUtf8(row.expected)) << row.codePage;
    }
    DeviceReset();
    WCHAR out[4];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\x85\x40", 2, out, 4), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
}

TEST_F(DeviceFiles, WsprintfStopsAt1024Units) {
    std::u16string longText(2000, u'x');
    std::vector<WCHAR> out(2100, u'#');
    EXPECT_EQ(wsprintfW(out.data(), u"ab%s", longText.c_str()), 1023);
    EXPECT_EQ(out[1022], u'x');
    EXPECT_EQ(out[1023], 0);
    EXPECT_EQ(out[1024], u'#');
}

TEST_F(DeviceFiles, MessageBoxesAndBeepsAreLoggedInOrder) {
    EXPECT_EQ(MessageBoxW(nullptr, u"File Error (1).", u"Error", MB_OK), IDOK);
    EXPECT_TRUE(MessageBeep(64));
    DeviceAdvance(250);
    EXPECT_EQ(MessageBoxW(nullptr, u"second", nullptr, MB_ICONHAND), IDOK);
    const std::vector<DeviceMessageBox> &boxes = DeviceMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(DeviceUtf8(boxes[0].text), "File Error (1).");
    EXPECT_EQ(DeviceUtf8(boxes[1].caption), "Error") << "a box without a caption";
    EXPECT_EQ(boxes[0].style, (UINT)MB_OK);
    EXPECT_EQ(boxes[1].style, (UINT)MB_ICONHAND);
    EXPECT_EQ(boxes[1].at - boxes[0].at, 250u);
    EXPECT_EQ(DeviceBeeps(), std::vector<UINT>{64});
}

} // namespace

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

// Attributes come from the host's mode bits, not from access checks (tests
// run as root): a file without the owner's write bit is read-only and keeps
// its bytes; entries come sorted by name.
TEST_F(DeviceFiles, SearchOrderAndAttributesFromModeBits) {
    TestFolder folder("devfiles-order");
    ASSERT_TRUE(MakeTestFolder(folder.path / "b", kTestFolderPlain));
    ASSERT_TRUE(MakeTestFolder(folder.path / "ro", kTestFolderReadOnly));
    ASSERT_TRUE(MakeTestFolder(folder.path / ".hidden", kTestFolderHidden));
    ASSERT_TRUE(WriteTestFile(folder.path / "a.txt", "x"));
    ASSERT_TRUE(WriteTestFile(folder.path / ".dotfile", "xy"));
    ASSERT_TRUE(WriteTestFile(folder.path / "Z", "xyz"));
    fs::permissions(folder.path / "Z", fs::perms::owner_write, fs::perm_options::remove);

    std::u16string pattern = DevicePathFromHost(folder.path.string()) + u"\\*";
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::string found;  // name, attributes, size of files
    do {
        bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        found += DeviceUtf8(data.cFileName) + " " + std::to_string(data.dwFileAttributes) +
                 (folder ? "" : " " + std::to_string(data.nFileSizeLow)) + ", ";
    } while (FindNextFileW(search, &data));
    EXPECT_TRUE(FindClose(search));
    EXPECT_EQ(found, ". 16, .. 16, .dotfile 34 2, .hidden 18, Z 33 3, a.txt 32 1, b 16, ro 17, ");
    std::u16string readOnly = DevicePathFromHost((folder.path / "Z").string());
    EXPECT_EQ(CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(fs::file_size(folder.path / "Z"), 3u);
}

// The executable's device path; a cut path is terminated inside the buffer.
TEST_F(DeviceFiles, ModuleFileNameFollowsTheExecutable) {
    DeviceSetExecutable("/opt/pond/pondlet.exe");
    for (DWORD size : {22, 21}) {
        WCHAR buffer[MAX_PATH + 1];
        buffer[size] = u'#';  // the unit past the buffer must stay
        SetLastError(0);
        DWORD returned = GetModuleFileNameW(nullptr, buffer, size);
        std::string got = std::to_string(returned) + " " + DeviceUtf8(buffer) + " " + std::to_string(GetLastError());
        // 122: ERROR_INSUFFICIENT_BUFFER
        EXPECT_EQ(got, size == 22 ? "21 \\opt\\pond\\pondlet.exe 0" : "21 \\opt\\pond\\pondlet.ex 122");
        EXPECT_EQ(buffer[size], u'#') << "size " << size;
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
}

// Like Windows, wsprintfW writes at most 1024 units with the terminator.
TEST_F(DeviceFiles, WsprintfStopsAt1024Units) {
    std::u16string longText(2000, u'x');
    std::vector<WCHAR> out(2100, u'#');
    EXPECT_EQ(wsprintfW(out.data(), u"ab%s", longText.c_str()), 1023);
    EXPECT_EQ(out[1022], u'x');
    EXPECT_EQ(out[1023], 0);
    EXPECT_EQ(out[1024], u'#');
}

// Boxes are logged in order with their time; one without a caption gets
// "Error", as on Windows.
TEST_F(DeviceFiles, MessageBoxesAndBeepsAreLogged) {
    EXPECT_EQ(MessageBoxW(nullptr, u"File Error (1).", u"Error", MB_OK), IDOK);
    EXPECT_TRUE(MessageBeep(64));
    DeviceAdvance(250);
    EXPECT_EQ(MessageBoxW(nullptr, u"second", nullptr, MB_ICONHAND), IDOK);
    std::string log;
    for (const DeviceMessageBox &box : DeviceMessageBoxes())
        log += DeviceUtf8(box.text) + "|" + DeviceUtf8(box.caption) + "|" + std::to_string(box.style) + "|" +
               std::to_string(box.at - DeviceMessageBoxes()[0].at) + "\n";
    EXPECT_EQ(log, "File Error (1).|Error|0|0\nsecond|Error|16|250\n");
    EXPECT_EQ(DeviceBeeps(), std::vector<UINT>{64});
}

}  // namespace

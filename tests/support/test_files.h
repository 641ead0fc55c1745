// Files and folders for tests, on both builds.
//
// Tests make their own skin folders and scripts in a fresh temporary folder
// of the host, then hand the program the folder's path in its own WCHAR form:
// on Windows the Windows path, on the simulated device the device path
// (/a/b on the host is \a\b on the device).
//
// Folder attributes: on Windows they are file-system attributes. The
// simulated device derives them from the host: a folder without the owner's
// write permission is read-only, a name beginning with a dot is hidden.
#pragma once

#include "platform.h"

#include <filesystem>
#include <string>

typedef std::basic_string<WCHAR> TestWString;

// A fresh empty folder below the system's temporary folder, removed with
// everything in it when the record goes (write permissions are restored
// first so read-only folders go too).
struct TestFolder {
    std::filesystem::path path;
    explicit TestFolder(const char *tag);
    ~TestFolder();
    TestFolder(const TestFolder &) = delete;
    TestFolder &operator=(const TestFolder &) = delete;
};

// Writes bytes to path, replacing the file; makes missing parent folders.
// Returns 1, or 0 when the file cannot be written.
int WriteTestFile(const std::filesystem::path &path, const std::string &bytes);

enum { kTestFolderPlain = 0, kTestFolderReadOnly = 1, kTestFolderHidden = 2 };

// Makes a folder (and its parents) with the given kTestFolder flags. Returns
// 1 when the folder exists with every requested attribute, 0 when the
// platform would not apply one (a test should then skip, not fail). Natively
// a hidden folder needs a name beginning with a dot.
int MakeTestFolder(const std::filesystem::path &path, int flags);

// The program's WCHAR path for a host path; with trailing set, a backslash is
// appended (the form exeFolder takes).
TestWString TestDevicePath(const std::filesystem::path &path, bool trailing = false);

// Copies a TestDevicePath into a fixed buffer such as exeFolder. Returns 1,
// or 0 (buffer untouched) when it does not fit with its terminator.
int CopyTestPath(WCHAR *buffer, size_t units, const TestWString &path);

// UTF-8 of a zero-terminated WCHAR text, for comparisons and messages.
std::string TestUtf8(const WCHAR *text);
std::string TestUtf8(const TestWString &text);

// Files and folders for tests on both builds. Paths handed to the program are its own WCHAR form:
// the Windows path, or on the simulated device the device path (/a/b on the host is \a\b there).
#pragma once

#include "platform.h"

#include <filesystem>
#include <string>

typedef std::basic_string<WCHAR> TestWString;

// A fresh empty temporary folder, removed with its contents (read-only ones too) when it goes.
struct TestFolder {
    std::filesystem::path path;
    explicit TestFolder(const char *tag);
    ~TestFolder();
    TestFolder(const TestFolder &) = delete;
    TestFolder &operator=(const TestFolder &) = delete;
};

// Writes bytes to path, making missing parent folders. Returns 1 or 0.
int WriteTestFile(const std::filesystem::path &path, const std::string &bytes);

enum { kTestFolderPlain = 0, kTestFolderReadOnly = 1, kTestFolderHidden = 2 };

// Makes a folder with the given kTestFolder flags. Returns 0 when the platform would not apply one
// (the test should then skip). Natively a hidden folder needs a name beginning with a dot.
int MakeTestFolder(const std::filesystem::path &path, int flags);

// The program's path for a host path; trailing appends a backslash (exeFolder's form).
TestWString TestDevicePath(const std::filesystem::path &path, bool trailing = false);

// Points the program's exeFolder at path; 0 (folder untouched) when it does not fit.
int SetTestFolder(const TestWString &path);

std::string TestUtf8(const WCHAR *text);
std::string TestUtf8(const TestWString &text);

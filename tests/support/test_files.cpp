// Files and folders for tests, on both builds (see test_files.h).
#include "test_files.h"

#include "common/utf8.h"
#include "core/process.h"

#if !defined(_WIN32)
#include "device.h"
#endif

#include <atomic>
#include <chrono>
#include <fstream>

namespace fs = std::filesystem;

static std::atomic<unsigned> folderSerial{0};

TestFolder::TestFolder(const char *tag) {
    std::error_code error;
    std::string name = std::string("pondlet-") + tag + "-" +
                       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
                       std::to_string(folderSerial++);
    fs::path base = fs::absolute(fs::temp_directory_path() / name, error);
    fs::create_directories(base, error);
    path = fs::weakly_canonical(base, error);  // device paths built from it carry no ".."
}

static void MakeWritable(const fs::path &path) {
#if defined(_WIN32)
    SetFileAttributesW(path.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
#else
    std::error_code error;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
#endif
}

TestFolder::~TestFolder() {
    std::error_code error;
    MakeWritable(path);
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end; it.increment(error))
        MakeWritable(it->path());
    fs::remove_all(path, error);
}

int WriteTestFile(const fs::path &path, const std::string &bytes) {
    std::error_code error;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    return out.good() ? 1 : 0;
}

int MakeTestFolder(const fs::path &path, int flags) {
    std::error_code error;
    fs::create_directories(path, error);
    if (!fs::is_directory(path, error)) return 0;
#if defined(_WIN32)
    DWORD wanted = (flags & kTestFolderReadOnly ? FILE_ATTRIBUTE_READONLY : 0) |
                   (flags & kTestFolderHidden ? FILE_ATTRIBUTE_HIDDEN : 0);
    if (!wanted) return 1;
    SetFileAttributesW(path.wstring().c_str(), wanted);
    DWORD actual = GetFileAttributesW(path.wstring().c_str());
    return actual != INVALID_FILE_ATTRIBUTES && (actual & wanted) == wanted;
#else
    if ((flags & kTestFolderHidden) && path.filename().string().rfind(".", 0) != 0) return 0;
    if (flags & kTestFolderReadOnly)
        fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, error);
    return error ? 0 : 1;
#endif
}

TestWString TestDevicePath(const fs::path &path, bool trailing) {
    std::error_code error;
#if defined(_WIN32)
    TestWString result = fs::absolute(path, error).wstring();
#else
    TestWString result = DevicePathFromHost(fs::absolute(path, error).string());
#endif
    if (trailing && (result.empty() || result.back() != WCHAR('\\'))) result += WCHAR('\\');
    return result;
}

int SetTestFolder(const TestWString &path) { return SetExeFolder(path.c_str()); }

std::string TestUtf8(const TestWString &text) { return Utf8FromUtf16(text.data(), text.size()); }

std::string TestUtf8(const WCHAR *text) { return TestUtf8(TestWString(text ? text : WSTR(""))); }

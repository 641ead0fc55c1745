// Files and folders for tests, on both builds (see test_files.h).
#include "test_files.h"

#if !defined(_WIN32)
#include "device.h"
#endif

#include <atomic>
#include <chrono>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

static std::atomic<unsigned> folderSerial{0};

static fs::path FreshFolderName(const char *tag) {
    unsigned long long stamp = (unsigned long long)
        std::chrono::steady_clock::now().time_since_epoch().count();
    std::string name = std::string("pondlet-") + tag + "-" + std::to_string(stamp) + "-" +
                       std::to_string(folderSerial++);
    return fs::temp_directory_path() / name;
}

TestFolder::TestFolder(const char *tag) {
    std::error_code error;
    fs::path base = fs::absolute(FreshFolderName(tag), error);
    fs::create_directories(base, error);
    // Normalised so that device paths built from it carry no "..".
    path = fs::weakly_canonical(base, error);
}

// Undo what MakeTestFolder did, so remove_all can go through every folder.
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
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end;
         it.increment(error))
        MakeWritable(it->path());
    fs::remove_all(path, error);
}

int WriteTestFile(const fs::path &path, const std::string &bytes) {
    std::error_code error;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return 0;
    out.write(bytes.data(), (std::streamsize)bytes.size());
    return out.good() ? 1 : 0;
}

#if defined(_WIN32)
static int ApplyFolderFlags(const fs::path &path, int flags) {
    DWORD wanted = FILE_ATTRIBUTE_DIRECTORY;
    if (flags & kTestFolderReadOnly) wanted |= FILE_ATTRIBUTE_READONLY;
    if (flags & kTestFolderHidden) wanted |= FILE_ATTRIBUTE_HIDDEN;
    if (wanted == FILE_ATTRIBUTE_DIRECTORY) return 1;
    std::wstring name = path.wstring();
    SetFileAttributesW(name.c_str(), wanted & ~(DWORD)FILE_ATTRIBUTE_DIRECTORY);
    DWORD actual = GetFileAttributesW(name.c_str());
    return actual != INVALID_FILE_ATTRIBUTES && (actual & wanted) == wanted;
}
#else
static int ApplyFolderFlags(const fs::path &path, int flags) {
    if ((flags & kTestFolderHidden) && path.filename().string().rfind(".", 0) != 0) return 0;
    if (flags & kTestFolderReadOnly) {
        std::error_code error;
        fs::permissions(path,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, error);
        if (error) return 0;
    }
    return 1;
}
#endif

int MakeTestFolder(const fs::path &path, int flags) {
    std::error_code error;
    fs::create_directories(path, error);
    if (!fs::is_directory(path, error)) return 0;
    return ApplyFolderFlags(path, flags);
}

TestWString TestDevicePath(const fs::path &path, bool trailing) {
    std::error_code error;
    fs::path full = fs::absolute(path, error);
#if defined(_WIN32)
    TestWString result = full.wstring();
#else
    TestWString result = DevicePathFromHost(full.string());
#endif
    if (trailing && (result.empty() || result.back() != WCHAR('\\'))) result += WCHAR('\\');
    return result;
}

int CopyTestPath(WCHAR *buffer, size_t units, const TestWString &path) {
    if (path.size() + 1 > units) return 0;
    for (size_t i = 0; i < path.size(); i++) buffer[i] = path[i];
    buffer[path.size()] = 0;
    return 1;
}

std::string TestUtf8(const TestWString &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        uint32_t code = (uint16_t)text[i];
        uint32_t low = i + 1 < text.size() ? (uint16_t)text[i + 1] : 0;
        if (code >= 0xD800 && code < 0xDC00 && low >= 0xDC00 && low < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i++;
        }
        int extra = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
        static const uint8_t lead[] = {0x00, 0xC0, 0xE0, 0xF0};
        out += (char)(lead[extra] | (code >> (6 * extra)));
        for (int k = extra - 1; k >= 0; k--) out += (char)(0x80 | ((code >> (6 * k)) & 0x3F));
    }
    return out;
}

std::string TestUtf8(const WCHAR *text) {
    TestWString copy;
    for (size_t i = 0; text && text[i]; i++) copy += text[i];
    return TestUtf8(copy);
}

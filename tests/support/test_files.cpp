// Files and folders for tests, on both builds (see test_files.h).
#include "test_files.h"

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
    TestWString result = TestWide(full.string());
    for (WCHAR &unit : result)
        if (unit == u'/') unit = u'\\';
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

static void AppendUtf8(std::string &out, uint32_t code) {
    if (code < 0x80) {
        out += (char)code;
    } else if (code < 0x800) {
        out += (char)(0xC0 | (code >> 6));
        out += (char)(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += (char)(0xE0 | (code >> 12));
        out += (char)(0x80 | ((code >> 6) & 0x3F));
        out += (char)(0x80 | (code & 0x3F));
    } else {
        out += (char)(0xF0 | (code >> 18));
        out += (char)(0x80 | ((code >> 12) & 0x3F));
        out += (char)(0x80 | ((code >> 6) & 0x3F));
        out += (char)(0x80 | (code & 0x3F));
    }
}

std::string TestUtf8(const TestWString &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        uint32_t unit = (uint16_t)text[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size()) {
            uint32_t low = (uint16_t)text[i + 1];
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i++;
                continue;
            }
        }
        AppendUtf8(out, unit);
    }
    return out;
}

std::string TestUtf8(const WCHAR *text) {
    TestWString copy;
    for (size_t i = 0; text && text[i]; i++) copy += text[i];
    return TestUtf8(copy);
}

// Decodes UTF-8 leniently: a malformed byte stands for itself.
TestWString TestWide(const std::string &utf8) {
    TestWString out;
    size_t i = 0;
    while (i < utf8.size()) {
        uint32_t lead = (uint8_t)utf8[i];
        int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        if (extra && i + extra >= utf8.size()) {
            extra = 0;
            code = lead;
        }
        for (int k = 1; k <= extra; k++) code = (code << 6) | ((uint8_t)utf8[i + k] & 0x3F);
        i += 1 + extra;
        if (code >= 0x10000) {
            out += (WCHAR)(0xD800 + ((code - 0x10000) >> 10));
            out += (WCHAR)(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += (WCHAR)code;
        }
    }
    return out;
}

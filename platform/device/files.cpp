// The device's file system: the host's, seen through Win32 paths.
//
// A device path \a\b is the host path /a/b, its names matched whatever their
// case (paths.cpp makes the host path). Open files and folder searches
// live in one table of slots; a handle is kFileHandleBase + 4 * slot. The
// calls follow Win32: failures return INVALID_HANDLE_VALUE or FALSE and leave
// the reason in GetLastError; ReadFile at the end of a file succeeds with 0
// bytes. Attributes come from the host's mode bits (not from access checks,
// since tests run as root and root may write anywhere): no owner write bit
// means read-only, a leading dot means hidden.
#include "files_half.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const size_t kReadAheadBytes = 64 * 1024;

struct FindEntry {
    std::u16string name;
    std::u16string upper;  // the name upper-cased, the key of NTFS order
    DWORD attributes;
    uint64_t size;
};

struct FileSlot {
    bool used = false;
    bool isSearch = false;
    int fd = -1;
    DWORD access = 0, share = 0;
    dev_t device = 0;  // identity of the open file, for share checks
    ino_t inode = 0;
    std::vector<FindEntry> entries;  // a search's snapshot, in order
    size_t next = 0;
    // Read-only files are read ahead: the program reads its script a byte at
    // a time, and a host call per byte made long runs (and fuzzing) slow.
    std::vector<char> ahead;
    size_t aheadAt = 0;
};

std::vector<FileSlot> slots;
std::string executableHost = "/pondlet.exe";
thread_local DWORD lastError = 0;

// ---- handles ---------------------------------------------------------------

HANDLE HandleOfSlot(size_t index) { return (HANDLE)(uintptr_t)(kFileHandleBase + 4 * index); }

// The slot a handle names, or null when it is not an open one of the kind asked.
FileSlot *SlotOfHandle(HANDLE handle, bool search) {
    uintptr_t value = (uintptr_t)handle;
    if (value < kFileHandleBase || (value - kFileHandleBase) % 4 != 0) return nullptr;
    size_t index = (value - kFileHandleBase) / 4;
    if (index >= slots.size() || !slots[index].used || slots[index].isSearch != search)
        return nullptr;
    return &slots[index];
}

size_t FreeSlot() {
    for (size_t i = 0; i < slots.size(); i++)
        if (!slots[i].used) return i;
    slots.emplace_back();
    return slots.size() - 1;
}

void ReleaseSlot(FileSlot &slot) {
    if (slot.fd >= 0) close(slot.fd);
    slot = FileSlot();
}

// ---- errors ----------------------------------------------------------------

// ENOENT means the file is missing when its folder exists, else the path.
DWORD MissingError(const std::string &host) {
    std::filesystem::path parent = std::filesystem::path(host).parent_path();
    struct stat info;
    if (parent.empty() || (stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
        return ERROR_FILE_NOT_FOUND;
    return ERROR_PATH_NOT_FOUND;
}

DWORD ErrorOfErrno(int error, const std::string &host) {
    switch (error) {
    case ENOENT: return MissingError(host);
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_ACCESS_DENIED;
    }
}

// ---- CreateFileW -----------------------------------------------------------

bool OwnerMayWrite(const struct stat &info) { return (info.st_mode & S_IWUSR) != 0; }

// Win32 refuses a second open whose access the first one's share mode does
// not allow, or whose share mode does not allow the first one's access.
bool SharingAllows(const struct stat &info, DWORD access, DWORD share) {
    for (const FileSlot &slot : slots) {
        if (!slot.used || slot.isSearch || slot.device != info.st_dev || slot.inode != info.st_ino)
            continue;
        if ((access & GENERIC_READ) && !(slot.share & FILE_SHARE_READ)) return false;
        if ((access & GENERIC_WRITE) && !(slot.share & FILE_SHARE_WRITE)) return false;
        if ((slot.access & GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
        if ((slot.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return false;
    }
    return true;
}

int OpenFlags(DWORD access) {
    bool read = (access & GENERIC_READ) != 0, write = (access & GENERIC_WRITE) != 0;
    int flags = O_CLOEXEC;
    if (read && write) return flags | O_RDWR;
    return flags | (write ? O_WRONLY : O_RDONLY);
}

// A new file needs a folder its owner may write, whoever runs the device
// (root writes anywhere on the host): a read-only program folder refuses it.
bool FolderRefusesNewFile(const std::string &host) {
    std::filesystem::path parent = std::filesystem::path(host).parent_path();
    struct stat info;
    return !parent.empty() && stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           !OwnerMayWrite(info);
}

// Checks an existing file against the disposition, access and sharing.
// Returns 0 or the Win32 error.
DWORD CheckExisting(const struct stat &info, DWORD access, DWORD share, DWORD disposition) {
    if (S_ISDIR(info.st_mode)) return ERROR_ACCESS_DENIED;
    if (disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
    bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if ((access & GENERIC_WRITE || truncates) && !OwnerMayWrite(info)) return ERROR_ACCESS_DENIED;
    if (!SharingAllows(info, access, share)) return ERROR_SHARING_VIOLATION;
    return 0;
}

bool ValidDisposition(DWORD access, DWORD disposition) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return false;
    return disposition != TRUNCATE_EXISTING || (access & GENERIC_WRITE);
}

HANDLE Fail(DWORD error) {
    lastError = error;
    return INVALID_HANDLE_VALUE;
}

// ---- FindFirstFileW --------------------------------------------------------

// Case-blind match of a Win32 mask with * and ?; "*.*" matches every name,
// dotted or not, as it does on Windows. A star that cannot place the rest is
// retried one unit further on, never nested, so the time stays within the
// product of the two lengths.
bool MaskMatches(const std::u16string &mask, const std::u16string &name) {
    if (mask == u"*.*") return true;
    size_t m = 0, n = 0, star = std::u16string::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == u'*') {
            star = m++, resume = n;
        } else if (m < mask.size() &&
                   (mask[m] == u'?' || DeviceUpcase(mask[m]) == DeviceUpcase(name[n]))) {
            m++, n++;
        } else if (star != std::u16string::npos) {
            m = star + 1, n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*') m++;
    return m == mask.size();
}

DWORD AttributesOf(const std::string &name, const struct stat &info) {
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (!OwnerMayWrite(info)) attributes |= FILE_ATTRIBUTE_READONLY;
    if (name[0] == '.' && name != "." && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

bool IsDots(const std::u16string &name) { return name == u"." || name == u".."; }

// Every entry of a host folder matching mask, "." and ".." first (not in the
// root, which has neither on Windows), then in NTFS order, as Windows lists a
// folder. Returns false when the folder cannot be read.
bool ListFolder(const std::string &folder, const std::u16string &mask, bool root,
                std::vector<FindEntry> &entries) {
    DIR *dir = opendir(folder.c_str());
    if (!dir) return false;
    while (struct dirent *entry = readdir(dir)) {
        std::u16string wide = DeviceUtf16(entry->d_name);
        if ((root && IsDots(wide)) || wide.size() >= MAX_PATH || !MaskMatches(mask, wide)) continue;
        struct stat info;
        if (stat((folder + "/" + entry->d_name).c_str(), &info) != 0) continue;
        entries.push_back(
            {wide, DeviceUpcased(wide), AttributesOf(entry->d_name, info), (uint64_t)info.st_size});
    }
    closedir(dir);
    // NTFS compares the upper-cased units, then the units themselves, so
    // names that differ only in case (the host may hold both) still sort.
    std::sort(entries.begin(), entries.end(), [](const FindEntry &a, const FindEntry &b) {
        if (IsDots(a.name) != IsDots(b.name)) return IsDots(a.name);
        return a.upper != b.upper ? a.upper < b.upper : a.name < b.name;
    });
    return true;
}

void FillFindData(const FindEntry &entry, LPWIN32_FIND_DATAW data) {
    memset(data, 0, sizeof *data);
    data->dwFileAttributes = entry.attributes;
    data->nFileSizeHigh = (DWORD)(entry.size >> 32);
    data->nFileSizeLow = (DWORD)entry.size;
    memcpy(data->cFileName, entry.name.c_str(), (entry.name.size() + 1) * sizeof(WCHAR));
}

}  // namespace

// ---- device controls -------------------------------------------------------------

void DeviceSetExecutable(const std::string &hostPath) { executableHost = hostPath; }

void DeviceSetLastError(DWORD error) { lastError = error; }

void DeviceResetFiles() {
    for (FileSlot &slot : slots) ReleaseSlot(slot);
    slots.clear();
    executableHost = "/pondlet.exe";
    lastError = 0;
    ResetMessageLog();
    ResetTextState();
}

// ---- Win32 calls ---------------------------------------------------------------------

DWORD GetLastError(void) { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                   DWORD disposition, DWORD, HANDLE) {
    if (!path || !*path || !ValidDisposition(access, disposition))
        return Fail(ERROR_INVALID_PARAMETER);
    std::string host = DeviceHostPath(path);
    struct stat info;
    bool exists = stat(host.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) return Fail(ErrorOfErrno(errno, host));
    if (exists) {
        DWORD error = CheckExisting(info, access, share, disposition);
        if (error) return Fail(error);
    } else if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
        return Fail(MissingError(host));
    } else if (FolderRefusesNewFile(host)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    int flags = OpenFlags(access) | (exists ? 0 : O_CREAT | O_EXCL);
    if (exists && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING))
        flags |= O_TRUNC;
    int fd = open(host.c_str(), flags, 0666);
    if (fd < 0) return Fail(ErrorOfErrno(errno, host));
    fstat(fd, &info);
    size_t index = FreeSlot();
    FileSlot &slot = slots[index];
    slot.used = true;
    slot.fd = fd;
    slot.access = access;
    slot.share = share;
    slot.device = info.st_dev;
    slot.inode = info.st_ino;
    // Win32 reports an existing file that CREATE_ALWAYS or OPEN_ALWAYS opened.
    bool reportsExisting = exists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    lastError = reportsExisting ? ERROR_ALREADY_EXISTS : 0;
    return HandleOfSlot(index);
}

// The open file a read or write goes to, or null with the error set when the
// handle, its access or the buffer does not allow the transfer.
static FileSlot *SlotForTransfer(HANDLE file, DWORD access, DWORD count, const void *buffer) {
    FileSlot *slot = SlotOfHandle(file, false);
    if (!slot) {
        lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if (!(slot->access & access)) {
        lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    if (count && !buffer) {
        lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    return slot;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    if (read) *read = 0;
    FileSlot *slot = SlotForTransfer(file, GENERIC_READ, toRead, buffer);
    if (!slot) return FALSE;
    DWORD done = 0;
    while (done < toRead) {
        if (slot->aheadAt < slot->ahead.size()) {
            size_t take = std::min<size_t>(toRead - done, slot->ahead.size() - slot->aheadAt);
            memcpy((char *)buffer + done, slot->ahead.data() + slot->aheadAt, take);
            slot->aheadAt += take;
            done += (DWORD)take;
            continue;
        }
        bool readAhead = !(slot->access & GENERIC_WRITE);
        if (readAhead) slot->ahead.resize(kReadAheadBytes);
        char *to = readAhead ? slot->ahead.data() : (char *)buffer + done;
        ssize_t got = ::read(slot->fd, to, readAhead ? kReadAheadBytes : toRead - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            lastError = ERROR_ACCESS_DENIED;
            return FALSE;
        }
        if (got == 0) break;
        if (readAhead) {
            slot->ahead.resize((size_t)got);
            slot->aheadAt = 0;
        } else {
            done += (DWORD)got;
        }
    }
    if (read) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
    if (written) *written = 0;
    FileSlot *slot = SlotForTransfer(file, GENERIC_WRITE, toWrite, buffer);
    if (!slot) return FALSE;
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t put = ::write(slot->fd, (const char *)buffer + done, toWrite - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            lastError = ERROR_ACCESS_DENIED;
            return FALSE;
        }
        done += (DWORD)put;
    }
    if (written) *written = done;
    return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD high) {
    FileSlot *slot = SlotOfHandle(file, false);
    struct stat info;
    if (!slot || fstat(slot->fd, &info) != 0) {
        lastError = ERROR_INVALID_HANDLE;
        return INVALID_FILE_SIZE;
    }
    uint64_t size = (uint64_t)info.st_size;
    if (high) *high = (DWORD)(size >> 32);
    // A low part of all ones is ambiguous, so Win32 clears the last error.
    lastError = 0;
    return (DWORD)size;
}

BOOL CloseHandle(HANDLE handle) {
    if (FileSlot *slot = SlotOfHandle(handle, false)) {
        ReleaseSlot(*slot);
        return TRUE;
    }
    if (DeviceCloseKernelHandle(handle)) return TRUE;
    lastError = ERROR_INVALID_HANDLE;
    return FALSE;
}

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
    if (!pattern || !*pattern || !data) return Fail(ERROR_INVALID_PARAMETER);
    std::string host;
    std::u16string mask;
    if (!DeviceSplitPattern(pattern, host, mask)) return Fail(ERROR_FILE_NOT_FOUND);
    bool root = host == "/";
    std::vector<FindEntry> entries;
    if (!ListFolder(host, mask, root, entries)) return Fail(ERROR_PATH_NOT_FOUND);
    if (entries.empty()) return Fail(ERROR_FILE_NOT_FOUND);
    size_t index = FreeSlot();
    FileSlot &slot = slots[index];
    slot.used = true;
    slot.isSearch = true;
    slot.entries = std::move(entries);
    FillFindData(slot.entries[0], data);
    slot.next = 1;
    lastError = 0;
    return HandleOfSlot(index);
}

BOOL FindNextFileW(HANDLE search, LPWIN32_FIND_DATAW data) {
    FileSlot *slot = SlotOfHandle(search, true);
    if (!slot) {
        lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (slot->next >= slot->entries.size()) {
        lastError = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    FillFindData(slot->entries[slot->next++], data);
    return TRUE;
}

BOOL FindClose(HANDLE search) {
    FileSlot *slot = SlotOfHandle(search, true);
    if (!slot) {
        lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    ReleaseSlot(*slot);
    return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
    if (!path || !*path) {
        lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    std::string host = DeviceHostPath(path);
    if (mkdir(host.c_str(), 0777) != 0) {
        lastError = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorOfErrno(errno, host);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR path) {
    if (!path || !*path) {
        lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    std::string host = DeviceHostPath(path);
    struct stat info;
    if (stat(host.c_str(), &info) != 0) {
        lastError = ErrorOfErrno(errno, host);
        return FALSE;
    }
    if (S_ISDIR(info.st_mode) || !OwnerMayWrite(info)) {
        lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    // An open file cannot be deleted: no handle of ours shares deletion.
    for (const FileSlot &slot : slots)
        if (slot.used && !slot.isSearch && slot.device == info.st_dev &&
            slot.inode == info.st_ino) {
            lastError = ERROR_SHARING_VIOLATION;
            return FALSE;
        }
    if (unlink(host.c_str()) != 0) {
        lastError = ErrorOfErrno(errno, host);
        return FALSE;
    }
    return TRUE;
}

// The executable's device path. A buffer too small gets the path cut to
// size - 1 units and a terminator, and the call returns size with
// ERROR_INSUFFICIENT_BUFFER, as Win32 does.
DWORD GetModuleFileNameW(HMODULE, LPWSTR path, DWORD size) {
    std::u16string name = DevicePathFromHost(executableHost);
    if (!path || size == 0) {
        lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    if (name.size() < size) {
        memcpy(path, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
        lastError = 0;
        return (DWORD)name.size();
    }
    memcpy(path, name.data(), (size - 1) * sizeof(WCHAR));
    path[size - 1] = 0;
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
}

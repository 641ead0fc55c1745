// The executable's resources on the device.
//
// The build compiles the resource script with the same compiler as the
// Windows build and embeds the .res bytes (pondletResourceData). That file is
// a run of entries, each a header (data size, header size, type, name, then
// version, flags and language) followed by its data, both DWORD-aligned; the
// first entry is an empty marker. The entries are indexed once, on first use,
// into a flat table; an HRSRC points at a table row, and LoadResource and
// LockResource give a pointer straight into the embedded bytes, which live
// as long as the process.
#include "files_half.h"

#include <cstdlib>
#include <cstring>

namespace {

enum { kMaxResources = 64, kMaxNameUnits = 32 };

// One resource: its type and name are an ordinal or, when ordinal is 0, a text.
struct ResourceKey {
    WORD ordinal;
    WCHAR text[kMaxNameUnits];
};

struct ResourceEntry {
    ResourceKey type, name;
    const unsigned char *data;
    DWORD size;
};

ResourceEntry entries[kMaxResources];
int entryCount = -1;  // -1: not indexed yet

// The module handle of the executable: any value below 2^32 that is no
// other handle of the device; Win32 puts images at 0x400000.
HMODULE const kModuleHandle = (HMODULE)(uintptr_t)0x00400000u;

WORD ReadWord(const unsigned char *at) { return (WORD)(at[0] | at[1] << 8); }
DWORD ReadDword(const unsigned char *at) {
    return (DWORD)at[0] | (DWORD)at[1] << 8 | (DWORD)at[2] << 16 | (DWORD)at[3] << 24;
}
size_t AlignDword(size_t offset) { return (offset + 3) & ~(size_t)3; }

// Reads a type or name field at offset (inside a header ending at end);
// returns the offset after it, or 0 when it does not fit.
size_t ParseKey(const unsigned char *bytes, size_t offset, size_t end, ResourceKey &key) {
    memset(&key, 0, sizeof key);
    if (offset + 2 > end) return 0;
    if (ReadWord(bytes + offset) == 0xFFFF) {
        if (offset + 4 > end) return 0;
        key.ordinal = ReadWord(bytes + offset + 2);
        return offset + 4;
    }
    for (size_t i = 0;; i++, offset += 2) {
        if (offset + 2 > end || i >= kMaxNameUnits) return 0;
        key.text[i] = ReadWord(bytes + offset);
        if (key.text[i] == 0) return offset + 2;
    }
}

// Parses the entry header at offset into entry; returns the offset of the
// next entry, or 0 when the header or its data runs past the end.
size_t ParseEntry(const unsigned char *bytes, size_t total, size_t offset, ResourceEntry &entry) {
    if (offset + 8 > total) return 0;
    DWORD dataSize = ReadDword(bytes + offset);
    DWORD headerSize = ReadDword(bytes + offset + 4);
    if (headerSize < 32 || headerSize > total - offset || dataSize > total - offset - headerSize)
        return 0;
    size_t headerEnd = offset + headerSize;
    size_t at = ParseKey(bytes, offset + 8, headerEnd, entry.type);
    if (at) at = ParseKey(bytes, at, headerEnd, entry.name);
    // DataVersion, MemoryFlags, LanguageId, Version and Characteristics follow
    // (16 bytes); nothing here needs them.
    if (!at || AlignDword(at) + 16 > headerEnd) return 0;
    entry.data = bytes + headerEnd;
    entry.size = dataSize;
    return AlignDword(headerEnd + dataSize);
}

// Indexes the embedded resources once. A damaged file keeps the entries
// before the damage.
void IndexResources() {
    if (entryCount >= 0) return;
    entryCount = 0;
    size_t offset = 0;
    while (offset < pondletResourceSize && entryCount < kMaxResources) {
        ResourceEntry entry;
        size_t next = ParseEntry(pondletResourceData, pondletResourceSize, offset, entry);
        if (!next) break;
        bool marker = entry.size == 0 && entry.type.ordinal == 0 && entry.type.text[0] == 0;
        if (!marker) entries[entryCount++] = entry;
        offset = next;
    }
}

WCHAR UpperAscii(WCHAR c) { return c >= u'a' && c <= u'z' ? (WCHAR)(c - 32) : c; }

// Win32 accepts an ordinal, "#123", or a text compared without case.
bool KeyMatches(const ResourceKey &key, LPCWSTR wanted) {
    if (IS_INTRESOURCE(wanted)) return key.ordinal != 0 && key.ordinal == (WORD)(uintptr_t)wanted;
    if (wanted[0] == u'#') {
        unsigned value = 0;
        for (LPCWSTR c = wanted + 1; *c; c++) {
            if (*c < u'0' || *c > u'9' || value > 0xFFFF) return false;
            value = value * 10 + (*c - u'0');
        }
        return key.ordinal != 0 && key.ordinal == value;
    }
    if (key.ordinal != 0) return false;
    size_t i = 0;
    for (; key.text[i] && wanted[i]; i++)
        if (UpperAscii(key.text[i]) != UpperAscii(wanted[i])) return false;
    return key.text[i] == wanted[i];
}

const ResourceEntry *FindEntry(LPCWSTR name, LPCWSTR type) {
    IndexResources();
    for (int i = 0; i < entryCount; i++)
        if (KeyMatches(entries[i].type, type) && KeyMatches(entries[i].name, name))
            return &entries[i];
    return nullptr;
}

bool TypeExists(LPCWSTR type) {
    IndexResources();
    for (int i = 0; i < entryCount; i++)
        if (KeyMatches(entries[i].type, type)) return true;
    return false;
}

const ResourceEntry *EntryOfHandle(HRSRC resource) {
    IndexResources();
    const ResourceEntry *entry = (const ResourceEntry *)resource;
    if (entry < entries || entry >= entries + entryCount) return nullptr;
    return entry;
}

// ---- icon groups -------------------------------------------------------------

enum { kGroupHeaderSize = 6, kGroupEntrySize = 14 };

// The icon id of the group's image nearest to width x height (first wins a
// tie), or 0 when the group is malformed or empty.
WORD NearestIcon(const ResourceEntry &group, int width, int height) {
    if (group.size < kGroupHeaderSize) return 0;
    WORD count = ReadWord(group.data + 4);
    if (ReadWord(group.data + 2) != 1 || count > (group.size - kGroupHeaderSize) / kGroupEntrySize)
        return 0;
    WORD best = 0;
    int bestDistance = 0;
    for (WORD i = 0; i < count; i++) {
        const unsigned char *row = group.data + kGroupHeaderSize + i * kGroupEntrySize;
        // bWidth, bHeight (0 means 256), bColorCount, bReserved, wPlanes,
        // wBitCount, dwBytesInRes, then the icon's id.
        int rowWidth = row[0] ? row[0] : 256, rowHeight = row[1] ? row[1] : 256;
        int distance = abs(rowWidth - width) + abs(rowHeight - height);
        if (best == 0 || distance < bestDistance) {
            best = ReadWord(row + 12);
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace

// ---- device-internal ---------------------------------------------------------------

int DeviceResourceIdOfData(const void *data) {
    IndexResources();
    for (int i = 0; i < entryCount; i++)
        if (entries[i].type.ordinal == 5 && entries[i].name.ordinal != 0 && entries[i].data == data)
            return entries[i].name.ordinal;
    return -1;
}

// ---- Win32 calls ---------------------------------------------------------------------

// The device runs one module, so every instance handle names it.
HMODULE GetModuleHandleW(LPCWSTR name) {
    if (!name) return kModuleHandle;
    DeviceSetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HRSRC FindResourceW(HMODULE, LPCWSTR name, LPCWSTR type) {
    if (!name || !type) {
        DeviceSetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const ResourceEntry *entry = FindEntry(name, type);
    if (!entry) {
        DeviceSetLastError(TypeExists(type) ? ERROR_RESOURCE_NAME_NOT_FOUND
                                            : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    return (HRSRC)entry;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    const ResourceEntry *entry = EntryOfHandle(resource);
    if (!entry) {
        DeviceSetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return (HGLOBAL)entry->data;
}

LPVOID LockResource(HGLOBAL resource) { return resource; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
    const ResourceEntry *entry = EntryOfHandle(resource);
    if (!entry) {
        DeviceSetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return entry->size;
}

// Icons only: picks the image of the group nearest the size asked (32 x 32
// for 0, the system's icon size) and returns a handle naming that image.
HANDLE LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int cx, int cy, UINT) {
    if (type != IMAGE_ICON || !name) {
        DeviceSetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const ResourceEntry *group = FindEntry(name, RT_GROUP_ICON);
    if (!group) {
        DeviceSetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    WORD icon = NearestIcon(*group, cx > 0 ? cx : 32, cy > 0 ? cy : 32);
    if (!icon || !FindEntry(MAKEINTRESOURCEW(icon), RT_ICON)) {
        DeviceSetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return (HANDLE)(uintptr_t)(kIconHandleBase + icon);
}

// Device paths and names, read the way Win32 and NTFS read them.
//
// A device path \a\b names the host path /a/b, but before anything is looked
// up it is normalised as Win32 normalises a path: `/` separates as `\` does,
// empty and "." elements go, ".." takes back the element before it (never
// past the root), a folder element loses one trailing dot and the last
// element every trailing dot and blank. Then each element finds its host
// entry whatever its case (EntryFor): NTFS compares names after upper-casing
// every UTF-16 unit with its table of simple one-to-one mappings, which
// DeviceUpcase reproduces. Start reading at DeviceHostPath.
#include "files_half.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace {

// A device path after normalisation: its elements, and whether it ends in a
// separator (a folder asked for as such).
struct NormalPath {
    std::vector<std::u16string> elements;
    bool endsInSeparator = false;
};

bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

// Win32 drops every trailing dot and blank of the last element and one
// trailing dot of a folder element ("Sub.\x" is "Sub\x"). A folder element of
// dots alone is left whole, so that trimming never turns it into "..".
void TrimElement(std::u16string &element, bool last) {
    if (last) {
        size_t keep = element.find_last_not_of(u". ");
        element.resize(keep == std::u16string::npos ? 0 : keep + 1);
    } else if (element.back() == u'.' && element.find_first_not_of(u'.') != std::u16string::npos) {
        element.pop_back();
    }
}

// Adds one element of the path, last telling whether no separator follows.
void AddElement(NormalPath &path, std::u16string element, bool last) {
    if (element.empty() || element == u".") return;
    if (element == u"..") {
        if (!path.elements.empty()) path.elements.pop_back();
        return;
    }
    TrimElement(element, last);
    if (element.empty())
        path.endsInSeparator = true;  // "\a\..." names the folder a
    else
        path.elements.push_back(element);
}

NormalPath NormalisePath(const std::u16string &devicePath) {
    NormalPath path;
    path.endsInSeparator = !devicePath.empty() && IsSeparator(devicePath.back());
    size_t start = 0;
    for (size_t i = 0; i <= devicePath.size(); i++) {
        if (i < devicePath.size() && !IsSeparator(devicePath[i])) continue;
        AddElement(path, devicePath.substr(start, i - start), i == devicePath.size());
        start = i + 1;
    }
    return path;
}

// The host entry of folder that stands for element: the one spelt exactly so
// if there is one (several entries may differ only in case on the host), else
// the first in NTFS order of those equal to it after upper-casing. Empty when
// nothing matches or the folder cannot be read. Reads the folder only when
// the exact spelling is missing, and keeps one candidate at a time, so a
// large folder costs time in proportion and no memory.
std::string EntryFor(const std::string &folder, const std::u16string &element) {
    std::string exact = DeviceUtf8(element);
    struct stat info;
    if (lstat((folder + "/" + exact).c_str(), &info) == 0) return exact;
    if (errno != ENOENT) return "";
    DIR *dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return "";
    std::u16string wanted = DeviceUpcased(element), best;
    std::string bestHost;
    while (struct dirent *entry = readdir(dir)) {
        std::u16string name = DeviceUtf16(entry->d_name);
        if (name.size() != wanted.size() || DeviceUpcased(name) != wanted) continue;
        if (bestHost.empty() || name < best) best = name, bestHost = entry->d_name;
    }
    closedir(dir);
    return bestHost;
}

// The host path of the first count elements. Once an element matches no
// entry, it and the ones after it keep the spelling given, so that a missing
// file or folder fails as it would have.
std::string HostPathOf(const NormalPath &path, size_t count) {
    std::string host;
    bool found = true;
    for (size_t i = 0; i < count && i < path.elements.size(); i++) {
        std::string name = found ? EntryFor(host, path.elements[i]) : "";
        if (name.empty()) found = false, name = DeviceUtf8(path.elements[i]);
        host += "/" + name;
    }
    return host;
}

}  // namespace

// Unicode's simple upper-case mapping, kept only where it maps back (the
// pairs a volume's table holds): ı, ſ, ς, µ and the title-case digraphs stay
// as they are. Each UTF-16 unit goes alone, so surrogates never change.
char16_t DeviceUpcase(char16_t unit) {
    UChar32 upper = u_toupper(unit);
    return upper <= 0xFFFF && u_tolower(upper) == unit ? (char16_t)upper : unit;
}

std::u16string DeviceUpcased(const std::u16string &name) {
    std::u16string upper = name;
    for (char16_t &unit : upper) unit = DeviceUpcase(unit);
    return upper;
}

bool DeviceSplitPattern(const std::u16string &pattern, std::string &folderHost,
                        std::u16string &mask) {
    NormalPath path = NormalisePath(pattern);
    if (path.endsInSeparator || path.elements.empty()) return false;
    mask = path.elements.back();
    folderHost = HostPathOf(path, path.elements.size() - 1);
    if (folderHost.empty()) folderHost = "/";
    return true;
}

// ---- device controls -------------------------------------------------------------

std::u16string DevicePathFromHost(const std::string &hostPath) {
    std::string absolute = std::filesystem::path(hostPath).is_absolute()
                               ? hostPath
                               : std::filesystem::absolute(hostPath).string();
    std::u16string path = DeviceUtf16(absolute);
    std::replace(path.begin(), path.end(), u'/', u'\\');
    return path;
}

// The device has one rooted tree and no current folder, so a path without a
// leading separator is taken from the root as well.
std::string DeviceHostPath(const std::u16string &devicePath) {
    NormalPath path = NormalisePath(devicePath);
    std::string host = HostPathOf(path, path.elements.size());
    if (host.empty() || path.endsInSeparator) host += "/";
    return host;
}

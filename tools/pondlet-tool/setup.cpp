// A fresh device and program for each command, as a new process would find
// them: tests run several commands in one process.
#include "tool.h"

#include "device.h"
#include "lint.h"
#include "shell/mainwindow.h"

void StartFreshDevice(const std::string &root) {
    DeviceSetObservers(DeviceObservers{});
    // The program's state first, while the earlier command's platform
    // objects still exist to be given back.
    ResetProcessState();
    DeviceReset();
    std::filesystem::path exe = std::filesystem::absolute(root) / "pondlet.exe";
    DeviceSetExecutable(exe.lexically_normal().string());
}

WideString DeviceFolder(const std::string &hostPath) {
    std::filesystem::path absolute = std::filesystem::absolute(hostPath).lexically_normal();
    std::u16string path = DevicePathFromHost(absolute.string());
    if (path.empty() || path.back() != u'\\') path.push_back(u'\\');
    return WideString(path.begin(), path.end());
}

std::string ProgramFolder(const std::string &path, int *select) {
    *select = -1;
    StartFreshDevice(path);
    WideString folder = DeviceFolder(path);
    std::vector<WideString> found = FindSkinFolders(folder);
    if (found.size() != 1 || found[0] != folder) return path;
    std::filesystem::path normal = std::filesystem::absolute(path).lexically_normal();
    if (!normal.has_filename()) normal = normal.parent_path();  // "skin/" names the folder too
    std::string parent = normal.parent_path().string();
    std::vector<WideString> siblings = FindSkinFolders(DeviceFolder(parent));
    for (size_t i = 0; siblings.size() > 1 && i < siblings.size(); i++)
        if (siblings[i] == folder) *select = (int)i;
    return parent;
}

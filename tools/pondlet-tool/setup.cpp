// A fresh device and program for each command, as a new process would find
// them: tests run several commands in one process.
#include "tool.h"

#include "device.h"
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

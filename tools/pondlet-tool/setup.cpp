// A fresh device and program for each command, as a new process would find
// them: tests run several commands in one process.
#include "tool.h"

#include "device.h"
#include "engine/schedule.h"
#include "graphics/surfaces.h"
#include "shell/globals.h"
#include "shell/instance.h"
#include "shell/panel.h"
#include "skin/tables.h"

void StartFreshDevice(const std::string &root) {
    DeviceSetObservers(DeviceObservers{});
    // An earlier command's work surfaces lived on the old device: a run whose
    // skin fails to load would put their stale pixels back at shut-down.
    // Released before the reset, while their objects still exist.
    ReleaseWorkSurfaces();
    DeviceReset();
    std::filesystem::path exe = std::filesystem::absolute(root) / "pondlet.exe";
    DeviceSetExecutable(exe.lexically_normal().string());
    exeFolder[0] = 0;
    appInstance = nullptr;
    mainWindow = nullptr;
    screenWidth = screenHeight = 0;
    dockRight = dockBottom = 0;
    offsetX = offsetY = 0;
    blendMode = 2;
    moveBusy = panelOpen = 0;
    savedBlendMode = 0;
    instanceMutex = nullptr;
    quitPending = 0;
    animation = AnimationState{};
    // The tables of an earlier command stay allocated; a process would have
    // ended and given them back.
    skinTables = SkinTables{};
}

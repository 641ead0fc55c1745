// The golden run (see golden_run.h), on the simulated device only.
#if !defined(_WIN32)
#include "golden_run.h"

#include "core/process.h"
#include "device.h"
#include "shell/mainwindow.h"

namespace fs = std::filesystem;

fs::path BundledSkin() { return fs::path(__FILE__).parent_path().parent_path().parent_path() / "skins" / "pondlet"; }

// FNV-1a over every pixel as a 24-bit read gives it.
static uint32_t ScreenHash() {
    uint32_t hash = 2166136261u;
    for (int y = 0; y < DeviceScreenHeight(); y++)
        for (int x = 0; x < DeviceScreenWidth(); x++) {
            COLORREF pixel = DeviceReadScreen(x, y);
            for (int b = 0; b < 3; b++) hash = (hash ^ ((pixel >> (8 * b)) & 0xFF)) * 16777619u;
        }
    return hash;
}

uint32_t RunAndHash(const fs::path &root, int depth, int mode, const SYSTEMTIME &start, int tickCount) {
    ResetProcessState();
    DeviceReset();
    DeviceSetScreen(240, 320, depth, 0x7B8D9E);  // off the 5-6-5 grid: deep screens keep it
    DeviceSetExecutable((root / "pondlet.exe").string());
    DeviceSetLocalTime(start);
    DeviceAction setMode;
    setMode.custom = [mode] { SetBlendMode(mode); };
    DeviceQueueAction(0, setMode);
    int ticks = 0;
    DeviceObservers observers;
    observers.afterWindowMessage = [&ticks, tickCount](const MSG &message) {
        if (message.message == WM_TIMER && ++ticks >= tickCount) throw DeviceRunEnded{DeviceElapsed()};
    };
    DeviceSetObservers(observers);
    DeviceSetRunLimit(600000);
    try {
        WinMain((HINSTANCE)GetModuleHandleW(nullptr), nullptr, (LPSTR) "", 0);
    } catch (const DeviceRunEnded &) {}
    DeviceSetObservers(DeviceObservers{});
    return ticks == tickCount ? ScreenHash() : 0;
}
#endif

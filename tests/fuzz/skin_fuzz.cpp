// The whole program on a skin made of the input: the script, and one small
// picture a.bmp beside it that the script may name. At depths 8, 16 and 24
// it starts, loads the skin, probes the display and plays a few ticks (a
// bounded number, whatever the display times say), then quits; what the
// skin loaded is freed after each input so that a true leak shows. The
// skin author's lint then checks the same skin.
#include "fuzz_files.h"

#include "core/tables.h"
#include "device.h"
#include "graphics/surfaces.h"
#include "lint.h"
#include "shell/mainwindow.h"
#include "tool.h"

namespace {

enum { kTicksPerDepth = 12, kRunLimitMs = 60000 };

void RunAtDepth(int depth) {
    StartFreshDevice(FuzzFolder().string());
    DeviceSetScreen(240, 320, depth, 0x808080);
    int ticks = 0;
    DeviceObservers observers;
    observers.afterWindowMessage = [&ticks](const MSG &message) {
        if (message.message == WM_TIMER && ++ticks >= kTicksPerDepth) throw DeviceRunEnded{DeviceElapsed()};
    };
    DeviceSetObservers(observers);
    DeviceSetRunLimit(kRunLimitMs);
    try {
        WinMain((HINSTANCE)GetModuleHandleW(nullptr), nullptr, (LPSTR) "", 0);
    } catch (const DeviceRunEnded &) {}
    ResetProcessState();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzSkinParts parts = SplitSkinInput(data, size);
    const std::filesystem::path skin = FuzzFolder() / "skin";
    std::filesystem::remove(skin / "a.bmp");
    if (!FuzzWriteFile(skin / "skin.txt", (const uint8_t *)parts.script.data(), parts.script.size())) return 0;
    if (!parts.picture.empty() &&
        !FuzzWriteFile(skin / "a.bmp", (const uint8_t *)parts.picture.data(), parts.picture.size()))
        return 0;
    for (int depth : {8, 16, 24}) RunAtDepth(depth);
    LintCommand lint;
    lint.path = skin.string();
    std::vector<LintDiagnostic> found;
    CollectLint(lint, &found);
    return 0;
}

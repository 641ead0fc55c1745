// LoadSkin on a large script: three passes, one ReadFile call per byte.
// Reports bytes per second over the script's size (each pass reads it all).
// The skin lint on the bundled skin: reading, the reader's notes, the
// pictures, the exact schedule analysis and the text measurements.
#include "core/process.h"
#include "device.h"
#include "lint.h"
#include "skin/script.h"
#include "support/golden_run.h"
#include "support/test_files.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Many frames, texts and rules, no images (their loading is measured apart).
std::string LargeScript(int lines) {
    std::string script = "T Bench\r\nD64,64,4,4\r\nF Tahoma,\r\n";
    for (int i = 0; i < lines; i++) {
        script.append("#").append(std::to_string(i % 50)).append(" 300:600 s");
        script.append(std::to_string(i % 20)).append(" s1:2:3\r\n");
        if (i % 10 == 0) script.append("S").append(std::to_string(i % 20)).append(",12,255,255,255,8,44,%h:%m:%s\r\n");
        if (i % 25 == 0) script.append("$").append(std::to_string(i % 50)).append(" 1-5 * * 9-17 0,30 0\r\n");
    }
    return script;
}

void BM_LoadSkin(benchmark::State &state) {
    DeviceReset();
    TestFolder root("bench");
    std::string script = LargeScript((int)state.range(0));
    WriteTestFile(root.path / "cat" / "skin.txt", script);
    TestWString folder = TestDevicePath(root.path, true);
    SetScreenSize(240, 320);
    for (auto _ : state) {
        // LoadSkin moves exeFolder to the skin; the tables of the previous
        // round are dropped, not freed, as a process never loads twice.
        SetTestFolder(folder);
        const SkinTables none = {};
        UseSkinTables(&none);
        if (!LoadSkin()) state.SkipWithError("LoadSkin failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)script.size());
}
BENCHMARK(BM_LoadSkin)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_LintBundledSkin(benchmark::State &state) {
    DeviceReset();
    std::u16string device = DevicePathFromHost(BundledSkin().string()) + u"\\";
    WideString folder(device.begin(), device.end());
    for (auto _ : state) {
        std::vector<LintDiagnostic> found;
        LintSkinFolder(folder, LintOptions(), &found);
        if (!found.empty()) state.SkipWithError("the bundled skin is not clean");
    }
}
BENCHMARK(BM_LintBundledSkin)->Unit(benchmark::kMillisecond);

}  // namespace

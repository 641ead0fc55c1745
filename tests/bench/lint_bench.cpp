// The skin lint on the bundled skin: reading, the reader's notes, the
// pictures, the exact schedule analysis and the text measurements.
#include "device.h"
#include "lint.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void BM_LintBundledSkin(benchmark::State &state) {
    DeviceReset();
    std::filesystem::path skin =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "skins" / "pondlet";
    std::u16string device = DevicePathFromHost(skin.string()) + u"\\";
    WideString folder(device.begin(), device.end());
    for (auto _ : state) {
        std::vector<LintDiagnostic> found;
        LintSkinFolder(folder, LintOptions(), &found);
        if (!found.empty()) state.SkipWithError("the bundled skin is not clean");
    }
}
BENCHMARK(BM_LintBundledSkin)->Unit(benchmark::kMillisecond);

}  // namespace

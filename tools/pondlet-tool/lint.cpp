// lint: the studio's lint (tools/studio) on the simulated device, with
// host paths in and out.
#include "tool.h"

#include "device.h"
#include "lint.h"

#include <iostream>

namespace {

std::string HostFile(const WideString &devicePath) {
    return DeviceHostPath(std::u16string(devicePath.begin(), devicePath.end()));
}

}  // namespace

int CollectLint(const LintCommand &options, std::vector<LintDiagnostic> *found) {
    StartFreshDevice(options.path);
    DeviceSetCodePage(options.codePage);
    DeviceSetScreen(options.width, options.height, 16, 0x808080);
    LintOptions lintOptions;
    lintOptions.screenWidth = options.width;
    lintOptions.screenHeight = options.height;
    std::vector<WideString> folders = FindSkinFolders(DeviceFolder(options.path));
    for (const WideString &folder : folders) LintSkinFolder(folder, lintOptions, found);
    SortDiagnostics(found);
    return (int)folders.size();
}

int RunLint(const LintCommand &options, std::ostream &out, std::ostream &errors) {
    std::vector<LintDiagnostic> found;
    if (CollectLint(options, &found) == 0) {
        errors << "pondlet-tool: no skin.txt in " << options.path << " or the folders below it\n";
        return kExitFailed;
    }
    if (options.json) {
        out << "[";
        for (size_t i = 0; i < found.size(); i++)
            out << (i ? ",\n " : "\n ") << DiagnosticJson(found[i], HostFile(found[i].file));
        out << (found.empty() ? "]\n" : "\n]\n");
    } else {
        for (const LintDiagnostic &d : found) out << FormatDiagnostic(d, HostFile(d.file)) << "\n";
        out << LintSummary(found) << "\n";
    }
    return CountSeverity(found, kLintError) ? kExitFailed : kExitOk;
}

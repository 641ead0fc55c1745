// pondlet-lint.exe: the skin lint for Windows authors, on the real platform.
//
//   pondlet-lint PATH [--json] [--codepage N] [--screen WxH]
//
// The same checks as `pondlet-tool lint` (tools/studio), reading the skin
// with Windows' own files, code page and fonts. Prints one diagnostic a line,
// FILE:LINE: severity: message [check], and a summary; exit status 1 when
// there is an error, 2 for a wrong command line.
#include "lint.h"
#include "options.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: pondlet-lint PATH [--json] [--codepage N] [--screen WxH]\n";

std::string Narrow(const WCHAR *text) { return Utf8FromWide(WideString(text)); }

WideString Widen(const std::string &text) {
    WideString wide(text.size() + 1, 0);
    int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], (int)wide.size());
    wide.resize(units > 0 ? (size_t)units - 1 : 0);
    return wide;
}

int UsageError(const std::string &message) {
    std::fprintf(stderr, "pondlet-lint: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// Windows reads the script in its own ANSI code page; a different --codepage
// is told, not applied.
int ParseArguments(int argc, WCHAR **argv, LintCommand *command, std::string *error) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; i++) args.push_back(Narrow(argv[i]));
    if (!ParseLintArguments(args, command, error)) return 0;
    if (command->codePageGiven && command->codePage != GetACP())
        std::fprintf(stderr, "pondlet-lint: Windows reads skins in code page %u here, not %u\n",
                     GetACP(), command->codePage);
    return 1;
}

WideString FullFolder(const WideString &path) {
    WCHAR full[MAX_PATH];
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    WideString folder = length > 0 && length < MAX_PATH ? WideString(full) : path;
    if (folder.empty() || folder.back() != L'\\') folder.push_back(L'\\');
    return folder;
}

}  // namespace

int main() {
    int argc = 0;
    WCHAR **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    LintCommand command;
    std::string error;
    if (!argv || !ParseArguments(argc, argv, &command, &error)) return UsageError(error);
    std::vector<WideString> folders = FindSkinFolders(FullFolder(Widen(command.path)));
    if (folders.empty()) {
        std::fprintf(stderr, "pondlet-lint: no skin.txt in %s or the folders below it\n",
                     command.path.c_str());
        return 1;
    }
    LintOptions options;
    options.screenWidth = command.width;
    options.screenHeight = command.height;
    std::vector<LintDiagnostic> found;
    for (const WideString &folder : folders) LintSkinFolder(folder, options, &found);
    SortDiagnostics(&found);
    std::string out;
    if (command.json) {
        out = "[";
        for (size_t i = 0; i < found.size(); i++)
            out += (i ? ",\n " : "\n ") + DiagnosticJson(found[i], Utf8FromWide(found[i].file));
        out += found.empty() ? "]\n" : "\n]\n";
    } else {
        for (const LintDiagnostic &d : found)
            out += FormatDiagnostic(d, Utf8FromWide(d.file)) + "\n";
        out += LintSummary(found) + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return CountSeverity(found, kLintError) ? 1 : 0;
}

// pondlet-lint.exe: the skin lint for Windows authors, on the real platform.
//
//   pondlet-lint PATH [--json] [--codepage N] [--screen WxH]
//
// The same checks as `pondlet-tool lint` (tools/studio), reading the skin
// with Windows' own files, code page and fonts. Prints one diagnostic a line,
// FILE:LINE: severity: message [check], and a summary; exit status 1 when
// there is an error, 2 for a wrong command line.
#include "lint.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: pondlet-lint PATH [--json] [--codepage N] [--screen WxH]\n";

struct Command {
    WideString path;
    bool json = false;
    LintOptions options;
};

std::string Narrow(const WCHAR *text) { return Utf8FromWide(WideString(text)); }

int UsageError(const std::string &message) {
    std::fprintf(stderr, "pondlet-lint: %s\n%s", message.c_str(), kUsage);
    return 2;
}

int ParseScreenSize(const std::string &text, LintOptions *options) {
    int width = 0, height = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &tail) != 2) return 0;
    if (width < 1 || height < 1 || width > 10000 || height > 10000) return 0;
    options->screenWidth = width;
    options->screenHeight = height;
    return 1;
}

// Windows reads the script in its own ANSI code page; a different --codepage
// is told, not applied.
int ParseArguments(int argc, WCHAR **argv, Command *command, std::string *error) {
    bool havePath = false;
    for (int i = 1; i < argc; i++) {
        std::string arg = Narrow(argv[i]);
        bool hasValue = i + 1 < argc;
        if (arg == "--json") {
            command->json = true;
        } else if (arg == "--screen" && hasValue) {
            if (!ParseScreenSize(Narrow(argv[++i]), &command->options)) {
                *error = "--screen takes WxH";
                return 0;
            }
        } else if (arg == "--codepage" && hasValue) {
            unsigned page = (unsigned)std::strtoul(Narrow(argv[++i]).c_str(), nullptr, 10);
            if (page != GetACP())
                std::fprintf(stderr,
                             "pondlet-lint: Windows reads skins in code page %u here, not %u\n",
                             GetACP(), page);
        } else if (arg.rfind("--", 0) == 0 || havePath) {
            *error = "unexpected argument: " + arg;
            return 0;
        } else {
            command->path = argv[i];
            havePath = true;
        }
    }
    if (!havePath) *error = "PATH is missing";
    return havePath;
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
    Command command;
    std::string error;
    if (!argv || !ParseArguments(argc, argv, &command, &error)) return UsageError(error);
    std::vector<WideString> folders = FindSkinFolders(FullFolder(command.path));
    if (folders.empty()) {
        std::fprintf(stderr, "pondlet-lint: no skin.txt in %s or the folders below it\n",
                     Narrow(command.path.c_str()).c_str());
        return 1;
    }
    std::vector<LintDiagnostic> found;
    for (const WideString &folder : folders) LintSkinFolder(folder, command.options, &found);
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

// pondlet-tool COMMAND PATH [options]: see docs/tool.md.
#include "tool.h"

#include <iostream>

namespace {

const char usage[] =
    "usage: pondlet-tool dump ROOT [--screen WxH] [--select N | --cancel] [--codepage N] "
    "[--pixels]\n"
    "       pondlet-tool run ROOT [--screen WxHxD] [--start \"YYYY-MM-DD hh:mm:ss[.mmm]\"]\n"
    "                    [--for DURATION] [--seed N] [--background FILE.bmp | --background-colour "
    "RRGGBB]\n"
    "                    [--input FILE] [--trace FILE] [--gif FILE] [--png T:FILE ...]\n"
    "                    [--blend 100%|75%|50%|25%|half]\n"
    "       pondlet-tool lint PATH [--json] [--codepage N] [--screen WxH]\n"
    "       pondlet-tool schedule PATH [--week-of YYYY-MM-DD] [--png FILE] [--text]\n"
    "       pondlet-tool sheet PATH [--png FILE] [--screen WxHxD] [--at \"YYYY-MM-DD hh:mm:ss\"]\n"
    "                    [--blend 100%|75%|50%|25%|half]\n"
    "       pondlet-tool picture FILE.png [--out FILE.bmp] [--key RRGGBB] [--cut ALPHA]\n";

int UsageError(const std::string &message) {
    std::cerr << "pondlet-tool: " << message << "\n" << usage;
    return kExitUsage;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return UsageError("no command");
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    std::string error;
    if (command == "dump") {
        DumpOptions options;
        if (!ParseDumpArguments(args, &options, &error)) return UsageError(error);
        return RunDump(options, std::cout);
    }
    if (command == "run") {
        RunOptions options;
        if (!ParseRunArguments(args, &options, &error)) return UsageError(error);
        return RunProgram(options, std::cerr);
    }
    if (command == "lint") {
        LintCommand options;
        if (!ParseLintArguments(args, &options, &error)) return UsageError(error);
        return RunLint(options, std::cout, std::cerr);
    }
    if (command == "schedule") {
        ScheduleCommand options;
        if (!ParseScheduleArguments(args, &options, &error)) return UsageError(error);
        return RunSchedule(options, std::cout, std::cerr);
    }
    if (command == "sheet") {
        SheetCommand options;
        if (!ParseSheetArguments(args, &options, &error)) return UsageError(error);
        return RunSheet(options, std::cout, std::cerr);
    }
    if (command == "picture") {
        PictureCommand options;
        if (!ParsePictureArguments(args, &options, &error)) return UsageError(error);
        return RunPicture(options, std::cout, std::cerr);
    }
    if (command == "--help" || command == "help") {
        std::cout << usage;
        return kExitOk;
    }
    return UsageError("unknown command: " + command);
}

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

// Each command with the streams it writes to: its output, then its errors.
int RunCommand(const DumpOptions &o) { return RunDump(o, std::cout); }
int RunCommand(const RunOptions &o) { return RunProgram(o, std::cerr); }
int RunCommand(const LintCommand &o) { return RunLint(o, std::cout, std::cerr); }
int RunCommand(const ScheduleCommand &o) { return RunSchedule(o, std::cout, std::cerr); }
int RunCommand(const SheetCommand &o) { return RunSheet(o, std::cout, std::cerr); }
int RunCommand(const PictureCommand &o) { return RunPicture(o, std::cout, std::cerr); }

template <typename Options,
          int (*parse)(const std::vector<std::string> &, Options *, std::string *)>
int StartCommand(const std::vector<std::string> &args) {
    Options options;
    std::string error;
    return parse(args, &options, &error) ? RunCommand(options) : UsageError(error);
}

int Help(const std::vector<std::string> &) {
    std::cout << usage;
    return kExitOk;
}

struct Command {
    const char *name;
    int (*start)(const std::vector<std::string> &args);  // returns the exit status
};
//  name        parses the arguments, then runs
const Command commands[] = {
    {"dump", StartCommand<DumpOptions, ParseDumpArguments>},
    {"run", StartCommand<RunOptions, ParseRunArguments>},
    {"lint", StartCommand<LintCommand, ParseLintArguments>},
    {"schedule", StartCommand<ScheduleCommand, ParseScheduleArguments>},
    {"sheet", StartCommand<SheetCommand, ParseSheetArguments>},
    {"picture", StartCommand<PictureCommand, ParsePictureArguments>},
    {"help", Help},
    {"--help", Help},
};

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return UsageError("no command");
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command &command : commands)
        if (argv[1] == std::string(command.name)) return command.start(args);
    return UsageError("unknown command: " + std::string(argv[1]));
}

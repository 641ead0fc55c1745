// pondlet-tool's readers of what an author types or writes: the arguments of
// dump, run, lint, schedule and sheet (one per line of the input), the input file of run, and the
// background picture. The first byte of an input picks which.
#include "fuzz_files.h"

#include "tool.h"

#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line) && lines.size() < 64;) lines.push_back(line);
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    std::string error;
    switch (data[0] % 3) {
    case 0: {
        std::vector<std::string> args = Lines(text);
        RunOptions run;
        ParseRunArguments(args, &run, &error);
        DumpOptions dump;
        ParseDumpArguments(args, &dump, &error);
        LintCommand lint;
        ParseLintArguments(args, &lint, &error);
        ScheduleCommand schedule;
        ParseScheduleArguments(args, &schedule, &error);
        SheetCommand sheet;
        ParseSheetArguments(args, &sheet, &error);
        break;
    }
    case 1: {
        std::filesystem::path file = FuzzFolder() / "input.txt";
        if (!FuzzWriteFile(file, data + 1, size - 1)) return 0;
        std::vector<InputLine> lines;
        ReadInputFile(file.string(), &lines, &error);
        break;
    }
    default: {
        std::filesystem::path file = FuzzFolder() / "background.bmp";
        if (!FuzzWriteFile(file, data + 1, size - 1)) return 0;
        ScreenImage image;
        ReadBackgroundBmp(file.string(), &image, &error);
        break;
    }
    }
    return 0;
}

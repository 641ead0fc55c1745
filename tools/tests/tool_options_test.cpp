// The tools' command lines: every command reads its options by one parser,
// so a mistake is worded the same whichever command it is made in.
#include "tool.h"

#include <gtest/gtest.h>

namespace {

typedef std::vector<std::string> Args;

// What the command's parser says of args: "" when it accepts them.
template <typename Options, int (*parse)(const Args &, Options *, std::string *)>
std::string Verdict(const Args &args) {
    Options options;
    std::string error = "<not set>";
    return parse(args, &options, &error) ? "" : error;
}

const auto dump = Verdict<DumpOptions, ParseDumpArguments>;
const auto run = Verdict<RunOptions, ParseRunArguments>;
const auto lint = Verdict<LintCommand, ParseLintArguments>;
const auto schedule = Verdict<ScheduleCommand, ParseScheduleArguments>;
const auto sheet = Verdict<SheetCommand, ParseSheetArguments>;
const auto picture = Verdict<PictureCommand, ParsePictureArguments>;

}  // namespace

TEST(ToolOptions, EachMistakeHasOneWording) {
    const struct {
        std::string (*parse)(const Args &);
        Args args;
        const char *verdict;
    } rows[] = {
        {dump, {"r", "--codepage", "65001", "--pixels"}, ""},
        {lint, {"r", "--codepage", "1252", "--json"}, ""},
        {lint, {"r", "--codepage", "437"}, "--codepage takes 932, 1252 or 65001"},
        {dump, {"r", "--screen"}, "--screen needs a value"},
        {run, {"r", "--for"}, "--for needs a value"},
        {schedule, {"r", "--bogus"}, "unexpected argument: --bogus"},
        {sheet, {"a", "b"}, "unexpected argument: b"},
        {lint, {}, "lint needs PATH"},
        {picture, {"--out", "x.bmp"}, "picture needs FILE.png"},
        {dump, {"r", "--screen", "240x320x16"}, "--screen takes WxH"},
        {run, {"r", "--screen", "240x320x12"}, "--screen takes WxHxD with depth 8, 16, 24 or 32"},
        {sheet, {"r", "--screen", "5000x320x16"}, "--screen takes WxHxD with depth 8, 16, 24 or 32"},
        {dump, {"r", "--select", "+3"}, "--select takes an item number"},
        {dump, {"r", "--select", "3", "--cancel"}, "--select and --cancel exclude each other"},
        {run, {"r", "--seed", "4294967295", "--for", "1.5s", "--start", "2024-02-29 23:59:59.999"}, ""},
        {run, {"r", "--seed", "4294967296"}, "--seed takes a number"},
        {run, {"r", "--for", "0"}, "--for takes a duration such as 250ms, 90s, 2h or 1d"},
        {run, {"r", "--png", "1s:"}, "--png takes T:FILE, for example 1.5s:shot.png"},
        {run, {"r", "--input", "/no/such/input.txt"}, "cannot read /no/such/input.txt"},
        {run,
         {"r", "--background", "b.bmp", "--background-colour", "00FF00"},
         "--background and --background-colour exclude each other"},
        {run, {"r", "--screen", "240x320x8", "--blend", "50%"}, "an 8-bit screen starts at --blend 100%"},
        {sheet, {"r", "--screen", "240x320x8", "--blend", "HALF"}, ""},
        {sheet, {"r", "--screen", "240x320x8", "--blend", "50%"}, "an 8-bit screen shows only --blend 100% or half"},
        {sheet, {"r", "--blend", "60%"}, "--blend takes 100%, 75%, 50%, 25% or half"},
        {sheet, {"r", "--at", "07:00"}, "--at takes \"YYYY-MM-DD hh:mm:ss\""},
        {schedule, {"r", "--week-of", "2024-13-01"}, "--week-of takes YYYY-MM-DD"},
        {picture, {"p.png", "--cut", "0"}, "--cut takes an alpha value from 1 to 255"},
        {picture, {"p.png", "--key", "GG0000"}, "--key takes RRGGBB"},
    };
    for (const auto &row : rows) EXPECT_EQ(row.verdict, row.parse(row.args)) << testing::PrintToString(row.args);
}

// What the options store, one command line a command.
TEST(ToolOptions, ValuesReachTheCommand) {
    std::string error;
    DumpOptions dumped;
    ParseDumpArguments({"r", "--codepage", "65001", "--select", "3", "--screen", "100x50", "--pixels"}, &dumped,
                       &error);
    EXPECT_EQ(std::tuple("r", 65001u, 3, 100, 50, true),
              std::tuple(dumped.root, dumped.codePage, dumped.select, dumped.width, dumped.height, dumped.pixels));
    LintCommand linted;
    ParseLintArguments({"--screen", "64x48", "p", "--codepage", "1252", "--json"}, &linted, &error);
    EXPECT_EQ(std::tuple("p", true, 1252u, 64, 48, true),
              std::tuple(linted.path, linted.codePageGiven, linted.codePage, linted.width, linted.height, linted.json));
    RunOptions ran;
    ParseRunArguments({"r", "--screen", "320x240x24", "--seed", "7", "--png", "2s:a.png", "--blend", "25%"}, &ran,
                      &error);
    EXPECT_EQ(std::tuple(320, 240, 24, 7u, (size_t)1, 3),
              std::tuple(ran.width, ran.height, ran.depth, ran.seed, ran.pngs.size(), ran.blend));
    PictureCommand pictured;
    ParsePictureArguments({"dir/p.png", "--cut", "128"}, &pictured, &error);
    EXPECT_EQ(std::tuple(128, std::string("dir/p.bmp")), std::tuple(pictured.cut, pictured.bmpFile));
}

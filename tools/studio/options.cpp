// The values the tools' options share, and the lint's command line.
#include "options.h"

#include <cctype>
#include <sstream>

int ParseDigits(const std::string &text, int64_t *value) {
    if (text.empty() || text.size() > 18) return 0;
    int64_t v = 0;
    for (char c : text) {
        if (!std::isdigit((unsigned char)c)) return 0;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return 1;
}

int ParseScreen(const std::string &text, int *width, int *height, int *depth) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, 'x')) parts.push_back(part);
    if (parts.size() != 2 && !(depth && parts.size() == 3)) return 0;
    int64_t w, h, d = 16;
    if (!ParseDigits(parts[0], &w) || !ParseDigits(parts[1], &h)) return 0;
    if (parts.size() == 3 && !ParseDigits(parts[2], &d)) return 0;
    if (w < 1 || h < 1 || w > 4096 || h > 4096) return 0;
    if (d != 8 && d != 16 && d != 24 && d != 32) return 0;
    *width = (int)w;
    *height = (int)h;
    if (depth) *depth = (int)d;
    return 1;
}

int ParseCodePage(const std::string &text, unsigned *codePage) {
    for (unsigned page : {932u, 1252u, 65001u})
        if (text == std::to_string(page)) {
            *codePage = page;
            return 1;
        }
    return 0;
}

namespace {

//  name          takes                      stored in
const OptionRule<LintCommand> lintOptions[] = {
    {"--json", nullptr, TakeFlag<LintCommand, &LintCommand::json>},
    {"--screen", "WxH", TakeScreen<LintCommand>},
    {"--codepage", "932, 1252 or 65001",
     [](LintCommand *c, const std::string &v, std::string *) -> int {
         return c->codePageGiven = ParseCodePage(v, &c->codePage);
     }},
};

}  // namespace

int ParseLintArguments(const std::vector<std::string> &args, LintCommand *options,
                       std::string *error) {
    return ParseCommandLine(args, lintOptions, "lint needs PATH", options, &options->path, error);
}

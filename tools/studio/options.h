// Command lines of the tools, read from a table of options by one parser, so
// every command words its mistakes the same way. A command is its operand (a
// skin folder or a file) and options that start with "--"; an option either
// stands alone (a flag) or takes the next argument as its value.
#pragma once

#include "platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One option of a command: its name, what its value must look like (for the
// message; nullptr for a flag) and how it is stored. apply returns 0 for a
// value the option does not take, leaving *error empty unless it has a more
// exact message of its own.
template <typename Command>
struct OptionRule {
    const char *name;
    const char *takes;
    int (*apply)(Command *command, const std::string &value, std::string *error);
};

// Shorthands for the apply functions' parameters.
typedef const std::string &OptionValue;
typedef std::string *OptionError;

// Reads args by the table into command, and the one argument that is no
// option into *operand. Returns 1, or 0 with one of these in *error:
//   "--x needs a value"          a value-taking option ends the line
//   "--x takes WHAT"             apply refused the value (or apply's message)
//   "unexpected argument: ARG"   an option not in the table, or a second operand
//   missing                      no operand (such as "dump needs ROOT")
template <typename Command, size_t N>
int ParseCommandLine(const std::vector<std::string> &args, const OptionRule<Command> (&rules)[N],
                     const char *missing, Command *command, std::string *operand,
                     std::string *error) {
    bool haveOperand = false;
    error->clear();  // an empty error is what success is read from
    for (size_t i = 0; i < args.size() && error->empty(); i++) {
        const OptionRule<Command> *rule = nullptr;
        for (const OptionRule<Command> &candidate : rules)
            if (args[i] == candidate.name) rule = &candidate;
        if (rule == nullptr && (haveOperand || args[i].rfind("--", 0) == 0)) {
            *error = "unexpected argument: " + args[i];
        } else if (rule == nullptr) {
            *operand = args[i];
            haveOperand = true;
        } else if (rule->takes == nullptr) {
            rule->apply(command, args[i], error);
        } else if (i + 1 == args.size()) {
            *error = std::string(rule->name) + " needs a value";
        } else if (!rule->apply(command, args[++i], error) && error->empty()) {
            *error = std::string(rule->name) + " takes " + rule->takes;
        }
    }
    if (error->empty() && !haveOperand) *error = missing;
    return error->empty();
}

// ---- values more than one command takes ------------------------------------

// A whole decimal number of at most 18 digits, no sign.
int ParseDigits(const std::string &text, int64_t *value);
// "WxH" or, when depth is given, also "WxHxD" (D 8, 16, 24 or 32; 16 when
// left out). Sides from 1 to 4096.
int ParseScreen(const std::string &text, int *width, int *height, int *depth = nullptr);
// The code pages a skin script is read in: 932, 1252 or 65001 (UTF-8).
int ParseCodePage(const std::string &text, unsigned *codePage);

// The usual ways an option stores its value, for the tables' last column.
template <typename Command, bool Command::*field>
int TakeFlag(Command *command, OptionValue, OptionError) {
    command->*field = true;
    return 1;
}
template <typename Command, std::string Command::*field>
int TakeText(Command *command, OptionValue value, OptionError) {
    command->*field = value;
    return 1;
}
template <typename Command>
int TakeScreen(Command *command, OptionValue value, OptionError) {
    return ParseScreen(value, &command->width, &command->height);
}
template <typename Command>
int TakeScreenAndDepth(Command *command, OptionValue value, OptionError) {
    return ParseScreen(value, &command->width, &command->height, &command->depth);
}

// ---- lint -------------------------------------------------------------------

// The lint's command line, the same for `pondlet-tool lint` and pondlet-lint.
struct LintCommand {
    std::string path;  // a skin folder, or a folder of skin folders
    bool json = false;
    bool codePageGiven = false;
    unsigned codePage = 932;
    int width = 240, height = 320;
};

int ParseLintArguments(const std::vector<std::string> &args, LintCommand *options,
                       std::string *error);

#include "tool.h"
int ParseRunArguments(const std::vector<std::string> &, RunOptions *, std::string *error) { *error = "not yet"; return 0; }
int RunProgram(const RunOptions &, std::ostream &) { return 1; }

// The layers' include order, checked over the include lines themselves. The program is built
// bottom-up: platform, core, graphics, skin, engine, shell. A file may include headers of its own
// layer and the layers below, and of no other folder: platform.h is the program's only way to the
// platform, and the simulated device's own headers serve tests and tools alone. Angle-bracket
// includes in the program are the C and C++ standard headers only. Tests, tools and the skin
// generator stand above the program, but what the Windows build compiles too (portable tests,
// the lint for Windows and its studio) must not reach the device.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

static const std::vector<std::string> kLayers = {"platform", "core", "graphics", "skin", "engine", "shell"};

// The layer's rank, or -1 for a folder outside the program.
static int LayerRank(const std::string &folder) {
    auto found = std::find(kLayers.begin(), kLayers.end(), folder);
    return found == kLayers.end() ? -1 : (int)(found - kLayers.begin());
}

static std::string FirstFolder(const std::string &path) { return path.substr(0, path.find('/')); }

// Code outside the program that the Windows build compiles too: the
// portable tests and the lint for Windows with the studio it runs on.
static bool BuiltForWindows(const std::string &path) {
    for (const char *folder : {"tests/portable/", "tools/studio/", "tools/pondlet-lint/"})
        if (path.rfind(folder, 0) == 0) return true;
    return false;
}

static bool IsStandardHeader(const std::string &name) {
    static const std::set<std::string> kCHeaders = {"assert.h", "ctype.h",  "errno.h",  "limits.h",
                                                    "math.h",   "stdarg.h", "stddef.h", "stdint.h",
                                                    "stdio.h",  "stdlib.h", "string.h", "wchar.h"};
    return name.find('.') == std::string::npos ? name.find('/') == std::string::npos : kCHeaders.count(name) > 0;
}

// Why the include of name (quoted or not) in the file at path, relative to
// the top of the tree, breaks the order; empty when it does not.
static std::string IncludeViolation(const std::string &path, const std::string &name, bool quoted) {
    const std::string folder = FirstFolder(path);
    const int rank = LayerRank(folder);
    const bool inProgram = rank > 0;
    if (folder == "platform") {
        bool windowsSide = path.rfind("platform/win32/", 0) == 0;
        if (windowsSide && quoted && name != "platform.h" && name.rfind("common/", 0) != 0)
            return "the Windows platform layer includes \"" + name + "\"";
        return "";
    }
    if (!quoted) {
        if (inProgram && !IsStandardHeader(name)) return "program code includes <" + name + ">";
        return "";
    }
    if (name == "platform.h" || name == "resource.h") return "";
    if (BuiltForWindows(path) && name == "device.h") return path + " is built for Windows too: no simulated device";
    if (!inProgram) return "";
    const int target = LayerRank(FirstFolder(name));
    if (name.find('/') == std::string::npos || target <= 0) return "\"" + name + "\" is not a header of a layer";
    if (target > rank) return folder + " includes the higher layer " + FirstFolder(name);
    return "";
}

// Every break of the order in the tree, a "file:line: why" line each.
static std::string TreeViolations(const fs::path &root) {
    static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::string found;
    for (const char *top : {"platform", "core", "graphics", "skin", "engine", "shell", "tests", "tools"}) {
        for (const fs::directory_entry &entry : fs::recursive_directory_iterator(root / top)) {
            std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
            std::string path = fs::relative(entry.path(), root).generic_string();
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); number++) {
                std::smatch match;
                if (!std::regex_search(line, match, kInclude)) continue;
                std::string why = IncludeViolation(path, match[2], match[1] == "\"");
                if (!why.empty()) found += path + ":" + std::to_string(number) + ": " + why + "\n";
            }
        }
    }
    return found;
}

// Includes the order refuses; those it allows are all in the tree, which the next test reads.
TEST(Layering, RefusesIncludesAgainstTheOrder) {
    const std::tuple<const char *, const char *, bool> rows[] = {
        {"graphics/bmp.cpp", "shell/instance.h", true},
        {"graphics/bmp.cpp", "skin/script.h", true},
        {"skin/script.cpp", "engine/tick.h", true},
        {"core/process.cpp", "graphics/pixels.h", true},
        {"skin/script.cpp", "readers.h", true},
        {"shell/panel.cpp", "device.h", true},
        {"shell/panel.cpp", "tools/pondlet-tool/tool.h", true},
        {"shell/panel.cpp", "windows.h", false},
        {"graphics/surfaces.cpp", "ft2build.h", false},
        {"platform/win32/random.cpp", "device/internal.h", true},
        {"tests/portable/skin_script_test.cpp", "device.h", true},
        {"tools/studio/lint.cpp", "device.h", true},
        {"tools/pondlet-lint/main.cpp", "device.h", true},
    };
    for (auto [path, name, quoted] : rows)
        EXPECT_NE("", IncludeViolation(path, name, quoted)) << path << " includes " << name;
}

TEST(Layering, NoIncludeInTheTreeRunsAgainstTheOrder) { EXPECT_EQ("", TreeViolations(PONDLET_SOURCE_DIR)); }

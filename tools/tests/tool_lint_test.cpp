// pondlet-tool lint: what it finds in broken skins, and how it prints it.
#include "tool.h"

#include "lint.h"
#include "support/bmp_writer.h"
#include "support/golden_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <tuple>

namespace {

namespace fs = std::filesystem;

// The rows end lines with LF; a script ends them CR LF.
std::string Crlf(const std::string &lines) { return std::regex_replace(lines, std::regex("\n"), "\r\n"); }

// A sound skin, then the row's own lines from line 4 on.
std::string Base(const std::string &lines) { return Crlf("D20,20,0,0\nG0,a.bmp,0,0,0\n#0 100 0\n" + lines); }

// Two colours in 8 bits, 4 x 4 unless told otherwise.
BmpSpec Paletted(BmpSpec spec = {.width = 4, .height = 4}) {
    spec.bitsPerPixel = 8;
    spec.palette = {0x000000, 0xFFFFFF};
    return spec;
}

// A skin folder: the script and a.bmp beside it.
void WriteSkin(const fs::path &script, const std::string &text, const BmpSpec &a = Paletted()) {
    WriteBmpFile(script.parent_path() / "a.bmp", a);
    WriteTestFile(script, text);
}

// What the lint finds below path, which holds that many skins.
std::vector<LintDiagnostic> Findings(const fs::path &path, int skins = 1) {
    std::vector<LintDiagnostic> found;
    EXPECT_EQ(skins, CollectLint(LintCommand{.path = path.string()}, &found)) << path;
    return found;
}

// Pictures beside a.bmp in every row's skin, for the rows that name them.
const std::pair<const char *, BmpSpec> kPictures[] = {
    {"rle.bmp", Paletted({.width = 4, .height = 4, .biCompression = 1})},
    {"deep.bmp", {.width = 4, .height = 4, .bitsPerPixel = 16}},
    {"true.bmp", {.width = 4, .height = 4}},
    {"small.bmp", Paletted({.width = 2, .height = 4})},
    {"cut.bmp", Paletted({.width = 4, .height = 4, .truncateTo = 70})},
    {"big.bmp", Paletted({.width = 5000})},
    {"wide.bmp", {.width = 4, .height = 4, .bitsPerPixel = 32}},
};

// The findings as the rows write them, in the lint's order: "LINES severity
// check", then the picture's name when it is about a picture; the lines of
// one finding joined by commas.
std::string Lint(const TestFolder &root, const std::string &script) {
    WriteSkin(root.path / "skin" / "skin.txt", script);
    for (const auto &[name, picture] : kPictures) WriteBmpFile(root.path / "skin" / name, picture);
    std::vector<std::pair<std::string, std::string>> found;  // "severity check [picture]", its lines
    for (const LintDiagnostic &d : Findings(root.path / "skin")) {
        std::string path = Utf8FromWide(d.file), file = path.substr(path.find_last_of('\\') + 1);
        std::string key = SeverityName(d.severity) + (" " + d.check) + (file == "skin.txt" ? "" : " " + file);
        auto same = std::find_if(found.begin(), found.end(), [&](const auto &f) { return f.first == key; });
        if (same == found.end()) same = found.insert(same, {key, ""});
        same->second += (same->second.empty() ? "" : ",") + std::to_string(d.line);
    }
    std::string text;
    for (const auto &[key, lines] : found) text += (text.empty() ? "" : ", ") + lines + " " + key;
    return text;
}

const std::tuple<const char *, std::string, const char *> kRows[] = {
    // name, script, expected findings
    {"lf-only", "D20,20,0,0\nG0,a.bmp,0,0\n#0 100 0\n", "1 error line-ends, 1 error area, 1 error no-sequence-0"},
    {"mixed-ends", Base("; note") + "\nG1,a.bmp,0,0\r\n", "4 error line-ends"},
    {"last-line", Base("$0 * * * * * *"), "4 error last-line"},
    {"lone-cr", Base("; x\rG1,a.bmp,0,0\n"), "4 error lone-cr"},
    {"long-line", Base(";" + std::string(1000, 'x') + "\n"), "4 error long-line"},
    {"code-page", Base("; \x82\n"), "4 warning code-page"},
    {"comments", Base(" G1,a.bmp,0,0\nx1,a.bmp\n; fine\n"), "4,5 warning comment-command"},
    {"missing-number", Base("S0,12,0,0,0,,0,Hi\n#0 100:x 0\n"), "4,5 warning missing-number"},
    {"index-range", Base("G5000,a.bmp,0,0\nS,12\n#\n"), "4,5,6 error index-range"},
    {"file-comma", Base("G1 a.bmp\nM0\n"), "4,5 error file-comma"},
    {"rule-items", Base("$0 9 * * * * *\n$0 * * * 20-30 * *\n$0 * * * 5-1 * *\n"),
     "4,5,6 warning rule-item-range, 4,6 warning rule-never-matches"},
    {"layers-cut", Base("#0 100 0 0 0 0 0 0 0 0 0 0\n"), "4 error layers-cut"},
    {"choices-cut", Base("S0,1,0,0,0,0,0,\n#0 100 s0:0:0:0:0:0:0:0:0:0:0\n"), "5 error choices-cut"},
    {"cuts",
     Base("F " + std::string(20, 'f') + ",\nS0,1,0,0,0,0,0," + std::string(130, 'i') + "\nG1," + std::string(70, 'n') +
          ",0,0\n"),
     "4 warning face-cut, 5 warning text-cut, 6 error file-name-cut, 6 error picture-missing"},
    {"pictures",
     Base("G1,missing.bmp,0,0\nG2,rle.bmp,0,0\nG3,deep.bmp,0,0\nG4,true.bmp,0,0,1\nM0,small.bmp,0,0\nG5,cut.bmp,0,"
          "0\nG6,big.bmp,0,0\nM1,wide.bmp,0,0\n#0 100 1 2 3 4:0\n"),
     "10 error picture-refused big.bmp, 9 error picture-refused cut.bmp, 6 error picture-depth deep.bmp, 5 error "
     "picture-refused rle.bmp, 4 error picture-missing, 4,5,6 note picture-not-loaded, 12 warning mask-size, 7 warning "
     "key-no-palette true.bmp, 11 error picture-depth wide.bmp, 11 warning picture-unused wide.bmp"},
    {"unused-picture", Base("G1,a.bmp,0,0\nM0,a.bmp,0,0\n"), "4,5 warning picture-unused a.bmp"},
    {"refs", Base("#0 100 0:3 s9 7\n"), "4 error undefined-mask, 4 error undefined-text, 4 error undefined-picture"},
    {"rule-sequences", Base("$5 * * * * * *\n$\n#2 N\n$2 * * * * * *\n#3 100 0\n"),
     "4,5,7 error rule-sequence, 5 warning rule-never-matches, 8 warning sequence-unused"},
    {"dates", Base("$0 * 4,6,9,11 31 * * *\n$0 * 2 30 * * *\n$0 * 2 29 * * *\n"), "4,5 warning rule-never-matches"},
    {"shadowed", Base("#1 100 0\n$1 * * * 8 * *\n$0 1-5 * * 6-9 * *\n$0 0,6 * * 7-12 * *\n"),
     "4 warning sequence-unused, 5 warning rule-shadowed"},
    {"partly-covered", Base("#1 100 0\n$1 * * * 8 * *\n$0 1-5 * * 6-9 * *\n$0 0 * * 7-12 * *\n"), ""},
    {"seconds-cover", Base("#1 100 0\n$1 * * * * * 0-29\n$0 * * * * * 0-28\n"), ""},
    {"event-covered", Base("#1 N\n#1 100 0\n$1 * * * * 0 0\n$0 * * * * * *\n"), "6 warning event-never-interrupts"},
    {"event-interrupts", Base("#1 N\n#1 100 0\n$1 * * * * 0 0\n$0 * * * 9-17 * *\n"), ""},
    {"event-covered-by-events",
     Base("#1 N\n#1 100 0\n$1 * * * * 0 0-1\n$1 * * * * 0 0\n$1 * * * 9-17 0 1\n$0 * * * 0-8,18-23 * *\n"),
     "6 warning event-never-interrupts"},
    {"event-partly-covered-by-event", Base("#1 N\n#1 100 0\n$1 * * * * 0 0-1\n$1 * * * * 0 0\n"), ""},
    {"events-do-not-cover-regular", Base("#1 N\n#1 100 0\n$0 * * * * 0 0\n$1 * * * * * *\n"), ""},
    {"events-cover-nothing", Base("#1 100 0\n#2 N\n#2 100 0\n$1 * * * 8 * *\n$2 * * * * * *\n"), ""},
    {"event-unused", Base("#1 N\n#1 100 0\n"), "4 warning event-unused"},
    {"frames", Crlf("D300,20,0,0\nG0,a.bmp,0,0,0\nG1,a.bmp,400,0,0\nS0,12,0,0,0,290,0,Hello world\n#0 100 0 1 s0\n"),
     "1 warning area-screen, 4 warning text-overflow, 5 warning layer-outside"},
    {"frame-time-reversed", Base("#0 500:100 0\n#0 100:500 0\n"), "4 warning frame-time-reversed"},
    {"event-not-marked", Base("#1 100 0\n$1 * * * * 0 0\n$1 * * * 12 * *\n"), "5 warning event-not-marked"},
    {"time-text", Base("S0,1,0,0,0,0,0,%H:%S\nS1,1,0,0,0,0,0,%h:%M\nS2,1,0,0,0,0,0,%Y-%M-%D %h:%m:%s 100%%\n"),
     "4,5 warning time-text"},
    {"hash-words", Base("# pictures\n# 1 frames: waving\n$1 * * * 8 * *\n"), "4,5 warning hash-words"},
    {"utf8-mark", "\xEF\xBB\xBF; skin\r\n" + Base(""), "1 error encoding"},
    {"utf8-letters", Base("; caf\xC3\xA9\n; \xC3\xA9\n"), "4 warning encoding"},
    {"utf16", std::string("\xFF\xFE;\0\r\0\n\0D\0", 10) + Base(""), "1 error encoding"},
    // no transparent colour: a full rectangle unless a mask cuts it (picture 1)
    {"picture-uncut", Base("G1,a.bmp,0,0\nG2,true.bmp,0,0\nM0,a.bmp,0,0\n#0 100 1:0 2\n"), "5 note picture-uncut"},
};

}  // namespace

TEST(ToolLint, BrokenSkinsGiveTheirDiagnostics) {
    for (const auto &[name, script, expected] : kRows) {
        TestFolder root("toollint");
        EXPECT_EQ(expected, Lint(root, script)) << name;
    }
}

// What the message of a finding must say: the fix in the author's words, or
// the loader's reason when a.bmp is refused.
TEST(ToolLint, MessagesSayWhatToDo) {
    const struct {
        std::string lines;
        const char *check, *says;
        BmpSpec a = Paletted();
    } rows[] = {
        {"G1,A.bnp,0,0\n", "picture-missing", "did you mean a.bmp?"},
        {"#0 500:100 0\n", "frame-time-reversed", "write 100:500"},
        {"#1 100 0\n$1 * * * * 0 0\n", "event-not-marked", "add the line #1 N"},
        {"S0,1,0,0,0,0,0,%h:%M\n", "time-text", "%M is the month: the minute is %m"},
        // how the reader split the line, where it differs from what was meant
        {"G1,a.bmp,-1,4,2\n", "missing-number", "the reader read x=-1 y=1 key=4: it takes no minus sign"},
        {"S0,12\n", "missing-number",
         "no number for the red, green, blue, x and y: read as none (-1); the reader read height=12 red=0 green=0 "
         "blue=0 x=-1 y=-1"},
        {"#0 100:\n", "missing-number", "the reader read time=100:-1 layers=none"},
        {"G1," + std::string(70, 'n') + ".bmp,0,0\n", "file-name-cut", "longer than 63 characters"},
        // the field that allows nothing, in the order the fields are read
        {"$0 * 13 * * * *\n", "rule-never-matches", "it allows no month"},
        {"$0 * * 32 * * *\n", "rule-never-matches", "it allows no day"},
        {"$0 * 4,6 31 * * *\n", "rule-never-matches", "no month it allows has a day it allows"},
        {"$0 * * 31 24 * *\n", "rule-never-matches", "it allows no hour"},
        {"$0 * * * * 60 *\n", "rule-never-matches", "it allows no minute"},
        {"$0 * * * * * 60\n", "rule-never-matches", "it allows no second"},
        {"#1 100 0\n$1 *\t* 3 * * *\n", "rule-never-matches",
         "the reader read sequence=1 weekday=* month=3 day=* hour=* minute=* second=none (separate"},
        {"G1,a.bmp,0,0\n#0 100 1\n#0 100 1\n", "picture-uncut",
         "the frames at lines 5, 6 draw it with no mask, as a full rectangle: end this line with the "
         "palette index of its background"},
        {"", "picture-refused", "compressed (run-length)", Paletted({.width = 4, .height = 4, .biCompression = 1})},
        {"", "picture-refused", "truncated", Paletted({.width = 4, .height = 4, .truncateTo = 70})},
        {"", "picture-refused", "too large", Paletted({.width = 5000})},
        {"", "picture-refused", "header is damaged", Paletted({.width = 4, .height = 4, .infoHeaderBytes = 64})},
        {"", "picture-refused", "not a BMP", Paletted({.width = 4, .height = 4, .bfType = 0x4D41})},
        {"", "picture-refused",
         "bit fields, as editors save a picture with transparency, which the loader does not read; make it with "
         "pondlet-tool picture in.png, or as a 24-bit BMP",
         BmpSpec{.width = 4, .height = 4, .bitsPerPixel = 32, .biCompression = 3, .infoHeaderBytes = 124}},
        {"", "picture-refused", "stored top-down", Paletted({.width = 4, .height = -4})},
        {"", "picture-refused", "empty picture", Paletted({.width = 0, .height = 4})},
    };
    for (const auto &row : rows) {
        TestFolder root("toollint");
        WriteSkin(root.path / "skin" / "skin.txt", Base(row.lines), row.a);
        std::string message;
        for (const LintDiagnostic &d : Findings(root.path))
            if (d.check == row.check) message = d.message;
        EXPECT_NE(std::string::npos, message.find(row.says)) << row.check << ": got " << message;
    }
}

TEST(ToolLint, BundledSkinIsClean) {
    for (const LintDiagnostic &d : Findings(BundledSkin().parent_path()))
        ADD_FAILURE() << FormatDiagnostic(d, Utf8FromWide(d.file));
}

// The status and what is printed, for a skin of the given lines.
TEST(ToolLint, OutputFormsAndExitStatus) {
    TestFolder root("toollint");
    auto lint = [&](const char *lines, bool json) {
        WriteSkin(root.path / "skin" / "skin.txt", Base(lines));
        std::ostringstream out;
        int status = RunLint(LintCommand{.path = root.path.string(), .json = json}, out, out);
        return std::to_string(status) + " " + out.str();
    };
    std::string script = (root.path / "skin" / "skin.txt").string();
    EXPECT_EQ("1 " + script + ":4: error: no comma after the file name: the reader skips the line [file-comma]\n" +
                  script + ":5: warning: an item outside the weekday field sets nothing [rule-item-range]\n" + script +
                  ":5: warning: the rule can never match: it allows no weekday [rule-never-matches]\n"
                  "1 error, 2 warnings\n",
              lint("G1 a.bmp\n$0 9 * * * * *\n", false));
    // Warnings alone exit 0.
    std::string line4 = "{\"file\": \"" + script + "\", \"line\": 4, \"severity\": \"warning\", \"check\": ";
    EXPECT_EQ("0 [\n " + line4 +
                  "\"rule-item-range\", \"message\": \"an item outside the weekday field sets nothing\"},\n " + line4 +
                  "\"rule-never-matches\", \"message\": \"the rule can never match: it allows no weekday\"}\n]\n",
              lint("$0 9 * * * * *\n", true));
}

// Where the lint looks for skins: every folder below a root, in order.
TEST(ToolLint, FoldersAndScriptNames) {
    const struct {
        const char *scripts;  // below the root, by spaces, each with a.bmp beside it
        int flags;            // of each script's folder
        const char *path;     // linted, below the root
        int skins;
        const char *expected;
    } rows[] = {
        {"b/skin.txt a/skin.txt n/x.txt", kTestFolderPlain, "", 2, "a/skin.txt file-comma, b/skin.txt file-comma"},
        {"skin/skin.txt.txt", kTestFolderPlain, "", 1, "skin/skin.txt.txt script-name"},
        {"skin/skin.txt", kTestFolderPlain, "skin", 1, "skin/skin.txt file-comma"},
        {"skin/skin.txt", kTestFolderReadOnly, "skin", 1, "skin/skin.txt skin-folder, skin/skin.txt file-comma"},
        {".skin/skin.txt", kTestFolderHidden, ".skin", 1, ".skin/skin.txt skin-folder, .skin/skin.txt file-comma"},
    };
    for (const auto &row : rows) {
        TestFolder root("toollint");
        std::istringstream scripts(row.scripts);
        for (std::string script; scripts >> script;) {
            fs::path file = root.path / script;
            WriteSkin(file, Base("G1 a.bmp\n"));
            if (row.flags && !MakeTestFolder(file.parent_path(), row.flags)) GTEST_SKIP() << "no folder flags here";
        }
        std::string seen;
        for (const LintDiagnostic &d : Findings(root.path / row.path, row.skins)) {
            std::string file = Utf8FromWide(d.file);
            size_t cut = file.find_last_of('\\', file.find_last_of('\\') - 1);
            seen += (seen.empty() ? "" : ", ") + file.substr(cut + 1) + " " + d.check;
        }
        std::replace(seen.begin(), seen.end(), '\\', '/');
        EXPECT_EQ(row.expected, seen) << row.path;
    }
}

TEST(ToolLint, JsonEscapesWhatTheMessageHolds) {
    LintDiagnostic d{
        .file = {}, .line = 3, .severity = kLintWarning, .check = "c", .message = "a \"quoted\" back\\slash\tand tab"};
    EXPECT_EQ("{\"file\": \"C:\\\\s\\\\skin.txt\", \"line\": 3, \"severity\": \"warning\", \"check\": \"c\", "
              "\"message\": \"a \\\"quoted\\\" back\\\\slash\\u0009and tab\"}",
              DiagnosticJson(d, "C:\\s\\skin.txt"));
}

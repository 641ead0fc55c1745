// pondlet-tool lint: broken skins and what the lint must say about each,
// the bundled skin clean, and the command line.
#include "tool.h"

#include "lint.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// Lines 1 to 3 of most rows: a sound skin the row's own lines follow.
const char kBase[] = "D20,20,0,0\r\nG0,a.bmp,0,0,0\r\n#0 100 0\r\n";
std::string Base(const std::string &lines) { return kBase + lines; }

// Two colours in 8 bits, 4 x 4 unless told otherwise.
BmpSpec Paletted(BmpSpec spec = {.width = 4, .height = 4}) {
    spec.bitsPerPixel = 8;
    spec.palette = {0x000000, 0xFFFFFF};
    return spec;
}

struct Picture {
    const char *name;
    BmpSpec spec;
};

// A skin folder: its script (under the name given) and a.bmp.
void WriteSkin(const fs::path &folder, const std::string &script, const BmpSpec &a = Paletted(),
               const char *name = "skin.txt") {
    WriteBmpFile(folder / "a.bmp", a);
    WriteTestFile(folder / name, script);
}

// What the lint finds below path, which holds that many skins.
std::vector<LintDiagnostic> Findings(const fs::path &path, int skins = 1) {
    LintCommand options;
    options.path = path.string();
    std::vector<LintDiagnostic> found;
    EXPECT_EQ(skins, CollectLint(options, &found)) << path;
    return found;
}

// A diagnostic as the rows write it: "LINE severity check", prefixed by the
// picture's file name when it is about a picture.
std::vector<std::string> Lint(const TestFolder &root, const std::string &script, const std::vector<Picture> &pictures) {
    WriteSkin(root.path / "skin", script);
    for (const Picture &picture : pictures) WriteBmpFile(root.path / "skin" / picture.name, picture.spec);
    std::vector<std::string> seen;
    for (const LintDiagnostic &d : Findings(root.path / "skin")) {
        std::string path = Utf8FromWide(d.file);
        std::string file = path.substr(path.find_last_of('\\') + 1);
        std::string prefix = file == "skin.txt" ? "" : file + " ";
        seen.push_back(prefix + std::to_string(d.line) + " " + SeverityName(d.severity) + " " + d.check);
    }
    std::sort(seen.begin(), seen.end());
    return seen;
}

std::string Join(const std::vector<std::string> &items) {
    std::string text;
    for (const std::string &item : items) text += "\n  " + item;
    return text.empty() ? "  (nothing)" : text;
}

struct LintRow {
    const char *name;
    std::string script;
    std::vector<std::string> expected;
    std::vector<Picture> pictures = {};
};

const std::string kLong(1000, 'x');

const LintRow kRows[] = {
    // name, script, expected diagnostics[, pictures beside a.bmp]
    {"lf-only", "D20,20,0,0\nG0,a.bmp,0,0\n#0 100 0\n", {"1 error area", "1 error line-ends", "1 error no-sequence-0"}},
    {"mixed-ends", Base("; note\nG1,a.bmp,0,0\r\n"), {"4 error line-ends"}},
    {"last-line", Base("$0 * * * * * *"), {"4 error last-line"}},
    {"lone-cr", Base("; x\rG1,a.bmp,0,0\r\n"), {"4 error lone-cr"}},
    {"long-line", Base(";" + kLong + "\r\n"), {"4 error long-line"}},
    {"code-page", Base("; \x82\r\n"), {"4 warning code-page"}},
    {"comments",
     Base(" G1,a.bmp,0,0\r\nx1,a.bmp\r\n; fine\r\n"),
     {"4 warning comment-command", "5 warning comment-command"}},
    {"missing-number",
     Base("S0,12,0,0,0,,0,Hi\r\n#0 100:x 0\r\n"),
     {"4 warning missing-number", "5 warning missing-number"}},
    {"index-range",
     Base("G5000,a.bmp,0,0\r\nS,12\r\n#\r\n"),
     {"4 error index-range", "5 error index-range", "6 error index-range"}},
    {"file-comma", Base("G1 a.bmp\r\nM0\r\n"), {"4 error file-comma", "5 error file-comma"}},
    {"rule-items",
     Base("$0 9 * * * * *\r\n$0 * * * 20-30 * *\r\n$0 * * * 5-1 * *\r\n"),
     {"4 warning rule-item-range", "4 warning rule-never-matches", "5 warning rule-item-range",
      "6 warning rule-item-range", "6 warning rule-never-matches"}},
    {"layers-cut", Base("#0 100 0 0 0 0 0 0 0 0 0 0\r\n"), {"4 error layers-cut"}},
    {"choices-cut", Base("S0,1,0,0,0,0,0,\r\n#0 100 s0:0:0:0:0:0:0:0:0:0:0\r\n"), {"5 error choices-cut"}},
    {"cuts",
     Base("F " + std::string(20, 'f') + ",\r\nS0,1,0,0,0,0,0," + std::string(130, 'i') + "\r\nG1," +
          std::string(70, 'n') + ",0,0\r\n"),
     {"4 warning face-cut", "5 warning text-cut", "6 error file-name-cut", "6 error picture-missing"}},
    {"pictures",
     Base("G1,missing.bmp,0,0\r\nG2,rle.bmp,0,0\r\nG3,deep.bmp,0,0\r\nG4,true.bmp,0,0,1\r\n"
          "M0,small.bmp,0,0\r\nG5,cut.bmp,0,0\r\nG6,big.bmp,0,0\r\nM1,wide.bmp,0,0\r\n#0 100 1 2 3 4:0\r\n"),
     {"4 error picture-missing", "4 note picture-not-loaded", "5 note picture-not-loaded", "6 note picture-not-loaded",
      "12 warning mask-size", "big.bmp 10 error picture-refused", "cut.bmp 9 error picture-refused",
      "deep.bmp 6 error picture-depth", "rle.bmp 5 error picture-refused", "true.bmp 7 warning key-no-palette",
      "wide.bmp 11 error picture-depth", "wide.bmp 11 warning picture-unused"},
     {{"rle.bmp", Paletted({.width = 4, .height = 4, .biCompression = 1})},
      {"deep.bmp", {.width = 4, .height = 4, .bitsPerPixel = 16}},
      {"true.bmp", {.width = 4, .height = 4}},
      {"small.bmp", Paletted({.width = 2, .height = 4})},
      {"cut.bmp", Paletted({.width = 4, .height = 4, .truncateTo = 70})},
      {"big.bmp", Paletted({.width = 5000})},
      {"wide.bmp", {.width = 4, .height = 4, .bitsPerPixel = 32}}}},
    {"unused-picture",
     Base("G1,a.bmp,0,0\r\nM0,a.bmp,0,0\r\n"),
     {"a.bmp 4 warning picture-unused", "a.bmp 5 warning picture-unused"}},
    {"references",
     Base("#0 100 0:3 s9 7\r\n"),
     {"4 error undefined-mask", "4 error undefined-picture", "4 error undefined-text"}},
    {"rule-sequences",
     Base("$5 * * * * * *\r\n$\r\n#2 N\r\n$2 * * * * * *\r\n#3 100 0\r\n"),
     {"4 error rule-sequence", "5 error rule-sequence", "5 warning rule-never-matches", "7 error rule-sequence",
      "8 warning sequence-unused"}},
    {"no-sequence-0", "D20,20,0,0\r\nG0,a.bmp,0,0,0\r\n#1 100 0\r\n$1 * * * * * *\r\n", {"1 error no-sequence-0"}},
    {"impossible-dates",
     Base("$0 * 4,6,9,11 31 * * *\r\n$0 * 2 30 * * *\r\n$0 * 2 29 * * *\r\n"),
     {"4 warning rule-never-matches", "5 warning rule-never-matches"}},
    {"shadowed",
     Base("#1 100 0\r\n$1 * * * 8 * *\r\n$0 1-5 * * 6-9 * *\r\n$0 0,6 * * 7-12 * *\r\n"),
     {"4 warning sequence-unused", "5 warning rule-shadowed"}},
    {"partly-covered", Base("#1 100 0\r\n$1 * * * 8 * *\r\n$0 1-5 * * 6-9 * *\r\n$0 0 * * 7-12 * *\r\n"), {}},
    {"seconds-cover", Base("#1 100 0\r\n$1 * * * * * 0-29\r\n$0 * * * * * 0-28\r\n"), {}},
    {"event-covered",
     Base("#1 N\r\n#1 100 0\r\n$1 * * * * 0 0\r\n$0 * * * * * *\r\n"),
     {"6 warning event-never-interrupts"}},
    {"event-interrupts", Base("#1 N\r\n#1 100 0\r\n$1 * * * * 0 0\r\n$0 * * * 9-17 * *\r\n"), {}},
    {"event-covered-by-events",
     Base("#1 N\r\n#1 100 0\r\n$1 * * * * 0 0-1\r\n$1 * * * * 0 0\r\n$1 * * * 9-17 0 1\r\n"
          "$0 * * * 0-8,18-23 * *\r\n"),
     {"6 warning event-never-interrupts"}},
    {"event-partly-covered-by-event", Base("#1 N\r\n#1 100 0\r\n$1 * * * * 0 0-1\r\n$1 * * * * 0 0\r\n"), {}},
    {"events-do-not-cover-regular", Base("#1 N\r\n#1 100 0\r\n$0 * * * * 0 0\r\n$1 * * * * * *\r\n"), {}},
    {"events-cover-nothing", Base("#1 100 0\r\n#2 N\r\n#2 100 0\r\n$1 * * * 8 * *\r\n$2 * * * * * *\r\n"), {}},
    {"event-unused", Base("#1 N\r\n#1 100 0\r\n"), {"4 warning event-unused"}},
    {"frames",
     "D300,20,0,0\r\nG0,a.bmp,0,0,0\r\nG1,a.bmp,400,0,0\r\nS0,12,0,0,0,290,0,Hello world\r\n#0 100 0 1 s0\r\n",
     {"1 warning area-screen", "4 warning text-overflow", "5 warning layer-outside"}},
    {"frame-time-reversed", Base("#0 500:100 0\r\n#0 100:500 0\r\n"), {"4 warning frame-time-reversed"}},
    {"event-not-marked", Base("#1 100 0\r\n$1 * * * * 0 0\r\n$1 * * * 12 * *\r\n"), {"5 warning event-not-marked"}},
    {"time-text",
     Base("S0,1,0,0,0,0,0,%H:%S\r\nS1,1,0,0,0,0,0,%h:%M\r\nS2,1,0,0,0,0,0,%Y-%M-%D %h:%m:%s 100%%\r\n"),
     {"4 warning time-text", "5 warning time-text"}},
    {"hash-words",
     Base("# pictures\r\n# 1 frames: waving\r\n$1 * * * 8 * *\r\n"),
     {"4 warning hash-words", "5 warning hash-words"}},
    {"utf8-mark", "\xEF\xBB\xBF; skin\r\n" + std::string(kBase), {"1 error encoding"}},
    {"utf8-letters", Base("; caf\xC3\xA9\r\n; \xC3\xA9\r\n"), {"4 warning encoding"}},
    {"utf16", std::string("\xFF\xFE;\0\r\0\n\0D\0", 10) + std::string(kBase), {"1 error encoding"}},
    {"no-area", "G0,a.bmp,0,0,0\r\n#0 100 0\r\n", {"1 error area"}},
    // no transparent colour: a full rectangle unless a mask cuts it (picture 1)
    {"picture-uncut",
     Base("G1,a.bmp,0,0\r\nG2,w.bmp,0,0\r\nM0,a.bmp,0,0\r\n#0 100 1:0 2\r\n"),
     {"5 note picture-uncut"},
     {{"w.bmp", {.width = 4, .height = 4}}}},
};

}  // namespace

TEST(ToolLint, BrokenSkinsGiveTheirDiagnostics) {
    for (const LintRow &row : kRows) {
        TestFolder root("toollint");
        std::vector<std::string> expected = row.expected;
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> seen = Lint(root, row.script, row.pictures);
        EXPECT_EQ(expected, seen) << row.name << ": expected" << Join(expected) << "\ngot" << Join(seen);
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
        {"G1,A.bnp,0,0\r\n", "picture-missing", "did you mean a.bmp?"},
        {"#0 500:100 0\r\n", "frame-time-reversed", "write 100:500"},
        {"#1 100 0\r\n$1 * * * * 0 0\r\n", "event-not-marked", "add the line #1 N"},
        {"S0,1,0,0,0,0,0,%h:%M\r\n", "time-text", "%M is the month: the minute is %m"},
        // how the reader split the line, where it differs from what was meant
        {"G1,a.bmp,-1,4,2\r\n", "missing-number", "the reader read x=-1 y=1 key=4: it takes no minus sign"},
        {"S0,12\r\n", "missing-number",
         "no number for the red, green, blue, x and y: read as none (-1); the reader read height=12 red=0 green=0 "
         "blue=0 x=-1 y=-1"},
        {"#0 100:\r\n", "missing-number", "the reader read time=100:-1 layers=none"},
        // the field that allows nothing, in the order the fields are read
        {"$0 * 13 * * * *\r\n", "rule-never-matches", "it allows no month"},
        {"$0 * * 32 * * *\r\n", "rule-never-matches", "it allows no day"},
        {"$0 * 4,6 31 * * *\r\n", "rule-never-matches", "no month it allows has a day it allows"},
        {"$0 * * 31 24 * *\r\n", "rule-never-matches", "it allows no hour"},
        {"$0 * * * * 60 *\r\n", "rule-never-matches", "it allows no minute"},
        {"$0 * * * * * 60\r\n", "rule-never-matches", "it allows no second"},
        {"#1 100 0\r\n$1 *\t* 3 * * *\r\n", "rule-never-matches",
         "the reader read sequence=1 weekday=* month=3 day=* hour=* minute=* second=none (separate"},
        {"G1,a.bmp,0,0\r\n#0 100 1\r\n#0 100 1\r\n", "picture-uncut",
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
        WriteSkin(root.path / "skin", kBase + row.lines, row.a);
        std::string message;
        for (const LintDiagnostic &d : Findings(root.path))
            if (d.check == row.check) message = d.message;
        EXPECT_NE(std::string::npos, message.find(row.says)) << row.check << ": got " << message;
    }
}

TEST(ToolLint, BundledSkinIsClean) {
    std::vector<std::string> seen;
    for (const LintDiagnostic &d : Findings(fs::path(__FILE__).parent_path().parent_path().parent_path() / "skins"))
        seen.push_back(FormatDiagnostic(d, Utf8FromWide(d.file)));
    EXPECT_TRUE(seen.empty()) << "got" << Join(seen);
}

TEST(ToolLint, OutputFormsAndExitStatus) {
    TestFolder root("toollint");
    WriteSkin(root.path / "skin", Base("G1 a.bmp\r\n$0 9 * * * * *\r\n"));
    std::string script = (root.path / "skin" / "skin.txt").string();
    const struct {
        std::vector<std::string> args;
        int status;
        std::string expected;
    } rows[] = {
        {{},
         1,
         script + ":4: error: no comma after the file name: the reader skips the line [file-comma]\n" + script +
             ":5: warning: an item outside the weekday field sets nothing [rule-item-range]\n" + script +
             ":5: warning: the rule can never match: it allows no weekday [rule-never-matches]\n"
             "1 error, 2 warnings\n"},
        {{"--json"},
         1,
         "[\n {\"file\": \"" + script +
             "\", \"line\": 4, \"severity\": \"error\", \"check\": \"file-comma\", "
             "\"message\": \"no comma after the file name: the reader skips the line\"},\n {\"file\": \"" +
             script +
             "\", \"line\": 5, \"severity\": \"warning\", \"check\": \"rule-item-range\", \"message\": \"an item "
             "outside the weekday field sets nothing\"},\n {\"file\": \"" +
             script +
             "\", \"line\": 5, \"severity\": \"warning\", \"check\": \"rule-never-matches\", \"message\": \"the "
             "rule can never match: it allows no weekday\"}\n]\n"},
    };
    for (const auto &row : rows) {
        std::vector<std::string> args = row.args;
        args.insert(args.begin(), root.path.string());
        LintCommand options;
        std::string error;
        ASSERT_EQ(1, ParseLintArguments(args, &options, &error)) << error;
        std::ostringstream out, errors;
        EXPECT_EQ(row.status, RunLint(options, out, errors));
        EXPECT_EQ(row.expected, out.str());
    }
    WriteTestFile(root.path / "skin" / "skin.txt", Base("$0 9 * * * * *\r\n"));
    LintCommand options;
    options.path = root.path.string();
    std::ostringstream out;
    EXPECT_EQ(0, RunLint(options, out, out)) << "warnings alone exit 0";
}

// Where the lint looks for skins: every folder below a root, in order; a
// folder the player would not take as a skin, and a script name that hides
// its extension, are findings of their own.
TEST(ToolLint, FoldersAndScriptNames) {
    const struct {
        std::vector<std::string> scripts;  // below the root, each with a.bmp beside it
        int flags;                         // of the first script's folder
        const char *path;                  // linted, below the root
        int skins;
        const char *expected;
    } rows[] = {
        {{"b/skin.txt", "a/skin.txt", "n/read.txt"},
         kTestFolderPlain,
         "",
         2,
         "a/skin.txt file-comma, b/skin.txt file-comma"},
        {{"skin/skin.txt.txt"}, kTestFolderPlain, "", 1, "skin/skin.txt.txt script-name"},
        {{"skin/skin.txt"}, kTestFolderPlain, "skin", 1, "skin/skin.txt file-comma"},
        {{"skin/skin.txt"}, kTestFolderReadOnly, "skin", 1, "skin/skin.txt skin-folder, skin/skin.txt file-comma"},
        {{".skin/skin.txt"}, kTestFolderHidden, ".skin", 1, ".skin/skin.txt skin-folder, .skin/skin.txt file-comma"},
    };
    for (const auto &row : rows) {
        TestFolder root("toollint");
        for (const std::string &script : row.scripts) {
            fs::path file = root.path / script;
            WriteSkin(file.parent_path(), Base("G1 a.bmp\r\n"), Paletted(), file.filename().c_str());
        }
        fs::path first = (root.path / row.scripts[0]).parent_path();
        if (row.flags && !MakeTestFolder(first, row.flags)) GTEST_SKIP() << "folder flags not available";
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
    LintDiagnostic d;
    d.line = 3;
    d.severity = kLintWarning;
    d.check = "c";
    d.message = "a \"quoted\" back\\slash\tand tab";
    EXPECT_EQ("{\"file\": \"C:\\\\s\\\\skin.txt\", \"line\": 3, \"severity\": \"warning\", \"check\": \"c\", "
              "\"message\": \"a \\\"quoted\\\" back\\\\slash\\u0009and tab\"}",
              DiagnosticJson(d, "C:\\s\\skin.txt"));
}

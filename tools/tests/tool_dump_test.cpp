// pondlet-tool dump: the tables of a known script, the message log, the
// Select dialog answered by --select and --cancel, and the exit status.
#include "tool.h"

#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

using Json = nlohmann::ordered_json;

namespace {

const char workedExample[] =
    "T Sample cat\r\nD64,64,4,4\r\nF Tahoma,\r\nG0,body.bmp,0,0\r\nG1,eyes.bmp,20,16,0\r\n"
    "M0,bodym.bmp,0,0,0\r\nS0,12,255,255,255,8,44,%h:%m\r\n#0 300:600 0:0 1\r\n#0 300 0:0\r\n"
    "#1 N\r\n#1 2000 0:0 s0\r\n$1 * * * * 0 0\r\n";

std::pair<int, Json> Dump(const TestFolder &root, std::vector<std::string> args) {
    args.insert(args.begin(), root.path.string());
    DumpOptions options;
    std::string error;
    EXPECT_EQ(1, ParseDumpArguments(args, &options, &error)) << error;
    std::ostringstream out;
    int status = RunDump(options, out);
    return {status, Json::parse(out.str())};
}

// count flags, set from first up to last.
Json Flags(int count, int first, int last) {
    Json flags = Json::array();
    for (int i = 0; i < count; i++) flags.push_back(i >= first && i <= last ? 1 : 0);
    return flags;
}

// Ten layer slots: the given values, then fill.
Json Slots(std::vector<int> values, int fill) {
    values.resize(10, fill);
    return values;
}

} // namespace

// The skin reader's worked example, field by field as the dump prints it.
TEST(ToolDump, WorkedExamplePrintsTheTablesItDescribes) {
    TestFolder root("tooldump");
    BmpSpec picture;
    picture.width = picture.height = 2;
    picture.bitsPerPixel = 8;
    picture.palette = {0x000000, 0x0000F8, 0x00FC00, 0xF80000};
    picture.pixels = {0, 1, 2, 3};
    for (const char *name : {"body.bmp", "eyes.bmp", "bodym.bmp"})
        ASSERT_EQ(1, WriteBmpFile(root.path / "cat" / name, picture));
    ASSERT_EQ(1, WriteTestFile(root.path / "cat" / "skin.txt", workedExample));
    auto [status, document] = Dump(root, {"--pixels"});
    ASSERT_EQ(0, status);
    const struct { const char *pointer; Json expected; } rows[] = {
        {"/loaded", 1}, {"/messages", Json::array()}, {"/selectDialog", nullptr},
        {"/skin/areaWidth", 64}, {"/skin/areaHeight", 64}, {"/skin/marginRight", 4},
        {"/skin/marginBottom", 4}, {"/skin/areaX", 172}, {"/skin/areaY", 252},
        {"/skin/fontFace", "Tahoma"}, {"/skin/graphicMax", 1}, {"/skin/maskMax", 0}, {"/skin/textMax", 0},
        {"/skin/graphics/0/fileName", "body.bmp"},
        {"/skin/graphics/0/transparentKey", -1}, {"/skin/graphics/0/hasTransparentKey", 0},
        {"/skin/graphics/1/x", 20}, {"/skin/graphics/1/y", 16},
        {"/skin/graphics/1/transparentKey", 0}, {"/skin/graphics/1/hasTransparentKey", 1},
        {"/skin/graphics/1/loaded", true}, {"/skin/graphics/1/bitsPerPixel", 8},
        {"/skin/graphics/1/pixels", Json::array({Json::array({0, 0xF8}), Json::array({0xFC00, 0xF80000})})},
        {"/skin/masks/0/fileName", "bodym.bmp"}, {"/skin/masks/0/transparentKey", 0},
        {"/skin/texts/0", Json{{"text", "%h:%m"}, {"x", 8}, {"y", 44}, {"height", 12}, {"colour", 16777215}}},
        {"/skin/sequenceMax", 1}, {"/skin/frameCount", Json::array({2, 2})},
        {"/skin/regular", Json::array({1, 0})},
        {"/skin/sequences/0/0/layerGraphic", Slots({0, 1}, -1)},
        {"/skin/sequences/0/0/layerMask", Slots({0}, -1)},
        {"/skin/sequences/0/0/duration", 300}, {"/skin/sequences/0/0/durationMax", 600},
        {"/skin/sequences/0/1/layerGraphic", Slots({0}, -1)},
        {"/skin/sequences/0/1/layerMask", Slots({0}, -1)},
        {"/skin/sequences/0/1/durationMax", 300},
        {"/skin/sequences/0/2/layerGraphic", Slots({}, -1)},
        {"/skin/sequences/1/0/layerGraphic", Slots({0}, -1)},
        {"/skin/sequences/1/0/layerMask", Slots({0, 0}, -1)},       // the text layer's mask is 0
        {"/skin/sequences/1/0/layerTextLast", Slots({-1, 0}, -1)},
        {"/skin/sequences/1/0/layerText/1", Json::array({0})},
        {"/skin/sequences/1/0/duration", 2000},
        {"/skin/ruleCount", 1}, {"/skin/rules/0/sequence", 0}, {"/skin/rules/1/sequence", 1},
        {"/skin/rules/1/minute", Flags(60, 0, 0)}, {"/skin/rules/1/second", Flags(60, 0, 0)},
        {"/skin/rules/1/weekday", Flags(7, 0, 6)}, {"/skin/rules/1/month", Flags(13, 1, 12)},
        {"/skin/rules/1/day", Flags(32, 1, 31)}, {"/skin/rules/1/hour", Flags(24, 0, 23)},
    };
    for (const auto &row : rows) {
        Json::json_pointer pointer(row.pointer);
        ASSERT_TRUE(document.contains(pointer)) << row.pointer << " missing";
        EXPECT_EQ(row.expected, document[pointer]) << row.pointer << ": expected " << row.expected.dump()
                                                   << ", got " << document[pointer].dump();
    }
}

TEST(ToolDump, MissingPicturesAreListedAndTheLoadGoesOn) {
    TestFolder root("tooldump");
    ASSERT_EQ(1, WriteTestFile(root.path / "cat" / "skin.txt", workedExample));
    auto [status, document] = Dump(root, {});
    EXPECT_EQ(0, status);
    std::string folder = TestUtf8(TestDevicePath(root.path / "cat", true));
    Json expected = Json::array();
    for (const char *name : {"body.bmp", "eyes.bmp", "bodym.bmp"})
        expected.push_back(Json{{"text", "File Open error " + folder + name}, {"caption", "Error"}});
    EXPECT_EQ(expected, document["messages"]) << document["messages"].dump();
    EXPECT_EQ(false, document["/skin/graphics/0/loaded"_json_pointer]);
    EXPECT_EQ(folder, document["exeFolder"]);
}

TEST(ToolDump, SelectDialogIsAnsweredByTheOptions) {
    TestFolder root("tooldump");
    ASSERT_EQ(1, WriteTestFile(root.path / "a" / "skin.txt", "T Alpha\r\nD1,1,1,1\r\n"));
    ASSERT_EQ(1, WriteTestFile(root.path / "b" / "skin.txt", "T Beta\r\nD2,2,1,1\r\n"));
    const struct { std::vector<std::string> args; int selected, areaWidth; } rows[] = {
        {{}, 0, 1}, {{"--select", "1"}, 1, 2}, {{"--cancel"}, 0, 1}};
    for (const auto &row : rows) {
        Json document = Dump(root, row.args).second;
        std::string label = row.args.empty() ? "default" : row.args[0];
        Json dialog = document["selectDialog"];
        EXPECT_EQ((Json{{"items", {"Alpha", "Beta"}}, {"selected", row.selected}}),
                  (Json{{"items", dialog["items"]}, {"selected", dialog["selected"]}})) << label;
        EXPECT_EQ(row.areaWidth, document["/skin/areaWidth"_json_pointer]) << label;
    }
}

TEST(ToolDump, NoSkinFailsWithStatusOneAndBadArgumentsAreRefused) {
    TestFolder root("tooldump");
    auto [status, document] = Dump(root, {});
    EXPECT_EQ(1, status);
    EXPECT_TRUE(document["skin"].is_null()) << document["skin"].dump();
    EXPECT_EQ(Json::array({Json{{"text", "No skin.txt is found."}, {"caption", "Error"}}}), document["messages"]);
    const std::vector<std::string> bad[] = {
        {}, {"r", "--screen", "240"}, {"r", "--select", "x"}, {"r", "--codepage", "437"},
        {"r", "--select", "1", "--cancel"}, {"r", "s"}, {"r", "--bogus"},
    };
    for (const std::vector<std::string> &args : bad) {
        DumpOptions options;
        std::string error;
        EXPECT_EQ(0, ParseDumpArguments(args, &options, &error)) << (args.empty() ? "(none)" : args.back());
        EXPECT_FALSE(error.empty());
    }
}

// pondlet-tool dump: the tables of the reader's worked example.
#include "tool.h"

#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

using Json = nlohmann::ordered_json;

namespace {

std::pair<int, Json> Dump(const TestFolder &root, std::vector<std::string> args) {
    args.insert(args.begin(), root.path.string());
    DumpOptions options;
    std::string error;
    EXPECT_EQ(1, ParseDumpArguments(args, &options, &error)) << error;
    std::ostringstream out;
    int status = RunDump(options, out);
    return {status, Json::parse(out.str())};
}

}  // namespace

TEST(ToolDump, WorkedExamplePrintsTheTablesItDescribes) {
    TestFolder root("tooldump");
    BmpSpec picture;
    picture.width = picture.height = 2;
    picture.bitsPerPixel = 8;
    picture.palette = {0x000000, 0x0000F8, 0x00FC00, 0xF80000};
    picture.pixels = {0, 1, 2, 3};
    for (const char *name : {"body.bmp", "eyes.bmp", "bodym.bmp"}) WriteBmpFile(root.path / "cat" / name, picture);
    WriteTestFile(root.path / "cat" / "skin.txt",
                  "T Sample cat\r\nD64,64,4,4\r\nF Tahoma,\r\nG0,body.bmp,0,0\r\nG1,eyes.bmp,20,16,0\r\n"
                  "M0,bodym.bmp,0,0,0\r\nS0,12,255,255,255,8,44,%h:%m\r\n#0 300:600 0:0 1\r\n#0 300 0:0\r\n"
                  "#1 N\r\n#1 2000 0:0 s0\r\n$1 * * * * 0 0\r\n");
    auto [status, document] = Dump(root, {"--pixels"});
    ASSERT_EQ(0, status);
    const struct {
        const char *pointer;
        Json expected;
    } rows[] = {
        {"/messages", Json::array()},
        {"/skin/areaX", 172},
        {"/skin/fontFace", "Tahoma"},
        {"/skin/graphics/1/x", 20},
        {"/skin/graphics/1/hasTransparentKey", 1},
        {"/skin/graphics/1/pixels", Json::array({Json::array({0, 0xF8}), Json::array({0xFC00, 0xF80000})})},
        {"/skin/texts/0", Json{{"text", "%h:%m"}, {"x", 8}, {"y", 44}, {"height", 12}, {"colour", 16777215}}},
        {"/skin/frameCount", Json::array({2, 2})},
        {"/skin/regular", Json::array({1, 0})},
        {"/skin/sequences/0/0/layerGraphic/1", 1},
        {"/skin/sequences/0/0/durationMax", 600},
        {"/skin/sequences/1/0/layerMask/1", 0},
        {"/skin/sequences/1/0/layerText/1", Json::array({0})},
        {"/skin/rules/1/sequence", 1},
        {"/skin/rules/1/second/1", 0},
        {"/skin/rules/1/hour/23", 1},
    };
    for (const auto &row : rows) {
        Json::json_pointer pointer(row.pointer);
        ASSERT_TRUE(document.contains(pointer)) << row.pointer << " missing";
        EXPECT_EQ(row.expected, document[pointer])
            << row.pointer << ": expected " << row.expected.dump() << ", got " << document[pointer].dump();
    }
}

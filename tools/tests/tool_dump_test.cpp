// pondlet-tool dump: the tables of the reader's worked example.
#include "tool.h"

#include "lint.h"

#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;

namespace {

std::pair<int, Json> Dump(const TestFolder &root) {
    std::ostringstream out;
    int status = RunDump(DumpOptions{.root = root.path.string(), .pixels = true}, out);
    return {status, Json::parse(out.str())};
}

enum PicturePattern { kFewColours, kStripes, kOpaque, kManyColours, kSoftEdge, kNearMagenta };

// The colour and alpha of pixel x, y of each pattern.
void SamplePattern(int pattern, int x, int y, COLORREF *colour, uint8_t *alpha) {
    bool inDisc = (x - 12) * (x - 12) + (y - 12) * (y - 12) <= 120;
    const struct {
        COLORREF colour;
        int alpha;
    } samples[] = {
        {COLORREF(0x103050 * (x % 5)), inDisc ? 255 : 0},
        {COLORREF(y % 3 ? 0x808080 : 0xFC00), y % 7 ? 255 : 0},
        {COLORREF(x * 40 + y), 255},
        {COLORREF(x * 10 | y * 10 << 8 | 0x7F0000), inDisc ? 255 : 0},
        {0xFF, x * 80},
        {0xFC00FA, x ? 255 : 0},
    };
    *colour = samples[pattern].colour;
    *alpha = (uint8_t)samples[pattern].alpha;
}

}  // namespace

TEST(ToolDump, WorkedExamplePrintsTheTablesItDescribes) {
    TestFolder root("tooldump");
    BmpSpec picture{.width = 2, .height = 2, .bitsPerPixel = 8, .palette = {0x000000, 0x0000F8, 0x00FC00, 0xF80000}};
    picture.pixels = {0, 1, 2, 3};
    for (const char *name : {"body.bmp", "eyes.bmp", "bodym.bmp"}) WriteBmpFile(root.path / "cat" / name, picture);
    WriteTestFile(root.path / "cat" / "skin.txt",
                  "T Sample cat\r\nD64,64,4,4\r\nF Tahoma,\r\nG0,body.bmp,0,0\r\nG1,eyes.bmp,20,16,0\r\n"
                  "M0,bodym.bmp,0,0,0\r\nS0,12,255,255,255,8,44,%h:%m\r\n#0 300:600 0:0 1\r\n#0 300 0:0\r\n"
                  "#1 N\r\n#1 2000 0:0 s0\r\n$1 * * * * 0 0\r\n");
    auto [status, document] = Dump(root);
    ASSERT_EQ(0, status);
    const std::pair<const char *, Json> rows[] = {
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
    for (const auto &[pointer, expected] : rows) {
        Json seen = document.value(Json::json_pointer(pointer), Json());  // null when missing
        EXPECT_EQ(expected, seen) << pointer << ": expected " << expected.dump() << ", got " << seen.dump();
    }
}

// pondlet-tool picture, round trip: 24-bit pictures keep 5-6-5 precision; the
// printed lines must lint clean.
TEST(ToolPicture, RoundTripThroughDump) {
    const struct {
        const char *name;
        int width, height, pattern;
        std::vector<std::string> args;
        int status, depth;  // depth of the picture written
    } rows[] = {
        {"few colours keyed", 24, 24, kFewColours, {}, 0, 8},
        {"one column, rows padded by 1008 bytes", 1, 336, kStripes, {}, 0, 8},
        {"opaque: no key", 5, 3, kOpaque, {}, 0, 8},
        {"many colours masked", 24, 24, kManyColours, {}, 0, 24},
        {"partly transparent", 4, 4, kSoftEdge, {}, 1, 0},
        {"partly transparent, cut", 4, 4, kSoftEdge, {"--cut", "128"}, 0, 8},
        {"key like a colour", 4, 4, kNearMagenta, {"--key", "FF00FF"}, 1, 0},
    };
    for (const auto &row : rows) {
        TestFolder root("toolpicture");
        ScreenImage png = BlankImage(row.width, row.height, 0);
        png.alpha.resize(png.pixels.size());
        for (int i = 0; i < row.width * row.height; i++)
            SamplePattern(row.pattern, i % row.width, i / row.width, &png.pixels[i], &png.alpha[i]);
        fs::path skin = root.path / "skin";
        fs::create_directories(skin);
        ASSERT_EQ(1, WritePng((root.path / "p.png").string(), png));
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {(root.path / "p.png").string(), "--out", (skin / "p.bmp").string()});
        PictureCommand command;
        std::string error;
        ASSERT_EQ(1, ParsePictureArguments(args, &command, &error)) << error;
        std::ostringstream out, errors;
        ASSERT_EQ(row.status, RunPicture(command, out, errors)) << row.name << ": " << errors.str();
        EXPECT_EQ(row.status == 0, fs::exists(skin / "p.bmp")) << row.name;
        if (row.status != 0) continue;
        std::string script = "D" + std::to_string(row.width) + "," + std::to_string(row.height) + ",0,0\n" + out.str() +
                             (row.depth == 24 ? "#0 100 0:0\n" : "#0 100 0\n");
        for (size_t at = 0; (at = script.find('\n', at)) != std::string::npos; at += 2) script.insert(at, "\r");
        WriteTestFile(skin / "skin.txt", script);
        auto [status, document] = Dump(root);
        ASSERT_EQ(0, status) << row.name << "\n" << script;
        const Json &picture = document["skin"]["graphics"][0];
        EXPECT_EQ(row.depth, picture["bitsPerPixel"]) << row.name;
        for (int i = 0; i < row.width * row.height; i++) {
            int x = i % row.width, y = i / row.width;
            const Json &shown = picture["pixels"][y][x];
            Json expected = png.pixels[i] & (row.depth == 24 ? 0xF8FCF8 : 0xFFFFFF);
            if (png.alpha[i] < 128)  // transparent (the cut row's cut): under the mask, or the key
                expected = row.depth == 24 ? shown : picture["palette"][(int)picture["transparentKey"]];
            EXPECT_EQ(expected, shown) << row.name << " at " << x << "," << y;
            if (row.depth == 24) {
                EXPECT_EQ(png.alpha[i] < 128 ? 1 : 0, document["skin"]["masks"][0]["pixels"][y][x])
                    << row.name << " mask " << x << "," << y;
            }
        }
        std::vector<LintDiagnostic> found;
        CollectLint(LintCommand{.path = skin.string(), .height = 400}, &found);  // the tall row's area fits
        EXPECT_EQ(0, CountSeverity(found, kLintError) + CountSeverity(found, kLintWarning)) << row.name << "\n"
                                                                                            << script;
    }
}

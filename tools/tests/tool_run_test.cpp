// pondlet-tool run: the traces of short runs of a tiny skin.
#include "gif.h"
#include "tool.h"

#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

using Json = nlohmann::json;

namespace {

// A red picture 10 pixels from the edges in frames of 100 ms; an event
// sequence (blue) on the hour. The run starts at 06:30 and lasts a second.
struct ToolRun {
    TestFolder root{"toolrun"};
    RunOptions options;
    int status = -1;
    std::vector<Json> trace;
    std::string errors;

    ToolRun() {
        for (auto [name, colour] : {std::pair("red.bmp", 0x0000FFu), std::pair("blue.bmp", 0xFF0000u)})
            WriteBmpFile(root.path / "tiny" / name,
                         {.width = 20, .height = 20, .bitsPerPixel = 8, .palette = {colour}});
        WriteTestFile(root.path / "tiny" / "skin.txt",
                      "T Tiny\r\nD20,20,10,10\r\nG0,red.bmp,0,0\r\nG1,blue.bmp,0,0\r\n#0 100 0\r\n"
                      "#1 N\r\n#1 500 1\r\n$1 * * * * 0 0\r\n");
        options.root = root.path.string();
        options.startGiven = ParseStartTime("2009-08-03 06:30:00", &options.start);
        options.forMs = 1000;
        options.traceFile = (root.path / "trace.jsonl").string();
    }
    void Run() {
        std::ostringstream errorStream;
        status = RunProgram(options, errorStream);
        errors = errorStream.str();
        std::ifstream in(options.traceFile);
        trace.clear();
        for (std::string line; std::getline(in, line);) trace.push_back(Json::parse(line));
    }
    // A field of the trace's events of a kind ("" for every event).
    std::string Events(const std::string &kind, const char *field = "t") const {
        std::string text;
        for (const Json &line : trace)
            if (kind.empty() || line["event"] == kind) text += line[field].dump() + " ";
        return text;
    }
};

}  // namespace

TEST(ToolRun, ShortRunTracesTrayTicksAndEnd) {
    ToolRun tool;
    tool.Run();
    ASSERT_EQ(0, tool.status) << tool.errors;
    EXPECT_EQ(R"({"action":"add","event":"tray","id":106,"t":0,"tip":"QXTIMER"})", tool.trace.front().dump());
    EXPECT_EQ((Json{{"event", "end"}, {"t", 1000}}), tool.trace.back());
    EXPECT_EQ("1 101 201 301 401 501 601 701 801 901 ", tool.Events("tick"));
    EXPECT_EQ(R"({"areaX":210,"areaY":290,"blendMode":2,"duration":100,"event":"tick","frameIndex":0,)"
              R"("interval":100,"local":"2009-08-03 06:30:00.101","nextDueTick":1201,"nextFrameIndex":0,)"
              R"("nextRule":0,"rule":0,"sequence":0,"t":101,"tick":1101})",
              tool.trace.at(2).dump());
}

// After another run in this process (whose surfaces must not come back): a
// skin that cannot be loaded is told on the error output too, the tray icon
// is removed again and the run fails. An unreadable background is a usage error.
TEST(ToolRun, FailedSkinLoadAndUnreadableBackground) {
    ToolRun tool;
    std::filesystem::remove_all(tool.root.path / "tiny");
    tool.Run();
    EXPECT_EQ(1, tool.status);
    EXPECT_NE(std::string::npos, tool.errors.find("message box \"Error\": No skin.txt is found.")) << tool.errors;
    EXPECT_EQ("\"messageBox\" \"tray\" \"tray\" \"exit\" ", tool.Events("", "event"));
    EXPECT_EQ("delete", tool.trace.at(2)["action"]);
    tool.options.backgroundFile = (tool.root.path / "missing.bmp").string();
    tool.Run();
    EXPECT_EQ(2, tool.status) << tool.errors;
    EXPECT_NE(std::string::npos, tool.errors.find("missing.bmp")) << tool.errors;
}

// A skin folder given as ROOT runs from its parent; the Select dialog that
// the parent's second skin (listed first, placed elsewhere) brings up is
// answered with the skin given.
TEST(ToolRun, SkinFolderRunsThatSkin) {
    ToolRun tool;
    std::filesystem::copy(tool.root.path / "tiny", tool.root.path / "another");
    WriteTestFile(tool.root.path / "another" / "skin.txt", "D30,30,10,10\r\nG0,red.bmp,0,0\r\n#0 100 0\r\n");
    tool.options.root = (tool.root.path / "tiny").string();
    tool.Run();
    EXPECT_EQ(0, tool.status) << tool.errors;
    ASSERT_EQ("0 ", tool.Events("dialogOpen"));
    EXPECT_EQ("210 210 210 210 210 210 210 210 210 210 ", tool.Events("tick", "areaX"));
}

// Hidden from 250 ms to 500 ms, then ticking at once; a button with no panel
// open is reported and skipped; Quit ends the run with the exit code.
TEST(ToolRun, InputIsAppliedOrSkippedAndQuitEndsTheRun) {
    ToolRun tool;
    std::string input = (tool.root.path / "input.txt").string(), error;
    WriteTestFile(input, "# hide, show, no panel, then the panel's Quit\n\n250ms   tray-tap\n0.5s tray-tap\n"
                         "600ms press  1057\n700ms tray-double-tap\n800ms press 1057\n");
    ASSERT_EQ(1, ReadInputFile(input, &tool.options.input, &error)) << error;
    tool.Run();
    EXPECT_EQ(0, tool.status);
    EXPECT_EQ("250 500 700 800 ", tool.Events("input"));
    EXPECT_EQ((Json{{"event", "input"}, {"t", 250}, {"action", "tray-tap"}}), tool.trace.at(4));
    EXPECT_NE(std::string::npos, tool.errors.find("press 1057")) << tool.errors;
    EXPECT_EQ("1 101 201 501 601 701 ", tool.Events("tick"));
    EXPECT_EQ("700 800 ", tool.Events("dialogOpen") + tool.Events("dialogClose"));
    EXPECT_EQ((Json{{"event", "exit"}, {"t", 800}, {"code", 0}}), tool.trace.back());
}

// The GIF's colours: a frame of few colours comes back exactly (the
// desktop's grey and a pink that a fixed palette would shift); one of more
// than 256 colours comes back close. The second frame changes a small box.
TEST(ToolRun, GifKeepsColoursExactWhereItCan) {
    for (int colours : {3, 1024}) {  // distinct colours in the first frame
        TestFolder folder("toolgif");
        std::string path = (folder.path / "out.gif").string();
        ScreenImage frames[2] = {BlankImage(32, 32, 0x808080), {}};
        for (int i = 0; i < 32 * 32; i++)
            if (colours > 3)
                frames[0].pixels[i] = (COLORREF)((i % 32) * 8 | (i / 32) * 8 << 8 | (i % 7) << 18);
            else if (i % 5 == 0)
                frames[0].pixels[i] = i % 2 ? 0xC0B4FF : 0x12345;
        frames[1] = frames[0];
        FillBox(&frames[1], 5, 7, 4, 4, 0x3C14DC);
        GifRecorder gif;
        ASSERT_EQ(1, OpenGif(&gif, path, 32, 32));
        AddGifFrame(&gif, frames[0], 0);
        AddGifFrame(&gif, frames[1], 100);
        ASSERT_EQ(1, CloseGif(&gif, 200));
        int error = 0, worst = 0;
        GifFileType *file = DGifOpenFileName(path.c_str(), &error);
        ASSERT_TRUE(file != nullptr && DGifSlurp(file) == GIF_OK && file->ImageCount == 2) << colours;
        std::vector<COLORREF> shown(32 * 32, 0);
        for (int f = 0; f < 2; f++) {
            const GifImageDesc &d = file->SavedImages[f].ImageDesc;
            for (int i = 0; i < d.Width * d.Height; i++) {
                GifColorType c = d.ColorMap->Colors[file->SavedImages[f].RasterBits[i]];
                shown[(d.Top + i / d.Width) * 32 + d.Left + i % d.Width] = c.Red | c.Green << 8 | c.Blue << 16;
            }
            auto *seen = (const uint8_t *)shown.data(), *sent = (const uint8_t *)frames[f].pixels.data();
            for (int i = 0; i < 32 * 32 * 4; i++) worst = std::max(worst, std::abs(seen[i] - sent[i]));
        }
        DGifCloseFile(file, &error);
        EXPECT_LE(worst, colours > 256 ? 32 : 0) << colours << " colours";
    }
}

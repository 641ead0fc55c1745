// pondlet-tool run: traces of short runs of a tiny skin, input applied and
// skipped, the panel's moves and Quit, screenshots, the GIF's timing, the
// hourly event over two hours; and the parsing of its values and input files.
#include "tool.h"

#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include <fstream>
#include <sstream>

using Json = nlohmann::json;

namespace {

struct RunResult {
    int status = -1;
    std::vector<Json> trace;
    std::string errors;

    std::vector<Json> Events(const std::string &kind) const {
        std::vector<Json> found;
        for (const Json &line : trace)
            if (line["event"] == kind) found.push_back(line);
        return found;
    }
    std::string Summary() const {
        std::string text;
        for (const Json &line : trace) text += line.dump() + "\n";
        return text + errors;
    }
};

// A 20 x 20 red picture 10 pixels from the right and bottom edges in frames
// of 100 ms; an event sequence of 500 ms (blue) on the hour. The run starts
// at 06:30 and lasts a second.
struct ToolRun {
    TestFolder root{"toolrun"};
    RunOptions options;

    ToolRun() {
        BmpSpec picture;
        picture.width = picture.height = 20;
        picture.pixels.assign(400, 0x0000FF);
        WriteBmpFile(root.path / "tiny" / "red.bmp", picture);
        picture.pixels.assign(400, 0xFF0000);
        WriteBmpFile(root.path / "tiny" / "blue.bmp", picture);
        WriteTestFile(root.path / "tiny" / "skin.txt",
                      "T Tiny\r\nD20,20,10,10\r\nG0,red.bmp,0,0\r\nG1,blue.bmp,0,0\r\n#0 100 0\r\n"
                      "#1 N\r\n#1 500 1\r\n$1 * * * * 0 0\r\n");
        options.root = root.path.string();
        options.startGiven = ParseStartTime("2009-08-03 06:30:00", &options.start);
        options.forMs = 1000;
        options.traceFile = (root.path / "trace.jsonl").string();
    }
    void Input(const std::string &lines) {
        std::string path = (root.path / "input.txt").string(), error;
        WriteTestFile(path, lines);
        ASSERT_EQ(1, ReadInputFile(path, &options.input, &error)) << error;
    }
    RunResult Run() {
        RunResult result;
        std::ostringstream errors;
        result.status = RunProgram(options, errors);
        result.errors = errors.str();
        std::ifstream in(options.traceFile);
        for (std::string line; std::getline(in, line);) result.trace.push_back(Json::parse(line));
        return result;
    }
};

std::vector<uint64_t> Times(const std::vector<Json> &events) {
    std::vector<uint64_t> times;
    for (const Json &event : events) times.push_back(event["t"]);
    return times;
}

} // namespace

TEST(ToolRun, ShortRunTracesTrayTicksAndEnd) {
    ToolRun tool;
    RunResult result = tool.Run();
    ASSERT_EQ(0, result.status) << result.errors;
    ASSERT_GE(result.trace.size(), 3u);
    EXPECT_EQ((Json{{"event", "tray"}, {"t", 0}, {"action", "add"}, {"id", 106}, {"tip", "QXTIMER"}}),
              result.trace.front());
    EXPECT_EQ((Json{{"event", "end"}, {"t", 1000}}), result.trace.back());
    std::vector<Json> ticks = result.Events("tick");
    EXPECT_EQ((std::vector<uint64_t>{1, 101, 201, 301, 401, 501, 601, 701, 801, 901}), Times(ticks))
        << result.Summary();
    // The second tick: every field, the device's tick count starting at 1000.
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ((Json{{"event", "tick"}, {"t", 101}, {"tick", 1101}, {"local", "2009-08-03 06:30:00.101"},
                    {"rule", 0}, {"sequence", 0}, {"frameIndex", 0}, {"nextRule", 0},
                    {"nextFrameIndex", 0}, {"duration", 100}, {"interval", 100},
                    {"nextDueTick", 1201}, {"blendMode", 2}, {"areaX", 210}, {"areaY", 290}}),
              ticks[1]);
}

// Runs after another run in this process: a skin that cannot be loaded is
// told, the tray icon start-up still adds is removed again, the program ends
// with 0 (and the earlier run's surfaces are not put back). An unreadable
// background is a usage error.
TEST(ToolRun, FailedSkinLoadAndUnreadableBackground) {
    ToolRun tool;
    std::filesystem::remove_all(tool.root.path / "tiny");
    RunResult result = tool.Run();
    EXPECT_EQ(0, result.status);
    std::string events;
    for (const Json &line : result.trace) events += line["event"].get<std::string>() + " ";
    EXPECT_EQ("messageBox tray tray exit ", events) << result.Summary();
    std::string tray;
    for (const Json &line : result.Events("tray")) tray += line["action"].get<std::string>() + " ";
    EXPECT_EQ("add delete ", tray)
        << result.Summary();

    tool.options.backgroundFile = (tool.root.path / "missing.bmp").string();
    result = tool.Run();
    EXPECT_EQ(2, result.status) << result.errors;
    EXPECT_NE(std::string::npos, result.errors.find("missing.bmp")) << result.errors;
}

// Hidden from 250 ms to 500 ms: no tick in between and ticking resumes at
// once; a button with no panel open is reported and skipped; from the panel
// the Up button moves the area a pixel and draws at once, and Quit ends the
// run with the program's exit code.
TEST(ToolRun, InputIsAppliedOrSkippedAndQuitEndsTheRun) {
    ToolRun tool;
    tool.Input("# hide, show, no panel, then the panel's Up and Quit\n\n250ms   tray-tap\n0.5s tray-tap\n"
               "600ms press  1057\n700ms tray-double-tap\n750ms press 1067\n800ms press 1057\n");
    RunResult result = tool.Run();
    EXPECT_EQ(0, result.status);
    std::vector<Json> inputs = result.Events("input");
    EXPECT_EQ((std::vector<uint64_t>{250, 500, 700, 750, 800}), Times(inputs)) << result.Summary();
    EXPECT_EQ((Json{{"event", "input"}, {"t", 250}, {"action", "tray-tap"}}), inputs.at(0));
    EXPECT_NE(std::string::npos, result.errors.find("press 1057")) << result.errors;
    std::vector<Json> ticks = result.Events("tick");
    EXPECT_EQ((std::vector<uint64_t>{1, 101, 201, 501, 601, 701, 750}), Times(ticks)) << result.Summary();
    EXPECT_EQ(289, ticks.back()["areaY"]) << ticks.back().dump();
    EXPECT_EQ((Json{{"event", "exit"}, {"t", 800}, {"code", 0}}), result.trace.back()) << result.Summary();
    EXPECT_TRUE(result.Events("end").empty());
    EXPECT_EQ(std::vector<uint64_t>{700}, Times(result.Events("dialogOpen")));
    EXPECT_EQ(std::vector<uint64_t>{800}, Times(result.Events("dialogClose")));
    EXPECT_EQ(2u, result.Events("tray").size()) << "tray add and delete";
}

TEST(ToolRun, HourlyEventShowsUpInATwoHourTrace) {
    ToolRun tool;
    tool.options.forMs = 2 * 3600 * 1000;
    RunResult result = tool.Run();
    // The event sequence plays right after each full hour and nowhere else.
    std::vector<std::string> firstOfHour;
    for (const Json &tick : result.Events("tick")) {
        if (tick["sequence"] != 1) continue;
        std::string local = tick["local"];
        EXPECT_EQ(":00:0", local.substr(13, 5)) << tick.dump();
        if (firstOfHour.empty() || firstOfHour.back().substr(11, 2) != local.substr(11, 2))
            firstOfHour.push_back(local.substr(0, 19));
    }
    EXPECT_EQ((std::vector<std::string>{"2009-08-03 07:00:00", "2009-08-03 08:00:00"}), firstOfHour);
}

TEST(ToolRun, PngIsTheScreenAtItsTime) {
    ToolRun tool;
    tool.options.width = 100;
    tool.options.height = 120;
    tool.options.depth = 24;
    tool.options.backgroundColour = 0x00F800;  // green, exact at 5-6-5 precision
    tool.Input("500ms tray-tap\n");
    std::string early = (tool.root.path / "early.png").string();
    std::string hidden = (tool.root.path / "hidden.png").string();
    std::string late = (tool.root.path / "late.png").string();
    tool.options.pngs = {{5000, late}, {50, early}, {500, hidden}};
    ASSERT_EQ(0, tool.Run().status);
    const struct { std::string file; int x, y; uint32_t rgb; } rows[] = {  // colours red first
        {early, 0, 0, 0x00F800},
        {early, 80, 100, 0x787C00},   // the red mascot half over the green desktop
        {hidden, 80, 100, 0x00F800},  // hidden at 500 ms, before the picture was taken
        {late, 80, 100, 0x00F800},    // after the end: as the run left it
    };
    for (const auto &row : rows) {
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_NE(0, png_image_begin_read_from_file(&image, row.file.c_str())) << row.file;
        EXPECT_EQ(100u * 120u, image.width * image.height) << row.file;
        image.format = PNG_FORMAT_RGB;
        std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
        ASSERT_NE(0, png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
        const png_byte *p = &pixels[3 * ((size_t)row.y * image.width + row.x)];
        uint32_t rgb = (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
        EXPECT_EQ(row.rgb, rgb) << row.file << " at " << row.x << "," << row.y << std::hex
                                << ": expected " << row.rgb << ", got " << rgb;
    }
}

// Mascot (the bare desktop lasted 1 ms and the mascot's frames repeat
// unchanged), desktop while hidden, mascot again: three images whose delays
// add up to the second.
TEST(ToolRun, GifDelaysAddUpToTheRun) {
    ToolRun tool;
    tool.options.gifFile = (tool.root.path / "run.gif").string();
    tool.Input("250ms tray-tap\n500ms tray-tap\n");
    ASSERT_EQ(0, tool.Run().status);
    int error = 0;
    GifFileType *gif = DGifOpenFileName(tool.options.gifFile.c_str(), &error);
    ASSERT_NE(nullptr, gif);
    ASSERT_EQ(GIF_OK, DGifSlurp(gif));
    EXPECT_EQ(240, gif->SWidth);
    std::vector<int> delays;
    for (int i = 0; i < gif->ImageCount; i++) {
        GraphicsControlBlock control;
        ASSERT_EQ(GIF_OK, DGifSavedExtensionToGCB(gif, i, &control));
        delays.push_back(control.DelayTime);
    }
    EXPECT_EQ((std::vector<int>{25, 25, 50}), delays);
    DGifCloseFile(gif, &error);
}

TEST(ToolRunParse, ValuesInputLinesAndArguments) {
    const struct { const char *text; int ok; uint64_t ms; } durations[] = {
        {"250ms", 1, 250}, {"1.5s", 1, 1500}, {"90s", 1, 90000}, {"2h", 1, 7200000}, {"1d", 1, 86400000},
        {"3", 1, 3000},    {"", 0, 0},        {"s", 0, 0},       {"-1s", 0, 0},      {"5x", 0, 0},
    };
    for (const auto &row : durations) {
        uint64_t ms = 0;
        EXPECT_EQ(row.ok, ParseDuration(row.text, &ms)) << "\"" << row.text << "\"";
        EXPECT_EQ(row.ms, row.ok ? ms : 0) << row.text;
    }
    COLORREF colour = 0;
    EXPECT_EQ(1, ParseColour("FF8001", &colour));
    EXPECT_EQ(0x0180FFu, colour);
    EXPECT_EQ(0, ParseColour("FF80", &colour));

    const struct { const char *text; int ok; const char *normalised; } lines[] = {  // null: skipped or refused
        {"", 1, nullptr},          {"# comment", 1, nullptr},  {"   ", 1, nullptr},
        {"1s  paint 1 2 3 4  ff0000", 1, "paint 1 2 3 4 ff0000"},
        {"2h choose 1061 3", 1, "choose 1061 3"},
        {"0 settings-change 320 240", 1, "settings-change 320 240"},
        {"1s press", 0, nullptr},  {"1s press x", 0, nullptr}, {"1s paint 1 2 3 4 red", 0, nullptr},
        {"1s dance", 0, nullptr},  {"soon tray-tap", 0, nullptr}, {"1s enter now", 0, nullptr},
    };
    for (const auto &row : lines) {
        InputLine line;
        bool skip = false;
        std::string error;
        EXPECT_EQ(row.ok, ParseInputLine(row.text, &line, &skip, &error)) << "\"" << row.text << "\"";
        EXPECT_EQ(row.ok == 0, !error.empty()) << row.text << ": " << error;
        if (row.ok) {
            EXPECT_EQ(row.normalised ? row.normalised : "(skipped)", skip ? "(skipped)" : line.text) << row.text;
        }
    }
    const std::vector<std::string> bad[] = {
        {}, {"r", "--screen", "240x320x15"}, {"r", "--for", "ten"}, {"r", "--png", "1s"},
        {"r", "--start", "2009-02-30 00:00:00"}, {"r", "--background-colour", "grey"},
        {"r", "--seed"}, {"r", "--input", "/nonexistent/input.txt"},
        {"r", "--background", "a.bmp", "--background-colour", "000000"},
    };
    for (const std::vector<std::string> &args : bad) {
        RunOptions options;
        std::string error;
        EXPECT_EQ(0, ParseRunArguments(args, &options, &error)) << (args.empty() ? "(none)" : args.back());
        EXPECT_FALSE(error.empty());
    }
    RunOptions options;
    std::string error;
    ASSERT_EQ(1, ParseRunArguments({"r", "--screen", "320x240x8", "--start", "2024-02-29 23:59:59.250",
                                    "--png", "1.5s:a:b.png"}, &options, &error)) << error;
    EXPECT_EQ(8, options.depth);
    EXPECT_EQ(4, options.start.wDayOfWeek);  // a Thursday
    EXPECT_EQ(250, options.start.wMilliseconds);
    ASSERT_EQ(1u, options.pngs.size());
    EXPECT_EQ("a:b.png", options.pngs[0].file);
}

// pondlet-tool run: traces of short runs of a tiny skin, input applied and
// skipped, screenshots, the GIF's timing, the hourly event over two hours,
// Quit from the panel; and the parsing of its values and input files.
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

// A 20 x 20 red picture 10 pixels from the right and bottom edges, shown in
// frames of 100 ms; an event sequence of 500 ms (a blue picture) on the hour.
const char tinySkin[] =
    "T Tiny\r\nD20,20,10,10\r\nG0,red.bmp,0,0\r\nG1,blue.bmp,0,0\r\n#0 100 0\r\n"
    "#1 N\r\n#1 500 1\r\n$1 * * * * 0 0\r\n";

struct RunResult {
    int status = -1;
    std::vector<Json> trace;
    std::string errors;
};

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
        WriteTestFile(root.path / "tiny" / "skin.txt", tinySkin);
        options.root = root.path.string();
        options.startGiven = ParseStartTime("2009-08-03 06:30:00", &options.start);
        options.forMs = 1000;
        options.traceFile = (root.path / "trace.jsonl").string();
    }

    void Input(const std::string &lines) {
        std::string path = (root.path / "input.txt").string();
        WriteTestFile(path, lines);
        std::string error;
        options.input.clear();
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

std::vector<Json> Events(const RunResult &result, const std::string &kind) {
    std::vector<Json> found;
    for (const Json &line : result.trace)
        if (line["event"] == kind) found.push_back(line);
    return found;
}

std::string Summary(const RunResult &result) {
    std::string text;
    for (const Json &line : result.trace) text += line.dump() + "\n";
    return text + result.errors;
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
    std::vector<Json> ticks = Events(result, "tick");
    ASSERT_EQ(10u, ticks.size()) << Summary(result);
    // The second tick: every field, the device's tick count starting at 1000.
    EXPECT_EQ((Json{{"event", "tick"}, {"t", 101}, {"tick", 1101}, {"local", "2009-08-03 06:30:00.101"},
                    {"rule", 0}, {"sequence", 0}, {"frameIndex", 0}, {"nextRule", 0},
                    {"nextFrameIndex", 0}, {"duration", 100}, {"interval", 100},
                    {"nextDueTick", 1201}, {"blendMode", 2}, {"areaX", 210}, {"areaY", 290}}),
              ticks[1]);
    for (size_t i = 0; i < ticks.size(); i++) EXPECT_EQ(1 + 100 * i, ticks[i]["t"]) << ticks[i].dump();
}

// A skin that cannot be loaded: told, the tray icon that start-up still adds
// is removed again, and the program ends with 0.
TEST(ToolRun, FailedSkinLoadLeavesNoTrayIcon) {
    ToolRun tool;
    std::filesystem::remove_all(tool.root.path / "tiny");
    RunResult result = tool.Run();
    EXPECT_EQ(0, result.status);
    std::string events;
    for (const Json &line : result.trace) events += line["event"].get<std::string>() + " ";
    std::vector<Json> tray = Events(result, "tray");
    EXPECT_EQ("messageBox tray tray exit ", events) << Summary(result);
    ASSERT_EQ(2u, tray.size()) << Summary(result);
    EXPECT_EQ("add", tray[0]["action"]);
    EXPECT_EQ("delete", tray[1]["action"]);
}

TEST(ToolRun, InputIsAppliedReportedAndSkippedWithoutADialog) {
    ToolRun tool;
    tool.Input("# hide, show again, and a button with no panel open\n\n"
               "250ms   tray-tap\n0.5s tray-tap\n600ms press  1057\n");
    RunResult result = tool.Run();
    EXPECT_EQ(0, result.status);
    std::vector<Json> inputs = Events(result, "input");
    ASSERT_EQ(2u, inputs.size()) << Summary(result);
    EXPECT_EQ((Json{{"event", "input"}, {"t", 250}, {"action", "tray-tap"}}), inputs[0]);
    EXPECT_EQ(500, inputs[1]["t"]);
    EXPECT_NE(std::string::npos, result.errors.find("press 1057")) << result.errors;
    // Hidden from 250 ms to 500 ms: no tick in between, and ticking resumes at once.
    std::vector<uint64_t> times;
    for (const Json &tick : Events(result, "tick")) times.push_back(tick["t"]);
    std::vector<uint64_t> expected = {1, 101, 201, 501, 601, 701, 801, 901};
    EXPECT_EQ(expected, times) << Summary(result);
}

TEST(ToolRun, PanelMovesAreTicksAndQuitEndsWithItsExitCode) {
    ToolRun tool;
    tool.Input("300ms tray-double-tap\n350ms press 1067\n400ms press 1057\n");
    RunResult result = tool.Run();
    // The Up button moves the area one pixel and draws at once.
    std::vector<Json> moved;
    for (const Json &tick : Events(result, "tick"))
        if (tick["t"] == 350) moved.push_back(tick);
    ASSERT_EQ(1u, moved.size()) << Summary(result);
    EXPECT_EQ(289, moved[0]["areaY"]) << moved[0].dump();
    std::vector<Json> exits = Events(result, "exit");
    ASSERT_EQ(1u, exits.size()) << Summary(result);
    EXPECT_EQ(result.status, exits[0]["code"]);
    EXPECT_EQ(400, exits[0]["t"]);
    EXPECT_EQ(exits[0], result.trace.back());
    EXPECT_TRUE(Events(result, "end").empty());
    std::vector<Json> opens = Events(result, "dialogOpen"), closes = Events(result, "dialogClose");
    ASSERT_EQ(1u, opens.size()) << Summary(result);
    EXPECT_EQ(125, opens[0]["id"]);
    ASSERT_EQ(1u, closes.size()) << Summary(result);
    EXPECT_EQ(125, closes[0]["id"]);
    EXPECT_EQ(2u, Events(result, "tray").size()) << "tray add and delete expected";
}

TEST(ToolRun, HourlyEventShowsUpInATwoHourTrace) {
    ToolRun tool;
    tool.options.forMs = 2 * 3600 * 1000;
    RunResult result = tool.Run();
    // The event sequence plays right after each full hour and nowhere else.
    std::vector<std::string> firstOfHour;
    std::string lastHour;
    for (const Json &tick : Events(result, "tick")) {
        if (tick["sequence"] != 1) continue;
        std::string local = tick["local"];
        EXPECT_EQ(":00:0", local.substr(13, 5)) << tick.dump();
        if (local.substr(11, 2) == lastHour) continue;
        lastHour = local.substr(11, 2);
        firstOfHour.push_back(local.substr(0, 19));
    }
    std::vector<std::string> expected = {"2009-08-03 07:00:00", "2009-08-03 08:00:00"};
    EXPECT_EQ(expected, firstOfHour);
}

TEST(ToolRun, PngIsTheScreenAtItsTime) {
    ToolRun tool;
    tool.options.width = 100;
    tool.options.height = 120;
    tool.options.depth = 24;
    tool.options.backgroundColour = 0x00F800;   // green, exact at 5-6-5 precision
    tool.Input("500ms tray-tap\n");
    std::string early = (tool.root.path / "early.png").string();
    std::string hidden = (tool.root.path / "hidden.png").string();
    std::string late = (tool.root.path / "late.png").string();
    tool.options.pngs = {{5000, late}, {50, early}, {500, hidden}};
    ASSERT_EQ(0, tool.Run().status);
    struct Row {
        std::string file;
        int x, y;
        uint32_t rgb;   // red first
    };
    const Row rows[] = {
        {early, 0, 0, 0x00F800},
        {early, 80, 100, 0x787C00},   // the red mascot half over the green desktop
        {hidden, 80, 100, 0x00F800},  // hidden at 500 ms, before the picture was taken
        {late, 80, 100, 0x00F800},    // after the end: as the run left it
    };
    for (const Row &row : rows) {
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_NE(0, png_image_begin_read_from_file(&image, row.file.c_str())) << row.file;
        EXPECT_EQ(100u, image.width);
        EXPECT_EQ(120u, image.height);
        image.format = PNG_FORMAT_RGB;
        std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
        ASSERT_NE(0, png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
        size_t p = 3 * ((size_t)row.y * 100 + (size_t)row.x);
        uint32_t rgb = (uint32_t)pixels[p] << 16 | (uint32_t)pixels[p + 1] << 8 | pixels[p + 2];
        EXPECT_EQ(row.rgb, rgb) << row.file << " at " << row.x << "," << row.y << std::hex
                                << ": expected " << row.rgb << ", got " << rgb;
    }
}

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
    int total = 0;
    for (int i = 0; i < gif->ImageCount; i++) {
        GraphicsControlBlock control;
        ASSERT_EQ(GIF_OK, DGifSavedExtensionToGCB(gif, i, &control));
        EXPECT_GT(control.DelayTime, 0) << "frame " << i;
        total += control.DelayTime;
    }
    EXPECT_EQ(100, total);
    // Mascot (the bare desktop lasted 1 ms and its frames repeat unchanged),
    // desktop while hidden, mascot again.
    EXPECT_EQ(3, gif->ImageCount);
    DGifCloseFile(gif, &error);
}

TEST(ToolRunParse, ValuesInputLinesAndArguments) {
    struct DurationRow {
        const char *text;
        int ok;
        uint64_t ms;
    };
    const DurationRow durations[] = {
        {"250ms", 1, 250}, {"1.5s", 1, 1500}, {"90s", 1, 90000}, {"2h", 1, 7200000},
        {"1d", 1, 86400000}, {"3", 1, 3000}, {"", 0, 0}, {"s", 0, 0}, {"-1s", 0, 0}, {"5x", 0, 0},
    };
    for (const DurationRow &row : durations) {
        uint64_t ms = 0;
        EXPECT_EQ(row.ok, ParseDuration(row.text, &ms)) << "\"" << row.text << "\"";
        if (row.ok) {
            EXPECT_EQ(row.ms, ms) << row.text;
        }
    }
    COLORREF colour = 0;
    ASSERT_EQ(1, ParseColour("FF8001", &colour));
    EXPECT_EQ(0x0180FFu, colour);
    EXPECT_EQ(0, ParseColour("FF80", &colour));

    struct LineRow {
        const char *text;
        int ok;
        const char *normalised;   // null: skipped line
    };
    const LineRow lines[] = {
        {"", 1, nullptr},
        {"# comment", 1, nullptr},
        {"   ", 1, nullptr},
        {"1s  paint 1 2 3 4  ff0000", 1, "paint 1 2 3 4 ff0000"},
        {"2h choose 1061 3", 1, "choose 1061 3"},
        {"0 settings-change 320 240", 1, "settings-change 320 240"},
        {"1s press", 0, nullptr},
        {"1s press x", 0, nullptr},
        {"1s paint 1 2 3 4 red", 0, nullptr},
        {"1s dance", 0, nullptr},
        {"soon tray-tap", 0, nullptr},
        {"1s enter now", 0, nullptr},
    };
    for (const LineRow &row : lines) {
        InputLine line;
        bool skip = false;
        std::string error;
        EXPECT_EQ(row.ok, ParseInputLine(row.text, &line, &skip, &error)) << "\"" << row.text << "\"";
        if (row.ok) {
            EXPECT_EQ(row.normalised == nullptr, skip) << row.text;
            if (row.normalised) {
                EXPECT_EQ(row.normalised, line.text);
            }
        } else {
            EXPECT_FALSE(error.empty()) << row.text;
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
        EXPECT_EQ(0, ParseRunArguments(args, &options, &error))
            << (args.empty() ? "(none)" : args.back()) << " accepted";
        EXPECT_FALSE(error.empty());
    }
    RunOptions options;
    std::string error;
    ASSERT_EQ(1, ParseRunArguments({"r", "--screen", "320x240x8", "--start", "2024-02-29 23:59:59.250",
                                    "--png", "1.5s:a:b.png"}, &options, &error)) << error;
    EXPECT_EQ(8, options.depth);
    EXPECT_EQ(4, options.start.wDayOfWeek);   // a Thursday
    EXPECT_EQ(250, options.start.wMilliseconds);
    ASSERT_EQ(1u, options.pngs.size());
    EXPECT_EQ("a:b.png", options.pngs[0].file);
}

TEST(ToolRun, UnreadableBackgroundIsAUsageError) {
    ToolRun tool;
    tool.options.backgroundFile = (tool.root.path / "missing.bmp").string();
    RunResult result = tool.Run();
    EXPECT_EQ(2, result.status) << result.errors;
    EXPECT_NE(std::string::npos, result.errors.find("missing.bmp")) << result.errors;
}

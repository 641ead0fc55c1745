// run: the whole program (WinMain) on the simulated device and its virtual
// clock, with scripted input, a trace of what it did and pictures of the
// screen.
//
// The program's code is not touched: the device's observers tell us what
// the platform saw, the program's observer (core/observer.h) each tick it
// drew, with what it showed and planned. Screen pictures are taken lazily:
// every observer call first settles what was due before it (Settle), since
// the device's time only moves between calls.
#include "gif.h"
#include "tool.h"

#include "core/observer.h"
#include "core/process.h"
#include "core/tables.h"
#include "device.h"
#include "engine/schedule.h"
#include "shell/instance.h"
#include "shell/mainwindow.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <map>

using Json = nlohmann::ordered_json;

namespace {

enum { kTrayDoubleTap = WM_LBUTTONDBLCLK };

struct RunState {
    const RunOptions *options = nullptr;
    std::ostream *errors = nullptr;
    std::ofstream trace;
    bool tracing = false;
    std::vector<PngRequest> pngs;  // still to take, earliest first
    bool pngFailed = false;
    GifRecorder gif;
    bool recording = false;
    ScreenImage screen;  // the screen as last read
    bool screenDirty = false;
    uint64_t dirtyAt = 0;
    int ticks = 0, messageBoxes = 0;
};

RunState run;

void Trace(const Json &line) {
    if (run.tracing) run.trace << line.dump() << "\n";
}

std::string LocalText(const SYSTEMTIME &t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

// ---- ticks ----------------------------------------------------------------------

// The device's clock stands still during a tick: its start is now.
void TickDrawn(const TickReport *report) {
    run.ticks++;
    uint32_t tick = GetTickCount();
    SYSTEMTIME local;
    GetLocalTime(&local);
    Json line;
    line["event"] = "tick";
    line["t"] = DeviceElapsed();
    line["tick"] = tick;
    line["local"] = LocalText(local);
    line["rule"] = report->rule;
    line["sequence"] = RuleSequence(report->rule);
    line["frameIndex"] = report->frameIndex;
    line["nextRule"] = animation.currentRule;
    line["nextFrameIndex"] = animation.frameIndex;
    line["duration"] = report->duration;
    line["interval"] = report->interval;
    line["nextDueTick"] = animation.nextDueTick;
    line["blendMode"] = blendMode;
    line["areaX"] = skinTables.areaX;
    line["areaY"] = skinTables.areaY;
    Trace(line);
}

// ---- pictures -------------------------------------------------------------------

void TakePng(const PngRequest &request) {
    if (!WritePng(request.file, ReadWholeScreen())) {
        *run.errors << "pondlet-tool: cannot write " << request.file << "\n";
        run.pngFailed = true;
    }
}

// Everything due before now: screenshots, the GIF's next frame.
void Settle(bool atEnd) {
    uint64_t now = DeviceElapsed();
    while (!run.pngs.empty() && (atEnd || run.pngs.front().at < now)) {
        TakePng(run.pngs.front());
        run.pngs.erase(run.pngs.begin());
    }
    if (run.recording && run.screenDirty) {
        AddGifFrame(&run.gif, ReadWholeScreen(), run.dirtyAt);
        run.screenDirty = false;
    }
}

void MarkScreenDirty() {
    run.screenDirty = true;
    run.dirtyAt = DeviceElapsed();
}

// ---- observers ------------------------------------------------------------------

void BeforeWindowMessage(const MSG &) { Settle(false); }

// Every message box goes to the error output too: a trace is not always
// asked for, and a skin that fails to load shows nothing else.
void MessageBoxShown(const DeviceMessageBox &box) {
    Settle(false);
    run.messageBoxes++;
    *run.errors << "pondlet-tool: at " << DeviceElapsed() << " ms: message box \""
                << DeviceUtf8(box.caption) << "\": " << DeviceUtf8(box.text) << "\n";
    Trace(Json{{"event", "messageBox"},
               {"t", DeviceElapsed()},
               {"text", DeviceUtf8(box.text)},
               {"caption", DeviceUtf8(box.caption)}});
}

void DialogOpened(HWND, int resourceId) {
    Settle(false);
    Trace(Json{{"event", "dialogOpen"}, {"t", DeviceElapsed()}, {"id", resourceId}});
}

void DialogClosed(HWND, int resourceId, bool hasResult, INT_PTR result) {
    Settle(false);
    Json line{
        {"event", "dialogClose"}, {"t", DeviceElapsed()}, {"id", resourceId}, {"result", nullptr}};
    if (hasResult) line["result"] = (int64_t)result;
    Trace(line);
}

void TrayChanged(const DeviceTrayIcon &icon, bool added) {
    Settle(false);
    Trace(Json{{"event", "tray"},
               {"t", DeviceElapsed()},
               {"action", added ? "add" : "delete"},
               {"id", icon.id},
               {"tip", DeviceUtf8(icon.tip)}});
}

void ActionApplied(const DeviceAction &action) {
    Settle(false);
    if (action.text.empty()) return;  // our own wrappers
    Trace(Json{{"event", "input"}, {"t", DeviceElapsed()}, {"action", action.text}});
    if (action.kind == DevicePaint || action.kind == DeviceSettingsChange) MarkScreenDirty();
}

void WatchDevice() {
    DeviceObservers observers;
    observers.messageBox = MessageBoxShown;
    observers.dialogOpened = DialogOpened;
    observers.dialogClosed = DialogClosed;
    observers.tray = TrayChanged;
    observers.actionApplied = ActionApplied;
    observers.beforeWindowMessage = BeforeWindowMessage;
    observers.screenChanged = MarkScreenDirty;
    DeviceSetObservers(observers);
    observer = Observer{};
    observer.tick = TickDrawn;
}

// ---- input ------------------------------------------------------------------------

// What a second start of the program does when it finds this copy running.
void SecondStart() {
    if (!DeviceMutexHeld(u"Pondlet")) {
        *run.errors << "pondlet-tool: second-start: no running copy holds the mutex\n";
        return;
    }
    HWND running = LoadWindowHandle();
    if (running == nullptr) {
        *run.errors << "pondlet-tool: second-start: no window handle in __tmp\n";
        return;
    }
    SendMessageW(running, WM_TRAYNOTIFY, 0, kTrayDoubleTap);
}

struct ActionKindName {
    const char *name;
    DeviceActionKind kind;
};
//  name               kind
const ActionKindName actionKinds[] = {
    {"tray-tap", DeviceTrayTap},
    {"tray-double-tap", DeviceTrayDoubleTap},
    {"second-start", DeviceCustom},
    {"press", DevicePress},
    {"choose", DeviceChoose},
    {"double-tap", DeviceDoubleTapItem},
    {"enter", DeviceEnter},
    {"escape", DeviceEscape},
    {"close", DeviceCloseBox},
    {"paint", DevicePaint},
    {"settings-change", DeviceSettingsChange},
    {"window-moved", DeviceWindowMoved},
    {"help", DeviceHelp},
};

DeviceAction DeviceActionFor(const InputLine &line) {
    DeviceAction action;
    for (const ActionKindName &entry : actionKinds)
        if (line.kind == entry.name) action.kind = entry.kind;
    const std::vector<int64_t> &n = line.numbers;
    if (line.kind == "second-start") action.custom = SecondStart;
    if (line.kind == "press" || line.kind == "choose" || line.kind == "double-tap")
        action.id = (int)n[0];
    if (line.kind == "choose" || line.kind == "double-tap") action.index = (int)n[1];
    if (line.kind == "paint") {
        action.x = (int)n[0];
        action.y = (int)n[1];
        action.width = (int)n[2];
        action.height = (int)n[3];
        action.colour = line.colour;
    }
    if (line.kind == "settings-change") {
        action.width = (int)n[0];
        action.height = (int)n[1];
    }
    action.text = line.text;
    return action;
}

// Each action goes through a wrapper that reports an action nothing could
// receive (no dialog open, no such control, no tray icon) and skips it.
void QueueInput(const std::vector<InputLine> &lines) {
    for (const InputLine &line : lines) {
        DeviceAction wrapper;
        DeviceAction action = DeviceActionFor(line);
        wrapper.kind = DeviceCustom;
        wrapper.custom = [action]() {
            if (!DeviceApplyAction(action))
                *run.errors << "pondlet-tool: at " << DeviceElapsed() << " ms: " << action.text
                            << ": nothing to receive it, skipped\n";
        };
        DeviceQueueAction(line.at, wrapper);
    }
}

// ---- set-up ---------------------------------------------------------------------------

SYSTEMTIME HostLocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    SYSTEMTIME t = {};
    t.wYear = (WORD)(local.tm_year + 1900);
    t.wMonth = (WORD)(local.tm_mon + 1);
    t.wDay = (WORD)local.tm_mday;
    t.wDayOfWeek = (WORD)local.tm_wday;
    t.wHour = (WORD)local.tm_hour;
    t.wMinute = (WORD)local.tm_min;
    t.wSecond = (WORD)(local.tm_sec > 59 ? 59 : local.tm_sec);
    return t;
}

// The desktop: one colour, or a picture tiled from the top-left; new parts
// of a resized screen show the same.
int PaintBackground(const RunOptions &options) {
    DeviceSetScreen(options.width, options.height, options.depth, options.backgroundColour);
    if (options.backgroundFile.empty()) {
        COLORREF colour = options.backgroundColour;
        DeviceSetBackground([colour](int, int) { return colour; });
        return 1;
    }
    ScreenImage tile;
    std::string error;
    if (!ReadBackgroundBmp(options.backgroundFile, &tile, &error)) {
        *run.errors << "pondlet-tool: " << error << "\n";
        return 0;
    }
    auto painter = [tile](int x, int y) {
        return tile
            .pixels[(size_t)(y % tile.height) * (size_t)tile.width + (size_t)(x % tile.width)];
    };
    for (int y = 0; y < options.height; y++)
        for (int x = 0; x < options.width; x++) DeviceFillScreen(x, y, 1, 1, painter(x, y));
    DeviceSetBackground(painter);
    return 1;
}

int OpenOutputs(const RunOptions &options) {
    if (!options.traceFile.empty()) {
        run.trace.open(options.traceFile, std::ios::trunc);
        if (!run.trace) {
            *run.errors << "pondlet-tool: cannot write " << options.traceFile << "\n";
            return 0;
        }
        run.tracing = true;
    }
    if (!options.gifFile.empty()) {
        if (!OpenGif(&run.gif, options.gifFile, options.width, options.height)) {
            *run.errors << "pondlet-tool: cannot write " << options.gifFile << "\n";
            return 0;
        }
        run.recording = true;
        AddGifFrame(&run.gif, ReadWholeScreen(), 0);
    }
    return 1;
}

void ResetRunState(const RunOptions &options, std::ostream &errors) {
    run.trace.close();
    run.trace.clear();
    run.tracing = run.recording = run.screenDirty = run.pngFailed = false;
    run.ticks = run.messageBoxes = 0;
    run.gif = GifRecorder{};
    run.options = &options;
    run.errors = &errors;
    run.pngs = options.pngs;
    std::stable_sort(run.pngs.begin(), run.pngs.end(),
                     [](const PngRequest &a, const PngRequest &b) { return a.at < b.at; });
}

// Runs WinMain until the program quits (returns 1 with its exit code) or the
// run's time is up (returns 0 with the time it ended).
int PlayProgram(const RunOptions &options, int *exitCode, uint64_t *endedAt) {
    DeviceSetRunLimit(options.forMs);
    try {
        *exitCode = WinMain((HINSTANCE)GetModuleHandleW(nullptr), nullptr, (LPSTR) "", 0);
        *endedAt = DeviceElapsed();
        return 1;
    } catch (const DeviceRunEnded &ended) {
        *endedAt = ended.at;
        return 0;
    }
}

// A skin folder given as ROOT: the Select dialog, when its parent holds
// several skins, is answered at once with that skin.
void AnswerSelectDialog(int select) {
    if (select < 0) return;
    DeviceAction choose;
    choose.kind = DeviceChoose;
    choose.id = IDC_SKIN_LIST;
    choose.index = select;
    DeviceQueueAction(0, choose);
    DeviceAction enter;
    enter.kind = DeviceEnter;
    DeviceQueueAction(0, enter);
}

}  // namespace

int RunProgram(const RunOptions &options, std::ostream &errors) {
    ResetRunState(options, errors);
    int select = -1;
    StartFreshDevice(ProgramFolder(options.root, &select));
    DeviceSetLocalTime(options.startGiven ? options.start : HostLocalNow());
    if (options.seedGiven) DeviceSeedRandom(options.seed);
    SetBlendMode(options.blend);
    // A background that cannot be read is a bad argument, like an input file
    // that cannot be read; an output that cannot be written is a failure.
    if (!PaintBackground(options)) return kExitUsage;
    if (!OpenOutputs(options)) return kExitFailed;
    AnswerSelectDialog(select);
    QueueInput(options.input);
    WatchDevice();

    int exitCode = 0;
    uint64_t endedAt = 0;
    int quit = PlayProgram(options, &exitCode, &endedAt);
    Settle(true);
    DeviceSetObservers(DeviceObservers{});
    observer = Observer{};
    if (quit) {
        Trace(Json{{"event", "exit"}, {"t", endedAt}, {"code", exitCode}});
    } else {
        Trace(Json{{"event", "end"}, {"t", endedAt}});
    }
    DeviceProcessEnded();
    int ok = !run.pngFailed;
    if (run.recording) ok = CloseGif(&run.gif, endedAt) && ok;
    if (run.tracing) {
        run.trace.close();
        ok = !run.trace.fail() && ok;
    }
    if (!ok) {
        errors << "pondlet-tool: an output file could not be written\n";
        return kExitFailed;
    }
    if (run.ticks == 0 && run.messageBoxes > 0) {
        errors << "pondlet-tool: the skin did not load; nothing was drawn\n";
        return kExitFailed;
    }
    return quit ? exitCode : kExitOk;
}

namespace {

int ParsePngRequest(const std::string &value, RunOptions *options) {
    size_t colon = value.find(':');
    PngRequest request;
    if (colon == std::string::npos || colon + 1 == value.size() ||
        !ParseDuration(value.substr(0, colon), &request.at))
        return 0;
    request.file = value.substr(colon + 1);
    options->pngs.push_back(request);
    return 1;
}

int TakeSeed(RunOptions *options, const std::string &value, std::string *) {
    int64_t seed = 0;
    options->seedGiven = ParseDigits(value, &seed) && seed <= 0xFFFFFFFF;
    options->seed = (uint32_t)seed;
    return options->seedGiven;
}

int TakeFor(RunOptions *options, const std::string &value, std::string *) {
    return ParseDuration(value, &options->forMs) && options->forMs > 0;
}

typedef RunOptions R;
//  name                  takes                                   stored in
const OptionRule<RunOptions> runOptions[] = {
    {"--screen", "WxHxD with depth 8, 16, 24 or 32", TakeScreenAndDepth<R>},
    {"--start", "\"YYYY-MM-DD hh:mm:ss[.mmm]\"",
     [](R *o, OptionValue v, OptionError) -> int {
         return o->startGiven = ParseStartTime(v, &o->start);
     }},
    {"--for", "a duration such as 250ms, 90s, 2h or 1d", TakeFor},
    {"--seed", "a number", TakeSeed},
    {"--background", "FILE.bmp", TakeText<R, &R::backgroundFile>},
    {"--background-colour", "RRGGBB",
     [](R *o, OptionValue v, OptionError) -> int {
         o->colourGiven = 1;
         return ParseColour(v, &o->backgroundColour);
     }},
    {"--input", "FILE",
     [](R *o, OptionValue v, OptionError e) { return ReadInputFile(v, &o->input, e); }},
    {"--trace", "FILE", TakeText<R, &R::traceFile>},
    {"--gif", "FILE", TakeText<R, &R::gifFile>},
    {"--png", "T:FILE, for example 1.5s:shot.png",
     [](R *o, OptionValue v, OptionError) { return ParsePngRequest(v, o); }},
    {"--blend", "100%, 75%, 50%, 25% or half", TakeBlend<R>},
};

}  // namespace

int ParseRunArguments(const std::vector<std::string> &args, RunOptions *options,
                      std::string *error) {
    if (!ParseCommandLine(args, runOptions, "run needs ROOT", options, &options->root, error))
        return 0;
    if (!options->backgroundFile.empty() && options->colourGiven)
        *error = "--background and --background-colour exclude each other";
    // The program starts at 100% on such screens, whatever was chosen.
    else if (options->depth == 8 && options->blend != 0)
        *error = "an 8-bit screen starts at --blend 100%";
    return error->empty();
}

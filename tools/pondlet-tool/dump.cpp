// dump: loads a skin as the program does at start-up and prints the tables
// LoadSkin built, the messages it showed and what the Select dialog offered.
#include "tool.h"

#include "core/process.h"
#include "device.h"
#include "graphics/pixels.h"
#include "shell/instance.h"
#include "skin/script.h"

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

namespace {

// What the Select dialog showed, read whenever input reaches it.
struct SelectView {
    bool seen = false;
    std::vector<std::string> items;
    int selected = -1;
};

void LookAtSelectDialog(SelectView *view) {
    std::vector<DeviceDialogInfo> open = DeviceOpenDialogs();
    if (open.empty() || open.back().resourceId != IDD_SELECT) return;
    view->seen = true;
    view->items.clear();
    for (const std::u16string &item : DeviceControlItems(open.back().window, IDC_SKIN_LIST))
        view->items.push_back(DeviceUtf8(item));
    view->selected = DeviceControlSelection(open.back().window, IDC_SKIN_LIST);
}

void QueueSelectInput(const DumpOptions &options) {
    DeviceAction action;
    if (!options.cancel && options.select != 0) {
        action.kind = DeviceChoose;
        action.id = IDC_SKIN_LIST;
        action.index = options.select;
        DeviceQueueAction(0, action);
    }
    action.kind = options.cancel ? DeviceEscape : DeviceEnter;
    DeviceQueueAction(0, action);
}

template <typename T, size_t N>
Json FlagList(const T (&flags)[N]) {
    Json list = Json::array();
    for (size_t i = 0; i < N; i++) list.push_back(flags[i] != 0 ? 1 : 0);
    return list;
}

Json ImagePixels(const ImageRecord &image) {
    Json rows = Json::array();
    for (int32_t y = 0; y < image.height; y++) {
        Json row = Json::array();
        for (int32_t x = 0; x < image.width; x++) row.push_back(ReadPixel(&image, x, y));
        rows.push_back(row);
    }
    return rows;
}

Json ImageJson(const ImageRecord &image, bool withPixels) {
    Json json;
    json["loaded"] = image.pixels != nullptr;
    json["fileName"] = DeviceUtf8(image.fileName);
    json["x"] = image.x;
    json["y"] = image.y;
    json["width"] = image.width;
    json["height"] = image.height;
    json["bitsPerPixel"] = image.bitsPerPixel;
    json["transparentKey"] = (int32_t)image.transparentKey;
    json["hasTransparentKey"] = image.hasTransparentKey;
    json["palette"] = nullptr;
    if (image.palette != nullptr && image.bitsPerPixel >= 1 && image.bitsPerPixel <= 8) {
        Json palette = Json::array();
        for (int i = 0; i < (1 << image.bitsPerPixel); i++) palette.push_back(image.palette[i]);
        json["palette"] = palette;
    }
    if (withPixels) {
        bool readable = image.pixels != nullptr && image.width > 0 && image.height > 0;
        json["pixels"] = readable ? ImagePixels(image) : Json::array();
    }
    return json;
}

Json ImageList(const ImageRecord *images, int32_t max, bool withPixels) {
    Json list = Json::array();
    for (int32_t i = 0; i <= max; i++) list.push_back(ImageJson(images[i], withPixels));
    return list;
}

Json TextJson(const TextItem &text) {
    return Json{{"text", DeviceUtf8(text.text)},
                {"x", text.x},
                {"y", text.y},
                {"height", text.height},
                {"colour", text.colour}};
}

// layerTextLast and layerText mean something only in a text layer; elsewhere
// the loader leaves them unset.
Json FrameJson(const Frame &frame) {
    Json graphics = Json::array(), masks = Json::array(), lasts = Json::array(),
         texts = Json::array();
    for (int slot = 0; slot < kLayerSlots; slot++) {
        graphics.push_back(frame.layerGraphic[slot]);
        masks.push_back(frame.layerMask[slot]);
        bool textLayer = frame.layerGraphic[slot] == -1 && frame.layerMask[slot] == 0;
        int32_t last = frame.layerTextLast[slot];
        bool valid = textLayer && last >= 0 && last < kTextChoices;
        lasts.push_back(valid ? last : -1);
        Json choices = Json::array();
        for (int32_t c = 0; valid && c <= last; c++) choices.push_back(frame.layerText[slot][c]);
        texts.push_back(choices);
    }
    return Json{{"layerGraphic", graphics},   {"layerMask", masks},
                {"layerTextLast", lasts},     {"layerText", texts},
                {"duration", frame.duration}, {"durationMax", frame.durationMax}};
}

Json RuleJson(const ScheduleRule &rule) {
    return Json{{"sequence", rule.sequence},      {"weekday", FlagList(rule.weekday)},
                {"month", FlagList(rule.month)},  {"day", FlagList(rule.day)},
                {"hour", FlagList(rule.hour)},    {"minute", FlagList(rule.minute)},
                {"second", FlagList(rule.second)}};
}

// A load that failed early leaves some tables unallocated.
bool TablesComplete() {
    const SkinTables &t = skinTables;
    return t.graphics && t.masks && t.texts && t.sequences && t.frameCount && t.regular && t.rules;
}

Json SequencesJson() {
    Json sequences = Json::array();
    for (int32_t n = 0; n <= skinTables.sequenceMax; n++) {
        const Frame *frames = skinTables.sequences[n];
        if (frames == nullptr) {
            sequences.push_back(nullptr);
            continue;
        }
        Json list = Json::array();
        for (int32_t f = 0; f <= skinTables.frameCount[n]; f++)
            list.push_back(FrameJson(frames[f]));
        sequences.push_back(list);
    }
    return sequences;
}

Json SkinJson(bool withPixels) {
    if (!TablesComplete()) return nullptr;
    const SkinTables &t = skinTables;
    Json skin;
    skin["areaWidth"] = t.areaWidth;
    skin["areaHeight"] = t.areaHeight;
    skin["marginRight"] = t.marginRight;
    skin["marginBottom"] = t.marginBottom;
    skin["areaX"] = t.areaX;
    skin["areaY"] = t.areaY;
    skin["fontFace"] = DeviceUtf8(t.fontFace);
    skin["graphicMax"] = t.graphicMax;
    skin["graphics"] = ImageList(t.graphics, t.graphicMax, withPixels);
    skin["maskMax"] = t.maskMax;
    skin["masks"] = ImageList(t.masks, t.maskMax, withPixels);
    skin["textMax"] = t.textMax;
    Json texts = Json::array();
    for (int32_t i = 0; i <= t.textMax; i++) texts.push_back(TextJson(t.texts[i]));
    skin["texts"] = texts;
    skin["sequenceMax"] = t.sequenceMax;
    Json counts = Json::array(), regular = Json::array();
    for (int32_t n = 0; n <= t.sequenceMax; n++) {
        counts.push_back(t.frameCount[n]);
        regular.push_back(t.regular[n] != 0 ? 1 : 0);
    }
    skin["frameCount"] = counts;
    skin["regular"] = regular;
    skin["sequences"] = SequencesJson();
    skin["ruleCount"] = t.ruleCount;
    Json rules = Json::array();
    for (int32_t r = 0; r <= t.ruleCount; r++) rules.push_back(RuleJson(t.rules[r]));
    skin["rules"] = rules;
    return skin;
}

Json MessagesJson() {
    Json messages = Json::array();
    for (const DeviceMessageBox &box : DeviceMessageBoxes())
        messages.push_back(
            Json{{"text", DeviceUtf8(box.text)}, {"caption", DeviceUtf8(box.caption)}});
    return messages;
}

int TakeSelect(DumpOptions *options, const std::string &value, std::string *) {
    int64_t n = 0;
    if (!ParseDigits(value, &n) || n > 1000) return 0;
    options->select = (int)n;
    return 1;
}

//  name          takes                  stored in
const OptionRule<DumpOptions> dumpOptions[] = {
    {"--pixels", nullptr, TakeFlag<DumpOptions, &DumpOptions::pixels>},
    {"--cancel", nullptr, TakeFlag<DumpOptions, &DumpOptions::cancel>},
    {"--screen", "WxH", TakeScreen<DumpOptions>},
    {"--select", "an item number", TakeSelect},
    {"--codepage", "932, 1252 or 65001",
     [](DumpOptions *o, const std::string &v, std::string *) {
         return ParseCodePage(v, &o->codePage);
     }},
};

}  // namespace

int ParseDumpArguments(const std::vector<std::string> &args, DumpOptions *options,
                       std::string *error) {
    if (!ParseCommandLine(args, dumpOptions, "dump needs ROOT", options, &options->root, error))
        return 0;
    if (options->cancel && options->select != 0)
        *error = "--select and --cancel exclude each other";
    return error->empty();
}

int RunDump(const DumpOptions &given, std::ostream &out) {
    DumpOptions options = given;
    int select = -1;
    std::string root = ProgramFolder(given.root, &select);
    // A skin folder given: its own item, unless the Select dialog was answered.
    if (select >= 0 && !given.cancel && given.select == 0) options.select = select;
    StartFreshDevice(root);
    DeviceSetCodePage(options.codePage);
    DeviceSetScreen(options.width, options.height, 16, 0x808080);
    SetScreenSize(options.width, options.height);
    SetAppInstance((HINSTANCE)GetModuleHandleW(nullptr));
    FindExeFolder();

    SelectView view;
    DeviceObservers observers;
    observers.actionApplied = [&view](const DeviceAction &) { LookAtSelectDialog(&view); };
    DeviceSetObservers(observers);
    QueueSelectInput(options);

    int loaded = 0;
    try {
        loaded = LoadSkin();
    } catch (const DeviceRunEnded &) {
        loaded = 0;  // the dialog waited for input that never came
    }
    DeviceSetObservers(DeviceObservers{});

    Json document;
    document["loaded"] = loaded;
    document["messages"] = MessagesJson();
    document["selectDialog"] = nullptr;
    if (view.seen)
        document["selectDialog"] = Json{{"items", view.items}, {"selected", view.selected}};
    document["exeFolder"] = DeviceUtf8(exeFolder);
    document["skin"] = SkinJson(options.pixels);
    out << document.dump(2) << "\n";
    return loaded == 1 ? kExitOk : kExitFailed;
}

#include "engine_skin.h"

#include "graphics/pixels.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <tuple>

ScheduleRule TestRuleFromText(int32_t sequence, const std::string &fields) {
    ScheduleRule rule = {};
    rule.sequence = sequence;
    const std::tuple<uint8_t *, int, int> table[] = {{rule.weekday, 0, 6}, {rule.month, 1, 12},  {rule.day, 1, 31},
                                                     {rule.hour, 0, 23},   {rule.minute, 0, 59}, {rule.second, 0, 59}};
    std::istringstream line(fields);
    std::string field, item;
    for (const auto &[flags, low, high] : table) {
        if (!(line >> field)) break;
        std::istringstream items(field);
        while (std::getline(items, item, ',')) {
            int first = low, last = high;
            int read = item == "*" ? 2 : sscanf(item.c_str(), "%d-%d", &first, &last);
            if (read == 1) last = first;
            for (int value = std::max(first, low); read > 0 && value <= std::min(last, high); value++) flags[value] = 1;
        }
    }
    return rule;
}

Frame TestFrame(int32_t duration, int32_t durationMax, std::initializer_list<TestLayer> layers) {
    Frame frame = {};
    for (int slot = 0; slot < kLayerSlots; slot++) frame.layerGraphic[slot] = frame.layerMask[slot] = -1;
    frame.duration = duration;
    frame.durationMax = durationMax;
    int slot = 0;
    for (const TestLayer &layer : layers) {
        if (slot >= kLayerSlots - 1) break;
        frame.layerGraphic[slot] = layer.graphic;
        frame.layerMask[slot] = layer.graphic == -1 ? 0 : layer.mask;
        if (layer.graphic == -1) frame.layerTextLast[slot] = (int32_t)layer.texts.size() - 1;
        for (size_t c = 0; c < layer.texts.size() && c < kTextChoices; c++) frame.layerText[slot][c] = layer.texts[c];
        slot++;
    }
    return frame;
}

int32_t AddTestSequence(TestSkin &skin, std::initializer_list<Frame> frames, int32_t regular) {
    skin.sequences.emplace_back(frames);
    skin.sequences.back().push_back(TestFrame(-1, -1, {}));
    skin.regular.push_back(regular);
    return (int32_t)skin.sequences.size() - 1;
}

ImageRecord TestPicture(std::vector<BYTE> &pixelStore, int32_t width, int32_t height, int32_t bitsPerPixel,
                        uint32_t fill, const uint32_t *palette) {
    ImageRecord record = {};
    record.width = width;
    record.height = height;
    record.bitsPerPixel = bitsPerPixel;
    record.rowBytes = PackedRowBytes(width, bitsPerPixel);
    pixelStore.assign((size_t)record.rowBytes * height, 0);
    record.pixels = pixelStore.data();
    record.palette = const_cast<uint32_t *>(palette);
    uint32_t value = bitsPerPixel == 24 ? fill : fill & ((1u << bitsPerPixel) - 1);
    for (int32_t y = 0; y < height; y++)
        for (int32_t x = 0; x < width; x++) WritePixel(&record, x, y, value);
    return record;
}

void UseTestSkin(TestSkin &skin) {
    if (skin.rules.empty()) skin.rules.push_back(TestRuleAlways(0));
    if (skin.sequences.empty()) AddTestSequence(skin, {});
    skin.sequencePointers.clear();
    skin.frameCounts.clear();
    for (std::vector<Frame> &frames : skin.sequences) {
        skin.sequencePointers.push_back(frames.data());
        skin.frameCounts.push_back((int32_t)frames.size() - 1);
    }
    SkinTables t = {};
    t.ruleCount = (int32_t)skin.rules.size() - 1;
    t.rules = skin.rules.data();
    t.sequenceMax = (int32_t)skin.sequences.size() - 1;
    t.sequences = skin.sequencePointers.data();
    t.frameCount = skin.frameCounts.data();
    t.regular = skin.regular.data();
    t.graphicMax = (int32_t)skin.graphics.size() - 1;
    t.graphics = skin.graphics.data();
    t.maskMax = (int32_t)skin.masks.size() - 1;
    t.masks = skin.masks.data();
    t.textMax = (int32_t)skin.texts.size() - 1;
    t.texts = skin.texts.data();
    UseSkinTables(&t);
}

static const SkinTables kNoTables = {};
void ClearTestSkin() { UseSkinTables(&kNoTables); }

#include "engine_skin.h"

#include <string.h>

ScheduleRule TestRuleNever(int32_t sequence) {
    ScheduleRule rule = {};
    rule.sequence = sequence;
    return rule;
}

ScheduleRule TestRuleAlways(int32_t sequence) {
    ScheduleRule rule = TestRuleNever(sequence);
    memset(rule.weekday, 1, sizeof rule.weekday);
    memset(rule.month + 1, 1, sizeof rule.month - 1);  // months and days count from 1
    memset(rule.day + 1, 1, sizeof rule.day - 1);
    memset(rule.hour, 1, sizeof rule.hour);
    memset(rule.minute, 1, sizeof rule.minute);
    memset(rule.second, 1, sizeof rule.second);
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
        for (size_t c = 0; c < layer.texts.size() && c < kTextChoices; c++)
            frame.layerText[slot][c] = layer.texts[c];
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

ImageRecord TestPicture(std::vector<BYTE> &pixelStore, int32_t width, int32_t height,
                        int32_t bitsPerPixel, uint32_t fill, const uint32_t *palette) {
    ImageRecord record = {};
    record.width = width;
    record.height = height;
    record.bitsPerPixel = bitsPerPixel;
    record.rowBytes = (width * bitsPerPixel + 7) / 8;
    pixelStore.assign((size_t)record.rowBytes * height, 0);
    record.pixels = pixelStore.data();
    record.palette = const_cast<uint32_t *>(palette);
    const BYTE colour[3] = {(BYTE)((fill >> 16) & 0xF8), (BYTE)((fill >> 8) & 0xFC), (BYTE)(fill & 0xF8)};
    for (int32_t y = 0; y < height; y++)
        for (int32_t x = 0; x < width; x++) {
            BYTE *row = record.pixels + (size_t)y * record.rowBytes;
            if (bitsPerPixel == 24) {
                memcpy(row + 3 * x, colour, 3);
                continue;
            }
            int perByte = 8 / bitsPerPixel, shift = 8 - bitsPerPixel * (x % perByte + 1);
            row[x / perByte] |= (BYTE)((fill & ((1u << bitsPerPixel) - 1)) << shift);
        }
    return record;
}

void UseTestSkin(TestSkin &skin) {
    ClearTestSkin();
    if (skin.rules.empty()) skin.rules.push_back(TestRuleAlways(0));
    if (skin.sequences.empty()) AddTestSequence(skin, {});
    if (skin.graphics.empty()) skin.graphics.resize(1);
    if (skin.masks.empty()) skin.masks.resize(1);
    if (skin.texts.empty()) skin.texts.assign(1, TextItem{{}, 0, 0, -1, 0});  // never set
    skin.sequencePointers.clear();
    skin.frameCounts.clear();
    for (std::vector<Frame> &frames : skin.sequences) {
        skin.sequencePointers.push_back(frames.data());
        skin.frameCounts.push_back((int32_t)frames.size() - 1);
    }
    skinTables.ruleCount = (int32_t)skin.rules.size() - 1;
    skinTables.rules = skin.rules.data();
    skinTables.sequenceMax = (int32_t)skin.sequences.size() - 1;
    skinTables.sequences = skin.sequencePointers.data();
    skinTables.frameCount = skin.frameCounts.data();
    skinTables.regular = skin.regular.data();
    skinTables.graphicMax = (int32_t)skin.graphics.size() - 1;
    skinTables.graphics = skin.graphics.data();
    skinTables.maskMax = (int32_t)skin.masks.size() - 1;
    skinTables.masks = skin.masks.data();
    skinTables.textMax = (int32_t)skin.texts.size() - 1;
    skinTables.texts = skin.texts.data();
}

void ClearTestSkin() { skinTables = SkinTables{}; }

SYSTEMTIME TestTime(int year, int month, int day, int weekday, int hour, int minute, int second,
                    int milliseconds) {
    return SYSTEMTIME{(WORD)year, (WORD)month, (WORD)weekday, (WORD)day,
                      (WORD)hour, (WORD)minute, (WORD)second, (WORD)milliseconds};
}

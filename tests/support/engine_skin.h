// Skin tables built by hand for the engine's tests: rules, sequences, frames,
// pictures and texts without a skin folder. UseTestSkin points skinTables at
// the record's storage, which must outlive the test's use of the tables.
#pragma once

#include "skin/tables.h"

#include <initializer_list>
#include <vector>

struct TestSkin {
    std::vector<ScheduleRule> rules;                 // rule 0 first
    std::vector<std::vector<Frame>> sequences;       // each ends with an end-marker frame
    std::vector<int32_t> regular;                    // per sequence
    std::vector<ImageRecord> graphics;
    std::vector<ImageRecord> masks;
    std::vector<TextItem> texts;
    std::vector<Frame *> sequencePointers;           // filled by UseTestSkin
    std::vector<int32_t> frameCounts;                // filled by UseTestSkin
};

// A rule for the sequence that allows every moment, or none.
ScheduleRule TestRuleAlways(int32_t sequence);
ScheduleRule TestRuleNever(int32_t sequence);

// A layer of a test frame: a picture (graphic, mask) or a text layer
// (graphic -1, texts listed).
struct TestLayer {
    int32_t graphic;
    int32_t mask;
    std::vector<int32_t> texts;
};
// A frame with the given display times and layers, then the end marker.
Frame TestFrame(int32_t duration, int32_t durationMax, std::initializer_list<TestLayer> layers);
// The frame that ends a sequence: no layers, no display time.
Frame TestEndFrame();

// Adds a sequence of these frames (an end-marker frame is appended) and
// returns its number.
int32_t AddTestSequence(TestSkin &skin, std::initializer_list<Frame> frames, int32_t regular = 1);

// A 24-bit or palette picture with packed rows, filled with colour (24 bits)
// or index (palette depths); pixels live in storage owned by the record's
// caller through pixelStore.
ImageRecord TestPicture(std::vector<BYTE> &pixelStore, int32_t width, int32_t height,
                        int32_t bitsPerPixel, uint32_t fill, const uint32_t *palette = nullptr);

void UseTestSkin(TestSkin &skin);
// Sets skinTables back to all zero (no skin).
void ClearTestSkin();

// A local time record.
SYSTEMTIME TestTime(int year, int month, int day, int weekday, int hour, int minute, int second,
                    int milliseconds = 0);

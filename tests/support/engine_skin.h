// Skin tables built by hand for the engine's tests and benchmark. UseTestSkin
// points skinTables at the record's storage, which must outlive their use.
// EditSkinTables and EditAnimation change a copy and put it in place.
#pragma once

#include "core/tables.h"
#include "engine/schedule.h"

#include <initializer_list>
#include <string>
#include <vector>

struct TestSkin {
    std::vector<ScheduleRule> rules;            // rule 0 first
    std::vector<std::vector<Frame>> sequences;  // each ends with an end-marker frame
    std::vector<int32_t> regular;               // per sequence
    std::vector<ImageRecord> graphics, masks;
    std::vector<TextItem> texts;
    std::vector<Frame *> sequencePointers;  // filled by UseTestSkin
    std::vector<int32_t> frameCounts;       // filled by UseTestSkin
};

// A rule from the six fields of a $ line after its sequence, such as
// "1-5 * 31 9-17 0,30 0": each field *, values and ranges joined by commas;
// values outside the field are dropped, as the skin reader drops them.
ScheduleRule TestRuleFromText(int32_t sequence, const std::string &fields);
inline ScheduleRule TestRuleAlways(int32_t sequence) { return TestRuleFromText(sequence, "* * * * * *"); }
// A picture layer (graphic, mask) or a text layer (graphic -1, texts listed).
struct TestLayer {
    int32_t graphic, mask;
    std::vector<int32_t> texts;
};
Frame TestFrame(int32_t duration, int32_t durationMax, std::initializer_list<TestLayer> layers);
// Adds the frames and an end marker; returns the sequence's number.
int32_t AddTestSequence(TestSkin &skin, std::initializer_list<Frame> frames, int32_t regular = 1);
// Packed rows in pixelStore, filled with a colour (cut to 5-6-5) or an index.
ImageRecord TestPicture(std::vector<BYTE> &pixelStore, int32_t width, int32_t height, int32_t bitsPerPixel,
                        uint32_t fill, const uint32_t *palette = nullptr);
void UseTestSkin(TestSkin &skin);  // a rule 0 and a sequence 0 are added when missing
void ClearTestSkin();              // skinTables all zero
template <class Edit>
void EditSkinTables(Edit edit) {
    SkinTables tables = skinTables;
    edit(tables);
    UseSkinTables(&tables);
}
template <class Edit>
void EditAnimation(Edit edit) {
    AnimationState state = animation;
    edit(state);
    SetAnimationState(&state);
}

inline SYSTEMTIME TestTime(int year, int month, int day, int weekday, int hour, int minute, int second, int ms = 0) {
    return SYSTEMTIME{(WORD)year, (WORD)month,  (WORD)weekday, (WORD)day,
                      (WORD)hour, (WORD)minute, (WORD)second,  (WORD)ms};
}

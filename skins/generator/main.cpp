// pondlet-skin-generator: draws the bundled skin and writes its script.
//
// Usage: pondlet-skin-generator OUTPUT_FOLDER
//
// The pictures come from art.cpp; this file places them in the work area and
// writes skin.txt, whose G lines take their positions from the drawings'
// anchors. The output is fully determined by this source (no clock, no
// randomness), and the checked-in skins/pondlet/ must equal it byte for byte.
#include "art.h"

#include <stdio.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// Work area 80 x 80, 4 pixels from the right and bottom edges.
enum { kAreaSize = 80, kMargin = 4 };

// Where the creature sits: its feet on the middle line of the pad.
enum { kPadX = 1, kPadY = 62, kBodyX = 14, kBodyY = 29, kTakeOffY = 21, kApexY = 15 };

// Graphic indices (G lines), in script order.
enum {
    gPad,
    gBody,
    gSquash,
    gStretch,
    gApex,
    gBlink,
    gSleepy,
    gBlinkSquash,
    gMouth,
    gArmUp,
    gArmOut,
    gZ1,
    gZ2,
    gZ3,
    gBubble,
    gFly1,
    gFly2,
    gFly3,
    gFly4,
    gFly5,
    gFly6,
    gMouthApex,
    gArmApex
};
// Mask indices (M lines) and text indices (S lines).
enum { mFlyUp, mBubble, mFlyDown };
enum { sTime, sHi, sRibbit, sHello, sCroak, sDance };
// Sequences: regular ones first, then the two events.
enum { qIdle, qMorning, qEvening, qNight, qWeekend, qHourly, qDaily };

std::string Format(const char *format, int a, int b = 0, int c = 0, int d = 0, int e = 0) {
    char text[200];
    snprintf(text, sizeof text, format, a, b, c, d, e);
    return text;
}

// A G line. `letter` is 'G' or 'g': authors write either.
std::string GraphicLine(char letter, int index, const char *file, int x, int y, int key) {
    std::string line = Format("%c%d,", letter, index) + file + Format(",%d,%d,", x, y);
    return line + (key < 0 ? std::string("-1") : Format("%d", key));
}

std::string Layer(int graphic) { return Format("%d", graphic); }
std::string Layer(int graphic, int mask) { return Format("%d:%d", graphic, mask); }
std::string Texts(std::initializer_list<int> choices) {
    std::string layer = "s";
    for (int choice : choices) layer += (layer.size() > 1 ? ":" : "") + Format("%d", choice);
    return layer;
}

std::string FrameLine(int sequence, const char *duration,
                      std::initializer_list<std::string> layers) {
    std::string line = Format("#%d ", sequence) + duration;
    for (const std::string &layer : layers) line += " " + layer;
    return line;
}

std::vector<std::string> HeaderLines() {
    return {
        "T Pondlet pond friend",
        "; Pondlet, the bundled skin: a little pond creature on a lily pad.",
        "; Made by skins/generator; edit the generator, not this file.",
        Format("d%d,%d,%d,%d", kAreaSize, kAreaSize, kMargin, kMargin),
        "f Tahoma,",
        "",
    };
}

std::vector<std::string> PictureLines() {
    const FrogPose &rest = kPoseRest, &squash = kPoseSquash;
    return {
        "; pictures: index, file, x, y, transparent palette index (-1: none)",
        GraphicLine('G', gPad, "pad.bmp", kPadX, kPadY, 0),
        GraphicLine('G', gBody, "body.bmp", kBodyX, kBodyY, 0),
        GraphicLine('G', gSquash, "squash.bmp", kBodyX, kBodyY, 0),
        GraphicLine('G', gStretch, "stretch.bmp", kBodyX, kTakeOffY, 0),
        GraphicLine('G', gApex, "body.bmp", kBodyX, kApexY, 0),
        GraphicLine('G', gBlink, "lids.bmp", kBodyX + LidsOffsetX(rest), kBodyY + LidsOffsetY(rest),
                    0),
        GraphicLine('G', gSleepy, "sleepy.bmp", kBodyX + LidsOffsetX(rest),
                    kBodyY + LidsOffsetY(rest), 0),
        GraphicLine('G', gBlinkSquash, "lids.bmp", kBodyX + LidsOffsetX(squash),
                    kBodyY + LidsOffsetY(squash), 0),
        GraphicLine('g', gMouth, "mouth.bmp", kBodyX + MouthOffsetX(rest),
                    kBodyY + MouthOffsetY(rest), 0),
        GraphicLine('g', gArmUp, "arm_up.bmp", kBodyX + ArmOffsetX(rest), kBodyY + ArmOffsetY(rest),
                    0),
        GraphicLine('g', gArmOut, "arm_out.bmp", kBodyX + ArmOffsetX(rest),
                    kBodyY + ArmOffsetY(rest), 0),
        GraphicLine('G', gZ1, "zzz.bmp", 60, 22, 0),
        GraphicLine('G', gZ2, "zzz.bmp", 61, 13, 0),
        GraphicLine('G', gZ3, "zzz.bmp", 62, 4, 0),
        "; the speech bubble has 24 bits and no palette: an 8-bit mask cuts it out",
        GraphicLine('G', gBubble, "bubble.bmp", 2, 1, -1),
        "; a dragonfly crossing from the right edge, wings beating",
        GraphicLine('G', gFly1, "fly_up.bmp", 64, 6, -1),
        GraphicLine('G', gFly2, "fly_down.bmp", 52, 10, -1),
        GraphicLine('G', gFly3, "fly_up.bmp", 40, 5, -1),
        GraphicLine('G', gFly4, "fly_down.bmp", 28, 9, -1),
        GraphicLine('G', gFly5, "fly_up.bmp", 16, 4, -1),
        GraphicLine('G', gFly6, "fly_down.bmp", 2, 8, -1),
        GraphicLine('G', gMouthApex, "mouth.bmp", kBodyX + MouthOffsetX(rest),
                    kApexY + MouthOffsetY(rest), 0),
        GraphicLine('G', gArmApex, "arm_up.bmp", kBodyX + ArmOffsetX(rest),
                    kApexY + ArmOffsetY(rest), 0),
        "; masks: a set bit (1-bit files) or the key index (8-bit files) is not drawn",
        "M0,fly_up_m.bmp,64,6",
        Format("m%d,bubble_m.bmp,2,1,%d", mBubble, kBubbleMaskOutside),
        "M2,fly_down_m.bmp,52,10",
        "",
    };
}

std::vector<std::string> TextLines() {
    return {
        "; texts: index, height, red, green, blue, x, y, text",
        "S0,12,36,56,96,9,4,%h:%m",
        "S1,12,36,56,96,14,4,Hi!",
        "s2,12,36,56,96,9,4,Ribbit",
        "S3,12,36,56,96,9,4,Hello",
        "S4,12,36,56,96,9,4,Croak",
        "S5,12,36,56,96,7,4,Dance!",
        "",
    };
}

// Sitting by day: breathing, blinking, now and then a double blink.
std::vector<std::string> IdleLines() {
    return {
        "; 0: sitting about (the default)",
        FrameLine(qIdle, "2000:5000", {Layer(gPad), Layer(gBody)}),
        FrameLine(qIdle, "120", {Layer(gPad), Layer(gBody), Layer(gBlink)}),
        FrameLine(qIdle, "1500:3500", {Layer(gPad), Layer(gBody)}),
        FrameLine(qIdle, "700:1000", {Layer(gPad), Layer(gSquash)}),
        FrameLine(qIdle, "900:1400", {Layer(gPad), Layer(gBody)}),
        FrameLine(qIdle, "100", {Layer(gPad), Layer(gBody), Layer(gBlink)}),
        FrameLine(qIdle, "90", {Layer(gPad), Layer(gBody)}),
        FrameLine(qIdle, "100", {Layer(gPad), Layer(gBody), Layer(gBlink)}),
        FrameLine(qIdle, "2500:6000", {Layer(gPad), Layer(gBody)}),
    };
}

// A hop: crouch, stretch, airborne, stretch, land.
std::vector<std::string> HopLines(int sequence, std::initializer_list<std::string> apexExtras) {
    std::vector<std::string> apex = {Layer(gPad), Layer(gApex)};
    apex.insert(apex.end(), apexExtras.begin(), apexExtras.end());
    std::string apexLine = Format("#%d 180", sequence);
    for (const std::string &layer : apex) apexLine += " " + layer;
    return {
        FrameLine(sequence, "160", {Layer(gPad), Layer(gSquash)}),
        FrameLine(sequence, "110", {Layer(gPad), Layer(gStretch)}),
        apexLine,
        FrameLine(sequence, "110", {Layer(gPad), Layer(gStretch)}),
        FrameLine(sequence, "140", {Layer(gPad), Layer(gSquash), Layer(gBlinkSquash)}),
    };
}

std::vector<std::string> MorningLines() {
    std::vector<std::string> lines = {"; 1: mornings: a wake-up hop and a greeting",
                                      FrameLine(qMorning, "800:1500", {Layer(gPad), Layer(gBody)})};
    for (const std::string &line : HopLines(qMorning, {})) lines.push_back(line);
    std::vector<std::string> rest = {
        FrameLine(qMorning, "300", {Layer(gPad), Layer(gBody)}),
        FrameLine(qMorning, "1800:2800",
                  {Layer(gPad), Layer(gBody), Layer(gMouth), Layer(gBubble, mBubble),
                   Texts({sHi, sRibbit, sHello, sCroak})}),
        FrameLine(qMorning, "1500:3000", {Layer(gPad), Layer(gBody)}),
        FrameLine(qMorning, "120", {Layer(gPad), Layer(gBody), Layer(gBlink)}),
        FrameLine(qMorning, "2000:4000", {Layer(gPad), Layer(gBody)}),
    };
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
}

// Evenings: drowsy eyes, a yawn, a dragonfly going by.
std::vector<std::string> EveningLines() {
    std::vector<std::string> lines = {
        "; 2: evenings: sleepy, with a passing dragonfly",
        FrameLine(qEvening, "2000:4000", {Layer(gPad), Layer(gBody), Layer(gSleepy)}),
        FrameLine(qEvening, "1200:1800", {Layer(gPad), Layer(gBody), Layer(gBlink), Layer(gMouth)}),
        FrameLine(qEvening, "1500:2500", {Layer(gPad), Layer(gBody), Layer(gSleepy)}),
    };
    const int flies[] = {gFly1, gFly2, gFly3, gFly4, gFly5, gFly6};
    for (int i = 0; i < 6; ++i)
        lines.push_back(FrameLine(qEvening, "180",
                                  {Layer(gPad), Layer(gBody), Layer(gSleepy),
                                   Layer(flies[i], i % 2 ? mFlyDown : mFlyUp)}));
    lines.push_back(FrameLine(qEvening, "120", {Layer(gPad), Layer(gBody), Layer(gBlink)}));
    lines.push_back(FrameLine(qEvening, "2000:4000", {Layer(gPad), Layer(gBody), Layer(gSleepy)}));
    return lines;
}

// Nights: asleep, breathing slowly while the Z's rise.
std::vector<std::string> NightLines() {
    return {
        "; 3: nights: fast asleep",
        FrameLine(qNight, "1200:1800", {Layer(gPad), Layer(gBody), Layer(gBlink)}),
        FrameLine(qNight, "900:1200", {Layer(gPad), Layer(gBody), Layer(gBlink), Layer(gZ1)}),
        FrameLine(qNight, "900:1200",
                  {Layer(gPad), Layer(gSquash), Layer(gBlinkSquash), Layer(gZ2)}),
        FrameLine(qNight, "900:1200",
                  {Layer(gPad), Layer(gSquash), Layer(gBlinkSquash), Layer(gZ3)}),
        FrameLine(qNight, "1200:1800", {Layer(gPad), Layer(gBody), Layer(gBlink)}),
    };
}

std::vector<std::string> WaveLines(int sequence) {
    return {
        FrameLine(sequence, "300", {Layer(gPad), Layer(gBody), Layer(gArmUp), Layer(gMouth)}),
        FrameLine(sequence, "300", {Layer(gPad), Layer(gBody), Layer(gArmOut), Layer(gMouth)}),
        FrameLine(sequence, "300", {Layer(gPad), Layer(gBody), Layer(gArmUp), Layer(gMouth)}),
    };
}

// Weekend days: waving and happy hops.
std::vector<std::string> WeekendLines() {
    std::vector<std::string> lines = {
        "; 4: weekend days: waving and hopping",
        FrameLine(qWeekend, "1000:2000", {Layer(gPad), Layer(gBody), Layer(gMouth)})};
    for (const std::string &line : WaveLines(qWeekend)) lines.push_back(line);
    for (const std::string &line : HopLines(qWeekend, {Layer(gMouthApex), Layer(gArmApex)}))
        lines.push_back(line);
    lines.push_back(FrameLine(qWeekend, "1500:3000", {Layer(gPad), Layer(gBody)}));
    lines.push_back(FrameLine(qWeekend, "120", {Layer(gPad), Layer(gBody), Layer(gBlink)}));
    return lines;
}

std::vector<std::string> EventLines() {
    std::vector<std::string> lines = {
        "",
        "; 5: on the hour, the time in the bubble (an event sequence)",
        Format("#%d n", qHourly),
        FrameLine(
            qHourly, "2500",
            {Layer(gPad), Layer(gBody), Layer(gMouth), Layer(gBubble, mBubble), Texts({sTime})}),
        FrameLine(qHourly, "2000",
                  {Layer(gPad), Layer(gBody), Layer(gBubble, mBubble), Texts({sTime})}),
        FrameLine(qHourly, "120", {Layer(gPad), Layer(gBody), Layer(gBlink)}),
        "; 6: once a day at three, a dance with the dragonfly",
        Format("#%d N", qDaily),
        FrameLine(
            qDaily, "1500",
            {Layer(gPad), Layer(gBody), Layer(gMouth), Layer(gBubble, mBubble), Texts({sDance})}),
    };
    const int flies[] = {gFly1, gFly2, gFly3};
    for (int i = 0; i < 3; ++i)
        lines.push_back(FrameLine(qDaily, "250",
                                  {Layer(gPad), Layer(gBody), Layer(i % 2 ? gArmOut : gArmUp),
                                   Layer(gMouth), Layer(flies[i], i % 2 ? mFlyDown : mFlyUp)}));
    for (const std::string &line :
         HopLines(qDaily, {Layer(gMouthApex), Layer(gArmApex), Layer(gFly4, mFlyDown)}))
        lines.push_back(line);
    for (const std::string &line : WaveLines(qDaily)) lines.push_back(line);
    lines.push_back(FrameLine(
        qDaily, "2000",
        {Layer(gPad), Layer(gBody), Layer(gMouth), Layer(gBubble, mBubble), Texts({sTime})}));
    return lines;
}

std::vector<std::string> RuleLines() {
    return {
        "",
        "; rules: sequence weekdays months days hours minutes seconds",
        "; (later lines win; events interrupt only rules above them)",
        "$1 * * * 6-9 * *",
        "$2 * * * 18-21 * *",
        "$3 * * * 22-23,0-5 * *",
        "; Saturday and Sunday, 10:00 to 17:59",
        "$4 0,6 * * 10-17 * *",
        "$5 * * * 7-21 0 0",
        "$6 * * * 15 0 0",
    };
}

std::string ScriptText() {
    std::vector<std::vector<std::string>> parts = {
        HeaderLines(),  PictureLines(), TextLines(),    IdleLines(),  MorningLines(),
        EveningLines(), NightLines(),   WeekendLines(), EventLines(), RuleLines()};
    std::string text;
    for (const auto &part : parts)
        for (const std::string &line : part) text += line + "\r\n";
    return text;
}

std::vector<Picture> Pictures() {
    return {
        DrawPad("pad.bmp"),
        DrawFrog("body.bmp", kPoseRest),
        DrawFrog("squash.bmp", kPoseSquash),
        DrawFrog("stretch.bmp", kPoseStretch),
        DrawLids("lids.bmp", true),
        DrawLids("sleepy.bmp", false),
        DrawMouth("mouth.bmp"),
        DrawArm("arm_up.bmp", 62),
        DrawArm("arm_out.bmp", 28),
        DrawSleepZ("zzz.bmp"),
        DrawBubble("bubble.bmp"),
        DrawBubbleMask("bubble_m.bmp"),
        DrawDragonfly("fly_up.bmp", true),
        DrawDragonfly("fly_down.bmp", false),
        DrawDragonflyMask("fly_up_m.bmp", true),
        DrawDragonflyMask("fly_down_m.bmp", false),
    };
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: pondlet-skin-generator OUTPUT_FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    int ok = WriteBytes(folder + "/skin.txt", ScriptText());
    for (const Picture &picture : Pictures())
        ok &= WriteBmp(folder + "/" + picture.file, picture.canvas, picture.depth, picture.palette);
    return ok ? 0 : 1;
}

// Drawings of the bundled pond creature and its props.
//
// Each Draw function builds one picture from ellipses, circles, segments and
// triangles, then rims it with a dark outline. Palette pictures reserve index
// 0 for the transparent key: magenta, a colour no other index uses, even after
// a 16-bit display rounds it, so a key-colour test can never eat real pixels.
#include "art.h"

#include <math.h>

namespace {

const Rgb kKey = {255, 0, 255};
const Rgb kOutline = {28, 72, 36};

// Body palette: index 0 key, 1 outline, greens from dark to light, then details.
enum {
    kGreenFirst = 2,
    kGreenLevels = 12,
    kBelly = kGreenFirst + kGreenLevels,
    kBellyShade,
    kWhite,
    kPupil,
    kCheek,
    kMouthLine
};
const Rgb kGreenDark = {40, 112, 48};
const Rgb kGreenLight = {172, 230, 124};

const double kEyeBump = 9.0, kEyeRing = 7.5, kEyeWhite = 6.5, kPupilRadius = 3.6;

uint32_t Value(int r, int g, int b) {
    return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
           static_cast<uint32_t>(b);
}

uint8_t Mix(uint8_t a, uint8_t b, double t) {
    return static_cast<uint8_t>(lround(a + (b - a) * t));
}

Rgb MixRgb(Rgb a, Rgb b, double t) {
    return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)};
}

// Light falls from the upper left of the body; the result picks a green.
int GreenLevel(const FrogPose &pose, double px, double py) {
    double lx = pose.bodyCx - 10, ly = pose.bodyCy - pose.bodyRy - 2;
    double shade = 1.0 - sqrt((px - lx) * (px - lx) + (py - ly) * (py - ly)) / 46.0;
    int level = static_cast<int>(shade * double(kGreenLevels));
    return level < 0 ? 0 : (level >= kGreenLevels ? kGreenLevels - 1 : level);
}

Rgb GreenAt(const FrogPose &pose, double px, double py) {
    return MixRgb(kGreenDark, kGreenLight, GreenLevel(pose, px, py) / double(kGreenLevels - 1));
}

std::vector<Rgb> BodyPalette() {
    std::vector<Rgb> palette = {kKey, kOutline};
    for (int i = 0; i < kGreenLevels; ++i)
        palette.push_back(MixRgb(kGreenDark, kGreenLight, i / double(kGreenLevels - 1)));
    palette.push_back({222, 240, 184});  // belly
    palette.push_back({196, 222, 150});  // belly shade
    palette.push_back({252, 252, 246});  // eye white
    palette.push_back({24, 26, 44});     // pupil
    palette.push_back({244, 150, 162});  // cheek
    palette.push_back({72, 40, 40});     // mouth line
    return palette;
}

bool InSilhouette(const FrogPose &pose, double px, double py) {
    return InEllipse(px, py, pose.bodyCx, pose.bodyCy, pose.bodyRx, pose.bodyRy) ||
           InCircle(px, py, kEyeLeftX, pose.eyeY, kEyeBump) ||
           InCircle(px, py, kEyeRightX, pose.eyeY, kEyeBump) ||
           InEllipse(px, py, pose.bodyCx - 17, 41, 7, 2.5) ||
           InEllipse(px, py, pose.bodyCx + 17, 41, 7, 2.5);
}

void PaintBody(Canvas &canvas, const FrogPose &pose) {
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x)
            if (InSilhouette(pose, x + 0.5, y + 0.5))
                CanvasSet(canvas, x, y, kGreenFirst + GreenLevel(pose, x + 0.5, y + 0.5));
    FillWhere(canvas, kBelly, [&](double px, double py) {
        return InEllipse(px, py, pose.bodyCx, pose.bellyCy, pose.bellyRx, pose.bellyRy);
    });
    FillWhere(canvas, kBellyShade, [&](double px, double py) {
        return py > pose.bellyCy + pose.bellyRy * 0.45 &&
               InEllipse(px, py, pose.bodyCx, pose.bellyCy, pose.bellyRx, pose.bellyRy);
    });
    OutlineShape(canvas, 0, 1);
}

// Big eyes whose pupils look slightly inwards, with a glint.
void PaintEye(Canvas &canvas, double cx, double cy, double lookX) {
    FillWhere(canvas, 1, [&](double px, double py) { return InCircle(px, py, cx, cy, kEyeRing); });
    FillWhere(canvas, kWhite,
              [&](double px, double py) { return InCircle(px, py, cx, cy, kEyeWhite); });
    double pupilX = cx + lookX, pupilY = cy + 0.8;
    FillWhere(canvas, kPupil,
              [&](double px, double py) { return InCircle(px, py, pupilX, pupilY, kPupilRadius); });
    FillWhere(canvas, kWhite, [&](double px, double py) {
        return InCircle(px, py, pupilX - 1.2, pupilY - 1.4, 1.2);
    });
}

void PaintFace(Canvas &canvas, const FrogPose &pose) {
    PaintEye(canvas, kEyeLeftX, pose.eyeY, 1.0);
    PaintEye(canvas, kEyeRightX, pose.eyeY, -1.0);
    for (int side = -1; side <= 1; side += 2)
        FillWhere(canvas, kCheek, [&](double px, double py) {
            return InEllipse(px, py, pose.bodyCx + side * 15, pose.mouthY - 0.5, 3.2, 2.0);
        });
    // A small smile: the lower part of a circle above the mouth point.
    FillWhere(canvas, kMouthLine, [&](double px, double py) {
        double d = sqrt((px - pose.bodyCx) * (px - pose.bodyCx) +
                        (py - (pose.mouthY - 3)) * (py - (pose.mouthY - 3)));
        return fabs(d - 4.0) < 0.75 && py > pose.mouthY - 1.5;
    });
}

// Four-colour overlays share this palette layout: key, outline, fill, light.
std::vector<Rgb> OverlayPalette(Rgb fill, Rgb light) { return {kKey, kOutline, fill, light}; }

void PaintZ(Canvas &canvas, int x, int y, int size) {
    for (int i = 0; i < size; ++i) {
        CanvasSet(canvas, x + i, y, 1);
        CanvasSet(canvas, x + i, y + size - 1, 1);
        CanvasSet(canvas, x + size - 1 - i, y + i, 1);
    }
}

bool InBubble(double px, double py) {
    return InRoundRect(px, py, 0.5, 0.5, double(kBubbleWidth) - 0.5, 19.5, 6) ||
           InTriangle(px, py, 30, 18, 38, 18, 41, 23.6);
}

bool InWings(double px, double py, bool wingsUp) {
    double y1 = wingsUp ? 3.4 : 10.6, y2 = wingsUp ? 3.8 : 10.2;
    return InEllipse(px, py, 9.5, y1, 5.2, 2.3) || InEllipse(px, py, 15.5, y2, 4.6, 2.0);
}

}  // namespace

const FrogPose kPoseRest = {26, 29, 23, 14, 13, 25, 35, 13, 7.5};
const FrogPose kPoseSquash = {26, 31.5, 25, 11.5, 16, 28, 37, 14, 6};
const FrogPose kPoseStretch = {26, 27, 21, 16, 10, 22, 33.5, 12, 9};

int LidsOffsetX(const FrogPose &) { return kEyeLeftX - 8; }
int LidsOffsetY(const FrogPose &pose) { return static_cast<int>(pose.eyeY) - 8; }
int MouthOffsetX(const FrogPose &pose) { return static_cast<int>(pose.bodyCx) - 5; }
int MouthOffsetY(const FrogPose &pose) { return static_cast<int>(pose.mouthY) - 3; }
int ArmOffsetX(const FrogPose &pose) { return static_cast<int>(pose.bodyCx + pose.bodyRx) - 6; }
int ArmOffsetY(const FrogPose &pose) { return static_cast<int>(pose.bodyCy) - 20; }

Picture DrawPad(const char *file) {
    enum { kPad = 2, kPadLight, kVein, kRipple, kPetal, kFlowerHeart };
    Canvas canvas = MakeCanvas(kPadWidth, kPadHeight, 0);
    FillWhere(canvas, kPad, [](double px, double py) { return InEllipse(px, py, 39, 9, 38, 8); });
    FillWhere(canvas, kPadLight, [](double px, double py) {
        return InEllipse(px, py, 34, 7, 30, 5) && InEllipse(px, py, 39, 9, 38, 8);
    });
    // The notch of a lily pad: a wedge from the middle out to the rim.
    FillWhere(canvas, 0,
              [](double px, double py) { return InTriangle(px, py, 43, 9, 74, 0.5, 80, 7); });
    static const double kVeinEnds[][2] = {{3, 9},   {13, 3},  {26, 1.5}, {54, 1.5},
                                          {13, 15}, {39, 17}, {65, 15},  {75, 11}};
    for (const auto &end : kVeinEnds)
        FillWhere(canvas, kVein, [&](double px, double py) {
            return DistanceToSegment(px, py, 39, 9, end[0], end[1]) < 0.45 &&
                   InEllipse(px, py, 39, 9, 36, 6.5);
        });
    OutlineShape(canvas, 0, 1);
    for (int x = 0; x < kPadWidth; ++x) {  // ripples in the water on both sides
        if ((x >= 1 && x <= 8) || (x >= 70 && x <= 77)) CanvasSet(canvas, x, 18, kRipple);
        if ((x >= 3 && x <= 10) || (x >= 67 && x <= 74)) CanvasSet(canvas, x, 17, kRipple);
    }
    for (int k = 0; k < 5; ++k) {  // a small flower on the pad's left
        double a = k * 2 * M_PI / 5 - M_PI / 2;
        FillWhere(canvas, kPetal, [&](double px, double py) {
            return InCircle(px, py, 11 + 2.2 * cos(a), 7 + 1.9 * sin(a), 1.7);
        });
    }
    FillWhere(canvas, kFlowerHeart,
              [](double px, double py) { return InCircle(px, py, 11, 7, 1.3); });
    return {file,
            canvas,
            4,
            {kKey,
             {24, 80, 44},
             {52, 150, 76},
             {96, 186, 100},
             {38, 118, 58},
             {160, 210, 240},
             {248, 176, 204},
             {250, 222, 90}}};
}

Picture DrawFrog(const char *file, const FrogPose &pose) {
    Canvas canvas = MakeCanvas(kBodyWidth, kBodyHeight, 0);
    PaintBody(canvas, pose);
    PaintFace(canvas, pose);
    return {file, canvas, 8, BodyPalette()};
}

// Eyelids for both eyes of any pose (the eyes keep their size and spacing).
// Closed lids end in a content curve; half-open lids droop to the pupils.
Picture DrawLids(const char *file, bool closed) {
    Canvas canvas = MakeCanvas(kLidsWidth, kLidsHeight, 0);
    Rgb lid = GreenAt(kPoseRest, kEyeLeftX + 3, kPoseRest.eyeY);
    Rgb light = MixRgb(lid, {255, 255, 255}, 0.35);
    for (double cx : {8.0, 30.0}) {
        double cy = 8.0;
        FillWhere(canvas, 2, [&](double px, double py) {
            return InCircle(px, py, cx, cy, kEyeRing + 0.2) && (closed || py < cy + 0.2);
        });
        FillWhere(canvas, 3,
                  [&](double px, double py) { return InEllipse(px, py, cx - 2, cy - 4, 3, 1.5); });
        FillWhere(canvas, 1, [&](double px, double py) {
            if (!closed)
                return InCircle(px, py, cx, cy, kEyeRing) && py >= cy - 0.8 && py < cy + 0.2;
            double d = sqrt((px - cx) * (px - cx) + (py - (cy - 2.5)) * (py - (cy - 2.5)));
            return fabs(d - 4.3) < 0.7 && py > cy - 0.5;
        });
    }
    return {file, canvas, 4, OverlayPalette(lid, light)};
}

Picture DrawMouth(const char *file) {
    Canvas canvas = MakeCanvas(kMouthWidth, kMouthHeight, 0);
    FillWhere(canvas, 2,
              [](double px, double py) { return InEllipse(px, py, 5.5, 4.5, 4.6, 3.9); });
    OutlineShape(canvas, 0, 1);
    FillWhere(canvas, 3, [](double px, double py) {
        return InEllipse(px, py, 5.5, 6.4, 2.6, 1.5) && InEllipse(px, py, 5.5, 4.5, 3.6, 2.9);
    });
    return {file, canvas, 4, {kKey, {72, 40, 40}, {128, 36, 48}, {242, 124, 136}}};
}

// One arm raised from the shoulder at (2, 17), angle measured from the right.
Picture DrawArm(const char *file, double angleDegrees) {
    Canvas canvas = MakeCanvas(kArmWidth, kArmHeight, 0);
    double a = angleDegrees * M_PI / 180.0;
    double hx = 2.5 + 12 * cos(a), hy = 17 - 12 * sin(a);
    FillWhere(canvas, 2, [&](double px, double py) {
        return DistanceToSegment(px, py, 2.5, 17, hx, hy) < 2.7 || InCircle(px, py, hx, hy, 3.5);
    });
    FillWhere(canvas, 3,
              [&](double px, double py) { return InCircle(px, py, hx - 0.8, hy - 0.8, 1.4); });
    OutlineShape(canvas, 0, 1);
    return {file, canvas, 4, OverlayPalette(GreenAt(kPoseRest, 46, 22), {190, 236, 150})};
}

Picture DrawSleepZ(const char *file) {
    Canvas canvas = MakeCanvas(18, 16, 0);
    PaintZ(canvas, 1, 10, 5);
    PaintZ(canvas, 9, 1, 7);
    PaintZ(canvas, 10, 2, 5);  // a second stroke makes the big Z bold
    return {file, canvas, 1, {kKey, {64, 84, 196}}};
}

Picture DrawBubble(const char *file) {
    Canvas canvas = MakeCanvas(kBubbleWidth, kBubbleHeight, 0);
    for (int y = 0; y < kBubbleHeight; ++y)
        for (int x = 0; x < kBubbleWidth; ++x)
            if (InBubble(x + 0.5, y + 0.5)) {
                Rgb c = MixRgb({255, 255, 255}, {200, 226, 248}, y / 22.0);
                CanvasSet(canvas, x, y, Value(c.r, c.g, c.b));
            }
    OutlineShape(canvas, 0, Value(56, 88, 128));
    return {file, canvas, 24, {}};
}

// Grey-ramp mask: the bubble black, the outside kBubbleMaskOutside.
Picture DrawBubbleMask(const char *file) {
    Canvas canvas = MakeCanvas(kBubbleWidth, kBubbleHeight, kBubbleMaskOutside);
    FillWhere(canvas, 0, InBubble);
    std::vector<Rgb> greys;
    for (int i = 0; i < 256; ++i) greys.push_back({uint8_t(i), uint8_t(i), uint8_t(i)});
    return {file, canvas, 8, greys};
}

Picture DrawDragonfly(const char *file, bool wingsUp) {
    Canvas canvas = MakeCanvas(kFlyWidth, kFlyHeight, 0);
    for (int y = 0; y < kFlyHeight; ++y)
        for (int x = 0; x < kFlyWidth; ++x)
            if (InWings(x + 0.5, y + 0.5, wingsUp)) {
                Rgb c = MixRgb({196, 232, 250}, {250, 252, 255}, x / 22.0);
                CanvasSet(canvas, x, y, Value(c.r, c.g, c.b));
            }
    OutlineShape(canvas, 0, Value(110, 150, 190));
    FillWhere(canvas, Value(40, 92, 212), [](double px, double py) {
        return DistanceToSegment(px, py, 8, 7, 22.5, 7.5) < 1.25;
    });
    for (int x = 11; x < 23; x += 3) CanvasSet(canvas, x, 7, Value(24, 52, 150));
    FillWhere(canvas, Value(30, 140, 150),
              [](double px, double py) { return InEllipse(px, py, 8.5, 7, 2.6, 2.0); });
    FillWhere(canvas, Value(70, 206, 170),
              [](double px, double py) { return InCircle(px, py, 4, 6.8, 2.6); });
    CanvasSet(canvas, 3, 5, Value(255, 255, 255));
    return {file, canvas, 24, {}};
}

// 1-bit mask for a dragonfly picture: bit 1 where nothing is drawn.
Picture DrawDragonflyMask(const char *file, bool wingsUp) {
    Picture fly = DrawDragonfly(file, wingsUp);
    Canvas canvas = MakeCanvas(kFlyWidth, kFlyHeight, 1);
    for (int y = 0; y < kFlyHeight; ++y)
        for (int x = 0; x < kFlyWidth; ++x)
            if (CanvasAt(fly.canvas, x, y) != 0) CanvasSet(canvas, x, y, 0);
    return {file, canvas, 1, {{0, 0, 0}, {255, 255, 255}}};
}

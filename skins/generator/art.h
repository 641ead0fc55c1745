// The bundled pond creature, drawn from shapes: a round green frog-like
// fellow with big eyes, sitting on a lily pad.
//
// Every overlay (eyelids, open mouth, waving arm) is drawn in its own small
// picture and placed over the body by the script; the anchors below say
// where on a body picture each overlay belongs, so the script's positions
// follow from the drawings instead of being typed twice.
#pragma once

#include "canvas.h"

#include <string>
#include <vector>

struct Picture {
    std::string file;
    Canvas canvas;
    int depth;
    std::vector<Rgb> palette;  // empty for 24 bits
};

// A body shape: the same creature squashed, at rest or stretched. All body
// pictures share one canvas size and stand on the same bottom line, so a
// pose change is a change of picture, not of position.
struct FrogPose {
    double bodyCx, bodyCy, bodyRx, bodyRy;
    double eyeY;  // both eyes; their x never changes
    double mouthY;
    double bellyCy, bellyRx, bellyRy;
};

enum {
    kPadWidth = 78,
    kPadHeight = 20,
    kBodyWidth = 52,
    kBodyHeight = 44,
    kEyeLeftX = 15,
    kEyeRightX = 37,
    kLidsWidth = 38,
    kLidsHeight = 16,  // both eyes, lid centres at (8, 8) and (30, 8)
    kMouthWidth = 11,
    kMouthHeight = 9,  // centred on the mouth point
    kArmWidth = 16,
    kArmHeight = 20,  // shoulder at (2, 17)
    kBubbleWidth = 48,
    kBubbleHeight = 24,
    kFlyWidth = 24,
    kFlyHeight = 14,
    kBubbleMaskOutside = 255  // the 8-bit bubble mask's "not drawn" index
};

extern const FrogPose kPoseRest, kPoseSquash, kPoseStretch;

// Where an overlay's top-left corner goes, relative to its body picture.
int LidsOffsetX(const FrogPose &pose);
int LidsOffsetY(const FrogPose &pose);
int MouthOffsetX(const FrogPose &pose);
int MouthOffsetY(const FrogPose &pose);
int ArmOffsetX(const FrogPose &pose);
int ArmOffsetY(const FrogPose &pose);

Picture DrawPad(const char *file);
Picture DrawFrog(const char *file, const FrogPose &pose);
Picture DrawLids(const char *file, bool closed);
Picture DrawMouth(const char *file);
Picture DrawArm(const char *file, double angleDegrees);
Picture DrawSleepZ(const char *file);
Picture DrawBubble(const char *file);
Picture DrawBubbleMask(const char *file);
Picture DrawDragonfly(const char *file, bool wingsUp);
Picture DrawDragonflyMask(const char *file, bool wingsUp);

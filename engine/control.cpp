// Pausing (hiding), restarting and moving the animation, from the tray
// icon, the control panel and the settings change.
#include "engine/control.h"

#include "core/tables.h"
#include "engine/animation.h"
#include "engine/tick.h"

#include "core/process.h"
#include "graphics/surfaces.h"

void StartAnimation(HWND window) {
    RewindAnimation();
    SetTimer(window, kAnimationTimer, 1, nullptr);
}

void StopAnimation(HWND window) {
    KillTimer(window, kAnimationTimer);
    SetAnimationPaused(1);
}

void PauseAnimation(void) {
    KillTimer(mainWindow, kAnimationTimer);
    SetAnimationPaused(1);
    if (WorkSurfacesReady()) RestoreBackground();
}

// Without work surfaces (their creation failed at start-up) the animation
// stays stopped: there is nothing to compose into.
void RestartAnimation(void) {
    if (!WorkSurfacesReady()) return;
    CaptureBackground();
    SetAnimationPaused(0);
    SYSTEMTIME now;
    GetLocalTime(&now);
    SelectRuleForNow(&now);
    ReplanAfterPause();
    // SetTimer replaces a running timer of the same id, so none is killed first.
    SetTimer(mainWindow, kAnimationTimer, 1, nullptr);
}

// 1 while MoveArea runs, so that a move never starts inside another.
static int32_t moveBusy;

// No tick: the frame stays as long as planned and the timer keeps its plan,
// however quickly the moves come.
void MoveArea(int32_t dx, int32_t dy) {
    if (moveBusy == 1) return;
    moveBusy = 1;
    int32_t frameShown = animation.paused == 0 && mascotShown == 1;
    RestoreBackground();
    MoveUserOffset(dx, dy);
    PlaceWorkArea();
    CaptureBackground();
    if (frameShown) ShowComposedFrame();
    moveBusy = 0;
}

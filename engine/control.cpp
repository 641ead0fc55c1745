// Pausing (hiding), restarting and moving the animation, from the tray
// icon, the control panel and the settings change.
#include "engine/control.h"

#include "core/tables.h"
#include "engine/animation.h"
#include "engine/tick.h"

#include "core/process.h"
#include "graphics/surfaces.h"

void StartAnimation(HWND window) {
    animationState.currentRule = 0;
    animationState.frameIndex = 0;
    animationState.lastTickTime.wMonth = 0;  // no tick yet
    animationState.backgroundRefreshPending = 1;
    animationState.nextDueTick = 0;
    animationState.paused = 0;
    SetTimer(window, kAnimationTimer, 1, nullptr);
}

void StopAnimation(HWND window) {
    KillTimer(window, kAnimationTimer);
    animationState.paused = 1;
}

void PauseAnimation(void) {
    KillTimer(mainWindow, kAnimationTimer);
    animationState.paused = 1;
    if (WorkSurfacesReady()) RestoreBackground();
}

// Without work surfaces (their creation failed at start-up) the animation
// stays stopped: there is nothing to compose into.
void RestartAnimation(void) {
    if (!WorkSurfacesReady()) return;
    CaptureBackground();
    animationState.paused = 0;
    SYSTEMTIME now;
    GetLocalTime(&now);
    SelectRuleForNow(&now);
    // An event chosen before the pause never showed: its second has not
    // started it, and a walk may find it again.
    animationState.chosenEventSecond = 0;
    animationState.nextDueTick = 0;
    animationState.backgroundRefreshPending = 1;
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
    int32_t frameShown = animationState.paused == 0 && mascotShown == 1;
    RestoreBackground();
    MoveUserOffset(dx, dy);
    PlaceWorkArea();
    CaptureBackground();
    if (frameShown) ShowComposedFrame();
    moveBusy = 0;
}

// An animated GIF of the simulated screen, written as the run goes.
//
// Frames come in with their device time; the recorder keeps one frame back
// so that it knows how long each is shown. GIF delays are in 1/100 s, so
// states less than 10 ms apart collapse into the later one; only the
// rectangle that changed since the previous frame is written. Each frame
// carries its own colour table: the exact colours of the rectangle when
// there are at most 256, else giflib's median-cut quantiser's choice.
#pragma once

#include "tool.h"

#include <gif_lib.h>

struct GifRecorder {
    GifFileType *file = nullptr;
    int width = 0, height = 0;
    std::vector<COLORREF> shown;    // the image as the viewer shows it now
    std::vector<COLORREF> pending;  // the frame waiting for its delay
    bool hasPending = false;
    bool anyWritten = false;
    uint64_t pendingAt = 0;  // 1/100 s since the start
};

// Returns 1, or 0 when the file cannot be made.
int OpenGif(GifRecorder *gif, const std::string &path, int width, int height);
// The screen as it is from device time atMs on (pixels outside the GIF's
// size are dropped; missing ones read black).
void AddGifFrame(GifRecorder *gif, const ScreenImage &screen, uint64_t atMs);
// Writes the last frame, shown until endMs, and closes. Returns 1 when all went out.
int CloseGif(GifRecorder *gif, uint64_t endMs);

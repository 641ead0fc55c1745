// The GIF recorder: see gif.h.
#include "gif.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

enum { kRedLevels = 6, kGreenLevels = 7, kBlueLevels = 6, kMaxDelay = 65535 };

uint8_t Quantise(COLORREF colour) {
    int r = (int)(colour & 0xFF), g = (int)((colour >> 8) & 0xFF), b = (int)((colour >> 16) & 0xFF);
    int ri = (r * (kRedLevels - 1) + 127) / 255;
    int gi = (g * (kGreenLevels - 1) + 127) / 255;
    int bi = (b * (kBlueLevels - 1) + 127) / 255;
    return (uint8_t)((ri * kGreenLevels + gi) * kBlueLevels + bi);
}

ColorMapObject *MakePalette() {
    GifColorType colours[256] = {};
    for (int ri = 0; ri < kRedLevels; ri++)
        for (int gi = 0; gi < kGreenLevels; gi++)
            for (int bi = 0; bi < kBlueLevels; bi++) {
                GifColorType &c = colours[(ri * kGreenLevels + gi) * kBlueLevels + bi];
                c.Red = (GifByteType)(ri * 255 / (kRedLevels - 1));
                c.Green = (GifByteType)(gi * 255 / (kGreenLevels - 1));
                c.Blue = (GifByteType)(bi * 255 / (kBlueLevels - 1));
            }
    return GifMakeMapObject(256, colours);
}

// Loops forever, as previews are watched.
void PutLoopExtension(GifFileType *file) {
    static const GifByteType loop[3] = {1, 0, 0};
    EGifPutExtensionLeader(file, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(file, 11, "NETSCAPE2.0");
    EGifPutExtensionBlock(file, 3, loop);
    EGifPutExtensionTrailer(file);
}

// The bounding box of the pixels that differ; a 1 x 1 box when none do, as
// a frame needs at least one pixel to carry its delay.
void ChangedBox(const GifRecorder *gif, const std::vector<uint8_t> &next, int box[4]) {
    int left = gif->width, top = gif->height, right = -1, bottom = -1;
    for (int y = 0; y < gif->height; y++)
        for (int x = 0; x < gif->width; x++) {
            size_t i = (size_t)y * (size_t)gif->width + (size_t)x;
            if (gif->anyWritten && gif->shown[i] == next[i]) continue;
            if (x < left) left = x;
            if (x > right) right = x;
            if (y < top) top = y;
            if (y > bottom) bottom = y;
        }
    if (right < 0) left = top = right = bottom = 0;
    box[0] = left;
    box[1] = top;
    box[2] = right - left + 1;
    box[3] = bottom - top + 1;
}

int PutFrame(GifRecorder *gif, const std::vector<uint8_t> &pixels, int delay) {
    GraphicsControlBlock control = {DISPOSE_DO_NOT, false, delay, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    size_t length = EGifGCBToExtension(&control, extension);
    int box[4];
    ChangedBox(gif, pixels, box);
    int ok =
        EGifPutExtension(gif->file, GRAPHICS_EXT_FUNC_CODE, (int)length, extension) == GIF_OK &&
        EGifPutImageDesc(gif->file, box[0], box[1], box[2], box[3], false, nullptr) == GIF_OK;
    for (int y = box[1]; ok && y < box[1] + box[3]; y++) {
        GifPixelType *row =
            (GifPixelType *)&pixels[(size_t)y * (size_t)gif->width + (size_t)box[0]];
        ok = EGifPutLine(gif->file, row, box[2]) == GIF_OK;
    }
    gif->shown = pixels;
    gif->anyWritten = true;
    return ok;
}

// Long pauses exceed one frame's delay field: the same picture goes out again.
int WritePending(GifRecorder *gif, uint64_t untilCs) {
    uint64_t delay = untilCs > gif->pendingAt ? untilCs - gif->pendingAt : 1;
    int ok = 1;
    do {
        int part = delay > kMaxDelay ? kMaxDelay : (int)delay;
        ok = PutFrame(gif, gif->pending, part) && ok;
        delay -= (uint64_t)part;
    } while (delay > 0);
    return ok;
}

}  // namespace

int OpenGif(GifRecorder *gif, const std::string &path, int width, int height) {
    // Opened here rather than by giflib, which makes files only the owner may read.
    int handle = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (handle < 0) return 0;
    int error = 0;
    gif->file = EGifOpenFileHandle(handle, &error);
    if (gif->file == nullptr) {
        close(handle);
        return 0;
    }
    gif->width = width;
    gif->height = height;
    EGifSetGifVersion(gif->file, true);
    ColorMapObject *palette = MakePalette();
    int ok = EGifPutScreenDesc(gif->file, width, height, 8, 0, palette) == GIF_OK;
    GifFreeMapObject(palette);
    if (ok) PutLoopExtension(gif->file);
    return ok;
}

void AddGifFrame(GifRecorder *gif, const ScreenImage &screen, uint64_t atMs) {
    if (gif->file == nullptr) return;
    std::vector<uint8_t> next((size_t)gif->width * (size_t)gif->height, Quantise(0));
    for (int y = 0; y < gif->height && y < screen.height; y++)
        for (int x = 0; x < gif->width && x < screen.width; x++)
            next[(size_t)y * (size_t)gif->width + (size_t)x] =
                Quantise(screen.pixels[(size_t)y * (size_t)screen.width + (size_t)x]);
    uint64_t at = atMs / 10;
    if (gif->hasPending && next == gif->pending) return;
    if (gif->hasPending && at > gif->pendingAt) WritePending(gif, at);
    gif->pending = next;
    // A state that lasted under 10 ms keeps its predecessor's start time.
    if (!gif->hasPending || at > gif->pendingAt) gif->pendingAt = at;
    gif->hasPending = true;
}

int CloseGif(GifRecorder *gif, uint64_t endMs) {
    if (gif->file == nullptr) return 0;
    int ok = 1;
    if (gif->hasPending) ok = WritePending(gif, endMs / 10);
    int error = 0;
    ok = EGifCloseFile(gif->file, &error) == GIF_OK && ok;
    gif->file = nullptr;
    return ok;
}

// The GIF recorder: see gif.h.
#include "gif.h"

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace {

enum { kMaxDelay = 65535, kMaxColours = 256 };

// A frame's pixels as palette indices with the palette they index.
struct IndexedBox {
    std::vector<GifByteType> indices;
    std::vector<GifColorType> colours;
};

GifColorType ColourEntry(COLORREF c) {
    return GifColorType{(GifByteType)(c & 0xFF), (GifByteType)(c >> 8 & 0xFF),
                        (GifByteType)(c >> 16 & 0xFF)};
}

// Exact when the box holds at most 256 colours: returns 0 when it holds more.
int IndexExactly(const std::vector<COLORREF> &pixels, IndexedBox *out) {
    std::vector<COLORREF> distinct = pixels;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    if (distinct.size() > kMaxColours) return 0;
    out->colours.clear();
    for (COLORREF c : distinct) out->colours.push_back(ColourEntry(c));
    out->indices.resize(pixels.size());
    for (size_t i = 0; i < pixels.size(); i++)
        out->indices[i] =
            (GifByteType)(std::lower_bound(distinct.begin(), distinct.end(), pixels[i]) -
                          distinct.begin());
    return 1;
}

int IndexByQuantiser(const std::vector<COLORREF> &pixels, int width, int height, IndexedBox *out) {
    std::vector<GifByteType> red(pixels.size()), green(pixels.size()), blue(pixels.size());
    for (size_t i = 0; i < pixels.size(); i++) {
        GifColorType c = ColourEntry(pixels[i]);
        red[i] = c.Red;
        green[i] = c.Green;
        blue[i] = c.Blue;
    }
    int size = kMaxColours;
    out->colours.assign(kMaxColours, GifColorType{0, 0, 0});
    out->indices.resize(pixels.size());
    return GifQuantizeBuffer((unsigned)width, (unsigned)height, &size, red.data(), green.data(),
                             blue.data(), out->indices.data(), out->colours.data()) == GIF_OK;
}

// A colour table's size must be a power of two: the rest is black.
ColorMapObject *MakeColourMap(const std::vector<GifColorType> &colours) {
    int size = 2;
    while (size < (int)colours.size()) size *= 2;
    std::vector<GifColorType> table(colours);
    table.resize((size_t)size, GifColorType{0, 0, 0});
    return GifMakeMapObject(size, table.data());
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
void ChangedBox(const GifRecorder *gif, const std::vector<COLORREF> &next, int box[4]) {
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

std::vector<COLORREF> BoxPixels(const GifRecorder *gif, const std::vector<COLORREF> &pixels,
                                const int box[4]) {
    std::vector<COLORREF> inside;
    for (int y = box[1]; y < box[1] + box[3]; y++)
        for (int x = box[0]; x < box[0] + box[2]; x++)
            inside.push_back(pixels[(size_t)y * (size_t)gif->width + (size_t)x]);
    return inside;
}

int PutFrame(GifRecorder *gif, const std::vector<COLORREF> &pixels, int delay) {
    GraphicsControlBlock control = {DISPOSE_DO_NOT, false, delay, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    size_t length = EGifGCBToExtension(&control, extension);
    int box[4];
    ChangedBox(gif, pixels, box);
    IndexedBox indexed;
    std::vector<COLORREF> inside = BoxPixels(gif, pixels, box);
    int ok = IndexExactly(inside, &indexed) || IndexByQuantiser(inside, box[2], box[3], &indexed);
    ColorMapObject *map = ok ? MakeColourMap(indexed.colours) : nullptr;
    ok = map != nullptr &&
         EGifPutExtension(gif->file, GRAPHICS_EXT_FUNC_CODE, (int)length, extension) == GIF_OK &&
         EGifPutImageDesc(gif->file, box[0], box[1], box[2], box[3], false, map) == GIF_OK;
    for (int y = 0; ok && y < box[3]; y++)
        ok = EGifPutLine(gif->file, &indexed.indices[(size_t)y * (size_t)box[2]], box[2]) == GIF_OK;
    GifFreeMapObject(map);
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
    // No global colour table: every frame brings its own.
    int ok = EGifPutScreenDesc(gif->file, width, height, 8, 0, nullptr) == GIF_OK;
    if (ok) PutLoopExtension(gif->file);
    return ok;
}

void AddGifFrame(GifRecorder *gif, const ScreenImage &screen, uint64_t atMs) {
    if (gif->file == nullptr) return;
    std::vector<COLORREF> next((size_t)gif->width * (size_t)gif->height, 0);
    for (int y = 0; y < gif->height && y < screen.height; y++)
        for (int x = 0; x < gif->width && x < screen.width; x++)
            next[(size_t)y * (size_t)gif->width + (size_t)x] =
                screen.pixels[(size_t)y * (size_t)screen.width + (size_t)x];
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

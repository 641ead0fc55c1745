// The compositor's fast loops give the same pixels as plain per-pixel rules
// written with the pixel operations.
#include "core/process.h"
#include "engine/compose.h"
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"
#include "support/blend_model.h"
#include "support/engine_skin.h"

#include <gtest/gtest.h>

#include <random>
#include <string.h>
#include <string>
#include <vector>

namespace {

// A copy of one of the program's 24-bit surfaces for the per-pixel rules.
struct OwnSurface {
    std::vector<BYTE> bytes;
    ImageRecord record;
    explicit OwnSurface(const ImageRecord &from) : record(TestPicture(bytes, from.width, from.height, 24, 0)) {
        for (int32_t y = 0; y < from.height; y++) memcpy(ImageRow(&record, y), ImageRow(&from, y), 3 * from.width);
    }
};

// Where a surface's pixel bytes first differ from our copy's, or ""; with
// reduced, only their 5-6-5 bits count.
std::string FirstDifference(const char *what, const OwnSurface &want, const ImageRecord &got, bool reduced = false) {
    for (int32_t y = 0; y < got.height; y++)
        for (int32_t i = 0; i < 3 * got.width; i++)
            if ((ImageRow(&want.record, y)[i] ^ ImageRow(&got, y)[i]) & (!reduced ? 0xFF : i % 3 == 1 ? 0xFC : 0xF8))
                return std::string(what) + " differs in row " + std::to_string(y) + " at byte " + std::to_string(i) +
                       ": expected " + std::to_string(ImageRow(&want.record, y)[i]) + ", got " +
                       std::to_string(ImageRow(&got, y)[i]) + "; ";
    return "";
}

void ReferenceMerge(int32_t mode, int32_t tracking, ImageRecord *work, const ImageRecord *frame,
                    ImageRecord *background, ImageRecord *shown, const BYTE *coverage) {
    for (int32_t y = 0; y < work->height; y++)
        for (int32_t x = 0; x < work->width; x++) {
            uint32_t s = ReadPixel(work, x, y);
            if (tracking && ReadPixel(shown, x, y) != s) WritePixel(background, x, y, s);
            if (coverage[y * work->width + x])
                BlendPixel(work, x, y, ReadPixel(frame, x, y), ReadPixel(background, x, y), mode);
            else
                WritePixel(work, x, y, ReadPixel(background, x, y));
            WritePixel(shown, x, y, ReadPixel(work, x, y));
        }
}

// One picture layer, pixel by pixel, with this engine's choices for keys
// that cannot be used (the mask decides) and missing masks (opaque).
void ReferenceLayer(const ImageRecord *g, const ImageRecord *m, ImageRecord *frame, std::vector<BYTE> &coverage) {
    int32_t w = frame->width, h = frame->height;
    int keyUsable =
        g->hasTransparentKey && g->palette && g->bitsPerPixel <= 8 && g->transparentKey < (1u << g->bitsPerPixel);
    for (int32_t y = 0; y < g->height; y++)
        for (int32_t x = 0; x < g->width; x++) {
            uint32_t p = ReadPixel(g, x, y);
            int transparent = !keyUsable                 ? m && x < m->width && y < m->height && ReadPixel(m, x, y) != 0
                              : displayFormat.depth == 8 ? ReadPixelIndex(g, x, y) == g->transparentKey
                                                         : p == g->palette[g->transparentKey];
            int64_t tx = (int64_t)x + g->x, ty = (int64_t)y + g->y;
            if (transparent || tx < 0 || ty < 0 || tx >= w || ty >= h) continue;
            WritePixel(frame, (int32_t)tx, (int32_t)ty, p);
            coverage[ty * w + tx] = 1;
        }
}

class MergeTest : public ::testing::Test {
  protected:
    std::mt19937 random{12345};

    void SetUp() override { OpenDisplay(); }
    void TearDown() override { ReleaseWorkSurfaces(); }
    // The program's surfaces for a w x h area (shown on the screen when
    // tracking) filled at random; coverage in runs and single pixels, some
    // rows wholly uncovered; the screen as shown except at a few places.
    void Fill(int32_t w, int32_t h, int32_t tracking) {
        EditSkinTables([&](SkinTables &t) { t.areaWidth = w, t.areaHeight = h; });
        ASSERT_EQ(1, CreateWorkSurfaces());
        if (tracking) ShowWorkSurface();
        ImageRecord work = workSurface, frame = frameSurface, background = backgroundSurface, shown = shownSurface;
        for (int32_t y = 0; y < h; y++)
            for (int32_t x = 0; x < w; x++) {
                for (int c = 0; c < 3; c++) ImageRow(&work, y)[3 * x + c] = (BYTE)random();  // all 8 bits, as read
                uint32_t v = ReadPixel(&work, x, y);
                WritePixel(&shown, x, y, random() % 13 == 0 && y % 4 < 2 ? v ^ 0x080400 : v);
                WritePixel(&frame, x, y, random());
                WritePixel(&background, x, y, random());
            }
        for (int32_t i = 0; i < w * h; i++) {
            int32_t x = i % w, y = i / w;
            if (y % 4 == 2)
                coverageMask[i] = x % 16 == (y % 8 == 2 ? 0 : 15);
            else
                coverageMask[i] = y % 4 != 3 && ((i / 8 + i / 29) % 3 == 0 || random() % 9 == 0);
        }
    }
};

// The mixes keep only the channel bits the display has: 6 bits of green, or
// 5 on the last size's display.
TEST_F(MergeTest, MatchesThePixelOperationsInEveryMode) {
    const int32_t sizes[][3] = {{21, 5, 0xFC}, {1, 1, 0xFC}, {53, 8, 0xF8}};  // width, height, green mask
    for (const auto &size : sizes)
        for (int32_t mode : {0, 1, 2, 3, 4, 7})  // 7: no such mode
            for (int32_t tracking = 0; tracking < 2; tracking++) {
                SetDisplayFormat(DisplayFormat{24, 0, 0, 0, 0, {0xF8, (BYTE)size[2], 0xF8}});
                SetBlendMode(mode);
                Fill(size[0], size[1], tracking);
                OwnSurface work(workSurface), frame(frameSurface), background(backgroundSurface), shown(shownSurface);
                ReferenceMerge(mode, tracking, &work.record, &frame.record, &background.record, &shown.record,
                               coverageMask);
                MergeFrameWithBackground();
                // The shown copy keeps the pixels as written: their 5-6-5 bits count.
                ASSERT_EQ("", FirstDifference("work", work, workSurface) +
                                  FirstDifference("background", background, backgroundSurface) +
                                  FirstDifference("shown", shown, shownSurface, true))
                    << size[0] << "x" << size[1] << " green " << size[2] << " mode " << mode << " tracking "
                    << tracking;
            }
}

// Keys by colour and index, keys past the palette, masks of every depth and
// size or outside the table (none), pictures partly outside the work area.
TEST_F(MergeTest, LayersMatchThePixelOperationsAtEveryDepth) {
    const int32_t w = 19, h = 11;
    const struct {
        int32_t depth, x, y, width, height, key, hasKey, display, maskWidth, maskDepth;
    } rows[] = {
        /* maskWidth 0: the layer names a mask outside the table; maskDepth 8: paletted */
        {1, 0, 0, 19, 11, 1, 1, 24, 0, 0},      {2, -3, 2, 9, 5, 2, 1, 24, 0, 0},   {4, 5, -2, 17, 6, 3, 1, 8, 0, 0},
        {8, 12, 8, 13, 9, 7, 1, 24, 0, 0},      {8, 1, 1, 13, 9, 300, 1, 24, 9, 8}, {24, 2, 3, 12, 8, 0, 1, 24, 7, 8},
        {24, -1, -1, 21, 13, 0, 0, 24, 30, 24}, {1, -2, 1, 23, 7, 0, 0, 24, 13, 2},
    };
    std::vector<uint32_t> palette(256), maskPalette(256);
    // Mask colours: entry 0 and the odd entries are 0 (drawn), the rest cut.
    for (size_t i = 0; i < maskPalette.size(); i++) maskPalette[i] = i % 2 ? 0 : (uint32_t)i * 0x010101;
    for (const auto &row : rows) {
        for (uint32_t &c : palette) c = (random() % 4) * 0x3C1E3C;  // repeated colours
        std::vector<BYTE> store, maskStore;
        TestSkin skin;
        skin.graphics = {
            TestPicture(store, row.width, row.height, row.depth, 0, row.depth <= 8 ? palette.data() : nullptr)};
        for (BYTE &b : store) b = (BYTE)random();
        ImageRecord &g = skin.graphics[0];
        g.x = row.x;
        g.y = row.y;
        g.transparentKey = (uint32_t)row.key;
        g.hasTransparentKey = row.hasKey;
        skin.masks = {TestPicture(maskStore, row.maskWidth ? row.maskWidth : 1, 4, row.maskDepth ? row.maskDepth : 1, 0,
                                  row.maskDepth == 8 ? maskPalette.data() : nullptr)};
        // Many bytes hold only bits below the 5-6-5 precision, which do not cut.
        for (BYTE &b : maskStore) b = (BYTE)(random() & (random() % 2 ? 0xFF : 0x07));
        SetDisplayFormat(DisplayFormat{row.display, 0, 0, 0, 0, {0xF8, 0xFC, 0xF8}});
        UseTestSkin(skin);
        Fill(w, h, 0);
        memset(coverageMask, 0, w * h);
        OwnSurface frame(frameSurface);
        std::vector<BYTE> coverage(w * h, 0);
        ReferenceLayer(&g, row.maskWidth ? &skin.masks[0] : nullptr, &frame.record, coverage);
        Frame layered = TestFrame(100, 100, {{0, row.maskWidth ? 0 : 99, {}}, {99, -1, {}}});
        ComposeFrameLayers(&layered);
        EXPECT_EQ("", FirstDifference("frame", frame, frameSurface)) << "row " << &row - rows;
        for (int32_t i = 0; i < w * h; i++)
            ASSERT_EQ(coverage[i], coverageMask[i])
                << "row " << &row - rows << " coverage at " << i % w << "," << i / w;
    }
}

}  // namespace

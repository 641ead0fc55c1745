// The compositor's fast loops against the plain per-pixel rules written with
// the pixel operations: the same pixels for every depth, key, mask, offset,
// blend mode and state of the screen.
#include "engine/compose.h"
#include "graphics/pixels.h"
#include "graphics/surfaces.h"
#include "shell/globals.h"
#include "support/engine_skin.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

namespace {

// A surface of our own standing in for one of the work surfaces; rowBytes
// may be padded like the work DIB's.
struct OwnSurface {
    std::vector<BYTE> bytes;
    ImageRecord record = {};
    void Make(int32_t w, int32_t h, int32_t rowBytes, std::mt19937 &random) {
        bytes.resize((size_t)rowBytes * h);
        for (BYTE &b : bytes) b = (BYTE)random();
        record = ImageRecord{};
        record.pixels = bytes.data();
        record.width = w;
        record.height = h;
        record.bitsPerPixel = 24;
        record.rowBytes = rowBytes;
    }
    OwnSurface Copy() const {
        OwnSurface copy = *this;
        copy.record.pixels = copy.bytes.data();
        return copy;
    }
};

// Where two surfaces' pixels first differ, by their raw bytes (a pixel the
// checker skips keeps the screen's full precision), or "" when none does.
std::string FirstDifference(const char *what, const OwnSurface &want, const OwnSurface &got) {
    const ImageRecord &r = want.record;
    for (int32_t y = 0; y < r.height; y++)
        for (int32_t x = 0; x < r.width; x++) {
            const BYTE *a = want.bytes.data() + (size_t)y * r.rowBytes + 3 * x;
            const BYTE *b = got.bytes.data() + (size_t)y * r.rowBytes + 3 * x;
            if (memcmp(a, b, 3) == 0) continue;
            char text[96];
            snprintf(text, sizeof text, "%s at byte row %d, x %d: expected %02X%02X%02X, got %02X%02X%02X",
                     what, y, x, a[0], a[1], a[2], b[0], b[1], b[2]);
            return text;
        }
    return "";
}

// Step 11 and the copy of step 13 of the tick, pixel by pixel.
void ReferenceMerge(int32_t w, int32_t h) {
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++) {
            uint32_t s = ReadPixel(&workSurface, x, y);
            if (mascotShown && ReadPixel(&shownSurface, x, y) != s) WritePixel(&backgroundSurface, x, y, s);
            if (coverageMask[y * w + x])
                BlendPixel(&workSurface, x, y, ReadPixel(&frameSurface, x, y),
                           ReadPixel(&backgroundSurface, x, y), blendMode);
            else
                WritePixel(&workSurface, x, y, ReadPixel(&backgroundSurface, x, y));
            WritePixel(&shownSurface, x, y, ReadPixel(&workSurface, x, y));
        }
}

// One picture layer, pixel by pixel, as the tick's layer rules say, with the
// choices of this engine for keys that cannot be used and missing masks.
void ReferenceLayer(const ImageRecord *g, const ImageRecord *m, int32_t w, int32_t h) {
    int keyUsable = g->hasTransparentKey && g->palette && g->bitsPerPixel <= 8 &&
                    g->transparentKey < (1u << g->bitsPerPixel);
    for (int32_t y = 0; y < g->height; y++)
        for (int32_t x = 0; x < g->width; x++) {
            uint32_t p = ReadPixel(g, x, y);
            int transparent;
            if (keyUsable && displayFormat.depth == 8) transparent = ReadPixelIndex(g, x, y) == g->transparentKey;
            else if (keyUsable) transparent = p == g->palette[g->transparentKey];
            else transparent = m && x < m->width && y < m->height && ReadPixel(m, x, y) != 0;
            int64_t tx = (int64_t)x + g->x, ty = (int64_t)y + g->y;
            if (transparent || tx < 0 || ty < 0 || tx >= w || ty >= h) continue;
            WritePixel(&frameSurface, (int32_t)tx, (int32_t)ty, p);
            coverageMask[ty * w + tx] = 1;
        }
}

class MergeTest : public ::testing::Test {
protected:
    std::mt19937 random{12345};
    OwnSurface work, frame, background, shown;
    std::vector<BYTE> coverage;

    void SetUp() override {
        displayFormat = DisplayFormat{};
        displayFormat.channelMask[0] = displayFormat.channelMask[2] = 0xF8;
        displayFormat.channelMask[1] = 0xFC;
    }
    void TearDown() override { ClearTestSkin(); }
    // Random surfaces; coverage in runs (so whole blocks are covered or not)
    // and the screen equal to what was shown except at a few places. Every
    // fourth row from row 2 is left untouched by other programs and covered
    // only at the first or the last pixel of each sixteen; every fourth from
    // row 3 is untouched and uncovered, as most rows of a tick are.
    void Fill(int32_t w, int32_t h) {
        work.Make(w, h, (3 * w + 3) & ~3, random);
        frame.Make(w, h, 3 * w, random);
        background.Make(w, h, 3 * w, random);
        shown.Make(w, h, 3 * w, random);
        for (int32_t y = 0; y < h; y++)
            for (int32_t x = 0; x < w; x++) {
                uint32_t v = ReadPixel(&work.record, x, y);
                if (random() % 13 == 0 && y % 4 < 2) v ^= 0x080400;
                WritePixel(&shown.record, x, y, v);
                WritePixel(&frame.record, x, y, ReadPixel(&frame.record, x, y));
                WritePixel(&background.record, x, y, ReadPixel(&background.record, x, y));
            }
        coverage.assign((size_t)w * h, 0);
        for (size_t i = 0; i < coverage.size(); i++) {
            size_t x = i % w, y = i / w;
            if (y % 4 == 2) coverage[i] = x % 16 == (y % 8 == 2 ? 0 : 15);
            else coverage[i] = y % 4 != 3 && ((i / 8 + i / 29) % 3 == 0 || random() % 9 == 0);
        }
    }
    void Install(OwnSurface &workTo, OwnSurface &frameTo, OwnSurface &backgroundTo, OwnSurface &shownTo,
                 std::vector<BYTE> &coverageTo) {
        workSurface = workTo.record;
        frameSurface = frameTo.record;
        backgroundSurface = backgroundTo.record;
        shownSurface = shownTo.record;
        coverageMask = coverageTo.data();
    }
};

TEST_F(MergeTest, MatchesThePixelOperationsInEveryMode) {
    const int32_t sizes[][2] = {{21, 5}, {16, 3}, {7, 2}, {1, 1}, {53, 8}};
    const int32_t modes[] = {kBlendFull, kBlend75, kBlend50, kBlend25, kBlendChecker, 7};
    for (const auto &size : sizes)
        for (int32_t mode : modes)
            for (int32_t tracking = 0; tracking < 2; tracking++) {
                Fill(size[0], size[1]);
                OwnSurface wantWork = work.Copy(), wantBack = background.Copy(), wantShown = shown.Copy();
                blendMode = mode;
                mascotShown = tracking;
                Install(wantWork, frame, wantBack, wantShown, coverage);
                ReferenceMerge(size[0], size[1]);
                Install(work, frame, background, shown, coverage);
                MergeFrameWithBackground();
                std::string where = std::to_string(size[0]) + "x" + std::to_string(size[1]) + " mode " +
                                    std::to_string(mode) + " tracking " + std::to_string(tracking);
                ASSERT_EQ("", FirstDifference("work", wantWork, work)) << where;
                ASSERT_EQ("", FirstDifference("background", wantBack, background)) << where;
                ASSERT_EQ("", FirstDifference("shown", wantShown, shown)) << where;
            }
}

TEST_F(MergeTest, LayersMatchThePixelOperationsAtEveryDepth) {
    const int32_t w = 19, h = 11;
    const struct {
        int32_t depth, x, y, width, height, key, hasKey, displayDepth, maskWidth, maskDepth;
        bool maskPaletted;
    } rows[] = {
        /* depth x  y  width height key hasKey display maskWidth (0: no mask) maskDepth maskPaletted */
        {1, 0, 0, 19, 11, 1, 1, 24, 0, 0, false},      {2, -3, 2, 9, 5, 2, 1, 24, 0, 0, false},
        {4, 5, -2, 17, 6, 3, 1, 8, 0, 0, false},       {4, 5, -2, 17, 6, 3, 1, 24, 0, 0, false},
        {8, 12, 8, 13, 9, 7, 1, 24, 0, 0, false},      {8, 1, 1, 13, 9, 7, 1, 8, 0, 0, false},
        {8, 1, 1, 13, 9, 300, 1, 24, 9, 1, true},      {24, 2, 3, 12, 8, 0, 1, 24, 7, 8, true},
        {24, -1, -1, 21, 13, 0, 0, 24, 30, 24, false}, {4, 0, 0, 19, 11, 0, 0, 24, 5, 4, true},
        {2, 0, 0, 19, 11, 0, 0, 16, 0, 0, false},      {1, -2, 1, 23, 7, 0, 0, 24, 13, 2, false},
        {24, 3, 0, 15, 11, 0, 0, 24, 15, 8, false},
    };
    std::vector<uint32_t> palette(256), maskPalette(256);
    // Mask colours: entry 0 and the odd entries are 0 (drawn), the rest cut.
    for (size_t i = 0; i < maskPalette.size(); i++) maskPalette[i] = i % 2 ? 0 : (uint32_t)i * 0x010101;
    for (const auto &row : rows) {
        for (uint32_t &c : palette) c = (random() % 4) * 0x3C1E3C;  // repeated colours
        std::vector<BYTE> store, maskStore;
        TestSkin skin;
        skin.graphics = {TestPicture(store, row.width, row.height, row.depth, 0,
                                     row.depth <= 8 ? palette.data() : nullptr)};
        for (BYTE &b : store) b = (BYTE)random();
        ImageRecord &g = skin.graphics[0];
        g.x = row.x;
        g.y = row.y;
        g.transparentKey = (uint32_t)row.key;
        g.hasTransparentKey = row.hasKey;
        skin.masks = {TestPicture(maskStore, row.maskWidth ? row.maskWidth : 1, 4,
                                  row.maskDepth ? row.maskDepth : 1, 0,
                                  row.maskPaletted ? maskPalette.data() : nullptr)};
        // Many bytes hold only bits below the 5-6-5 precision, which do not cut.
        for (BYTE &b : maskStore) b = (BYTE)(random() & (random() % 2 ? 0xFF : 0x07));
        displayFormat.depth = row.displayDepth;
        UseTestSkin(skin);
        Fill(w, h);
        OwnSurface wantFrame = frame.Copy();
        std::vector<BYTE> wantCoverage(coverage.size(), 0);
        coverage.assign(coverage.size(), 0);
        Install(work, wantFrame, background, shown, wantCoverage);
        ReferenceLayer(&g, row.maskWidth ? &skin.masks[0] : nullptr, w, h);
        Install(work, frame, background, shown, coverage);
        Frame layered = TestFrame(100, 100, {{0, row.maskWidth ? 0 : -1, {}}});
        ComposeFrameLayers(&layered);
        std::string label = "depth " + std::to_string(row.depth) + " mask " + std::to_string(row.maskDepth) +
                            " display " + std::to_string(row.displayDepth);
        EXPECT_EQ("", FirstDifference("frame", wantFrame, frame)) << label;
        for (size_t i = 0; i < coverage.size(); i++)
            ASSERT_EQ((int)wantCoverage[i], (int)coverage[i])
                << label << " coverage at " << i % w << "," << i / w;
    }
}

} // namespace
